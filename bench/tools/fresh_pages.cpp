// How long this machine takes to make memory present: fresh from the system, and again
// right after the same process gave it back. On a virtual machine whose host takes back what
// its guest frees, the first costs a wait for the host per page; the figures say how much of
// a large run's time its first touches of memory can be.
//
//   fresh_pages [GIB [ROUNDS]]    (default 2 GiB, 4 rounds)
//
// Each round maps GIB, has it made present by prepareFreshMemory on one thread (huge pages),
// writes it once and gives it back; prints the seconds of each step.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "graph/memory.h"

int main(int argc, char** argv) {
    const std::size_t gib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 2;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 4;
    const std::size_t bytes = gib << 30;
    using Clock = std::chrono::steady_clock;
    auto seconds = [](Clock::time_point from, Clock::time_point to) {
        return std::chrono::duration<double>(to - from).count();
    };
    for (int round = 0; round < rounds; ++round) {
        const Clock::time_point start = Clock::now();
        void* block = nullptr;
        try {
            block = mapPages(bytes);
        } catch (const std::bad_alloc&) {
            std::fprintf(stderr, "ERROR: %zu GiB cannot be mapped\n", gib);
            return 1;
        }
        prepareFreshMemory(block, bytes, 1);
        const Clock::time_point present = Clock::now();
        std::memset(block, round + 1, bytes);
        const Clock::time_point written = Clock::now();
        unmapPages(block, bytes);
        std::printf("round %d: %zu GiB made present %.3f s, written %.3f s\n", round + 1, gib,
                    seconds(start, present), seconds(present, written));
    }
    return 0;
}
