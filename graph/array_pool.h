// Millions of small arrays that are made, grown and dropped all the time, kept in big
// blocks of their own rather than one heap allocation each. A heap keeps the holes such
// arrays leave (a merged list rarely fits where the two it came from lay), and its memory
// grows while the arrays it holds shrink; here the arrays are bumped into blocks, and
// compact() moves the live ones together and hands every old block back.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>
#include <vector>

#include "graph/memory.h"

template <class T>
class ArrayPool {
    static_assert(std::is_trivially_copyable_v<T> && sizeof(T) == sizeof(std::uint64_t) &&
                      alignof(T) <= alignof(std::uint64_t),
                  "ArrayPool holds trivially copyable records of one 8-byte word");

  public:
    // One array: its room lies in the pool and was given to one owner (a number of the
    // caller's: compact() asks for the owner's array by it). A default one has no room.
    class Array {
      public:
        T* data() const { return data_; }
        std::uint32_t size() const { return size_; }
        std::uint32_t capacity() const { return capacity_; }
        bool empty() const { return size_ == 0; }
        T& operator[](std::size_t k) { return data_[k]; }
        const T& operator[](std::size_t k) const { return data_[k]; }
        T* begin() { return data_; }
        T* end() { return data_ + size_; }
        const T* begin() const { return data_; }
        const T* end() const { return data_ + size_; }
        void clear() { size_ = 0; }
        // Drops the elements from size on, the room kept.
        void truncate(std::uint32_t size) { size_ = std::min(size, size_); }

      private:
        friend class ArrayPool;
        T* data_ = nullptr;
        std::uint32_t size_ = 0;
        std::uint32_t capacity_ = 0;
    };

    // blockBytes: the size of the blocks arrays are bumped into; an array of more than a
    // quarter of that gets a block of its own.
    explicit ArrayPool(std::size_t blockBytes = std::size_t{8} << 20)
        : blockWords_(std::max<std::size_t>(blockBytes / sizeof(std::uint64_t), 64)) {}
    ~ArrayPool() {
        for (const Block& block : blocks_) unmapPages(block.words, block.size * sizeof(Word));
    }
    ArrayPool(const ArrayPool&) = delete;
    ArrayPool& operator=(const ArrayPool&) = delete;

    // Room for at least capacity elements, the elements kept; the old room is left behind.
    void reserve(Array& array, std::uint32_t owner, std::uint32_t capacity) {
        if (capacity > array.capacity_) moveRoom(array, owner, capacity);
    }

    // Appends value, doubling the room when it is full, as a vector would.
    void push(Array& array, std::uint32_t owner, T value) {
        if (array.size_ == array.capacity_)
            reserve(array, owner, array.capacity_ < 2 ? 2 : 2 * array.capacity_);
        array.data_[array.size_++] = value;
    }

    // size elements, those that were there kept (and new ones unset).
    void resize(Array& array, std::uint32_t owner, std::uint32_t size) {
        reserve(array, owner, size);
        array.size_ = size;
    }

    // No room any more.
    void release(Array& array) {
        leave(array);
        array = Array{};
    }

    // A room fitted to the elements.
    void shrink(Array& array, std::uint32_t owner) {
        if (array.size_ == array.capacity_) return;
        if (array.size_ == 0)
            release(array);
        else
            moveRoom(array, owner, array.size_);
    }

    // Words of the rooms arrays hold, and of those left behind since the last compact().
    std::size_t liveWords() const { return live_; }
    std::size_t garbageWords() const { return taken_ - live_; }
    // The most words the rooms of live arrays have held at once.
    std::size_t mostLiveWords() const { return mostLive_; }
    // Words of the blocks, whatever they hold.
    std::size_t blockWords() const {
        std::size_t words = 0;
        for (const Block& block : blocks_) words += block.size;
        return words;
    }

    // Moves every live array together, in the order they lay, with room for its elements and
    // as many more at most (none when empty), into blocks that were read through already where it
    // can (the memory grows by a block or two at most), and hands back the blocks left over.
    // arrayOf(owner) is the array of that owner; a room is live when it is its owner's
    // array's. No pointer into the arrays survives this.
    template <class ArrayOf>
    void compact(ArrayOf&& arrayOf) {
        std::vector<Block> old = std::move(blocks_);
        blocks_.clear();
        current_ = kNoBlock;
        live_ = 0;
        taken_ = 0;
        // Should mapping a new block fail, the old ones unread yet and the spare ones still
        // go back (the arrays not moved yet then point nowhere: the pool may only be destroyed).
        struct Unread {
            std::vector<Block>& blocks;
            ~Unread() {
                for (const Block& block : blocks)
                    if (block.words) unmapPages(block.words, block.size * sizeof(Word));
                blocks.clear();
            }
        } unread{old}, unused{spare_};
        for (Block& block : old) {
            for (std::size_t at = 0; at < block.used;) {
                Header header;
                std::memcpy(&header, block.words + at, sizeof header);
                Word* room = block.words + at + 1;
                at += 1 + std::size_t{header.capacity};
                if (header.owner == kLeft) continue;
                Array& array = arrayOf(header.owner);
                if (reinterpret_cast<Word*>(array.data_) != room) continue;
                const std::uint32_t size = array.size_;
                if (size == 0) {
                    array = Array{};
                    continue;
                }
                // Room to grow kept, up to as much again as it holds: fitted rooms would
                // all be moved again by the next appends.
                const std::uint32_t capacity = static_cast<std::uint32_t>(
                    std::min<std::size_t>(header.capacity, 2 * std::size_t{size}));
                T* data = allocate(header.owner, capacity);
                std::memcpy(data, array.data_, size * sizeof(T));
                array.data_ = data;
                array.capacity_ = capacity;
            }
            // Read through: the next rooms may be written over it, without fresh pages.
            if (block.size == blockWords_)
                spare_.push_back({block.words, block.size, 0});
            else
                unmapPages(block.words, block.size * sizeof(Word));
            block.words = nullptr;
        }
        for (const Block& block : spare_) unmapPages(block.words, block.size * sizeof(Word));
        spare_.clear();
    }

  private:
    using Word = std::uint64_t;
    struct Header {
        std::uint32_t owner;
        std::uint32_t capacity;
    };
    static_assert(sizeof(Header) == sizeof(Word));
    struct Block {
        Word* words;
        std::size_t size;
        std::size_t used;
    };
    static constexpr std::size_t kNoBlock = ~std::size_t{0};
    // The owner in the header of a room left behind.
    static constexpr std::uint32_t kLeft = ~std::uint32_t{0};

    // A room of capacity elements after a header naming owner; counted as live.
    T* allocate(std::uint32_t owner, std::uint32_t capacity) {
        const std::size_t words = 1 + std::size_t{capacity};
        Block* block = nullptr;
        blocks_.reserve(blocks_.size() + 1);  // a block mapped is always listed
        if (words > blockWords_ / 4) {
            blocks_.push_back(map(words));  // full at once: it never becomes current
            block = &blocks_.back();
        } else {
            if (current_ == kNoBlock || blocks_[current_].size - blocks_[current_].used < words) {
                blocks_.push_back(map(blockWords_));
                current_ = blocks_.size() - 1;
            }
            block = &blocks_[current_];
        }
        Word* at = block->words + block->used;
        const Header header{owner, capacity};
        std::memcpy(at, &header, sizeof header);
        block->used += words;
        live_ += words;
        taken_ += words;
        mostLive_ = std::max(mostLive_, live_);
        return reinterpret_cast<T*>(at + 1);
    }

    // A new room of capacity elements for the array, its elements copied; the old one is left.
    void moveRoom(Array& array, std::uint32_t owner, std::uint32_t capacity) {
        T* data = allocate(owner, capacity);
        if (array.size_ != 0) std::memcpy(data, array.data_, array.size_ * sizeof(T));
        leave(array);
        array.data_ = data;
        array.capacity_ = capacity;
    }

    // The array's room is garbage from now on; its header says so, so that compact() passes
    // it by without asking for its owner's array.
    void leave(const Array& array) {
        if (!array.data_) return;
        live_ -= 1 + std::size_t{array.capacity_};
        const Header left{kLeft, array.capacity_};
        std::memcpy(reinterpret_cast<Word*>(array.data_) - 1, &left, sizeof left);
    }

    Block map(std::size_t words) {
        if (words == blockWords_ && !spare_.empty()) {
            const Block block = spare_.back();
            spare_.pop_back();
            return block;
        }
        Word* data = static_cast<Word*>(mapPages(words * sizeof(Word)));
        prepareFreshMemory(data, words * sizeof(Word), 1);
        return Block{data, words, 0};
    }

    std::size_t blockWords_;
    std::vector<Block> blocks_;
    // While compact() runs, blocks read through and free for its rooms.
    std::vector<Block> spare_;
    // The block small rooms are bumped into, or kNoBlock.
    std::size_t current_ = kNoBlock;
    std::size_t live_ = 0;
    std::size_t taken_ = 0;
    std::size_t mostLive_ = 0;
};
