// Helpers the benchmark programs share: clocks and the floor for reading a file.
#pragma once

#include <sys/resource.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <vector>

namespace bench {

inline double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Processor time of this process: on a shared machine it varies less than wall time.
inline double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Whitespace skipped, every token converted, nothing stored: what no reader can beat.
inline std::uint64_t bareScan(const char* path) {
    constexpr std::size_t kBlock = std::size_t{1} << 20;
    std::ifstream input(path, std::ios::binary);
    std::vector<char> buffer(kBlock + 64);
    std::size_t kept = 0;
    std::uint64_t sum = 0;
    for (;;) {
        input.read(buffer.data() + kept, static_cast<std::streamsize>(kBlock));
        const std::size_t got = static_cast<std::size_t>(input.gcount());
        const bool last = got < kBlock;
        char* end = buffer.data() + kept + got;
        char* safe = end;
        if (!last)
            while (safe > buffer.data() && *(safe - 1) > ' ') --safe;  // keep a cut token
        const char* p = buffer.data();
        while (p < safe) {
            if (*p <= ' ') {
                ++p;
                continue;
            }
            std::uint32_t value = 0;
            p = std::from_chars(p, safe, value).ptr;
            sum += value;
            if (p<safe&& * p> ' ') ++p;
        }
        if (last) break;
        kept = static_cast<std::size_t>(end - safe);
        std::copy(safe, end, buffer.data());
    }
    return sum;
}

}  // namespace bench
