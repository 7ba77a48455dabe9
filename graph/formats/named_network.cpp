#include "graph/formats/named_network.h"

#include <algorithm>
#include <functional>
#include <utility>

void Labels::replaceLast(std::string_view label) {
    bytes_.resize(ends_.size() < 2 ? 0 : ends_[ends_.size() - 2]);
    bytes_.append(label);
    ends_.back() = bytes_.size();
}

bool NameNumbers::holds(const Slot& slot, std::string_view name) const {
    const std::uint64_t length = slot.place & kLong;
    if (length == kLong) return names_[(slot.key & UINT32_MAX) - 1] == name;
    return length == name.size() && names_.bytesAt(slot.place >> 16, length) == name;
}

std::size_t NameNumbers::slotOf(std::string_view name, std::uint64_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    const std::uint64_t tag = hash >> 32;
    for (std::size_t slot = tag & mask;; slot = (slot + 1) & mask) {
        const Slot& entry = slots_[slot];
        if (entry.key == 0 || (entry.key >> 32 == tag && holds(entry, name))) return slot;
    }
}

std::uint32_t NameNumbers::find(std::string_view name) const {
    if (slots_.empty()) return kAbsent;
    const Slot& entry = slots_[slotOf(name, hashOf(name))];
    return entry.key == 0 ? kAbsent : static_cast<std::uint32_t>((entry.key & UINT32_MAX) - 1);
}

std::uint64_t NameNumbers::hashOf(std::string_view name) {
    return std::hash<std::string_view>{}(name);
}

void NameNumbers::prefetchSlot(std::uint64_t hash) const {
    if (!slots_.empty()) __builtin_prefetch(&slots_[(hash >> 32) & (slots_.size() - 1)]);
}

void NameNumbers::prefetchBytes(std::uint64_t hash) const {
    if (slots_.empty()) return;
    const Slot& entry = slots_[(hash >> 32) & (slots_.size() - 1)];
    const std::uint64_t length = entry.place & kLong;
    if (entry.key == 0 || length == kLong || length == 0) return;
    // A name may straddle two cache lines.
    const char* first = names_.bytesAt(entry.place >> 16, length).data();
    __builtin_prefetch(first);
    __builtin_prefetch(first + length - 1);
}

std::uint32_t NameNumbers::number(std::string_view name, std::uint64_t hash) {
    if (2 * (names_.size() + 1) > slots_.size()) grow();
    Slot& entry = slots_[slotOf(name, hash)];
    if (entry.key != 0) return static_cast<std::uint32_t>((entry.key & UINT32_MAX) - 1);
    const std::uint32_t number = static_cast<std::uint32_t>(names_.size());
    entry.key = (hash >> 32 << 32) | (std::uint64_t{number} + 1);
    entry.place =
        std::uint64_t{names_.byteCount()} << 16 | std::min<std::uint64_t>(name.size(), kLong);
    names_.push(name);
    return number;
}

void NameNumbers::grow() {
    std::vector<Slot> old = std::exchange(slots_, {});
    slots_.assign(old.empty() ? 1024 : 2 * old.size(), Slot{});
    const std::size_t mask = slots_.size() - 1;
    // The start of a probe sequence comes from the stored hash bits, so moving an entry never
    // reads its name.
    for (const Slot& entry : old) {
        if (entry.key == 0) continue;
        std::size_t slot = (entry.key >> 32) & mask;
        while (slots_[slot].key != 0) slot = (slot + 1) & mask;
        slots_[slot] = entry;
    }
}

Labels NameNumbers::release() {
    slots_ = {};
    return std::exchange(names_, {});
}
