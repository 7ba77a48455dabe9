// The one memory measurement of the benchmarks: this process's resident size now and at its
// peak since the last reset, in MiB, as the kernel counts them.
#pragma once

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace memory {

// A line "NAME: N kB" of /proc/self/status, in MiB; 0 when absent.
inline double statusMiB(const char* name) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(name, 0) == 0) return std::atof(line.c_str() + std::strlen(name)) / 1024;
    return 0;
}

inline double currentMiB() {
    return statusMiB("VmRSS:");
}
// The peak since the process started or since resetPeak.
inline double peakMiB() {
    return statusMiB("VmHWM:");
}
// Starts a new peak: the kernel sets the peak resident size to the current one. False where
// the kernel does not allow it.
inline bool resetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

}  // namespace memory
