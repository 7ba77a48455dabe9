// The error lines of the readers of the name-based formats.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// "ERROR: NAME:LINE: REASON\n", or "ERROR: NAME: REASON\n" when line is 0.
[[noreturn]] void failReading(const std::string& name, std::uint64_t line,
                              const std::string& reason);
