#include "graph/memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>
#include <utility>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "graph/threads.h"

namespace {

// The allocator's own default for M_TOP_PAD.
[[maybe_unused]] constexpr int kDefaultTopPad = 128 * 1024;

// The system heap's range, from the process's map (one mapping, or several in a row where
// parts of it differ in advice); {0, 0} when it has none.
std::pair<std::uintptr_t, std::uintptr_t> heapRange() {
    std::FILE* maps = std::fopen("/proc/self/maps", "r");
    if (!maps) return {0, 0};
    char line[512];
    std::pair<std::uintptr_t, std::uintptr_t> range{0, 0};
    while (std::fgets(line, sizeof line, maps)) {
        // A longer line (a mapped file's long path) is read to its end, so that its rest is
        // not taken for a line of its own.
        if (!std::strchr(line, '\n'))
            for (int c = std::fgetc(maps); c != EOF && c != '\n'; c = std::fgetc(maps)) {
            }
        unsigned long from = 0, to = 0;
        char name[64] = "";
        if (std::sscanf(line, "%lx-%lx %*s %*s %*s %*s %63s", &from, &to, name) != 3 ||
            std::string_view(name) != "[heap]")
            continue;
        if (range.second == 0) range.first = from;
        if (range.second == 0 || range.second == from) range.second = to;
    }
    std::fclose(maps);
    return range;
}

}  // namespace

void prepareFreshMemory(const void* data, std::size_t bytes, unsigned threads) {
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kHuge = std::uintptr_t{1} << 21;
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t begin = (start + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t end = (start + bytes) & ~(kHuge - 1);
    if (end <= begin) return;
    madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
    // Below a few huge pages a thread costs more than it saves.
    if (end - begin < (std::uintptr_t{8} << 20)) return;
    const std::uintptr_t middle = begin + ((end - begin) / 2 & ~(kHuge - 1));
    auto populate = [](std::uintptr_t from, std::uintptr_t to) {
        madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
    };
    inParallel(
        threads, [&] { populate(begin, middle); }, [&] { populate(middle, end); });
#endif
#else
    (void)data;
    (void)bytes;
    (void)threads;
#endif
}

void prepareHeapRange(const void* data, std::size_t bytes, unsigned threads) {
    const auto [heapBegin, heapEnd] = heapRange();
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t begin = std::max(start, heapBegin);
    const std::uintptr_t end = std::min(start + bytes, heapEnd);
    if (end > begin) prepareFreshMemory(reinterpret_cast<const void*>(begin), end - begin, threads);
}

void giveBackFreeHeap() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

void giveBackPages(void* data, std::size_t bytes) {
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t begin = (start + page - 1) & ~(page - 1);
    const std::uintptr_t end = (start + bytes) & ~(page - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);
}

void* mapPages(std::size_t bytes) {
    void* block = mmap(nullptr, std::max<std::size_t>(bytes, 1), PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) throw std::bad_alloc();
    return block;
}

void* growPages(void* block, std::size_t oldBytes, std::size_t newBytes) {
    void* moved = mremap(block, oldBytes, newBytes, MREMAP_MAYMOVE);
    if (moved == MAP_FAILED) throw std::bad_alloc();
    return moved;
}

void unmapPages(void* block, std::size_t bytes) {
    munmap(block, std::max<std::size_t>(bytes, 1));
}

HeapGrowthAdvice::HeapGrowthAdvice(std::size_t bytes, unsigned threads) : threads_(threads) {
#if defined(__GLIBC__) && defined(MADV_HUGEPAGE)
    // Worth it only for growth spanning many huge pages.
    if (bytes < (std::size_t{32} << 20)) return;
    active_ = mallopt(M_TOP_PAD, static_cast<int>(std::min<std::size_t>(bytes, INT_MAX))) == 1;
    top_ = static_cast<char*>(sbrk(0));
#else
    (void)bytes;
#endif
}

HeapGrowthAdvice::~HeapGrowthAdvice() {
#if defined(__GLIBC__) && defined(MADV_HUGEPAGE)
    if (active_) mallopt(M_TOP_PAD, kDefaultTopPad);
#endif
}

void HeapGrowthAdvice::check() {
#if defined(__GLIBC__) && defined(MADV_HUGEPAGE)
    if (!active_) return;
    char* top = static_cast<char*>(sbrk(0));
    if (top == top_) return;
    if (top > top_) prepareFreshMemory(top_, static_cast<std::size_t>(top - top_), threads_);
    top_ = top;
#endif
}
