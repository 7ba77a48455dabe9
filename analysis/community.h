// A group of vertices of the partition: the sums that enter the modularity, the adjacent
// communities with the number of edges to each, the best merge candidate and the layout
// fields of scene composition.
#pragma once

#include <cstdint>
#include <iostream>
#include <memory>
#include <vector>

#include "graph/defs.h"

class Community;

// A candidate merge: the owner c1 (the larger number) with its neighbour c2. Its value is
// cut / product, larger is better; both are kept in single precision on purpose, every
// comparison uses the stored values.
struct bestNeighbour {
    Community* c1 = nullptr;
    Community* c2 = nullptr;
    float cut = 0.0f;
    float product = 0.0f;
};

// Whether candidate merge a goes before b: the higher ratio cut / product first, compared
// exactly by cross-multiplying the single-precision values (24 + 24 significant bits fit a
// double); equal ratios put the later-created owner first, then the later-created
// candidate. Creation indices rather than addresses, so the order is the same everywhere.
inline bool candidateBefore(float cutA, float productA, Index ownerA, Index candidateA, float cutB,
                            float productB, Index ownerB, Index candidateB) {
    const double x = static_cast<double>(cutA) * static_cast<double>(productB);
    const double y = static_cast<double>(cutB) * static_cast<double>(productA);
    if (x != y) return x > y;
    if (ownerA != ownerB) return ownerA > ownerB;
    return candidateA > candidateB;
}

// The order of candidate merges, true when a goes before b: the higher ratio cut / product
// first, compared exactly by cross-multiplying the stored single-precision values; equal
// ratios put the later-created owner (c1) first, then the later-created candidate (c2)
// (candidateBefore above). Creation order rather than addresses, so the
// result is the same on every machine.
bool bestNeighbourOrder(bestNeighbour* const& a, bestNeighbour* const& b);

// The best-candidate rule, fed one eligible neighbour at a time: the largest cut / product
// wins, compared exactly by cross-multiplying (a cut times a product of two degree sums can
// pass 2^64); the first one offered wins a tie. Community and the optimizer both choose with
// it.
template <class Candidate>
class BestCandidate {
  public:
    void offer(Candidate candidate, std::uint32_t cut, std::uint64_t product) {
        if (Wide{cut} * bestProduct_ > Wide{product} * bestCut_) {
            candidate_ = candidate;
            bestCut_ = cut;
            bestProduct_ = product;
        }
    }
    // Whether any neighbour with a positive cut was offered.
    bool found() const { return bestCut_ != 0; }
    Candidate candidate() const { return candidate_; }
    std::uint32_t cut() const { return bestCut_; }
    std::uint64_t product() const { return bestProduct_; }

  private:
    using Wide = unsigned __int128;
    Candidate candidate_{};
    std::uint32_t bestCut_ = 0;
    std::uint64_t bestProduct_ = 1;
};

// Adjacency is held as two parallel vectors, `neighbours` and `cuts`, in the order the
// links were made; that order is observable (ties of the best candidate, the bars of the
// community scene). The methods here are the plain rules, with linear searches: community
// detection itself runs on the optimizer's own layout (SolutionSubmodular), which keeps
// the same rules at scale and writes its result back into these fields.
class Community {
  public:
    // Takes the next number of the class-wide counter. index is the community's place in
    // the creation order of its graph (the order of first appearance of its vertex); it
    // breaks ties between candidate merges and must be unique among the communities of
    // one detection run.
    explicit Community(Index index = 0);
    Community(Community&&) noexcept;
    Community& operator=(Community&&) noexcept;
    ~Community();

    // A fresh, highest number: a merged community then owns all of its candidate pairs.
    void renew() { number = next_available_number++; }
    // One adjacency entry with a cut of 1; a link to itself counts as internal as well.
    void addNeighbour(Community* community);
    // Linear search; the graph's repeated-edge test does not rely on it.
    bool hasNeighbour(const Community* community) const;
    // The cut to community, 0 when it is not a neighbour.
    std::uint32_t cutTo(const Community* community) const;

    // Recomputes `best`: among the neighbours with a smaller number, the one of largest
    // cut / (degreeSum × its degreeSum), compared exactly; the earliest listed wins a tie.
    // None eligible: `best` becomes null.
    void computeBestNeighbour();
    // Absorbs other, whose cut to this community is cut: sums, members, and the merged
    // adjacency (shared neighbours add their cuts, new ones are appended in other's order;
    // their lists follow likewise). value is not used.
    void addCommunity(Community* other, unsigned cut, float value);
    // Empties an absorbed community and takes it out of every neighbour's lists; memory
    // of its lists is released.
    void removeCommunity();
    // The sums and members of addCommunity and removeCommunity, lists untouched.
    void addTotals(const Community& other, unsigned cut);
    void clearTotals();
    // Lowers the cut to community by amount, erasing the entry when nothing is left. Throws
    // Fatal when community is not a neighbour (the lists of two neighbours name each other).
    void removeCommunityCut(Community* community, unsigned amount);
    // Raises the cut to community by amount, appending it when it is not a neighbour yet.
    void addCommunityCut(Community* community, unsigned amount);
    // "C: " and the member ids, each followed by a space.
    void printCommunity(std::ostream& out = std::cout) const;
    // The next number to hand out; the first community gets 1.
    static inline int next_available_number = 1;

    int number;
    // Kept beside `number` (it fills what would be padding).
    Index index;
    std::vector<VertexId> members;
    std::uint32_t degreeSum = 0;
    std::uint32_t internalDegree = 0;
    int size = 1;
    int maxShell = 0;
    float rho = 0.0f;
    float theta = 0.0f;
    float x = 0.0f;
    float y = 0.0f;
    float abstractSize = 0.0f;
    float realSize = 0.0f;
    std::vector<Community*> neighbours;
    std::vector<std::uint32_t> cuts;
    bool removed = false;
    int lastStep = 0;
    std::unique_ptr<bestNeighbour> best;

  private:
    static constexpr Index kAbsent = ~Index{0};

    // Position of community in the lists, or kAbsent.
    Index find(const Community* community) const;
    void setBest(Community* candidate, std::uint32_t cut, std::uint64_t product);
};
