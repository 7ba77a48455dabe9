// What every fuzz target shares: a check that reports the broken invariant and aborts, so
// libFuzzer records the input as a finding, and the shape of a reported error.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace fuzz {

// One line: "ERROR: " and text without a line break, then a single "\n".
inline bool isOneErrorLine(const std::string& message) {
    return message.size() > 8 && message.compare(0, 7, "ERROR: ") == 0 && message.back() == '\n' &&
           message.find('\n') == message.size() - 1;
}

}  // namespace fuzz
