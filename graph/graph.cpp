#include "graph/graph.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <stdexcept>

#include "graph/threads.h"

namespace {

constexpr Index kNone = std::numeric_limits<Index>::max();

// How far ahead the build's loops over the edge list ask for the table entries they will
// touch: each edge's ends land at random in tables far larger than the caches, and a loop
// that waits for each in turn is bound by memory latency, not bandwidth.
constexpr std::size_t kAhead = 16;

// Vertex id → position while a graph is built from a sparse id range.
class IdPositions {
  public:
    // The position of id; a new id gets next.
    Index find(VertexId id, Index next, bool* created) {
        if (table_.full()) table_.rehash(std::max<std::size_t>(64, table_.slotCount() * 2), hashOf);
        const std::size_t at =
            table_.probe(hashOf({id, 0}), [id](const Slot& slot) { return slot.id == id; });
        *created = table_[at].free();
        if (*created) table_.fill(at, {id, next});
        return table_[at].position;
    }

  private:
    struct Slot {
        VertexId id = 0;
        Index position = kNone;
        bool free() const { return position == kNone; }
    };
    static std::uint64_t hashOf(const Slot& slot) { return static_cast<std::uint32_t>(slot.id); }

    OpenTable<Slot> table_;
};

}  // namespace

// ---- VertexMap ----

std::size_t VertexMap::slotOf(VertexId id) const {
    return table_.probe(static_cast<std::uint32_t>(id),
                        [id](const Slot& slot) { return slot.id == id; });
}

Vertex* VertexMap::find(VertexId id) const {
    if (table_.empty()) return nullptr;
    return table_[slotOf(id)].vertex;
}

void VertexMap::insert_or_assign(VertexId id, Vertex* vertex) {
    auto hashOf = [](const Slot& slot) -> std::uint64_t {
        return static_cast<std::uint32_t>(slot.id);
    };
    if (table_.full()) table_.rehash(std::max<std::size_t>(16, table_.slotCount() * 2), hashOf);
    const std::size_t at = slotOf(id);
    if (table_[at].free())
        table_.fill(at, {id, vertex});
    else
        table_[at].vertex = vertex;
    orderedCurrent_ = false;
}

void VertexMap::reserve(std::size_t count) {
    if (count * 2 > table_.slotCount())
        table_.rehash(std::bit_ceil(count * 2), [](const Slot& slot) -> std::uint64_t {
            return static_cast<std::uint32_t>(slot.id);
        });
}

VertexMap::const_iterator VertexMap::begin() const {
    if (!orderedCurrent_) {
        ordered_.clear();
        reserveBig(ordered_, table_.size(), table_.threads);
        for (const Slot& slot : table_)
            if (slot.vertex) ordered_.emplace_back(slot.id, slot.vertex);
        std::sort(ordered_.begin(), ordered_.end(),
                  [](const value_type& a, const value_type& b) { return a.first < b.first; });
        orderedCurrent_ = true;
    }
    return ordered_.begin();
}

void VertexMap::forgetOrder() {
    std::vector<value_type>().swap(ordered_);
    orderedCurrent_ = false;
}

VertexMap::const_iterator VertexMap::end() const {
    begin();
    return ordered_.end();
}

// ---- EdgeSet ----

bool EdgeSet::insert(Index a, Index b) {
    if (a > b) std::swap(a, b);
    const std::uint64_t key = (std::uint64_t{a} << 32) | b;
    if (table_.full())
        table_.rehash(std::max<std::size_t>(16, table_.slotCount() * 2),
                      [](const Slot& slot) { return slot.key; });
    const std::size_t at = table_.probe(key, [key](const Slot& slot) { return slot.key == key; });
    if (!table_[at].free()) return false;
    table_.fill(at, {key});
    return true;
}

// ---- Graph ----

Graph::Graph(bool simple, unsigned threads)
    : simple(simple),
      vertexMap(threads),
      threads(threads),
      vertexStore_(threads),
      edgeSet_(threads) {}

Graph::~Graph() = default;

Vertex* Graph::createVertex(VertexId id) {
    Vertex* vertex = vertexStore_.emplace(id);
    vertex->index = static_cast<Index>(vertices.size());
    vertices.push_back(vertex);
    vertexMap.insert_or_assign(id, vertex);
    ++numVertices;
    return vertex;
}

void Graph::link(Vertex* a, Vertex* b) {
    a->addNeighbour(b);
    ++numArcs;
    if (a != b) {
        b->addNeighbour(a);
        ++numArcs;
    } else {
        ++selfLoops;
    }
    maxDegree = std::max({maxDegree, a->degree, b->degree});
    maxStrength = static_cast<float>(maxDegree);
    degreeSquares += 2 * (std::int64_t{a->degree} + b->degree - 1);
}

void Graph::seedEdgeSet() {
    edgeSet_.clear();
    for (Vertex* vertex : vertices)
        for (Vertex* neighbour : vertex->neighbours)
            edgeSet_.insert(vertex->index, neighbour->index);
    edgeSetCurrent_ = true;
}

void Graph::addEdge(VertexId u, VertexId v) {
    ++edgeLines;
    Vertex* a = vertexMap.find(u);
    if (!a) a = createVertex(u);
    Vertex* b = vertexMap.find(v);
    if (!b) b = createVertex(v);
    if (simple) {
        if (!edgeSetCurrent_) seedEdgeSet();
        if (!edgeSet_.insert(a->index, b->index)) return;
    }
    link(a, b);
}

// Vertices in order of first appearance (`order`, the ids), and where each lies in memory
// (`placement`): the objects lie in ascending id order, while positions follow the order of
// first appearance. Ids usually carry locality (blocks, crawl order) that the order of
// first appearance in a shuffled edge list loses, and later stages touch neighbours'
// objects all the time.
struct Graph::Numbering {
    std::vector<VertexId> order;
    std::vector<Index> placement;
};

// The ids in the list become positions. A direct table is used while the ids are dense
// enough to keep it within O(E) memory, a hash table otherwise.
Graph::Numbering Graph::numberVertices(std::vector<Edge>& list, unsigned threads) {
    Numbering numbering;
    std::vector<VertexId>& order = numbering.order;
    VertexId maxId = 0;
    for (const Edge& edge : list) maxId = std::max({maxId, edge.u, edge.v});
    if (static_cast<std::size_t>(maxId) < 4 * list.size() + 64) {
        std::vector<Index> dense = bigVector(static_cast<std::size_t>(maxId) + 1, kNone, threads);
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (i + kAhead < list.size()) {
                __builtin_prefetch(&dense[list[i + kAhead].u]);
                __builtin_prefetch(&dense[list[i + kAhead].v]);
            }
            for (VertexId* end : {&list[i].u, &list[i].v}) {
                Index& position = dense[*end];
                if (position == kNone) {
                    position = static_cast<Index>(order.size());
                    order.push_back(*end);
                }
                *end = static_cast<VertexId>(position);
            }
        }
        // The table walked in id order gives the placement without sorting.
        numbering.placement = bigVector<Index>(order.size(), 0, threads);
        std::size_t next = 0;
        for (const Index position : dense)
            if (position != kNone) numbering.placement[next++] = position;
        return numbering;
    }
    IdPositions positions;
    for (Edge& edge : list) {
        for (VertexId* end : {&edge.u, &edge.v}) {
            bool created = false;
            const Index position = positions.find(*end, static_cast<Index>(order.size()), &created);
            if (created) order.push_back(*end);
            *end = static_cast<VertexId>(position);
        }
    }
    std::vector<Index>& placement = numbering.placement;
    placement = bigVector<Index>(order.size(), 0, threads);
    for (Index i = 0; i < placement.size(); ++i) placement[i] = i;
    std::sort(placement.begin(), placement.end(),
              [&order](Index a, Index b) { return order[a] < order[b]; });
    return numbering;
}

// Each vertex's adjacency as the other ends of its edges in file order, sorted into one
// array by vertex (a stable counting sort): vertex x's ends are ends[offset[x], offset[x+1]),
// and, given weights, the edges' weights weights[offset[x], offset[x+1]). A simple graph
// keeps the first of repeated edges, with the weights of its repeats added in file order:
// in each list, the first entry to each other end.
struct Graph::SortedEnds {
    std::vector<Index> offset;
    std::vector<Index> ends;
    std::vector<double> weights;
};

// Large lists are sorted on two threads: each takes half of the list (and, when repeats
// are dropped, half of the vertices) and writes where its own counts say, so the first
// half's entries of a vertex come before the second's, as one thread would place them.
Graph::SortedEnds Graph::sortEnds(const std::vector<Edge>& list,
                                  const std::vector<double>* weights) const {
    const std::size_t vertexCount = vertices.size();
    const bool twoThreads = 2 * list.size() >= buildOnTwoThreadsFrom && threads >= 2;
    const std::size_t half = twoThreads ? list.size() / 2 : list.size();
    SortedEnds sorted;
    std::vector<Index>& offset = sorted.offset;
    // cursor[0] and cursor[1]: each half's counts, then where its next end goes.
    std::vector<Index> cursor[2] = {bigVector<Index>(vertexCount + 1, 0, threads),
                                    bigVector<Index>(twoThreads ? vertexCount + 1 : 0, 0, threads)};
    auto count = [&](std::size_t from, std::size_t to, std::vector<Index>& counts) {
        for (std::size_t i = from; i < to; ++i) {
            if (i + kAhead < to) {
                __builtin_prefetch(&counts[list[i + kAhead].u]);
                __builtin_prefetch(&counts[list[i + kAhead].v]);
            }
            ++counts[list[i].u];
            if (list[i].u != list[i].v) ++counts[list[i].v];
        }
    };
    inParallel(
        twoThreads ? threads : 1, [&] { count(0, half, cursor[0]); },
        [&] { count(half, list.size(), cursor[1]); });
    offset = bigVector<Index>(vertexCount + 1, 0, threads);
    for (std::size_t x = 0; x < vertexCount; ++x) {
        const Index first = cursor[0][x];
        offset[x + 1] = offset[x] + first + (twoThreads ? cursor[1][x] : 0);
        cursor[0][x] = offset[x];
        if (twoThreads) cursor[1][x] = offset[x] + first;
    }
    sorted.ends = bigVector<Index>(offset[vertexCount], 0, threads);
    if (weights) sorted.weights = bigVector<double>(offset[vertexCount], 0.0, threads);
    auto scatter = [&](std::size_t from, std::size_t to, std::vector<Index>& next) {
        Index* ends = sorted.ends.data();
        double* weightAt = weights ? sorted.weights.data() : nullptr;
        for (std::size_t i = from; i < to; ++i) {
            // The cursors two steps ahead, the places they point at one step ahead.
            if (i + 2 * kAhead < to) {
                __builtin_prefetch(&next[list[i + 2 * kAhead].u]);
                __builtin_prefetch(&next[list[i + 2 * kAhead].v]);
            }
            if (i + kAhead < to) {
                __builtin_prefetch(ends + next[list[i + kAhead].u], 1);
                __builtin_prefetch(ends + next[list[i + kAhead].v], 1);
            }
            const Index u = static_cast<Index>(list[i].u), v = static_cast<Index>(list[i].v);
            if (weightAt) weightAt[next[u]] = (*weights)[i];
            ends[next[u]++] = v;
            if (u == v) continue;
            if (weightAt) weightAt[next[v]] = (*weights)[i];
            ends[next[v]++] = u;
        }
    };
    inParallel(
        twoThreads ? threads : 1, [&] { scatter(0, half, cursor[0]); },
        [&] { scatter(half, list.size(), cursor[1]); });
    if (simple) dropRepeats(sorted, std::move(cursor[0]), std::move(cursor[1]));
    return sorted;
}

// Keeps the first entry to each other end in every list, moved to the front of the list's
// range; kept[x] is how many stay. seen[y]: where the current list's entry to y lies, when
// that is in the current list (positions of earlier lists are smaller). Two threads take
// half of the entries each, with a table of their own; the lists are then closed up.
void Graph::dropRepeats(SortedEnds& sorted, std::vector<Index>&& firstSeen,
                        std::vector<Index>&& secondSeen) const {
    const std::vector<Index>& offset = sorted.offset;
    const std::size_t vertexCount = offset.size() - 1;
    std::vector<Index> kept = bigVector<Index>(vertexCount, 0, threads);
    Index* ends = sorted.ends.data();
    double* weights = sorted.weights.empty() ? nullptr : sorted.weights.data();
    auto keepFirsts = [&](std::size_t from, std::size_t to, std::vector<Index>& seen) {
        if (from == to) return;
        seen.assign(vertexCount, kNone);
        const Index last = offset[to];
        for (std::size_t x = from; x < to; ++x) {
            const Index begin = offset[x];
            Index write = begin;
            for (Index k = begin; k < offset[x + 1]; ++k) {
                if (k + kAhead < last) __builtin_prefetch(&seen[ends[k + kAhead]]);
                Index& first = seen[ends[k]];
                if (first != kNone && first >= begin) {
                    if (weights) weights[first] += weights[k];
                    continue;
                }
                first = write;
                if (weights) weights[write] = weights[k];
                ends[write++] = ends[k];
            }
            kept[x] = write - begin;
        }
    };
    const bool twoThreads = offset.back() >= buildOnTwoThreadsFrom && threads >= 2;
    const std::size_t split =
        twoThreads
            ? halfOfTheWork(vertexCount,
                            [&](std::size_t x) { return std::size_t{offset[x + 1] - offset[x]}; })
            : vertexCount;
    inParallel(
        twoThreads ? threads : 1, [&] { keepFirsts(0, split, firstSeen); },
        [&] { keepFirsts(split, vertexCount, secondSeen); });
    std::vector<Index>().swap(firstSeen);
    std::vector<Index>().swap(secondSeen);
    // Closed up in place: every list moves towards the front, never past an earlier one.
    Index write = 0;
    for (std::size_t x = 0; x < vertexCount; ++x) {
        const Index begin = offset[x];
        if (write != begin) {
            std::copy(ends + begin, ends + begin + kept[x], ends + write);
            if (weights) std::copy(weights + begin, weights + begin + kept[x], weights + write);
        }
        sorted.offset[x] = write;
        write += kept[x];
    }
    sorted.offset[vertexCount] = write;
    sorted.ends.resize(write);
    if (weights) {
        // Kept for the run: without the room of the dropped repeats.
        sorted.weights.resize(write);
        sorted.weights.shrink_to_fit();
    }
}

void Graph::addEdges(std::vector<Edge>&& edges) {
    if (!vertices.empty()) {
        const std::vector<Edge> list = std::move(edges);
        for (const Edge& edge : list) addEdge(edge.u, edge.v);
        return;
    }
    build(std::move(edges), nullptr);
}

std::vector<double> Graph::addWeightedEdges(std::vector<Edge>&& edges,
                                            std::vector<double>&& weights) {
    if (!vertices.empty() || weights.size() != edges.size())
        throw std::logic_error("addWeightedEdges: an empty graph and a weight per edge");
    std::vector<double> list = std::move(weights);
    return build(std::move(edges), &list);
}

std::vector<double> Graph::build(std::vector<Edge>&& edges, std::vector<double>* weights) {
    std::vector<Edge> list = std::move(edges);
    // Both ends of every line are counted in Index before repeats are dropped.
    if (list.size() > (std::numeric_limits<Index>::max() - 1) / 2)
        throw Fatal("ERROR: The network has more than 2,147,483,647 edge lines\n");
    edgeLines += list.size();
    // The vertices are made once their number is known, in one block; the adjacency
    // vectors are then filled vertex after vertex, at exact size and with sequential
    // memory traffic.
    Numbering numbering = numberVertices(list, threads);
    vertexStore_.reserve(numbering.order.size());
    vertices.reserve(numbering.order.size());
    vertexMap.reserve(numbering.order.size());
    place(numbering.order, numbering.placement);
    std::vector<VertexId>().swap(numbering.order);
    SortedEnds sorted = sortEnds(list, weights);
    std::vector<Edge>().swap(list);
    if (weights) std::vector<double>().swap(*weights);
    fillAdjacency(sorted.offset, sorted.ends, numbering.placement);
    edgeSetCurrent_ = false;
    // fillAdjacency walks each vertex's ends in order, so they are its neighbours in order.
    return std::move(sorted.weights);
}

void Graph::place(const std::vector<VertexId>& order, const std::vector<Index>& placement) {
    const std::size_t count = order.size();
    std::vector<Vertex*> vertexAt = bigVector<Vertex*>(count, nullptr, threads);
    const Index firstPosition = static_cast<Index>(vertices.size());
    for (const Index i : placement) {
        Vertex* vertex = vertexStore_.emplace(order[i]);
        // Positions follow the order of appearance, not the placement.
        vertex->index = firstPosition + i;
        vertexAt[i] = vertex;
    }
    for (std::size_t i = 0; i < count; ++i) {
        vertices.push_back(vertexAt[i]);
        vertexMap.insert_or_assign(order[i], vertexAt[i]);
        ++numVertices;
    }
}

// Sets every vertex's adjacency from the sorted ends, with the counters addEdge would have
// kept. The running sum of addEdge adds (d+1)² − d² per new entry, except that a self-loop
// entry counts twice: so the sum of squared degrees plus, for every self entry at 0-based
// place j, the extra 2j + 1.
void Graph::fillAdjacency(const std::vector<Index>& offset, const std::vector<Index>& ends,
                          const std::vector<Index>& placement) {
    // One list per vertex, with the allocator's header and rounding.
    HeapGrowthAdvice advice(std::size_t{offset.back()} * sizeof(Vertex*) + placement.size() * 32,
                            threads);
    // In placement order, so the lists' memory follows the objects'. The lists are made
    // first, on this thread (the allocator's and the kernel's work), then filled; on large
    // graphs two threads fill them, each keeping its own counters.
    for (const Index x : placement) {
        vertices[x]->neighbours.reserve(offset[x + 1] - offset[x]);
        advice.check();
    }
    struct Counters {
        std::int64_t squares = 0;
        Index arcs = 0;
        Index loops = 0;
        int maxDegree = -1;
    };
    Counters counters[2];
    auto fill = [&](std::size_t from, std::size_t to) {
        Counters sum;
        for (std::size_t p = from; p < to; ++p) {
            // Vertices come in placement order, their positions at random: the next ones'
            // offsets, objects, lists and neighbours' entries are asked for in steps ahead.
            if (p + 3 < to) {
                __builtin_prefetch(&offset[placement[p + 3]]);
                __builtin_prefetch(&vertices[placement[p + 3]]);
            }
            if (p + 2 < to) {
                __builtin_prefetch(ends.data() + offset[placement[p + 2]]);
                __builtin_prefetch(vertices[placement[p + 2]], 1);
            }
            if (p + 1 < to) {
                const Index next = placement[p + 1];
                const Index last = std::min<Index>(offset[next + 1], offset[next] + kAhead);
                for (Index k = offset[next]; k < last; ++k) __builtin_prefetch(&vertices[ends[k]]);
            }
            const Index x = placement[p];
            Vertex* vertex = vertices[x];
            const Index degree = offset[x + 1] - offset[x];
            for (Index k = offset[x]; k < offset[x + 1]; ++k) {
                vertex->neighbours.push_back(vertices[ends[k]]);
                if (ends[k] == x) {
                    sum.squares += 2 * std::int64_t{k - offset[x]} + 1;
                    ++sum.loops;
                }
            }
            vertex->degree = static_cast<int>(degree);
            sum.arcs += degree;
            sum.squares += std::int64_t{degree} * degree;
            sum.maxDegree = std::max(sum.maxDegree, vertex->degree);
        }
        counters[from == 0 ? 0 : 1] = sum;
    };
    if (offset.back() >= buildOnTwoThreadsFrom && placement.size() >= 2) {
        const std::size_t split = halfOfTheWork(placement.size(), [&](std::size_t p) {
            return std::size_t{offset[placement[p] + 1] - offset[placement[p]]};
        });
        onTwoThreads(threads, std::max<std::size_t>(split, 1), placement.size(), fill);
    } else {
        fill(0, placement.size());
    }
    for (const Counters& sum : counters) {
        degreeSquares += sum.squares;
        numArcs += sum.arcs;
        selfLoops += sum.loops;
        maxDegree = std::max(maxDegree, sum.maxDegree);
    }
    maxStrength = static_cast<float>(std::max(maxDegree, 0));
}

void Graph::releaseAdjacency() {
    // In memory order, so that the allocator joins neighbouring blocks as they come. Where
    // the lists lay is kept: they are made there again.
    std::uintptr_t low = UINTPTR_MAX, high = 0;
    std::size_t bytes = 0;
    vertexStore_.forEach([&](Vertex& vertex) {
        if (vertex.neighbours.capacity() > 0) {
            const auto at = reinterpret_cast<std::uintptr_t>(vertex.neighbours.data());
            const std::size_t size = vertex.neighbours.capacity() * sizeof(Vertex*);
            low = std::min(low, at);
            high = std::max(high, at + size);
            bytes += size + 2 * sizeof(std::size_t);  // the allocator's header and rounding
        }
        std::vector<Vertex*>().swap(vertex.neighbours);
    });
    releasedLists_ = {low, std::max(low, high), bytes};
    giveBackFreeHeap();
}

void Graph::restoreAdjacency(const std::vector<Index>& offset, const std::vector<Index>& ends) {
    if (offset.size() != vertices.size() + 1 || ends.size() != offset.back())
        throw std::invalid_argument("restoreAdjacency: the copy is not of this graph");
    bool fits = true;
    vertexStore_.forEach([&](const Vertex& vertex) {
        fits = fits && vertex.neighbours.empty() &&
               offset[vertex.index + 1] - offset[vertex.index] == Index(vertex.degree);
    });
    if (!fits)
        throw std::invalid_argument(
            "restoreAdjacency: the lists were not released, or the copy is not of this graph");
    // What the stage that worked meanwhile freed goes back to the system first: the heap keeps
    // freed memory for later use, and it would otherwise be held beside the lists.
    giveBackFreeHeap();
    // The lists go back where they lay, into pages handed back to the system: made present
    // at once on two threads rather than faulted in one by one as the lists reach them.
    const ListSpan lent = releasedLists_;
    if (lent.high > lent.low)
        prepareHeapRange(reinterpret_cast<const void*>(lent.low),
                         std::min<std::size_t>(lent.high - lent.low, lent.bytes), threads);
    // The lists are made on this thread, in the objects' memory order, one after the other
    // where the released ones lay (a second thread would take them from a heap of its own,
    // on small pages); they are filled on two threads for large graphs.
    std::vector<Index> order;
    try {
        order.reserve(vertices.size());
        vertexStore_.forEach([&](Vertex& vertex) {
            order.push_back(vertex.index);
            vertex.neighbours.reserve(offset[vertex.index + 1] - offset[vertex.index]);
        });
    } catch (...) {
        releaseAdjacency();     // all released rather than some lists empty with their degrees set
        releasedLists_ = lent;  // where they all lay, not the few made again
        throw;
    }
    auto fill = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            if (i + 4 < to) __builtin_prefetch(&offset[order[i + 4]]);
            if (i + 2 < to) {
                __builtin_prefetch(ends.data() + offset[order[i + 2]]);
                __builtin_prefetch(vertices[order[i + 2]]->neighbours.data(), 1);
            }
            if (i + 1 < to) {
                const Index next = order[i + 1];
                const Index last = std::min<Index>(offset[next + 1], offset[next] + kAhead);
                for (Index k = offset[next]; k < last; ++k) __builtin_prefetch(&vertices[ends[k]]);
            }
            const Index p = order[i];
            std::vector<Vertex*>& list = vertices[p]->neighbours;
            for (Index k = offset[p]; k < offset[p + 1]; ++k) list.push_back(vertices[ends[k]]);
        }
    };
    const std::size_t count = order.size();
    if (offset.back() >= buildOnTwoThreadsFrom && count >= 2) {
        const std::size_t split = halfOfTheWork(count, [&](std::size_t i) {
            return std::size_t{offset[order[i] + 1] - offset[order[i]]};
        });
        onTwoThreads(threads, std::max<std::size_t>(split, 1), count, fill);
    } else {
        fill(0, count);
    }
}

Vertex* Graph::addVertex(const Vertex* source) {
    Vertex* copy = vertexStore_.emplace(source);
    copy->index = static_cast<Index>(vertices.size());
    vertices.push_back(copy);
    ++numVertices;
    vertexMap.insert_or_assign(source->id, copy);
    for (const Vertex* neighbour : source->neighbours) {
        Vertex* other = vertexMap.find(neighbour->id);
        if (!other) continue;
        other->addNeighbour(copy);
        copy->addNeighbour(other);
        numArcs += other == copy ? 1 : 2;
        if (other == copy) ++selfLoops;
        degreeSquares += 2 * (std::int64_t{other->degree} + copy->degree - 1);
        maxDegree = std::max({maxDegree, other->degree, copy->degree});
    }
    maxStrength = static_cast<float>(std::max(maxDegree, 0));
    edgeSetCurrent_ = false;
    return copy;
}

std::vector<Vertex*> Graph::addVertices(const std::vector<Vertex*>& sources) {
    std::vector<Vertex*> copies;
    copies.reserve(sources.size());
    for (const Vertex* source : sources) copies.push_back(addVertex(source));
    return copies;
}

std::list<Vertex*> Graph::addVertices(const std::list<Vertex*>& sources) {
    std::list<Vertex*> copies;
    for (const Vertex* source : sources) copies.push_back(addVertex(source));
    return copies;
}

void Graph::addName(VertexId id, std::string_view name) {
    if (Vertex* vertex = vertexMap.find(id)) vertex->name = keepName(name);
}

std::string_view Graph::keepNames(std::string&& bytes) {
    fillingLast_ = false;
    bytes.shrink_to_fit();  // a block grown by appending may hold twice its bytes
    return nameBytes_.emplace_back(std::move(bytes));
}

void Graph::setName(VertexId id, std::string_view kept) {
    if (Vertex* vertex = vertexMap.find(id)) vertex->name = kept;
}

std::string_view Graph::keepName(std::string_view name) {
    if (name.empty()) return {};
    constexpr std::size_t kBlock = std::size_t{1} << 16;
    if (!fillingLast_ || nameBytes_.empty() ||
        nameBytes_.back().capacity() - nameBytes_.back().size() < name.size()) {
        nameBytes_.emplace_back().reserve(std::max(kBlock, name.size()));
        fillingLast_ = true;
    }
    std::string& block = nameBytes_.back();
    block.append(name);
    return std::string_view(block).substr(block.size() - name.size());
}

void Graph::buildDegreesList() {
    degreesList.clear();
    for (Vertex* vertex : vertices) degreesList[vertex->degree].push_back(vertex);
}

void Graph::printGraph(std::ostream& out) const {
    out << "Graph BEGIN\n";
    for (const Vertex* vertex : vertices) {
        out << vertex->id << " --> ";
        for (const Vertex* neighbour : vertex->neighbours) out << neighbour->id << ' ';
        out << '\n';
    }
    out << "Graph END\n";
}

void Graph::printDegreesList(std::ostream& out) const {
    out << "Degrees List BEGIN\n";
    for (const auto& [degree, list] : degreesList) {
        out << degree << ": ";
        for (const Vertex* vertex : list) out << vertex->id << ' ';
        out << '\n';
    }
    out << "Degrees List END\n";
}

bool Graph::computeDiameter2() const {
    // For each vertex, the union of the closed neighbourhoods of the vertex and of its
    // neighbours must hold every vertex. Neighbourhoods are OR-ed in straight from the
    // adjacency, so no set per vertex is kept.
    const std::size_t count = vertices.size();
    const std::size_t words = (count + 63) / 64;
    std::vector<std::uint64_t> reach(words);
    auto mark = [&reach](Index position) {
        reach[position / 64] |= std::uint64_t{1} << (position % 64);
    };
    auto addClosed = [&mark](const Vertex* vertex) {
        mark(vertex->index);
        for (const Vertex* neighbour : vertex->neighbours) mark(neighbour->index);
    };
    for (const Vertex* vertex : vertices) {
        std::fill(reach.begin(), reach.end(), 0);
        addClosed(vertex);
        for (const Vertex* neighbour : vertex->neighbours) addClosed(neighbour);
        for (std::size_t w = 0; w < words; ++w) {
            const std::size_t bits = std::min<std::size_t>(64, count - 64 * w);
            const std::uint64_t full =
                bits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
            if (reach[w] != full) return false;
        }
    }
    return true;
}
