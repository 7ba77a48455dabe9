// Memory helpers for building and analysing large graphs: fresh memory readied before its
// first touch, heap growth in large advised steps, and an arena of stable objects.
#pragma once

#include <algorithm>
#include <cstddef>
#include <new>
#include <utility>
#include <vector>

// Readies fresh memory for its first use: asks the kernel to back the whole 2 MiB pages
// inside [data, data + bytes) with huge pages, and has a large range made present at once,
// half of it by a second thread. First touches of fresh memory dominate the time of
// building large graphs: a huge page takes one fault where small pages take 512, and on a
// virtual machine the faults also wait for the host, which two threads keep busier. The
// contents are not changed, and nothing changes when the kernel declines. threads is the
// bound of the stage that asks (the second thread only when it allows two).
void prepareFreshMemory(const void* data, std::size_t bytes, unsigned threads);

// prepareFreshMemory for the part of [data, data + bytes) inside the system heap: memory the
// heap gave back to the system (giveBackFreeHeap) and hands out again is otherwise faulted
// in one small page at a time as allocations reach it. Nothing happens outside the heap.
void prepareHeapRange(const void* data, std::size_t bytes, unsigned threads);

// While it lives, the heap grows in one step by at least the given number of bytes, and
// what it grows by is readied by prepareFreshMemory (check() looks for the growth; call it
// after each allocation of a loop that makes many small ones). Building the adjacency of a
// large graph makes millions of small vectors, hundreds of megabytes in all, and on small
// pages every 4 KiB of them costs a fault of its own. Nothing happens where the allocator
// is not the system's own heap.
class HeapGrowthAdvice {
  public:
    HeapGrowthAdvice(std::size_t bytes, unsigned threads);
    ~HeapGrowthAdvice();
    HeapGrowthAdvice(const HeapGrowthAdvice&) = delete;
    HeapGrowthAdvice& operator=(const HeapGrowthAdvice&) = delete;
    void check();

  private:
    char* top_ = nullptr;
    bool active_ = false;
    unsigned threads_;
};

// Hands the heap's free pages back to the system, after many small blocks were freed at
// once; nothing where the allocator is not the system's own heap.
void giveBackFreeHeap();

// Room for count elements, readied by prepareFreshMemory before it is first touched.
template <class T, class Allocator>
void reserveBig(std::vector<T, Allocator>& vector, std::size_t count, unsigned threads) {
    vector.reserve(count);
    prepareFreshMemory(vector.data(), count * sizeof(T), threads);
}

// A vector of count copies of value, its memory readied by prepareFreshMemory.
template <class T>
std::vector<T> bigVector(std::size_t count, T value, unsigned threads) {
    std::vector<T> vector;
    reserveBig(vector, count, threads);
    vector.assign(count, value);
    return vector;
}

// Hands the whole pages inside [data, data + bytes) back to the system: they read as zeros
// when next touched. For the unused end of a buffer that keeps its size.
void giveBackPages(void* data, std::size_t bytes);

// The blocks of OwnPages; mapPages throws std::bad_alloc when the system refuses.
void* mapPages(std::size_t bytes);
void unmapPages(void* block, std::size_t bytes);

// Pages of their own for every block, mapped and unmapped with the system: a freed block's
// memory goes back at once (the heap would keep it), and of a block only the pages written
// take memory. Elements are left unwritten when a vector grows (default-initialised), so a
// vector resized and then filled piece by piece grows as it is filled. For buffers of a stage
// that are copied into place and dropped piece by piece while the copy grows.
template <class T>
struct OwnPages {
    using value_type = T;
    OwnPages() = default;
    template <class U>
    OwnPages(const OwnPages<U>&) {}
    T* allocate(std::size_t count) { return static_cast<T*>(mapPages(count * sizeof(T))); }
    void deallocate(T* block, std::size_t count) { unmapPages(block, count * sizeof(T)); }
    template <class U>
    void construct(U* at) {
        ::new (static_cast<void*>(at)) U;
    }
    template <class U, class... Args>
    void construct(U* at, Args&&... args) {
        ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
    }
    bool operator==(const OwnPages&) const { return true; }
};

// Stable storage for many objects: they are built in place in chunks that never move, so
// raw pointers to them stay valid while the arena lives, and one allocation serves many
// objects. Everything is destroyed with the arena.
template <class T>
class Arena {
  public:
    // threads: the bound of the stage that fills it (see prepareFreshMemory).
    explicit Arena(unsigned threads = 1) : threads_(threads) {}

    template <class... Args>
    T* emplace(Args&&... args) {
        if (chunks_.empty() || chunks_.back().size() == chunks_.back().capacity()) {
            const std::size_t last = chunks_.empty() ? 0 : chunks_.back().capacity();
            grow(std::clamp<std::size_t>(2 * last, 4, 4096));
        }
        return &chunks_.back().emplace_back(std::forward<Args>(args)...);
    }

    // Calls visit on every object, in the order they lie in memory.
    template <class Visit>
    void forEach(Visit&& visit) {
        for (std::vector<T>& chunk : chunks_)
            for (T& object : chunk) visit(object);
    }

    // Room for the next count objects in one chunk, so a graph built in one go has its
    // objects contiguous.
    void reserve(std::size_t count) {
        if (count == 0) return;
        if (chunks_.empty() || chunks_.back().capacity() - chunks_.back().size() < count)
            grow(count);
    }

  private:
    void grow(std::size_t capacity) {
        chunks_.emplace_back();
        reserveBig(chunks_.back(), capacity, threads_);
    }

    unsigned threads_;
    std::vector<std::vector<T>> chunks_;
};
