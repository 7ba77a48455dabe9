#include "analysis/community.h"

#include <algorithm>
#include <bit>

namespace {

// Fibonacci hashing of an address: communities sit in arrays, so their addresses are
// evenly spaced and need spreading over the table.
inline std::size_t spread(const Community* community, int bits) {
    const auto key = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(community));
    return static_cast<std::size_t>(((key >> 3) * 0x9E3779B97F4A7C15ull) >> (64 - bits));
}

}  // namespace

struct Community::Aids {
    struct Entry {
        std::uint32_t cut;
        std::uint32_t degree;
        Index position;
    };

    // Heap order: true when a ranks below b (std heaps keep the largest on top).
    static bool below(const Entry& a, const Entry& b) {
        const std::uint64_t left = std::uint64_t{a.cut} * b.degree;
        const std::uint64_t right = std::uint64_t{b.cut} * a.degree;
        if (left != right) return left < right;
        return a.position > b.position;
    }

    void pushRanked(const Entry& entry) {
        heap.push_back(entry);
        std::push_heap(heap.begin(), heap.end(), below);
    }
    void popRanked() {
        std::pop_heap(heap.begin(), heap.end(), below);
        heap.pop_back();
    }

    // Position index: slots hold positions (kAbsent when free); a power of two in size.
    std::vector<Index> slots;
    std::size_t usedSlots = 0;
    bool indexed = false;
    // Ranking: entries that may be current, and entries of neighbours that are not eligible
    // before the next renewal.
    std::vector<Entry> heap;
    std::vector<Entry> parked;
    bool ranked = false;
};

Community::Community(Index index) : number(next_available_number++), index(index) {}

Community::Community(Community&&) noexcept = default;
Community& Community::operator=(Community&&) noexcept = default;
Community::~Community() = default;

Community::Aids& Community::aids() {
    if (!aids_) aids_ = std::make_unique<Aids>();
    return *aids_;
}

void Community::renew() {
    number = next_available_number++;
    // Every neighbour now has a smaller number: the parked ones compete again.
    if (aids_ && aids_->ranked) {
        for (const Aids::Entry& entry : aids_->parked) aids_->pushRanked(entry);
        aids_->parked.clear();
    }
}

void Community::addNeighbour(Community* community) {
    append(community, 1);
    ++degreeSum;
    if (community == this) ++internalDegree;
}

bool Community::hasNeighbour(const Community* community) const {
    if (!community) return false;
    return std::find(neighbours.begin(), neighbours.end(), community) != neighbours.end();
}

std::uint32_t Community::cutTo(const Community* community) {
    const Index at = find(community);
    return at == kAbsent ? 0 : cuts[at];
}

Index Community::find(const Community* community) {
    if (!community) return kAbsent;  // erased entries are null; never report one
    if (!aids_ && neighbours.size() <= longList) {
        const auto at = std::find(neighbours.begin(), neighbours.end(), community);
        return at == neighbours.end() ? kAbsent : static_cast<Index>(at - neighbours.begin());
    }
    Aids& aid = aids();
    if (!aid.indexed) {
        aid.indexed = true;
        aid.slots.clear();
        aid.usedSlots = 0;
        const std::size_t live = neighbours.size() - erased_;
        aid.slots.assign(std::bit_ceil(std::max<std::size_t>(16, 2 * live + 2)), kAbsent);
        const int bits = std::countr_zero(aid.slots.size());
        const std::size_t mask = aid.slots.size() - 1;
        for (Index k = 0; k < neighbours.size(); ++k) {
            if (!neighbours[k]) continue;
            std::size_t slot = spread(neighbours[k], bits);
            while (aid.slots[slot] != kAbsent) slot = (slot + 1) & mask;
            aid.slots[slot] = k;
            ++aid.usedSlots;
        }
    }
    const int bits = std::countr_zero(aid.slots.size());
    const std::size_t mask = aid.slots.size() - 1;
    for (std::size_t slot = spread(community, bits); aid.slots[slot] != kAbsent;
         slot = (slot + 1) & mask)
        if (neighbours[aid.slots[slot]] == community) return aid.slots[slot];
    return kAbsent;
}

Index Community::partnerPosition(std::size_t k) {
    const Community* neighbour = neighbours[k];
    if (paired_) {
        const Index twin = twins_[k];
        if (twin < neighbour->neighbours.size() && neighbour->neighbours[twin] == this) return twin;
    }
    return const_cast<Community*>(neighbour)->find(this);
}

void Community::append(Community* community, std::uint32_t cut, Index twin) {
    const Index position = static_cast<Index>(neighbours.size());
    neighbours.push_back(community);
    cuts.push_back(cut);
    if (paired_) twins_.push_back(twin);
    if (!aids_) return;
    Aids& aid = *aids_;
    if (aid.indexed) {
        if ((aid.usedSlots + 1) * 2 > aid.slots.size()) {
            aid.indexed = false;  // rebuilt, without stale slots, on the next lookup
        } else {
            const int bits = std::countr_zero(aid.slots.size());
            const std::size_t mask = aid.slots.size() - 1;
            std::size_t slot = spread(community, bits);
            while (aid.slots[slot] != kAbsent) slot = (slot + 1) & mask;
            aid.slots[slot] = position;
            ++aid.usedSlots;
        }
    }
    if (aid.ranked && community != this)
        aid.pushRanked({cut, community->degreeSum, position});
}

void Community::changeCut(Index position, std::uint32_t cut) {
    cuts[position] = cut;
    if (!aids_ || !aids_->ranked || neighbours[position] == this) return;
    Aids& aid = *aids_;
    // Stale entries pile up with every change; past twice the list, start afresh.
    if (aid.heap.size() + aid.parked.size() > 2 * (neighbours.size() - erased_) + 16)
        aid.ranked = false;
    else
        aid.pushRanked({cut, neighbours[position]->degreeSum, position});
}

void Community::erase(Index position) {
    if (!aids_ && !paired_) {
        neighbours.erase(neighbours.begin() + position);
        cuts.erase(cuts.begin() + position);
        return;
    }
    neighbours[position] = nullptr;
    cuts[position] = 0;
    ++erased_;
    if (2 * erased_ > neighbours.size()) squeeze();
}

void Community::squeeze() {
    aids_.reset();  // they hold positions
    if (erased_ == 0) return;
    std::size_t kept = 0;
    for (std::size_t k = 0; k < neighbours.size(); ++k) {
        Community* neighbour = neighbours[k];
        if (!neighbour) continue;
        if (kept != k) {
            neighbours[kept] = neighbour;
            cuts[kept] = cuts[k];
            if (paired_) {
                // The partner's twin of this entry follows it to its new place.
                const Index twin = twins_[k];
                if (neighbour == this) {
                    twins_[kept] = static_cast<Index>(kept);
                } else {
                    twins_[kept] = twin;
                    if (neighbour->paired_ && twin < neighbour->neighbours.size() &&
                        neighbour->neighbours[twin] == this)
                        neighbour->twins_[twin] = static_cast<Index>(kept);
                }
            }
        }
        ++kept;
    }
    neighbours.resize(kept);
    cuts.resize(kept);
    if (paired_) twins_.resize(kept);
    erased_ = 0;
    if (neighbours.capacity() > 2 * kept + 16) {
        neighbours.shrink_to_fit();
        cuts.shrink_to_fit();
        if (paired_) twins_.shrink_to_fit();
    }
}

void Community::compact() {
    squeeze();
    paired_ = false;
    std::vector<Index>().swap(twins_);
}

void Community::pairLists(const std::vector<Community*>& communities) {
    constexpr Index kNone = kAbsent;
    Index largest = 0;
    for (const Community* community : communities) largest = std::max(largest, community->index);
    std::vector<Community*> byIndex(communities.empty() ? 0 : std::size_t{largest} + 1, nullptr);
    for (Community* community : communities) {
        if (byIndex[community->index]) return;  // repeated index
        byIndex[community->index] = community;
    }
    // Entries toward a higher index, grouped by that neighbour (counting sort).
    std::vector<Index> start(byIndex.size() + 1, 0);
    for (const Community* community : communities) {
        for (const Community* neighbour : community->neighbours) {
            if (!neighbour) continue;
            if (neighbour->index >= byIndex.size() || byIndex[neighbour->index] != neighbour)
                return;  // a neighbour from elsewhere
            if (neighbour->index > community->index) ++start[neighbour->index + 1];
        }
    }
    for (std::size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
    struct Incoming {
        Index from;
        Index position;
    };
    std::vector<Incoming> incoming(start.back());
    {
        std::vector<Index> next(start.begin(), start.end() - 1);
        for (const Community* community : communities)
            for (Index k = 0; k < community->neighbours.size(); ++k) {
                const Community* neighbour = community->neighbours[k];
                if (neighbour && neighbour->index > community->index)
                    incoming[next[neighbour->index]++] = {community->index, k};
            }
    }
    for (Community* community : communities) {
        community->paired_ = true;
        community->twins_.assign(community->neighbours.size(), kNone);
    }
    // Per community: the first entry each lower neighbour has toward it, matched with the
    // first entry it has toward that neighbour.
    std::vector<Index> stamp(byIndex.size(), kNone);
    std::vector<Index> mark(byIndex.size(), kNone);
    for (Community* community : communities) {
        const Index self = community->index;
        for (Index i = start[self]; i < start[self + 1]; ++i) {
            if (stamp[incoming[i].from] == self) continue;
            stamp[incoming[i].from] = self;
            mark[incoming[i].from] = incoming[i].position;
        }
        bool selfSeen = false;
        for (Index j = 0; j < community->neighbours.size(); ++j) {
            Community* neighbour = community->neighbours[j];
            if (!neighbour) continue;
            if (neighbour == community) {
                if (!selfSeen) community->twins_[j] = j;
                selfSeen = true;
            } else if (neighbour->index < self && stamp[neighbour->index] == self) {
                const Index k = mark[neighbour->index];
                community->twins_[j] = k;
                neighbour->twins_[k] = j;
                stamp[neighbour->index] = kNone;
            }
        }
    }
}

void Community::setBest(Community* candidate, std::uint32_t cut, std::uint64_t product) {
    if (!best) best = std::make_unique<bestNeighbour>();
    best->c1 = this;
    best->c2 = candidate;
    best->cut = static_cast<float>(cut);
    best->product = static_cast<float>(product);
}

void Community::computeBestNeighbour() {
    const std::uint64_t own = degreeSum;
    if (!aids_ && neighbours.size() <= longList) {
        // Cross-multiplied ratios; a cut times a product of two degree sums can pass 2^64.
        using Wide = unsigned __int128;
        Community* candidate = nullptr;
        std::uint32_t bestCut = 0;
        Wide bestProduct = 1;
        for (std::size_t k = 0; k < neighbours.size(); ++k) {
            Community* neighbour = neighbours[k];
            if (!neighbour || neighbour->number >= number) continue;
            const Wide product = Wide{own} * neighbour->degreeSum;
            if (Wide{cuts[k]} * bestProduct > product * bestCut) {
                candidate = neighbour;
                bestCut = cuts[k];
                bestProduct = product;
            }
        }
        if (bestCut == 0)
            best.reset();
        else
            setBest(candidate, bestCut, static_cast<std::uint64_t>(bestProduct));
        return;
    }

    // The owner's degree sum is a common factor of every product, so the ranking orders by
    // cut / degree sum of the neighbour alone; it is at least 1 while there are neighbours.
    Aids& aid = aids();
    if (!aid.ranked) {
        aid.ranked = true;
        aid.heap.clear();
        aid.parked.clear();
        for (Index k = 0; k < neighbours.size(); ++k)
            if (neighbours[k] && neighbours[k] != this)
                aid.heap.push_back({cuts[k], neighbours[k]->degreeSum, k});
        std::make_heap(aid.heap.begin(), aid.heap.end(), Aids::below);
    }
    while (!aid.heap.empty()) {
        Aids::Entry top = aid.heap.front();
        Community* neighbour = neighbours[top.position];
        if (!neighbour || cuts[top.position] != top.cut) {
            aid.popRanked();  // erased, or a newer entry carries the current cut
            continue;
        }
        if (neighbour->degreeSum != top.degree) {
            aid.popRanked();
            top.degree = neighbour->degreeSum;
            aid.pushRanked(top);
            continue;
        }
        if (neighbour->number >= number) {
            aid.popRanked();
            if (neighbour != this) aid.parked.push_back(top);
            continue;
        }
        setBest(neighbour, top.cut, own * top.degree);
        return;
    }
    best.reset();
}

void Community::addCommunity(Community* other, unsigned cut, float) {
    degreeSum += other->degreeSum;
    internalDegree += other->internalDegree + 2 * cut;
    size += other->size;
    // Plain insertion grows geometrically; reserving the exact size on every merge would
    // copy a hub's members once per absorbed leaf.
    members.insert(members.end(), other->members.begin(), other->members.end());
    for (std::size_t k = 0; k < other->neighbours.size(); ++k) {
        Community* neighbour = other->neighbours[k];
        if (!neighbour || neighbour == this || neighbour == other) continue;
        const std::uint32_t w = other->cuts[k];
        const Index mine = find(neighbour);
        // Paired lists are symmetric, so a neighbour this community does not list does
        // not list it either; otherwise its list is searched.
        const Index theirs = mine != kAbsent                   ? partnerPosition(mine)
                             : paired_ && neighbour->paired_ ? kAbsent
                                                              : neighbour->find(this);
        const Index end = static_cast<Index>(neighbours.size());
        if (theirs != kAbsent)
            neighbour->changeCut(theirs, neighbour->cuts[theirs] + w);
        else
            neighbour->append(this, w, mine != kAbsent ? mine : end);
        if (mine != kAbsent) {
            changeCut(mine, cuts[mine] + w);
            if (theirs == kAbsent && paired_)
                twins_[mine] = static_cast<Index>(neighbour->neighbours.size() - 1);
        } else {
            append(neighbour, w,
                   theirs != kAbsent ? theirs
                                     : static_cast<Index>(neighbour->neighbours.size() - 1));
        }
    }
}

void Community::removeCommunity() {
    degreeSum = 0;
    internalDegree = 0;
    size = 0;
    for (std::size_t k = 0; k < neighbours.size(); ++k) {
        Community* neighbour = neighbours[k];
        if (!neighbour || neighbour == this) continue;
        const Index at = partnerPosition(k);
        if (at == kAbsent)
            std::cout << "ERROR\n";
        else
            neighbour->lowerCut(at, cuts[k]);
    }
    std::vector<Community*>().swap(neighbours);
    std::vector<std::uint32_t>().swap(cuts);
    std::vector<VertexId>().swap(members);
    std::vector<Index>().swap(twins_);
    paired_ = false;
    erased_ = 0;
    aids_.reset();
}

void Community::removeCommunityCut(Community* community, unsigned amount) {
    const Index at = find(community);
    if (at == kAbsent) {
        std::cout << "ERROR\n";
        return;
    }
    lowerCut(at, amount);
}

void Community::lowerCut(Index position, unsigned amount) {
    if (cuts[position] > amount)
        changeCut(position, cuts[position] - amount);
    else
        erase(position);
}

void Community::addCommunityCut(Community* community, unsigned amount) {
    const Index at = find(community);
    if (at != kAbsent)
        changeCut(at, cuts[at] + amount);
    else
        append(community, amount);
}

void Community::printCommunity(std::ostream& out) const {
    out << "C: ";
    for (VertexId id : members) out << id << ' ';
    out << '\n';
}
