#include "analysis/leiden.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <limits>
#include <memory>
#include <numeric>
#include <stdexcept>
#include <type_traits>
#include <utility>

#include "analysis/workers.h"
#include "graph/memory.h"

namespace {

constexpr Index kNone = std::numeric_limits<Index>::max();

// θ, the randomness of the refinement: a merge whose gain falls short of the best one by Δ
// adjacency entries (with weights, Δ times the mean weight of an entry) is e^(Δ/θ) times less
// likely to be taken (the paper's value).
constexpr double kRandomness = 0.01;
// Local moving splits every round into this many sub-rounds by a hash of the vertex: the
// vertices of a sub-round decide against the partition as the previous sub-round left it, so
// two neighbours decide at the same time only once in kSubRounds (with 1, decisions made all
// at once swap and oscillate).
constexpr unsigned kSubRounds = 8;
// Local moving on a level ends when a round moves fewer than this share of the vertices (the
// levels above and the final polish finish the work at a fraction of the cost), and after
// kMaxRounds rounds in any case.
constexpr double kSettled = 0.25;
constexpr unsigned kMaxRounds = 200;  // also the bound on the calls of the polish
// A round that follows one that moved at least this share of the vertices (or the first one
// from singletons) expects to move most vertices too and keeps no queue: the round after it
// takes every vertex, nearly all of which would have been queued.
constexpr double kEveryone = 0.75;
// How many vertices ahead the loops over scattered rows ask for their memory, per step (see
// prefetchRows).
constexpr std::size_t kAhead = 6;

// What random bits are drawn for; part of their key.
enum Use : std::uint64_t { kSubRound = 1, kRefineOrder = 2, kRefineChoice = 3 };

// The finaliser of splitmix64: a bijection of 64-bit words whose outputs look independent.
std::uint64_t mix(std::uint64_t x) {
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// Random bits that depend on the seed, the place in the run (level, use, round) and a vertex,
// and on nothing else: no generator is shared, so no order of drawing matters.
class Randomness {
  public:
    Randomness(std::uint64_t seed, unsigned level, Use use, unsigned round = 0)
        : base_(step(step(step(mix(seed), level), use), round)) {}
    std::uint64_t bits(Index vertex) const { return step(base_, vertex); }
    // Uniform in [0, 1).
    double uniform(Index vertex) const { return static_cast<double>(bits(vertex) >> 11) * 0x1p-53; }

  private:
    static std::uint64_t step(std::uint64_t hash, std::uint64_t value) {
        return mix(hash ^ (0x9E3779B97F4A7C15ull * (value + 1)));
    }
    std::uint64_t base_;
};

// One level of the multilevel scheme, its weights and their sums of type Weight: Index for a
// run without weights, whose arithmetic stays exact, double for a weighted one. Level 0
// borrows the caller's arrays; without weights it has none (every entry weighs 1), with
// weights it borrows them too. An aggregated level owns its arrays, with one weight per entry:
// the weight of the entries between two sub-communities of the level below (inside one, for
// its self-loop). degree[v] is the sum of v's weights, and A, their sum, is the same on every
// level.
template <class Weight>
struct LevelGraph {
    Index n = 0;
    const Index* offsets = nullptr;
    const Index* targets = nullptr;
    const Weight* weights = nullptr;
    std::vector<Weight> degree;
    std::vector<Index> ownOffsets;
    std::vector<Index, OwnPages<Index>> ownTargets;
    std::vector<Weight, OwnPages<Weight>> ownWeights;
};

// The weights of level 0 without weights, where every entry weighs 1. The hot loops are
// written once for every kind of level (withWeights), so that level reads no weight array and
// tests no pointer.
struct UnitWeights {
    Index operator[](std::size_t) const { return 1; }
};

template <class Weight, class Body>
decltype(auto) withWeights(const LevelGraph<Weight>& g, Body&& body) {
    if constexpr (std::is_floating_point_v<Weight>)
        return body(g.weights);  // every level of a weighted run has them
    else
        return g.weights ? body(g.weights) : body(UnitWeights{});
}

// Asks for the memory that visiting the rows of list[i + …] will read: a loop over scattered
// rows waits on memory otherwise, one row after the other. In steps of kAhead vertices: the
// row's place three steps ahead, the row two steps ahead, the neighbours' entries of `first`
// one step ahead, and with `second`, the entries of second at those half a step ahead.
// Always inlined: GCC drops the prefetches of such a helper when it keeps it as a function.
template <class Weight, class Second = Index>
[[gnu::always_inline]] inline void prefetchRows(const LevelGraph<Weight>& g, const Index* first,
                                                const Index* list, std::size_t i, std::size_t end,
                                                const Second* second = nullptr) {
    if (i + 3 * kAhead < end) __builtin_prefetch(g.offsets + list[i + 3 * kAhead]);
    if (i + 2 * kAhead < end) {
        const Index* row = g.targets + g.offsets[list[i + 2 * kAhead]];
        __builtin_prefetch(row);
        __builtin_prefetch(row + 16);
    }
    if (i + kAhead < end) {
        const Index v = list[i + kAhead];
        for (Index k = g.offsets[v]; k < g.offsets[v + 1]; ++k)
            __builtin_prefetch(first + g.targets[k]);
    }
    if (second && i + kAhead / 2 < end) {
        const Index v = list[i + kAhead / 2];
        for (Index k = g.offsets[v]; k < g.offsets[v + 1]; ++k)
            __builtin_prefetch(second + first[g.targets[k]]);
    }
}

// Communities of one level, named by labels that are vertex positions of the level: a label
// per vertex, and per label the degree sum and the number of members.
template <class Weight>
struct Labelling {
    std::vector<Index> label;
    std::vector<Weight> total;
    std::vector<Index> size;
};

// Vertices per chunk of a loop over the vertices of g: the chunk asked for on graphs with
// rows of 16 entries on average, fewer on levels with longer rows, so that a chunk's work stays
// about the same and the dense upper levels are shared out too.
template <class Weight>
std::size_t chunkOf(const LevelGraph<Weight>& g, std::size_t chunk) {
    const std::size_t perVertex =
        std::max<std::size_t>(1, g.offsets[g.n] / std::max<Index>(g.n, 1));
    return std::clamp<std::size_t>(chunk * 16 / perVertex, 1, chunk);
}

std::vector<Index> everyVertex(Index n) {
    std::vector<Index> all(n);
    std::iota(all.begin(), all.end(), Index{0});
    return all;
}

template <class Weight>
Labelling<Weight> labellingOf(const LevelGraph<Weight>& g, std::vector<Index> label) {
    Labelling<Weight> p{std::move(label), std::vector<Weight>(g.n, 0), std::vector<Index>(g.n, 0)};
    for (Index v = 0; v < g.n; ++v) {
        p.total[p.label[v]] += g.degree[v];
        ++p.size[p.label[v]];
    }
    return p;
}

// Items 0 … key.size() − 1 grouped by key (each below keyCount), ascending within a group:
// group k is items[start[k]] … items[start[k + 1] − 1]. A counting sort, O(items + keys).
struct Groups {
    std::vector<Index> start;
    std::vector<Index> items;

    const Index* begin(Index group) const { return items.data() + start[group]; }
    Index size(Index group) const { return start[group + 1] - start[group]; }
};

Groups groupBy(const std::vector<Index>& key, Index keyCount) {
    Groups groups{std::vector<Index>(std::size_t{keyCount} + 1, 0), std::vector<Index>(key.size())};
    for (const Index k : key) ++groups.start[k + 1];
    std::partial_sum(groups.start.begin(), groups.start.end(), groups.start.begin());
    std::vector<Index> cursor(groups.start.begin(), groups.start.end() - 1);
    for (Index item = 0; item < key.size(); ++item) groups.items[cursor[key[item]]++] = item;
    return groups;
}

// The weights from one vertex to each community (or sub-community) around it: open
// addressing with linear probing, sized to the vertex's row and at most half full, so it
// stays in the first-level cache where a dense array over all communities (8 MB per thread
// for two million vertices) would miss on almost every neighbour. Keys in order of first
// appearance.
template <class Weight>
class WeightMap {
  public:
    // Room for up to `count` keys; the map must be empty.
    void prepare(Index count) {
        const Index capacity = std::bit_ceil(std::max<Index>(16, 2 * count));
        if (keys_.size() < capacity) {
            keys_.assign(capacity, kNone);
            weights_.assign(capacity, 0);
        }
        mask_ = capacity - 1;
        shift_ = 32 - std::countr_zero(capacity);
    }
    void add(Index key, Weight weight) {
        Index slot = (key * 0x9E3779B1u) >> shift_;
        while (keys_[slot] != key) {
            if (keys_[slot] == kNone) {
                keys_[slot] = key;
                used_.push_back(slot);
                break;
            }
            slot = (slot + 1) & mask_;
        }
        weights_[slot] += weight;
    }
    // The weight to key, 0 when absent.
    Weight weightOf(Index key) const {
        for (Index slot = (key * 0x9E3779B1u) >> shift_; keys_[slot] != kNone;
             slot = (slot + 1) & mask_)
            if (keys_[slot] == key) return weights_[slot];
        return 0;
    }
    std::size_t size() const { return used_.size(); }
    Index key(std::size_t i) const { return keys_[used_[i]]; }
    Weight weight(std::size_t i) const { return weights_[used_[i]]; }
    void clear() {
        for (const Index slot : used_) {
            keys_[slot] = kNone;
            weights_[slot] = 0;
        }
        used_.clear();
    }

  private:
    std::vector<Index> keys_;
    std::vector<Weight> weights_;
    std::vector<Index> used_;
    Index mask_ = 0;
    int shift_ = 32;
};

// Per-thread working space.
template <class Weight>
struct Scratch {
    WeightMap<Weight> weights;
    // Dense accumulator by vertex of the level being built (aggregation): zero everywhere
    // between two uses, the entries raised listed in `seen`.
    std::vector<Weight> weightTo;
    std::vector<Index> seen;
    std::vector<std::pair<Index, double>> candidates;
    std::vector<std::pair<std::uint64_t, Index>> order;
};

// A vertex's decision: the community to move to (its own to stay) and its weights to that
// community and to its own, by which the polish checks the move again when it is made.
template <class Weight>
struct Proposal {
    Index to = 0;
    Weight weightTo = 0;
    Weight weightOwn = 0;
};

// Takes a vertex of this degree from one community's sums to another's. A community left empty
// weighs 0 again: with real weights its sum would keep a rounding residue.
template <class Weight>
void moveSums(Labelling<Weight>& p, Index from, Index to, Weight degree) {
    p.total[from] -= degree;
    if (--p.size[from] == 0) p.total[from] = 0;
    p.total[to] += degree;
    ++p.size[to];
}

// Which vertices decide together: those whose bits fall in the same one of kSubRounds
// groups, afresh every round.
struct SubRound {
    Randomness random;
    unsigned index;

    bool holds(Index v) const { return random.bits(v) % kSubRounds == index; }
};

// Whether v, alone in its community, would take the larger label of a lone neighbour that
// decides in the same sub-round (and may be moving to v's community).
template <class Weight>
bool wouldSwap(const LevelGraph<Weight>& g, const Labelling<Weight>& p, Index v, Index to,
               const SubRound& subRound) {
    const Index own = p.label[v];
    if (to < own || p.size[own] != 1 || p.size[to] != 1) return false;
    for (Index k = g.offsets[v]; k < g.offsets[v + 1]; ++k)
        if (p.label[g.targets[k]] == to) return subRound.holds(g.targets[k]);
    return false;
}

// The rows of a run of aggregated vertices, built apart and copied into place at the end. On
// pages of their own that grow without copies (MappedArray), like the level's arrays, so that each
// run gives its memory back as it is copied while the level's arrays take memory only as they are
// filled: the level then grows while its runs shrink, rather than both being held in full at once.
template <class Weight>
struct Rows {
    MappedArray<Index> targets;
    MappedArray<Weight> weights;
};

// The detector for one kind of weight (see LevelGraph).
template <class Weight>
class Leiden {
  public:
    Leiden(const std::vector<Index>& offsets, const std::vector<Index>& targets,
           const std::vector<double>* weights, const LeidenOptions& options);
    std::vector<Index> run();

  private:
    using Level = LevelGraph<Weight>;
    using Labels = Labelling<Weight>;

    std::vector<Index> levels(Labels p);
    std::unique_ptr<Level> nextLevel(const Level& g, Labels& p, const Groups& byLabel,
                                     std::vector<Index>& nodeOf);
    std::vector<Index> polish(std::vector<Index> labels);

    std::size_t moveNodes(const Level& g, Labels& p, double settled, std::vector<Index> frontier);
    std::size_t moveSubRound(const Level& g, Labels& p, const Index* vertices, std::size_t count,
                             const SubRound& subRound);
    template <class Weights>
    Proposal<Weight> bestCommunity(const Level& g, Weights weights, const Labels& p, Index v,
                                   WeightMap<Weight>& map, const SubRound& subRound) const;
    void queueNeighbours(const Level& g, const Labels& p, Index v, Index community);
    std::size_t applyMoves(const Level& g, Labels& p, const Index* vertices, std::size_t count);
    std::size_t applyMovesInOrder(const Level& g, Labels& p, const Index* vertices,
                                  std::size_t count);
    std::size_t applyCheckedMoves(Labels& p, const Index* vertices, std::size_t count);
    bool neighbourMoved(Index v) const;
    bool gains(const Labels& p, Index v, const Proposal<Weight>& move) const;
    std::vector<Index> affected(const Labels& p);

    Index refine(const Level& g, const Labels& p, const Groups& byLabel);
    template <class Weights>
    void refineCommunity(const Level& g, Weights weights, const Labels& p, const Index* members,
                         Index count, Scratch<Weight>& s);
    template <class Weights>
    void mergeSingleton(const Level& g, Weights weights, const Labels& p, Index v,
                        double communityTotal, Scratch<Weight>& s, const Randomness& random);

    Labels aggregatePartition(const Labels& p, const Groups& byLabel, Index refinedCount,
                              std::vector<Index>& newOf);
    std::unique_ptr<Level> aggregateGraph(const Level& g, const std::vector<Index>& newOf,
                                          Index count);
    static void splitDisconnected(const Level& g, Labels& p);
    void splitLosers(Labels& p);

    Scratch<Weight>& scratchFor(unsigned worker, Index denseSize = 0);

    LeidenOptions options_;
    double gammaOverA_ = 0.0;
    // θ in units of the mean weight of an entry (kRandomness without weights): scaling every
    // weight by one factor scales every gain by it, and changes no odds.
    double randomness_ = kRandomness;
    Level base_;
    Workers workers_;
    std::vector<Scratch<Weight>> scratch_;
    unsigned level_ = 0;
    // Rounds of local moving so far: part of the key of the sub-rounds, so that they differ
    // from round to round, also between two calls on the same level.
    unsigned rounds_ = 0;
    // Per vertex of the current level: a move of a neighbour queued it for the next round.
    // Unless everyoneNext_: then the next round takes every vertex, and none is queued.
    std::vector<std::uint8_t> queued_;
    bool everyoneNext_ = false;
    // Per vertex of the current sub-round, by place: its decision.
    std::vector<Proposal<Weight>> proposal_;
    // While polishing: moves are checked as they are made; per label, whether the community
    // lost or gained a vertex since the last call of moveNodes; per vertex, whether it moved
    // in the current sub-round.
    bool polishing_ = false;
    std::vector<std::uint8_t> lost_;
    std::vector<std::uint8_t> gained_;
    std::vector<std::uint8_t> movedNow_;
    // Refinement, per vertex v of the level: its founder (the sub-community it belongs to is
    // named by the vertex it grew from) and its edge weight to the rest of its community; per
    // founder: the sub-community's degree sum, edge weight to the rest of the community, and
    // number of members.
    std::vector<Index> founder_;
    std::vector<Weight> toRest_;
    std::vector<Weight> subTotal_;
    std::vector<Weight> subOut_;
    std::vector<Index> subSize_;
};

namespace {

// The threads the loops can keep busy: a loop runs on one thread below four chunks, and a
// chunk holds about `chunk` vertices or 16 × `chunk` adjacency entries; a thread more would
// only sleep.
unsigned threadsWithWork(const LeidenOptions& options, const std::vector<Index>& offsets) {
    const std::size_t work = std::max<std::size_t>(offsets.size() - 1, offsets.back() / 16);
    const std::size_t chunks = work / std::max<std::size_t>(options.chunk, 1);
    if (chunks < 4) return 1;
    return static_cast<unsigned>(std::min<std::size_t>(std::max(options.threads, 1u), chunks));
}

}  // namespace

template <class Weight>
Leiden<Weight>::Leiden(const std::vector<Index>& offsets, const std::vector<Index>& targets,
                       const std::vector<double>* weights, const LeidenOptions& options)
    : options_(options), workers_(threadsWithWork(options, offsets)), scratch_(workers_.count()) {
    options_.chunk = std::max<std::size_t>(options_.chunk, 1);
    base_.n = static_cast<Index>(offsets.size() - 1);
    base_.offsets = offsets.data();
    base_.targets = targets.data();
    base_.degree.resize(base_.n);
    double total = 0.0;
    if constexpr (std::is_floating_point_v<Weight>) {
        base_.weights = weights->data();
        forRange(workers_, base_.n, options_.chunk, 4 * options_.chunk,
                 [&](std::size_t begin, std::size_t end, unsigned) {
                     for (std::size_t v = begin; v < end; ++v) {
                         double strength = 0.0;
                         for (Index k = offsets[v]; k < offsets[v + 1]; ++k)
                             strength += base_.weights[k];
                         base_.degree[v] = strength;
                     }
                 });
        // Summed in the order modularity() sums them, so that both see the same A.
        for (const double strength : base_.degree) total += strength;
        if (!std::isfinite(total))
            throw std::invalid_argument("leidenCommunities: the weights' sum is not finite");
        if (total > 0.0) randomness_ = kRandomness * total / offsets.back();
    } else {
        for (Index v = 0; v < base_.n; ++v) base_.degree[v] = offsets[v + 1] - offsets[v];
        total = offsets.back();
    }
    if (total > 0.0) gammaOverA_ = options.resolution / total;
}

template <class Weight>
Scratch<Weight>& Leiden<Weight>::scratchFor(unsigned worker, Index denseSize) {
    Scratch<Weight>& s = scratch_[worker];
    if (s.weightTo.size() < denseSize) s.weightTo.resize(denseSize, 0);
    return s;
}

// One pass of the levels from singletons, then the polish; each community numbered in order
// of its smallest vertex.
template <class Weight>
std::vector<Index> Leiden<Weight>::run() {
    std::vector<Index> labels(base_.n);
    std::iota(labels.begin(), labels.end(), Index{0});
    if (gammaOverA_ == 0.0) return labels;
    return polish(levels(labellingOf(base_, std::move(labels))));
}

// Levels of local moving, refinement and aggregation from the partition p of level 0, while
// they shrink the graph. Returns the community label of every vertex of level 0; every
// community is connected.
template <class Weight>
std::vector<Index> Leiden<Weight>::levels(Labels p) {
    const Level* g = &base_;
    std::unique_ptr<Level> owned;
    std::vector<Index> nodeOf;  // level-0 vertex → its vertex on the current level
    for (level_ = 0;; ++level_) {
        const std::size_t moved = moveNodes(*g, p, kSettled, everyVertex(g->n));
        if (options_.progress)
            options_.progress->note("level " + std::to_string(level_ + 1) + ", " +
                                    std::to_string(g->n) + " vertices, " + std::to_string(moved) +
                                    " moves");
        const Groups byLabel = groupBy(p.label, g->n);
        Index communities = 0;
        for (Index c = 0; c < g->n; ++c) communities += byLabel.size(c) > 0;
        if (communities == g->n) break;  // every community is one vertex: nothing to refine
        std::unique_ptr<Level> next = nextLevel(*g, p, byLabel, nodeOf);
        if (!next) break;  // the refinement merged nothing: the level would not shrink
        owned = std::move(next);
        g = owned.get();
    }
    splitDisconnected(*g, p);
    if (nodeOf.empty()) return std::move(p.label);
    std::vector<Index> label(base_.n);
    for (Index v = 0; v < base_.n; ++v) label[v] = p.label[nodeOf[v]];
    return label;
}

// Refinement and aggregation: the graph of the next level with its starting partition in p,
// and nodeOf carried up; null (p unchanged) when the refinement leaves every vertex alone.
template <class Weight>
std::unique_ptr<LevelGraph<Weight>> Leiden<Weight>::nextLevel(const Level& g, Labels& p,
                                                              const Groups& byLabel,
                                                              std::vector<Index>& nodeOf) {
    const Index refinedCount = refine(g, p, byLabel);
    if (refinedCount == g.n) return nullptr;
    std::vector<Index> newOf;
    Labels next = aggregatePartition(p, byLabel, refinedCount, newOf);
    std::unique_ptr<Level> graph = aggregateGraph(g, newOf, refinedCount);
    if (nodeOf.empty())
        nodeOf = std::move(newOf);
    else
        for (Index& node : nodeOf) node = newOf[node];
    p = std::move(next);
    return graph;
}

// Local moving on level 0 until no vertex can gain by moving. Within a call of moveNodes the
// queue follows the neighbours of moved vertices; a move also changes two degree sums, which
// may give a better move to the members of the community it joined and to the vertices next
// to the community it left, so those are examined again, and so are the neighbours of the
// parts of a community that fell apart when it lost a vertex. Ends when a call moves nothing.
template <class Weight>
std::vector<Index> Leiden<Weight>::polish(std::vector<Index> labels) {
    Labels p = labellingOf(base_, std::move(labels));
    level_ = 0;
    polishing_ = true;
    lost_.assign(base_.n, 0);
    gained_.assign(base_.n, 0);
    movedNow_.assign(base_.n, 0);
    std::vector<Index> frontier = everyVertex(base_.n);
    for (unsigned call = 0; call < kMaxRounds && moveNodes(base_, p, 0.0, frontier) > 0; ++call) {
        splitLosers(p);
        frontier = affected(p);
    }
    polishing_ = false;
    std::vector<Index> number(base_.n, kNone);
    std::vector<Index> result(base_.n);
    Index count = 0;
    for (Index v = 0; v < base_.n; ++v) {
        Index& c = number[p.label[v]];
        if (c == kNone) c = count++;
        result[v] = c;
    }
    return result;
}

// ---- Local moving ----

// Rounds over a queue: the first round takes the given vertices (ascending), each later one
// the vertices that a move queued (neighbours of a moved vertex outside its new community), in
// ascending order. Ends when the queue is empty or a round moved fewer than settled × n
// vertices; returns the number of moves.
template <class Weight>
std::size_t Leiden<Weight>::moveNodes(const Level& g, Labels& p, double settled,
                                      std::vector<Index> frontier) {
    std::vector<Index> order;
    queued_.assign(g.n, 0);
    std::size_t moves = 0;
    // From singletons nearly every vertex moves and queues nearly every other one.
    everyoneNext_ = frontier.size() == g.n &&
                    std::all_of(p.size.begin(), p.size.end(), [](Index size) { return size == 1; });
    for (unsigned round = 0; round < kMaxRounds && !frontier.empty(); ++round) {
        const Randomness random(options_.seed, level_, kSubRound, rounds_++);
        std::array<std::size_t, kSubRounds + 1> bound{};
        for (const Index v : frontier) ++bound[random.bits(v) % kSubRounds + 1];
        std::partial_sum(bound.begin(), bound.end(), bound.begin());
        order.resize(frontier.size());
        std::array<std::size_t, kSubRounds> cursor;
        std::copy(bound.begin(), bound.end() - 1, cursor.begin());
        for (const Index v : frontier) order[cursor[random.bits(v) % kSubRounds]++] = v;
        std::size_t moved = 0;
        for (unsigned s = 0; s < kSubRounds; ++s)
            moved += moveSubRound(g, p, order.data() + bound[s], bound[s + 1] - bound[s],
                                  SubRound{random, s});
        moves += moved;
        if (moved < settled * g.n) break;
        if (everyoneNext_) {
            frontier = everyVertex(g.n);
        } else {
            frontier.clear();
            for (Index v = 0; v < g.n; ++v)
                if (queued_[v]) {
                    queued_[v] = 0;
                    frontier.push_back(v);
                }
        }
        everyoneNext_ = moved >= kEveryone * g.n;
    }
    return moves;
}

// Every vertex decides against the partition as it stands (in parallel, each decision its
// own), then the moves are made: the outcome cannot depend on who decided what when.
template <class Weight>
std::size_t Leiden<Weight>::moveSubRound(const Level& g, Labels& p, const Index* vertices,
                                         std::size_t count, const SubRound& subRound) {
    if (proposal_.size() < count) proposal_.resize(count);
    const std::size_t chunk = chunkOf(g, options_.chunk);
    forRange(workers_, count, chunk, 4 * chunk,
             [&](std::size_t begin, std::size_t end, unsigned worker) {
                 WeightMap<Weight>& map = scratchFor(worker).weights;
                 withWeights(g, [&](auto weights) {
                     for (std::size_t i = begin; i < end; ++i) {
                         prefetchRows(g, p.label.data(), vertices, i, end, p.total.data());
                         const Index v = vertices[i];
                         proposal_[i] = bestCommunity(g, weights, p, v, map, subRound);
                         if (proposal_[i].to != p.label[v] && !everyoneNext_ && !polishing_)
                             queueNeighbours(g, p, v, proposal_[i].to);
                     }
                 });
             });
    if (polishing_) return applyCheckedMoves(p, vertices, count);
    if constexpr (std::is_floating_point_v<Weight>)
        return applyMovesInOrder(g, p, vertices, count);
    else
        return applyMoves(g, p, vertices, count);
}

// The community of largest gain k_v,c − γ k_v d_c / A for v (k_v,c: v's weight to c; d_c
// without v), ties to the smaller label; an empty community (gain 0) when it beats both that
// and staying, taken under v's own label when that is free. A move must gain more than
// staying by more than rounding, so equal choices never make a vertex wander. Two lone
// neighbours deciding together would swap communities and be alone again, over and over:
// of such a pair only the one moving to the smaller label moves.
template <class Weight>
template <class Weights>
Proposal<Weight> Leiden<Weight>::bestCommunity(const Level& g, Weights weights, const Labels& p,
                                               Index v, WeightMap<Weight>& map,
                                               const SubRound& subRound) const {
    const Index own = p.label[v];
    const Weight kv = g.degree[v];
    if (kv == 0) return {own, 0, 0};
    const Index begin = g.offsets[v];
    const Index end = g.offsets[v + 1];
    map.prepare(end - begin);
    Weight ownWeight = 0;  // most neighbours are in v's own community once it has formed
    for (Index k = begin; k < end; ++k) {
        const Index j = g.targets[k];
        const Index c = p.label[j];
        if (c == own)
            ownWeight += j != v ? weights[k] : 0;
        else
            map.add(c, weights[k]);
    }
    const double scale = gammaOverA_ * kv;
    Index best = own;
    Weight bestWeight = 0;
    double bestGain = -std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < map.size(); ++i) {
        const Index c = map.key(i);
        const double gain = map.weight(i) - scale * p.total[c];
        if (gain > bestGain || (gain == bestGain && c < best)) {
            best = c;
            bestWeight = map.weight(i);
            bestGain = gain;
        }
    }
    map.clear();
    const double stay = ownWeight - scale * (p.total[own] - kv);
    const double margin = 1e-9 * kv;
    Proposal<Weight> choice{own, ownWeight, ownWeight};
    double choiceGain = stay;
    if (best != own && bestGain > stay + margin &&
        (polishing_ || !wouldSwap(g, p, v, best, subRound))) {
        choice.to = best;
        choice.weightTo = bestWeight;
        choiceGain = bestGain;
    }
    if (0.0 > choiceGain + margin && p.size[v] == 0) choice = {v, 0, ownWeight};
    return choice;
}

template <class Weight>
void Leiden<Weight>::queueNeighbours(const Level& g, const Labels& p, Index v, Index community) {
    for (Index k = g.offsets[v]; k < g.offsets[v + 1]; ++k) {
        const Index j = g.targets[k];
        if (j != v && p.label[j] != community)
            std::atomic_ref<std::uint8_t>(queued_[j]).store(1, std::memory_order_relaxed);
    }
}

// The moves of a sub-round. Labels are written by their own vertex only and the sums are
// integers added atomically, so the result is the same in any order.
template <class Weight>
std::size_t Leiden<Weight>::applyMoves(const Level& g, Labels& p, const Index* vertices,
                                       std::size_t count) {
    std::atomic<std::size_t> moved{0};
    forRange(
        workers_, count, 4 * options_.chunk, 16 * options_.chunk,
        [&](std::size_t begin, std::size_t end, unsigned) {
            std::size_t here = 0;
            for (std::size_t i = begin; i < end; ++i) {
                const Index v = vertices[i];
                const Index from = p.label[v];
                const Index to = proposal_[i].to;
                if (to == from) continue;
                ++here;
                const Index degree = g.degree[v];
                std::atomic_ref<Index>(p.total[from]).fetch_sub(degree, std::memory_order_relaxed);
                std::atomic_ref<Index>(p.size[from]).fetch_sub(1, std::memory_order_relaxed);
                std::atomic_ref<Index>(p.total[to]).fetch_add(degree, std::memory_order_relaxed);
                std::atomic_ref<Index>(p.size[to]).fetch_add(1, std::memory_order_relaxed);
                p.label[v] = to;
            }
            moved.fetch_add(here, std::memory_order_relaxed);
        });
    return moved.load();
}

// The moves of a sub-round with real weights, made in order on one thread: floating-point
// sums added in another order would round differently, and the result would depend on the
// threads.
template <class Weight>
std::size_t Leiden<Weight>::applyMovesInOrder(const Level& g, Labels& p, const Index* vertices,
                                              std::size_t count) {
    std::size_t moved = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const Index v = vertices[i];
        const Index to = proposal_[i].to;
        if (to == p.label[v]) continue;
        moveSums(p, p.label[v], to, g.degree[v]);
        p.label[v] = to;
        ++moved;
    }
    return moved;
}

// The moves of a sub-round of the polish, one after the other in order, each made only when
// it still gains against the partition as the moves before it left it: its weights are still
// right when no neighbour has moved in the sub-round, and the gain is taken again with the
// degree sums of the moment. So Q rises with every move and the polish ends. A vertex whose
// move is dropped is queued to decide again; a move made queues the neighbours (here, not
// when deciding: a hub held back would queue most of the graph round after round) and marks
// the communities that lose or gain a vertex.
template <class Weight>
std::size_t Leiden<Weight>::applyCheckedMoves(Labels& p, const Index* vertices, std::size_t count) {
    std::vector<Index> movers;
    for (std::size_t i = 0; i < count; ++i) {
        const Index v = vertices[i];
        const Proposal<Weight>& move = proposal_[i];
        const Index from = p.label[v];
        if (move.to == from) continue;
        if (neighbourMoved(v) || !gains(p, v, move)) {
            queued_[v] = 1;
            continue;
        }
        moveSums(p, from, move.to, base_.degree[v]);
        p.label[v] = move.to;
        lost_[from] = gained_[move.to] = movedNow_[v] = 1;
        movers.push_back(v);
        queueNeighbours(base_, p, v, move.to);
    }
    for (const Index v : movers) movedNow_[v] = 0;
    return movers.size();
}

template <class Weight>
bool Leiden<Weight>::neighbourMoved(Index v) const {
    for (Index k = base_.offsets[v]; k < base_.offsets[v + 1]; ++k)
        if (movedNow_[base_.targets[k]]) return true;
    return false;
}

// Whether the move of v gains more than staying, with the current degree sums.
template <class Weight>
bool Leiden<Weight>::gains(const Labels& p, Index v, const Proposal<Weight>& move) const {
    const Weight kv = base_.degree[v];
    const double scale = gammaOverA_ * kv;
    const double stay = move.weightOwn - scale * (p.total[p.label[v]] - kv);
    const double gain = move.weightTo - scale * p.total[move.to];
    return gain > stay + 1e-9 * kv && (move.weightTo > 0 || p.size[move.to] == 0);
}

// The vertices to examine again after a call of the polish (see polish); clears the marks.
template <class Weight>
std::vector<Index> Leiden<Weight>::affected(const Labels& p) {
    std::vector<std::uint8_t>& mark = queued_;
    for (Index v = 0; v < base_.n; ++v) {
        const Index c = p.label[v];
        if (gained_[c]) mark[v] = 1;
        if (!lost_[c]) continue;
        for (Index k = base_.offsets[v]; k < base_.offsets[v + 1]; ++k)
            if (p.label[base_.targets[k]] != c) mark[base_.targets[k]] = 1;
    }
    std::vector<Index> frontier;
    for (Index v = 0; v < base_.n; ++v)
        if (mark[v]) {
            mark[v] = 0;
            frontier.push_back(v);
        }
    std::fill(lost_.begin(), lost_.end(), 0);
    std::fill(gained_.begin(), gained_.end(), 0);
    return frontier;
}

// ---- Refinement ----

// Refines every community on its own (in parallel, each community's outcome its own); returns
// the number of sub-communities.
template <class Weight>
Index Leiden<Weight>::refine(const Level& g, const Labels& p, const Groups& byLabel) {
    founder_.resize(g.n);
    toRest_.resize(g.n);
    subTotal_.resize(g.n);
    subOut_.resize(g.n);
    subSize_.resize(g.n);
    std::vector<Index> communities;
    for (Index c = 0; c < g.n; ++c)
        if (byLabel.size(c) > 0) communities.push_back(c);
    forRange(workers_, communities.size(), std::max<std::size_t>(1, options_.chunk / 16),
             g.n >= 4 * options_.chunk ? 2 : communities.size() + 1,
             [&](std::size_t begin, std::size_t end, unsigned worker) {
                 Scratch<Weight>& s = scratchFor(worker);
                 withWeights(g, [&](auto weights) {
                     for (std::size_t i = begin; i < end; ++i)
                         refineCommunity(g, weights, p, byLabel.begin(communities[i]),
                                         byLabel.size(communities[i]), s);
                 });
             });
    Index count = 0;
    for (Index v = 0; v < g.n; ++v) count += founder_[v] == v;
    return count;
}

// The paper's MergeNodesSubset: from singletons, every vertex well connected to the rest of
// its community (weight to it at least γ k_v (d_S − k_v) / A) and still alone, visited in
// random order, joins a well-connected sub-community of a neighbour or stays, at random with
// odds e^(gain/θ) among the choices that do not lower Q.
template <class Weight>
template <class Weights>
void Leiden<Weight>::refineCommunity(const Level& g, Weights weights, const Labels& p,
                                     const Index* members, Index count, Scratch<Weight>& s) {
    const Index community = p.label[members[0]];
    s.order.clear();
    const Randomness order(options_.seed, level_, kRefineOrder);
    for (Index i = 0; i < count; ++i) {
        prefetchRows(g, p.label.data(), members, i, count);
        const Index v = members[i];
        Weight rest = 0;
        for (Index k = g.offsets[v], end = g.offsets[v + 1]; k < end; ++k) {
            const Index j = g.targets[k];
            if (p.label[j] == community && j != v) rest += weights[k];
        }
        founder_[v] = v;
        toRest_[v] = rest;
        subTotal_[v] = g.degree[v];
        subOut_[v] = rest;
        subSize_[v] = 1;
        s.order.emplace_back(order.bits(v), v);
    }
    std::sort(s.order.begin(), s.order.end());
    const Randomness choice(options_.seed, level_, kRefineChoice);
    for (const auto& entry : s.order)
        mergeSingleton(g, weights, p, entry.second, p.total[community], s, choice);
}

template <class Weight>
template <class Weights>
void Leiden<Weight>::mergeSingleton(const Level& g, Weights weights, const Labels& p, Index v,
                                    double communityTotal, Scratch<Weight>& s,
                                    const Randomness& random) {
    const double kv = g.degree[v];
    if (subSize_[v] != 1 || toRest_[v] < gammaOverA_ * kv * (communityTotal - kv)) return;
    const Index community = p.label[v];
    WeightMap<Weight>& map = s.weights;
    map.prepare(g.offsets[v + 1] - g.offsets[v]);
    for (Index k = g.offsets[v], end = g.offsets[v + 1]; k < end; ++k) {
        const Index j = g.targets[k];
        if (p.label[j] == community && j != v) map.add(founder_[j], weights[k]);
    }
    s.candidates.clear();
    double best = 0.0;  // staying alone gains nothing
    for (std::size_t i = 0; i < map.size(); ++i) {
        const Index c = map.key(i);
        const double total = subTotal_[c];
        const double gain = map.weight(i) - gammaOverA_ * kv * total;
        if (gain >= 0.0 && subOut_[c] >= gammaOverA_ * total * (communityTotal - total)) {
            s.candidates.emplace_back(c, gain);
            best = std::max(best, gain);
        }
    }
    const double stay = std::exp(-best / randomness_);
    double sum = stay;
    for (auto& [c, gain] : s.candidates) sum += (gain = std::exp((gain - best) / randomness_));
    double draw = random.uniform(v) * sum - stay;
    Index chosen = v;
    for (std::size_t i = 0; draw >= 0.0 && i < s.candidates.size(); ++i) {
        chosen = s.candidates[i].first;
        draw -= s.candidates[i].second;
    }
    if (chosen != v) {
        founder_[v] = chosen;
        subTotal_[chosen] += g.degree[v];
        subOut_[chosen] += toRest_[v] - 2 * map.weightOf(chosen);
        ++subSize_[chosen];
        subSize_[v] = 0;
    }
    map.clear();
}

// ---- Aggregation ----

// Numbers the sub-communities community by community (communities by label, sub-communities
// by founder), sets newOf[v] to the number of v's sub-community, and returns the next level's
// starting partition: every sub-community in its community, labelled by its first
// sub-community.
template <class Weight>
Labelling<Weight> Leiden<Weight>::aggregatePartition(const Labels& p, const Groups& byLabel,
                                                     Index refinedCount,
                                                     std::vector<Index>& newOf) {
    const Index n = static_cast<Index>(p.label.size());
    Labels next{std::vector<Index>(refinedCount), std::vector<Weight>(refinedCount, 0),
                std::vector<Index>(refinedCount, 0)};
    std::vector<Index>& number = subSize_;  // by founder; subSize_ is not needed any more
    Index count = 0;
    for (Index c = 0; c < n; ++c) {
        const Index first = count;
        for (Index i = 0; i < byLabel.size(c); ++i) {
            const Index v = byLabel.begin(c)[i];
            if (founder_[v] != v) continue;
            number[v] = count;
            next.label[count++] = first;
        }
        if (count == first) continue;
        next.total[first] = p.total[c];
        next.size[first] = count - first;
    }
    newOf.resize(n);
    for (Index v = 0; v < n; ++v) newOf[v] = number[founder_[v]];
    return next;
}

// The rows of aggregated vertices [begin, end) into `out`, their lengths and degrees into
// next: each row the sums of the weights of the members' rows by the neighbour's
// sub-community, in order of first appearance.
template <class Weight, class Weights>
void buildRows(const LevelGraph<Weight>& g, Weights weights, const std::vector<Index>& newOf,
               const Groups& members, std::size_t begin, std::size_t end, LevelGraph<Weight>& next,
               Rows<Weight>& out, Scratch<Weight>& s) {
    Weight* weightTo = s.weightTo.data();
    std::vector<Index>& seen = s.seen;
    const std::size_t last = members.start[end];
    std::size_t at = members.start[begin];
    for (std::size_t u = begin; u < end; ++u) {
        for (; at < members.start[u + 1]; ++at) {
            prefetchRows(g, newOf.data(), members.items.data(), at, last);
            const Index v = members.items[at];
            for (Index k = g.offsets[v], stop = g.offsets[v + 1]; k < stop; ++k) {
                // An entry of weight 0 adds nothing, and would leave its neighbour unseen.
                if constexpr (std::is_floating_point_v<Weight>)
                    if (weights[k] == 0) continue;
                const Index c = newOf[g.targets[k]];
                if (weightTo[c] == 0) seen.push_back(c);
                weightTo[c] += weights[k];
            }
        }
        Weight degree = 0;
        for (const Index c : seen) {
            out.targets.push_back(c);
            out.weights.push_back(weightTo[c]);
            degree += weightTo[c];
            weightTo[c] = 0;
        }
        next.degree[u] = degree;
        next.ownOffsets[u + 1] = static_cast<Index>(seen.size());
        seen.clear();
    }
}

// The graph whose vertices are the sub-communities: the weight between two is the sum of the
// weights between their members, a self-loop holds the weight inside one. Rows are built in
// parallel, each from its members' rows alone, then copied into place.
template <class Weight>
std::unique_ptr<LevelGraph<Weight>> Leiden<Weight>::aggregateGraph(const Level& g,
                                                                   const std::vector<Index>& newOf,
                                                                   Index count) {
    const Groups members = groupBy(newOf, count);
    auto next = std::make_unique<Level>();
    next->n = count;
    next->degree.assign(count, 0);
    next->ownOffsets.assign(std::size_t{count} + 1, 0);
    // Each run holds two mappings of its own (OwnPages) while it lives: at most kMaxRuns
    // of them keep a large level well under the system's limit on mappings (65,530 by
    // default). The rows do not depend on how they are grouped.
    constexpr std::size_t kMaxRuns = 4096;
    const std::size_t rowsPerChunk =
        std::max<std::size_t>({1, options_.chunk / 4, (count + kMaxRuns - 1) / kMaxRuns});
    std::vector<Rows<Weight>> rows((count + rowsPerChunk - 1) / rowsPerChunk);
    auto build = [&](std::size_t chunk, unsigned worker) {
        Scratch<Weight>& s = scratchFor(worker, count);
        withWeights(g, [&](auto weights) {
            buildRows(g, weights, newOf, members, chunk * rowsPerChunk,
                      std::min<std::size_t>(count, (chunk + 1) * rowsPerChunk), *next, rows[chunk],
                      s);
        });
    };
    if (g.n >= 4 * options_.chunk)
        workers_.forEach(rows.size(), build);
    else
        for (std::size_t chunk = 0; chunk < rows.size(); ++chunk) build(chunk, 0);
    std::partial_sum(next->ownOffsets.begin(), next->ownOffsets.end(), next->ownOffsets.begin());
    next->ownTargets.resize(next->ownOffsets.back());
    next->ownWeights.resize(next->ownOffsets.back());
    workers_.forEach(rows.size(), [&](std::size_t chunk, unsigned) {
        const std::size_t at = next->ownOffsets[chunk * rowsPerChunk];
        std::copy(rows[chunk].targets.begin(), rows[chunk].targets.end(),
                  next->ownTargets.begin() + at);
        std::copy(rows[chunk].weights.begin(), rows[chunk].weights.end(),
                  next->ownWeights.begin() + at);
        rows[chunk] = Rows<Weight>();
    });
    next->offsets = next->ownOffsets.data();
    next->targets = next->ownTargets.data();
    next->weights = next->ownWeights.data();
    return next;
}

// ---- Connectivity ----

// Splits every community into its connected parts, each labelled by its first vertex. The
// communities that the levels leave are connected already when the last level ended with one
// vertex per community; otherwise this makes sure of it (it never lowers Q).
template <class Weight>
void Leiden<Weight>::splitDisconnected(const Level& g, Labels& p) {
    std::vector<Index> part(g.n, kNone);
    std::vector<Index> stack;
    for (Index root = 0; root < g.n; ++root) {
        if (part[root] != kNone) continue;
        part[root] = root;
        stack.push_back(root);
        while (!stack.empty()) {
            const Index v = stack.back();
            stack.pop_back();
            for (Index k = g.offsets[v]; k < g.offsets[v + 1]; ++k) {
                const Index j = g.targets[k];
                if (part[j] == kNone && p.label[j] == p.label[root]) {
                    part[j] = root;
                    stack.push_back(j);
                }
            }
        }
    }
    p.label = std::move(part);
}

// Splits the level-0 communities that lost a vertex while polishing into their connected
// parts: the part of the community's smallest vertex keeps the label, every other part takes
// a free one (the number of labels equals the number of vertices, so one is always free),
// marked as having lost vertices.
template <class Weight>
void Leiden<Weight>::splitLosers(Labels& p) {
    std::vector<Index> losers;
    for (Index c = 0; c < base_.n; ++c)
        if (lost_[c] && p.size[c] > 1) losers.push_back(c);
    if (losers.empty()) return;
    const Groups byLabel = groupBy(p.label, base_.n);
    std::vector<Index> free;
    for (Index c = base_.n; c-- > 0;)
        if (p.size[c] == 0) free.push_back(c);
    std::vector<Index>& part = subSize_;
    part.assign(base_.n, kNone);
    std::vector<Index> stack;
    for (const Index c : losers) {
        for (Index i = 0; i < byLabel.size(c); ++i) {
            const Index root = byLabel.begin(c)[i];
            if (part[root] != kNone) continue;
            const Index name = i == 0 ? c : free.back();
            if (i > 0) {
                free.pop_back();
                lost_[name] = 1;  // its neighbours outside may now gain by joining it
            }
            part[root] = name;
            for (stack.push_back(root); !stack.empty();) {
                const Index v = stack.back();
                stack.pop_back();
                for (Index k = base_.offsets[v]; k < base_.offsets[v + 1]; ++k) {
                    const Index j = base_.targets[k];
                    if (part[j] == kNone && p.label[j] == c) {
                        part[j] = name;
                        stack.push_back(j);
                    }
                }
            }
        }
    }
    for (const Index c : losers)
        for (Index i = 0; i < byLabel.size(c); ++i) {
            const Index v = byLabel.begin(c)[i];
            const Index name = part[v];
            if (name == c) continue;
            p.label[v] = name;
            p.total[c] -= base_.degree[v];
            --p.size[c];
            p.total[name] += base_.degree[v];
            ++p.size[name];
        }
}

}  // namespace

std::vector<Index> leidenCommunities(const std::vector<Index>& offsets,
                                     const std::vector<Index>& targets,
                                     const LeidenOptions& options,
                                     const std::vector<double>* weights) {
    if (weights && weights->size() != targets.size())
        throw std::invalid_argument("leidenCommunities: one weight per adjacency entry");
    if (weights && !std::all_of(weights->begin(), weights->end(),
                                [](double w) { return w >= 0.0 && std::isfinite(w); }))
        throw std::invalid_argument("leidenCommunities: a weight is negative or not finite");
    if (offsets.size() <= 1) return {};
    if (weights) return Leiden<double>(offsets, targets, weights, options).run();
    return Leiden<Index>(offsets, targets, nullptr, options).run();
}
