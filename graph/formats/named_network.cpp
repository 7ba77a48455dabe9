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
    const std::uint64_t tag = hash >> 32;
    return slots_.probe(
        tag, [&](const Slot& entry) { return entry.key >> 32 == tag && holds(entry, name); });
}

std::uint32_t NameNumbers::find(std::string_view name) const {
    if (slots_.slotCount() == 0) return kAbsent;
    const Slot& entry = slots_[slotOf(name, hashOf(name))];
    return entry.free() ? kAbsent : static_cast<std::uint32_t>((entry.key & UINT32_MAX) - 1);
}

std::uint64_t NameNumbers::hashOf(std::string_view name) {
    return std::hash<std::string_view>{}(name);
}

void NameNumbers::prefetchSlot(std::uint64_t hash) const {
    if (slots_.slotCount() != 0) __builtin_prefetch(slots_.data() + slots_.home(hash >> 32));
}

void NameNumbers::prefetchBytes(std::uint64_t hash) const {
    if (slots_.slotCount() == 0) return;
    const Slot& entry = slots_[slots_.home(hash >> 32)];
    const std::uint64_t length = entry.place & kLong;
    if (entry.free() || length == kLong || length == 0) return;
    // A name may straddle two cache lines.
    const char* first = names_.bytesAt(entry.place >> 16, length).data();
    __builtin_prefetch(first);
    __builtin_prefetch(first + length - 1);
}

std::uint32_t NameNumbers::number(std::string_view name, std::uint64_t hash) {
    if (slots_.full()) grow();
    const std::size_t at = slotOf(name, hash);
    if (!slots_[at].free()) return static_cast<std::uint32_t>((slots_[at].key & UINT32_MAX) - 1);
    const std::uint32_t number = static_cast<std::uint32_t>(names_.size());
    slots_.fill(at, {(hash >> 32 << 32) | (std::uint64_t{number} + 1),
                     std::uint64_t{names_.byteCount()} << 16 |
                         std::min<std::uint64_t>(name.size(), kLong)});
    names_.push(name);
    return number;
}

// The start of a probe sequence comes from the stored hash bits, so moving an entry never
// reads its name.
void NameNumbers::grow() {
    slots_.rehash(slots_.slotCount() == 0 ? 1024 : 2 * slots_.slotCount(),
                  [](const Slot& entry) { return entry.key >> 32; });
}

Labels NameNumbers::release() {
    slots_.clear();
    return std::exchange(names_, {});
}
