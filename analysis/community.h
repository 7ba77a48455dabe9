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
inline bool candidateBefore(float cutA, float productA, Index ownerA, Index candidateA,
                            float cutB, float productB, Index ownerB, Index candidateB) {
    const double x = static_cast<double>(cutA) * static_cast<double>(productB);
    const double y = static_cast<double>(cutB) * static_cast<double>(productA);
    if (x != y) return x > y;
    if (ownerA != ownerB) return ownerA > ownerB;
    return candidateA > candidateB;
}

// Adjacency is held as two parallel vectors, `neighbours` and `cuts` (12 bytes an entry),
// in the order the links were made; that order is observable (ties of the best candidate,
// the bars of the community scene).
//
// Merging must not cost the length of the lists it touches, since a hub may absorb its
// leaves one per step. Three aids keep it proportional to the absorbed community's list:
// - partner positions ("twins"): for detection, pairLists gives every entry the position
//   of the reverse entry in the neighbour's list (4 bytes an entry), so an absorbed
//   community is found in its neighbours' lists without searching. A twin is a hint,
//   checked before use: a wrong or missing one falls back to a search.
// - a position index, for lists longer than `longList`: open addressing from neighbour to
//   position, 4 bytes a slot, at most half full; a slot is verified against `neighbours`,
//   so a stale slot costs nothing but room. Finding a neighbour costs O(1) expected.
// - a ranking, for lists longer than `longList`: a max-heap of (cut, neighbour's degree
//   sum, position), best ratio first and the earlier position first among equal ratios,
//   answering computeBestNeighbour in O(log) amortised. It is lazy: a changed cut pushes a
//   new entry and the old one is dropped when it surfaces; a grown degree sum only lowers
//   a ratio, so such an entry is pushed again with the new sum when it surfaces; a
//   neighbour with a larger number cannot become eligible before this community renews,
//   so it is parked until then.
// A list with aids erases by leaving a null neighbour with cut 0 behind (no shifting, so
// positions held elsewhere stay right); erased entries are squeezed out once they are half
// the list, and every list is compact again when community detection ends (compact()).
// Lists without aids erase by shifting.
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
    void renew();
    // One adjacency entry with a cut of 1; a link to itself counts as internal as well.
    void addNeighbour(Community* community);
    // Linear search; the graph's repeated-edge test does not rely on it.
    bool hasNeighbour(const Community* community) const;
    // The cut to community, 0 when it is not a neighbour. O(1) expected.
    std::uint32_t cutTo(const Community* community);

    // Recomputes `best`: among the neighbours with a smaller number, the one of largest
    // cut / (degreeSum × its degreeSum), compared exactly; the earliest listed wins a tie.
    // None eligible: `best` becomes null. O(length) for short lists, O(log) amortised with
    // the ranking.
    void computeBestNeighbour();
    // Absorbs other, whose cut to this community is cut: sums, members, and the merged
    // adjacency (shared neighbours add their cuts, new ones are appended in other's order).
    // O(length of other's list) expected. value is not used.
    void addCommunity(Community* other, unsigned cut, float value);
    // Empties an absorbed community and takes it out of every neighbour's lists; memory
    // of its lists is released.
    void removeCommunity();
    // Lowers the cut to community by amount, erasing the entry when nothing is left; prints
    // "ERROR" when community is not a neighbour and changes nothing.
    void removeCommunityCut(Community* community, unsigned amount);
    // Raises the cut to community by amount, appending it when it is not a neighbour yet.
    void addCommunityCut(Community* community, unsigned amount);
    // "C: " and the member ids, each followed by a space.
    void printCommunity(std::ostream& out = std::cout) const;
    // Squeezes out erased entries (order kept) and drops every aid.
    void compact();
    // Gives every entry of these communities' lists the position of its reverse entry, in
    // O(V + E) time with transient memory of 8 bytes per adjacency entry. Communities
    // whose neighbours are not all among them, or whose indices repeat, are left as they
    // are.
    static void pairLists(const std::vector<Community*>& communities);

    // The next number to hand out; the first community gets 1.
    static inline int next_available_number = 1;
    // Lists longer than this get the position index and the ranking. The aids cost more
    // memory than a short list itself (at 64, a 20M-edge planted network peaked at
    // 3.54 GiB against 2.96 GiB at 128, where the linear scans stay cheap). Tests lower it
    // to send small graphs through them.
    static inline std::size_t longList = 128;

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
    // A null entry (cut 0) is an erased one awaiting compaction; none remain after detection.
    std::vector<Community*> neighbours;
    std::vector<std::uint32_t> cuts;
    bool removed = false;
    int lastStep = 0;
    std::unique_ptr<bestNeighbour> best;

  private:
    struct Aids;

    static constexpr Index kAbsent = ~Index{0};

    // Position of community in the lists, or kAbsent.
    Index find(const Community* community);
    // Position of this community in the list of its entry k's neighbour: the twin when it
    // is right, else a search.
    Index partnerPosition(std::size_t k);
    void append(Community* community, std::uint32_t cut, Index twin = kAbsent);
    void squeeze();
    void lowerCut(Index position, unsigned amount);
    void changeCut(Index position, std::uint32_t cut);
    void erase(Index position);
    Aids& aids();
    void setBest(Community* candidate, std::uint32_t cut, std::uint64_t product);

    Index erased_ = 0;
    bool paired_ = false;
    std::unique_ptr<Aids> aids_;
    // Parallel to `neighbours` while paired_.
    std::vector<Index> twins_;
};
