// Memory helpers for building and analysing large graphs: fresh memory readied before its
// first touch, heap growth in large advised steps, and an arena of stable objects.
#pragma once

#include <algorithm>
#include <cstddef>
#include <new>
#include <type_traits>
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

// Grows a block of mapPages from oldBytes to newBytes (both whole pages), moving its pages
// rather than copying them; the block may move. Throws std::bad_alloc when the system
// refuses (the block is then unchanged).
void* growPages(void* block, std::size_t oldBytes, std::size_t newBytes);

// An array that only grows, on pages of its own (mapPages), each growth moving its pages
// (growPages): doubling it touches every element's memory once, where a vector's growth
// copies into fresh memory and touches about twice as much, which on a virtual machine costs
// a wait for the host per fresh page. For runs of rows built apart and copied into place.
// Trivially copyable elements that fill a page exactly.
template <class T>
class MappedArray {
    static_assert(std::is_trivially_copyable_v<T> && 4096 % sizeof(T) == 0);

  public:
    MappedArray() = default;
    ~MappedArray() {
        if (data_) unmapPages(data_, capacity_ * sizeof(T));
    }
    MappedArray(MappedArray&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)),
          size_(std::exchange(other.size_, 0)),
          capacity_(std::exchange(other.capacity_, 0)) {}
    MappedArray& operator=(MappedArray&& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
        return *this;
    }

    void push_back(const T& value) {
        if (size_ == capacity_) grow();
        data_[size_++] = value;
    }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + size_; }
    std::size_t size() const { return size_; }

  private:
    void grow() {
        // A page to start with, then twice the room: whole pages, as the system maps them.
        const std::size_t bytes = std::max<std::size_t>(4096, 2 * capacity_ * sizeof(T));
        void* block = data_ ? growPages(data_, capacity_ * sizeof(T), bytes) : mapPages(bytes);
        data_ = static_cast<T*>(block);
        capacity_ = bytes / sizeof(T);
    }

    T* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

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
