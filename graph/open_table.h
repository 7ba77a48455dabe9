// The hash table of the program: open addressing with linear probing over a power-of-two
// array of slots, kept at most half full, with Fibonacci hashing of integer keys. A lookup
// costs O(1) expected time and touches one or two cache lines.
//
// The slot type decides what a slot holds and how a free one looks: it is default-
// constructed free and answers free(). The key need not be stored in the slot: a matcher
// passed to probe() says whether a slot holds the key sought (a slot may hold a position
// in some other array, verified there).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "graph/memory.h"

// Fibonacci hashing: spreads consecutive keys over the whole table of 2^bits slots.
inline std::size_t spread(std::uint64_t key, int bits) {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - bits));
}

// Where a probe for hash stops in slots[0, 2^bits): the first slot that is free or for which
// matches(slot) holds. The table must have a free slot.
template <class Slot, class Matches>
std::size_t probeSlots(const Slot* slots, int bits, std::uint64_t hash, Matches&& matches) {
    const std::size_t mask = (std::size_t{1} << bits) - 1;
    std::size_t at = spread(hash, bits);
    while (!slots[at].free() && !matches(slots[at])) at = (at + 1) & mask;
    return at;
}

template <class Slot>
class OpenTable {
  public:
    // The bound of the stage that fills the table (its memory is readied with that many
    // threads at most, see prepareFreshMemory).
    unsigned threads = 1;

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    std::size_t slotCount() const { return slots_.size(); }
    const Slot* data() const { return slots_.data(); }
    int bits() const { return bits_; }

    // Where a probe for hash stops (see probeSlots); the table must not be without slots.
    template <class Matches>
    std::size_t probe(std::uint64_t hash, Matches&& matches) const {
        return probeSlots(slots_.data(), bits_, hash, std::forward<Matches>(matches));
    }
    // Where a probe for hash starts (to prefetch it).
    std::size_t home(std::uint64_t hash) const { return spread(hash, bits_); }
    const Slot& operator[](std::size_t at) const { return slots_[at]; }
    Slot& operator[](std::size_t at) { return slots_[at]; }
    // Puts an entry into the free slot at (where a probe stopped).
    void fill(std::size_t at, const Slot& slot) {
        slots_[at] = slot;
        ++size_;
    }
    // Whether one more entry would fill the table past half.
    bool full() const { return (size_ + 1) * 2 > slots_.size(); }
    // The slot count that holds count entries at most half full (16 at least).
    static std::size_t slotsFor(std::size_t count) {
        return std::bit_ceil(std::max<std::size_t>(16, 2 * count));
    }

    // slotCount free slots (a power of two), no entries; memory already held is reused.
    void reset(std::size_t slotCount) {
        if (slotCount > slots_.capacity()) {
            std::vector<Slot>().swap(slots_);
            reserveBig(slots_, slotCount, threads);
        }
        slots_.assign(slotCount, Slot{});
        size_ = 0;
        bits_ = std::countr_zero(slotCount);
    }
    // Moves every entry into a fresh array of slotCount slots; hashOf(slot) gives an entry's
    // hash.
    template <class HashOf>
    void rehash(std::size_t slotCount, HashOf&& hashOf) {
        std::vector<Slot> old = std::move(slots_);
        slots_ = {};
        reset(slotCount);
        for (const Slot& slot : old) {
            if (slot.free()) continue;
            slots_[probe(hashOf(slot), [](const Slot&) { return false; })] = slot;
            ++size_;
        }
    }
    // Gives back the memory too.
    void clear() {
        std::vector<Slot>().swap(slots_);
        size_ = 0;
        bits_ = 0;
    }

    auto begin() const { return slots_.begin(); }
    auto end() const { return slots_.end(); }

  private:
    std::vector<Slot> slots_;
    std::size_t size_ = 0;
    int bits_ = 0;
};
