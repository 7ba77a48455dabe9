#include "analysis/solution_submodular.h"

#include <algorithm>

#include "analysis/network.h"

void CandidateQueue::place(std::size_t at, const Entry& entry) {
    heap_[at] = entry;
    position_[entry.owner] = static_cast<Index>(at);
}

void CandidateQueue::siftUp(std::size_t at) {
    const Entry entry = heap_[at];
    while (at > 0) {
        const std::size_t parent = (at - 1) / 4;
        if (!before(entry, heap_[parent])) break;
        place(at, heap_[parent]);
        at = parent;
    }
    place(at, entry);
}

void CandidateQueue::siftDown(std::size_t at) {
    const Entry entry = heap_[at];
    for (;;) {
        const std::size_t first = 4 * at + 1;
        if (first >= heap_.size()) break;
        const std::size_t last = std::min(first + 4, heap_.size());
        std::size_t best = first;
        for (std::size_t child = first + 1; child < last; ++child)
            if (before(heap_[child], heap_[best])) best = child;
        if (!before(heap_[best], entry)) break;
        place(at, heap_[best]);
        at = best;
    }
    place(at, entry);
}

void CandidateQueue::insert(bestNeighbour* record) {
    erase(record->c1);
    const Index owner = record->c1->index;
    if (owner >= position_.size()) position_.resize(std::size_t{owner} + 1, kNone);
    heap_.push_back({record->cut, record->product, owner, record->c2->index, record});
    siftUp(heap_.size() - 1);
}

bool CandidateQueue::erase(const Community* owner) {
    if (!contains(owner)) return false;
    const std::size_t at = position_[owner->index];
    position_[owner->index] = kNone;
    const Entry last = heap_.back();
    heap_.pop_back();
    if (at < heap_.size()) {
        place(at, last);
        siftDown(at);
        siftUp(position_[last.owner]);
    }
    return true;
}

bool CandidateQueue::contains(const Community* owner) const {
    return owner->index < position_.size() && position_[owner->index] != kNone;
}

const CandidateQueue::Entry* CandidateQueue::entryOf(const Community* owner) const {
    return contains(owner) ? &heap_[position_[owner->index]] : nullptr;
}

void CandidateQueue::pop() {
    erase(top()->c1);
}

std::vector<bestNeighbour*> CandidateQueue::inOrder() const {
    std::vector<Entry> sorted = heap_;
    std::sort(sorted.begin(), sorted.end(), before);
    std::vector<bestNeighbour*> records;
    records.reserve(sorted.size());
    for (const Entry& entry : sorted) records.push_back(entry.record);
    return records;
}

SolutionSubmodular::SolutionSubmodular(std::list<Community*>& list, Network* network)
    : communities(&list), network(network) {
    Index slots = network ? static_cast<Index>(network->graph.communities.size()) : 0;
    for (const Community* community : list) slots = std::max(slots, community->index + 1);
    ensureSlot(slots == 0 ? 0 : slots - 1);

    long double sum = 0.0L;
    long double squares = 0.0L;
    std::int64_t total = 0;
    for (auto at = list.begin(); at != list.end(); ++at) {
        const Community* community = *at;
        total += community->degreeSum;
        sum += community->degreeSum;
        squares += static_cast<long double>(community->degreeSum) * community->degreeSum;
        if (!placed_[community->index]) {
            placed_[community->index] = true;
            place_[community->index] = at;
        }
    }
    totalDegree = total;
    qNum = static_cast<float>(-squares);
    qDen = static_cast<float>(sum * sum);
    q0 = static_cast<float>(-squares / (sum * sum));

    Community::pairLists(std::vector<Community*>(list.begin(), list.end()));
    for (Community* community : list) {
        community->computeBestNeighbour();
        if (community->best) {
            candidates.insert(community->best.get());
            link(community);
        }
        community->lastStep = 0;
    }
}

void SolutionSubmodular::ensureSlot(Index index) {
    if (index < byIndex_.size()) return;
    const std::size_t count = std::size_t{index} + 1;
    pointedBy_.resize(count, kNone);
    nextPointer_.resize(count, kNone);
    previousPointer_.resize(count, kNone);
    pointsAt_.resize(count, kNone);
    byIndex_.resize(count, nullptr);
    place_.resize(count);
    placed_.resize(count, false);
}

void SolutionSubmodular::link(Community* community) {
    const Index self = community->index;
    const Index target = community->best->c2->index;
    ensureSlot(std::max(self, target));
    byIndex_[self] = community;
    pointsAt_[self] = target;
    previousPointer_[self] = kNone;
    nextPointer_[self] = pointedBy_[target];
    if (pointedBy_[target] != kNone) previousPointer_[pointedBy_[target]] = self;
    pointedBy_[target] = self;
}

void SolutionSubmodular::unlink(Community* community) {
    const Index self = community->index;
    if (self >= pointsAt_.size() || pointsAt_[self] == kNone) return;
    const Index before = previousPointer_[self];
    const Index after = nextPointer_[self];
    if (before == kNone)
        pointedBy_[pointsAt_[self]] = after;
    else
        nextPointer_[before] = after;
    if (after != kNone) previousPointer_[after] = before;
    pointsAt_[self] = kNone;
}

void SolutionSubmodular::refresh(Community* community) {
    unlink(community);
    community->computeBestNeighbour();
    if (community->best) {
        candidates.insert(community->best.get());
        link(community);
    }
}

bool SolutionSubmodular::proposeNeighbour() {
    ++step;
    joins.clear();
    joinCuts.clear();
    if (candidates.empty()) return false;
    const bestNeighbour* first = candidates.top();
    const float best = first->cut / first->product;
    // The run of entries whose single-precision ratio equals the first one's, in order.
    aside_.clear();
    do {
        bestNeighbour* entry = candidates.top();
        candidates.pop();
        if (entry->c1->lastStep != step && entry->c2->lastStep != step) {
            joins.emplace_back(entry->c1, entry->c2);
            entry->c1->lastStep = step;
            entry->c2->lastStep = step;
            // The record's cut is single precision; the merge needs the exact count.
            joinCuts.push_back(entry->c1->cutTo(entry->c2));
        } else {
            aside_.push_back(entry);
        }
    } while (!candidates.empty() && candidates.top()->cut / candidates.top()->product == best);
    for (bestNeighbour* entry : aside_) candidates.insert(entry);
    if (joins.empty()) return false;
    neighbourValue = static_cast<float>(totalDegree) * best;
    return true;
}

void SolutionSubmodular::destroy(Community* absorbed) {
    unlink(absorbed);
    // Whatever still names it is absorbed as well (the live ones were refreshed).
    const Index self = absorbed->index;
    if (self < pointedBy_.size()) {
        while (pointedBy_[self] != kNone) unlink(byIndex_[pointedBy_[self]]);
    }
    absorbed->best.reset();
    if (self < placed_.size() && placed_[self]) {
        communities->erase(place_[self]);
        placed_[self] = false;
    }
}

void SolutionSubmodular::acceptNeighbour() {
    for (std::size_t k = 0; k < joins.size(); ++k) {
        auto [owner, absorbed] = joins[k];
        absorbed->removed = true;
        owner->addCommunity(absorbed, joinCuts[k], neighbourValue);
        owner->renew();
        absorbed->removeCommunity();
    }
    // All merges of the step are done before any refresh, so every recomputation sees the
    // final lists. Recomputations only change their own community's record, so the order
    // in which the communities that named p or q are visited does not matter.
    for (auto [owner, absorbed] : joins) {
        candidates.erase(absorbed);
        refresh(owner);
        scratch_.clear();
        for (const Community* named : {owner, absorbed}) {
            if (named->index >= pointedBy_.size()) continue;
            for (Index at = pointedBy_[named->index]; at != kNone; at = nextPointer_[at])
                scratch_.push_back(byIndex_[at]);
        }
        for (Community* neighbour : scratch_) {
            if (neighbour->removed) continue;
            candidates.erase(neighbour);
            refresh(neighbour);
        }
        destroy(absorbed);
    }
    lastValue = neighbourValue;
}

float SolutionSubmodular::evaluate() {
    return qNum / qDen * (1.0f - lastValue) + q0;
}

void SolutionSubmodular::printBN(std::ostream& out) const {
    for (const bestNeighbour* entry : candidates.inOrder()) {
        out << '(' << entry->cut / entry->product << ") ";
        entry->c1->printCommunity(out);
        entry->c2->printCommunity(out);
    }
}
