// The error lines of the readers of the name-based formats.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Text from a file or a library in a message: bytes below 0x20 and from 0x7F written as
// \xHH, as the edge list writes its tokens, cut to 256 bytes followed by "..." when longer.
std::string describeText(std::string_view text);

// "ERROR: NAME:LINE: REASON\n", or "ERROR: NAME: REASON\n" when line is 0.
[[noreturn]] void failReading(const std::string& name, std::uint64_t line,
                              const std::string& reason);
