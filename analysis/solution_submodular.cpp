#include "analysis/solution_submodular.h"

#include <iterator>

#include "analysis/network.h"

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
    const bestNeighbour* first = *candidates.begin();
    const float best = first->cut / first->product;
    auto at = candidates.begin();
    for (;;) {
        const bestNeighbour* entry = *at;
        auto next = std::next(at);
        if (entry->c1->lastStep != step && entry->c2->lastStep != step) {
            joins.emplace_back(entry->c1, entry->c2);
            entry->c1->lastStep = step;
            entry->c2->lastStep = step;
            // The record's cut is single precision; the merge needs the exact count.
            joinCuts.push_back(entry->c1->cutTo(entry->c2));
            candidates.erase(at);
        }
        if (next == candidates.end() || (*next)->cut / (*next)->product != best) break;
        at = next;
    }
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
        if (absorbed->best) candidates.erase(absorbed->best.get());
        refresh(owner);
        scratch_.clear();
        for (const Community* named : {owner, absorbed}) {
            if (named->index >= pointedBy_.size()) continue;
            for (Index at = pointedBy_[named->index]; at != kNone; at = nextPointer_[at])
                scratch_.push_back(byIndex_[at]);
        }
        for (Community* neighbour : scratch_) {
            if (neighbour->removed) continue;
            candidates.erase(neighbour->best.get());
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
    for (const bestNeighbour* entry : candidates) {
        out << '(' << entry->cut / entry->product << ") ";
        entry->c1->printCommunity(out);
        entry->c2->printCommunity(out);
    }
}
