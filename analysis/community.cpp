#include "analysis/community.h"

#include <algorithm>
#include <string>

Community::Community(Index index) : number(next_available_number++), index(index) {}

Community::Community(Community&&) noexcept = default;
Community& Community::operator=(Community&&) noexcept = default;
Community::~Community() = default;

void Community::addNeighbour(Community* community) {
    neighbours.push_back(community);
    cuts.push_back(1);
    ++degreeSum;
    if (community == this) ++internalDegree;
}

bool Community::hasNeighbour(const Community* community) const {
    return find(community) != kAbsent;
}

std::uint32_t Community::cutTo(const Community* community) const {
    const Index at = find(community);
    return at == kAbsent ? 0 : cuts[at];
}

Index Community::find(const Community* community) const {
    if (!community) return kAbsent;
    const auto at = std::find(neighbours.begin(), neighbours.end(), community);
    return at == neighbours.end() ? kAbsent : static_cast<Index>(at - neighbours.begin());
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
    BestCandidate<Community*> choice;
    for (std::size_t k = 0; k < neighbours.size(); ++k)
        if (neighbours[k]->number < number)
            choice.offer(neighbours[k], cuts[k], own * neighbours[k]->degreeSum);
    if (choice.found())
        setBest(choice.candidate(), choice.cut(), choice.product());
    else
        best.reset();
}

void Community::addTotals(const Community& other, unsigned cut) {
    degreeSum += other.degreeSum;
    internalDegree += other.internalDegree + 2 * cut;
    size += other.size;
    // Plain insertion grows geometrically; reserving the exact size on every merge would
    // copy a hub's members once per absorbed leaf.
    members.insert(members.end(), other.members.begin(), other.members.end());
}

void Community::clearTotals() {
    degreeSum = 0;
    internalDegree = 0;
    size = 0;
    std::vector<VertexId>().swap(members);
}

void Community::addCommunity(Community* other, unsigned cut, float) {
    addTotals(*other, cut);
    for (std::size_t k = 0; k < other->neighbours.size(); ++k) {
        Community* neighbour = other->neighbours[k];
        if (neighbour == this || neighbour == other) continue;
        neighbour->addCommunityCut(this, other->cuts[k]);
        addCommunityCut(neighbour, other->cuts[k]);
    }
}

void Community::removeCommunity() {
    clearTotals();
    for (std::size_t k = 0; k < neighbours.size(); ++k)
        if (neighbours[k] != this) neighbours[k]->removeCommunityCut(this, cuts[k]);
    std::vector<Community*>().swap(neighbours);
    std::vector<std::uint32_t>().swap(cuts);
}

void Community::removeCommunityCut(Community* community, unsigned amount) {
    const Index at = find(community);
    if (at == kAbsent)
        throw Fatal("ERROR: Community " + std::to_string(number) + " has no link to community " +
                    std::to_string(community->number) + " to lower\n");
    if (cuts[at] > amount) {
        cuts[at] -= amount;
    } else {
        neighbours.erase(neighbours.begin() + at);
        cuts.erase(cuts.begin() + at);
    }
}

void Community::addCommunityCut(Community* community, unsigned amount) {
    const Index at = find(community);
    if (at != kAbsent) {
        cuts[at] += amount;
    } else {
        neighbours.push_back(community);
        cuts.push_back(amount);
    }
}

void Community::printCommunity(std::ostream& out) const {
    out << "C: ";
    for (VertexId id : members) out << id << ' ';
    out << '\n';
}

bool bestNeighbourOrder(bestNeighbour* const& a, bestNeighbour* const& b) {
    return candidateBefore(a->cut, a->product, a->c1->index, a->c2->index, b->cut, b->product,
                           b->c1->index, b->c2->index);
}
