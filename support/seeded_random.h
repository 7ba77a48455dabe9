// The one seeded generator of the benchmarks, their tools and the tests (SplitMix64): the same
// seed gives the same numbers on every machine, so a generated network or test case is the
// same wherever it is made. Not for the product, whose randomness lives with its algorithms.
#pragma once

#include <cstdint>

class SeededRandom {
  public:
    explicit SeededRandom(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, bound), by a multiply and a shift (no division).
    std::uint64_t below(std::uint64_t bound) {
        return static_cast<std::uint64_t>((static_cast<unsigned __int128>(next()) * bound) >> 64);
    }
    // Uniform in [0, 1), 53 bits.
    double unit() { return double(next() >> 11) / 9007199254740992.0; }

  private:
    std::uint64_t state_;
};
