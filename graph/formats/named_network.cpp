#include "graph/formats/named_network.h"

#include <functional>
#include <utility>

void Labels::replaceLast(std::string_view label) {
    bytes_.resize(ends_.size() < 2 ? 0 : ends_[ends_.size() - 2]);
    bytes_.append(label);
    ends_.back() = bytes_.size();
}

std::size_t NameNumbers::slotOf(std::string_view name, std::uint64_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    const std::uint64_t tag = hash >> 32;
    for (std::size_t slot = tag & mask;; slot = (slot + 1) & mask) {
        const std::uint64_t entry = slots_[slot];
        if (entry == 0) return slot;
        if (entry >> 32 == tag && names_[(entry & UINT32_MAX) - 1] == name) return slot;
    }
}

std::uint32_t NameNumbers::find(std::string_view name) const {
    if (slots_.empty()) return kAbsent;
    const std::uint64_t entry = slots_[slotOf(name, std::hash<std::string_view>{}(name))];
    return entry == 0 ? kAbsent : static_cast<std::uint32_t>((entry & UINT32_MAX) - 1);
}

std::uint32_t NameNumbers::number(std::string_view name) {
    if (2 * (names_.size() + 1) > slots_.size()) grow();
    const std::uint64_t hash = std::hash<std::string_view>{}(name);
    std::uint64_t& entry = slots_[slotOf(name, hash)];
    if (entry != 0) return static_cast<std::uint32_t>((entry & UINT32_MAX) - 1);
    const std::uint32_t number = static_cast<std::uint32_t>(names_.size());
    names_.push(name);
    entry = (hash >> 32 << 32) | (std::uint64_t{number} + 1);
    return number;
}

void NameNumbers::grow() {
    std::vector<std::uint64_t> old = std::exchange(slots_, {});
    slots_.assign(old.empty() ? 1024 : 2 * old.size(), 0);
    const std::size_t mask = slots_.size() - 1;
    // The start of a probe sequence comes from the stored hash bits, so moving an entry never
    // reads its name.
    for (const std::uint64_t entry : old) {
        if (entry == 0) continue;
        std::size_t slot = (entry >> 32) & mask;
        while (slots_[slot] != 0) slot = (slot + 1) & mask;
        slots_[slot] = entry;
    }
}

Labels NameNumbers::release() {
    slots_ = {};
    return std::exchange(names_, {});
}
