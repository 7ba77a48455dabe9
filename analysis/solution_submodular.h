// Greedy modularity agglomeration as a local search: propose a step, evaluate it, accept or
// reject it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iostream>
#include <list>
#include <memory>
#include <utility>
#include <vector>

#include "analysis/community.h"
#include "graph/array_pool.h"

class Graph;
class Network;
struct Csr;

// Where communities made without lists take their links: the graph they were made from, whose
// vertices name their members, and its adjacency in CSR form (csrOf), read in place of the
// graph's own lists so that those may be lent out meanwhile (AdjacencyLoan). The optimizer
// packs the CSR once its lists are made from it (Csr::pack) and reads it no more.
struct LinksFrom {
    const Graph& graph;
    Csr& csr;
};

// How the optimizer goes about its work; none of it changes the steps it takes.
struct OptimizerSettings {
    // Lists longer than this get a position index and a ranking (their memory exceeds a
    // short list's own, where linear scans stay cheap), and are kept exact at every merge
    // rather than brought up to date late. Tests lower it to send small graphs through the
    // paths of large ones.
    std::size_t longList = 128;
    // Graphs with at least this many adjacency entries have their first candidate searches
    // shared between two threads (when threads allows two); tests lower it.
    std::size_t searchesOnTwoThreadsFrom = std::size_t{1} << 18;
    // Where the scratch table's stamps start; tests start them near the top to see them
    // wrap around.
    std::uint32_t firstStamp = 0;
    // The lists move together (ArrayPool::compact) once the rooms their merges left behind
    // reach this many words and a sixteenth of the most the live ones have held, which bounds
    // their memory near that most; tests lower it to move them often.
    std::size_t compactFrom = std::size_t{1} << 20;
    // The most threads the optimizer runs at once.
    unsigned threads = 2;
};

class Solution {
  public:
    virtual ~Solution() = default;
    virtual bool proposeNeighbour() = 0;
    virtual void acceptNeighbour() = 0;
    virtual void rejectNeighbour() = 0;
    virtual float evaluateNeighbour() = 0;
    virtual float evaluate() = 0;
};

// The candidate merges, at most one per owner, best first in the order of
// bestNeighbourOrder. A 4-ary heap whose entries carry their own ordering key (the ratio
// fields and the two creation indices), so that comparing two entries touches no record or
// community; a heap position per owner index lets an owner's entry be withdrawn. Insert,
// withdraw and pop cost O(log n), an insert usually O(1).
//
// The heap's memory is aligned to cache lines and its root sits at slot kRoot, so that the
// four children of every node share one 64-byte line: a sift through a large heap then
// misses once per level rather than twice.
class CandidateQueue {
  public:
    CandidateQueue() : heap_(kRoot) {}

    // 16 bytes, so that the four children of a node span one or two cache lines.
    struct Entry {
        float cut;
        float product;
        Index owner;
        Index candidate;
    };

    // Enters the record as it is now (a later change to it is not seen); an earlier entry of
    // the same owner is replaced.
    void insert(bestNeighbour* record);
    // The same with the creation indices of the record's owner and candidate given, so that
    // the communities themselves are not read.
    void insert(bestNeighbour* record, Index owner, Index candidate);
    // Withdraws the owner's entry; false when there is none.
    bool erase(const Community* owner) { return erase(owner->index); }
    bool erase(Index owner);
    bool contains(const Community* owner) const { return contains(owner->index); }
    bool contains(Index owner) const;
    // The stored entry of an owner, or null.
    const Entry* entryOf(const Community* owner) const;
    // The record an entry was made from.
    bestNeighbour* recordOf(const Entry& entry) const { return records_[entry.owner]; }
    // The best entry's record; the queue must not be empty.
    bestNeighbour* top() const { return recordOf(heap_[kRoot]); }
    // The creation index of the best entry's owner; the queue must not be empty.
    Index topOwner() const { return heap_[kRoot].owner; }
    // Moves the owner's entry ahead as if its cut were the given one, which must rank it no
    // later than before; false when the owner has no entry.
    bool raise(Index owner, float cut);
    void pop();
    // Room for owners with creation indices below count.
    void reserve(std::size_t count, unsigned threads);
    bool empty() const { return heap_.size() == kRoot; }
    std::size_t size() const { return heap_.size() - kRoot; }
    // The records, best first (a sorted copy, for dumps and checks).
    std::vector<bestNeighbour*> inOrder() const;

  private:
    static constexpr Index kNone = ~Index{0};
    // Slots before the root are unused: node i's children are then 4i − 8 to 4i − 5, a
    // multiple of four onwards, and its parent i / 4 + 2.
    static constexpr std::size_t kRoot = 3;
    static constexpr std::size_t firstChild(std::size_t at) { return 4 * at - 8; }
    static constexpr std::size_t parent(std::size_t at) { return at / 4 + 2; }
    template <class T>
    struct LineAligned {
        using value_type = T;
        LineAligned() = default;
        template <class U>
        LineAligned(const LineAligned<U>&) {}
        T* allocate(std::size_t n) {
            return static_cast<T*>(::operator new (n * sizeof(T), std::align_val_t{64}));
        }
        void deallocate(T* p, std::size_t) { ::operator delete (p, std::align_val_t{64}); }
        bool operator==(const LineAligned&) const { return true; }
    };
    static bool before(const Entry& a, const Entry& b) {
        return candidateBefore(a.cut, a.product, a.owner, a.candidate, b.cut, b.product, b.owner,
                               b.candidate);
    }
    void place(std::size_t at, const Entry& entry);
    void siftUp(std::size_t at);
    void siftDown(std::size_t at);

    std::vector<Entry, LineAligned<Entry>> heap_;
    std::vector<Index> position_;          // by owner index
    std::vector<bestNeighbour*> records_;  // by owner index, while it has an entry
};

// Merges adjacent communities step by step. A step proposes the best-ranked pair together
// with every further pair of exactly the same single-precision ratio whose communities are
// untouched in the step; accepting it merges each pair into its owner (which renews to the
// highest number and so owns all of its pairs) and refreshes the candidates.
//
// `candidates` holds each community's best record, ordered by bestNeighbourOrder, so the
// best pair is always in front; the equal-ratio run of a step is taken off the front in
// order, and the entries it cannot use go back. The refresh after a merge of q into p
// touches p and only the communities whose best pointed at p or q: a reverse index (for
// every community, an intrusive list of the communities whose best record names it as
// candidate) finds them without walking p's neighbours, and their recomputation waits
// until their entry reaches the front (see defer). Absorbed communities leave the
// community list in O(1) through their remembered list positions (or, for communities made
// from a graph, the list is made again at the end). A step thus costs,
// besides the merges themselves (linear in the two communities' lists), O(log) per
// refreshed community.
//
// While it runs, the optimizer keeps the adjacency itself, in a form made for merging (see
// the .cpp): the communities' `neighbours`, `cuts` and `best` are only brought up to date
// by publish(), which detection calls once it stops. Sums, numbers and flags of the
// communities are kept current at every step, and so are the members of communities made
// with them (those made from a graph get theirs from publish()).
class SolutionSubmodular : public Solution {
  public:
    // Computes every community's best candidate. The communities must have distinct
    // `index` values (creation order), which break ties between equal ratios.
    SolutionSubmodular(std::list<Community*>& communities, Network* network,
                       const OptimizerSettings& settings = {});
    // The same for communities that are no network's: starting, when given, holds the
    // starting communities by vertex position (a list of all of them needs no search for
    // unlisted ones). With linksFrom, the list holds every starting community, made without
    // lists: each one's links are its vertex's adjacency in that CSR (cut 1 each), and its
    // members, that vertex and whoever it absorbs, are written by publish(). The list is then
    // empty from the end of the constructor until publish() lists the survivors.
    SolutionSubmodular(std::list<Community*>& communities, const std::vector<Community*>* starting,
                       const OptimizerSettings& settings, const LinksFrom* linksFrom = nullptr);
    ~SolutionSubmodular() override;
    SolutionSubmodular(const SolutionSubmodular&) = delete;
    SolutionSubmodular& operator=(const SolutionSubmodular&) = delete;

    // Writes the adjacency and the best records into the communities, and the members of
    // communities made without them (and lists the survivors, see the constructor).
    void publish();

    // Fills `joins`; false when there is nothing to propose.
    bool proposeNeighbour() override;
    // Performs the proposed merges and refreshes the candidates.
    void acceptNeighbour() override;
    void rejectNeighbour() override {}
    // V = 2m × the step's ratio: at least 1 exactly when the step does not lower modularity.
    float evaluateNeighbour() override { return neighbourValue; }
    float evaluate() override;
    // `candidates`, best first: "(ratio) " then the owner's and the candidate's members
    // (none, before publish(), for communities made from a graph). Brings deferred entries
    // up to date first.
    void printBN(std::ostream& out = std::cout);
    // How many times the lists were moved together so far.
    std::size_t compactions() const { return compactions_; }

    // Raised by every proposal, shared by all optimizers; communities mark with it the
    // step in which they were last proposed (`lastStep`).
    static inline int step = 0;

    std::list<Community*>* communities;
    Network* network = nullptr;
    const OptimizerSettings settings;
    // The pairs of the current proposal, (surviving owner, absorbed candidate), in order.
    std::vector<std::pair<Community*, Community*>> joins;
    // The exact cut of each pair of `joins`.
    std::vector<std::uint32_t> joinCuts;
    CandidateQueue candidates;
    float qNum = 0.0f;
    float qDen = 0.0f;
    float q0 = 0.0f;
    float lastValue = 1.0f;
    float neighbourValue = 0.0f;
    // 2m, the sum of all degree sums; 64 bits so that no edge count overflows it.
    std::int64_t totalDegree = 0;
    bool withMap = false;

  private:
    static constexpr Index kNone = ~Index{0};

    // One adjacency entry: the neighbour's slot and the cut. An erased entry has
    // neighbour kNone and cut 0 until its list is squeezed.
    struct Link {
        Index neighbour;
        std::uint32_t cut;
    };
    // What the candidate search reads of a neighbour, kept densely by slot so that a scan
    // of a list does not visit the communities themselves.
    struct Key {
        int number;
        std::uint32_t degreeSum;
    };
    // A slot of a long list's position index: a position in the list, whose link names the
    // key.
    struct AidSlot {
        Index position = kNone;
        bool free() const { return position == kNone; }
    };
    struct Aids;
    using LinkArray = ArrayPool<Link>::Array;
    struct Adjacency {
        LinkArray links;
        // A short list's eligible neighbours as they ranked at the second candidate search
        // since the owner renewed, best first (see computeBest), used up from frozenHead;
        // valid while `searches` is 2.
        LinkArray frozen;
        std::unique_ptr<Aids> aids;
        // The aids' position index while it is current, held here so that a look-up
        // goes from this header straight to the slots; null otherwise.
        const AidSlot* slots = nullptr;
        int slotBits = 0;
        Index erased = 0;
        Index frozenHead = 0;
        std::uint8_t searches = 0;
    };
    // Scratch of freeze.
    struct Ranked {
        Index neighbour;
        std::uint32_t cut;
        std::uint32_t degreeSum;
        Index position;
    };

    void compactIfWasteful(ArrayPool<Link>& pool, LinkArray Adjacency::*member);
    std::size_t compactions_ = 0;
    // The steps of the constructor.
    void assignSlots(const std::vector<Community*>& all);
    void sumDegrees(std::list<Community*>& list);
    void searchFirst(const std::list<Community*>& list, bool whole);
    // The arrays by slot, for count slots.
    void allocate(std::size_t count);
    void build(const std::vector<Community*>& all);
    void build(const std::vector<Community*>& all, const Csr& csr);
    // Enters community under the candidate its best record names (when it has one).
    void link(Index community);
    void unlink(Index community);
    // Recomputes a community's best record and updates its entry in `candidates`.
    void refresh(Index community);
    // Updates the entry from the record (computeBest done).
    void enter(Index community);
    // Marks a community's entry as out of date, leaving it in `candidates` under a key that
    // ranks it ahead of whatever its recomputation can give (see acceptNeighbour).
    void defer(Index community);
    // Recomputes out-of-date entries at the front until the best entry is current.
    void settleTop();
    // Recomputes every out-of-date entry.
    void settleAll();
    void destroy(Community* absorbed);

    // The adjacency, by slot.
    Index find(Index owner, Index neighbour);
    void append(Index owner, Index neighbour, std::uint32_t cut);
    void normalize(Index owner);
    // A fresh stamp for the scratch table.
    void nextStamp();
    void changeCut(Index owner, Index position, std::uint32_t cut);
    // Raises the cut to neighbour by amount, appending the link when there is none.
    void raiseCut(Index owner, Index neighbour, std::uint32_t amount);
    // The same with the link's position already known (kNone: there is none).
    void raiseCut(Index owner, Index neighbour, std::uint32_t amount, Index at);
    void lowerCut(Index owner, Index position, std::uint32_t amount);
    void erase(Index owner, Index position);
    void squeeze(Index owner);
    Aids& aids(Index owner);
    // Discards a list's aids together with the header's pointer into its position index.
    static void dropAids(Adjacency& list);
    void computeBest(Index owner);
    // Its three ways: a short list's first search scans it, later ones read the ranking frozen
    // at the second; a long list keeps a lazy ranking.
    void bestByScan(Index owner);
    void bestFromFrozen(Index owner);
    void bestFromRanking(Index owner);
    void freeze(Index owner);
    void setBest(Index owner, Index candidate, std::uint32_t cut, std::uint64_t product);
    void merge(Index owner, Index absorbed);
    void chainMembers(Index owner, Index absorbed);
    void writeMembers(Community* community, Index self) const;
    void release(Index absorbed, Index owner);
    void renew(Community* owner);

    // Everything below is by slot (see the constructor); the candidate queue and the
    // communities keep creation indices.
    std::vector<Index> slotOf_;   // by creation index
    std::vector<Index> created_;  // by slot
    // Every list's links and frozen ranking, the list's slot their owner.
    ArrayPool<Link> linkPool_;
    ArrayPool<Link> frozenPool_;
    std::vector<Adjacency> adjacency_;
    std::vector<Key> keys_;
    // Flags by slot, one byte each so that the merges' many look-ups stay in cache:
    // kEager, a list kept exact by the merges of its neighbours (long lists; the others are
    // brought up to date when their own community merges, see normalize), and kAbsorbed.
    static constexpr std::uint8_t kEager = 1;
    static constexpr std::uint8_t kAbsorbed = 2;
    // The community's entry in `candidates` (and its best record) is out of date.
    static constexpr std::uint8_t kDeferred = 4;
    std::vector<std::uint8_t> flags_;
    // For an absorbed community, who absorbed it and when (a count of absorptions); kNone
    // for the living.
    std::vector<Index> absorbedBy_;
    std::vector<std::uint32_t> absorbedAt_;
    std::uint32_t absorptions_ = 0;
    // Scratch by slot: a stamp marking membership, and a cut (normalize) or a position in
    // the owner's list (merge).
    struct Scratch {
        std::uint32_t value;
        std::uint32_t stamp;
    };
    std::vector<Scratch> scratchOf_;
    std::uint32_t stamp_ = settings.firstStamp;
    // Absorptions to replay (normalize): when, in the high half, and whom.
    std::vector<std::uint64_t> events_;
    std::vector<Index> members_;
    std::vector<Ranked> ranked_;
    // Best records by owner index; an absent one has a null candidate.
    std::vector<bestNeighbour> records_;
    // Reverse index over community indices: the first community whose best names a
    // candidate, and per community the neighbours in its candidate's list and the
    // candidate it is listed under.
    std::vector<Index> pointedBy_;
    std::vector<Index> nextPointer_;
    std::vector<Index> previousPointer_;
    std::vector<Index> pointsAt_;
    std::vector<Community*> byIndex_;
    // The graph the communities were made from without lists (see the constructor), or null.
    const Graph* graph_ = nullptr;
    // Their members, as chains by slot: a community's chain starts at its own slot (its
    // first member is its vertex) and continues through the next member's slot; a merge
    // appends the absorbed chain. Empty without a graph.
    std::vector<Index> nextMember_;
    std::vector<Index> lastMember_;
    // Each community's place in the list, unless the list is made again at the end (with a
    // graph).
    std::vector<std::list<Community*>::iterator> place_;
    std::vector<bool> placed_;
    std::vector<Index> scratch_;
    std::vector<bestNeighbour*> aside_;
};
