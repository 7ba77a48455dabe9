#include "graph/graph.h"

#include <sys/mman.h>
#include <unistd.h>

#include <climits>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <bit>
#include <limits>
#include <system_error>

namespace {

constexpr Index kNone = std::numeric_limits<Index>::max();
// The allocator's own default for M_TOP_PAD.
[[maybe_unused]] constexpr int kDefaultTopPad = 128 * 1024;

// Fibonacci hashing: spreads consecutive ids over the whole table.
inline std::size_t spread(std::uint64_t key, int bits) {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - bits));
}

inline int bitsOf(std::size_t slotCount) {
    return std::countr_zero(slotCount);
}

// Vertex id → position while a graph is built from a sparse id range: open addressing,
// linear probing, at most half full, 8 bytes a slot.
class IdPositions {
  public:
    // The position of id; a new id gets next.
    Index find(VertexId id, Index next, bool* created) {
        if ((size_ + 1) * 2 > slots_.size()) grow();
        const std::size_t mask = slots_.size() - 1;
        std::size_t slot = spread(static_cast<std::uint32_t>(id), bitsOf(slots_.size()));
        while (slots_[slot].position != kNone) {
            if (slots_[slot].id == id) {
                *created = false;
                return slots_[slot].position;
            }
            slot = (slot + 1) & mask;
        }
        slots_[slot] = {id, next};
        ++size_;
        *created = true;
        return next;
    }

  private:
    struct Slot {
        VertexId id = 0;
        Index position = kNone;
    };
    void grow() {
        std::vector<Slot> old = std::move(slots_);
        slots_ = bigVector(std::max<std::size_t>(64, old.size() * 2), Slot{});
        const std::size_t mask = slots_.size() - 1;
        for (const Slot& entry : old) {
            if (entry.position == kNone) continue;
            std::size_t slot = spread(static_cast<std::uint32_t>(entry.id), bitsOf(slots_.size()));
            while (slots_[slot].position != kNone) slot = (slot + 1) & mask;
            slots_[slot] = entry;
        }
    }

    std::vector<Slot> slots_;
    std::size_t size_ = 0;
};

}  // namespace

void prepareFreshMemory(const void* data, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kHuge = std::uintptr_t{1} << 21;
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t begin = (start + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t end = (start + bytes) & ~(kHuge - 1);
    if (end <= begin) return;
    madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
    // Below a few huge pages a thread costs more than it saves.
    if (end - begin < (std::uintptr_t{8} << 20)) return;
    const std::uintptr_t middle = begin + ((end - begin) / 2 & ~(kHuge - 1));
    auto populate = [](std::uintptr_t from, std::uintptr_t to) {
        madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
    };
    std::jthread second;
    try {
        second = std::jthread(populate, middle, end);
    } catch (const std::system_error&) {
        populate(middle, end);  // no thread to be had: all of it here
    }
    populate(begin, middle);
#endif
#else
    (void)data;
    (void)bytes;
#endif
}

HeapGrowthAdvice::HeapGrowthAdvice(std::size_t bytes) {
#if defined(__GLIBC__) && defined(MADV_HUGEPAGE)
    // Worth it only for growth spanning many huge pages.
    if (bytes < (std::size_t{32} << 20)) return;
    active_ = mallopt(M_TOP_PAD, static_cast<int>(std::min<std::size_t>(bytes, INT_MAX))) == 1;
    top_ = static_cast<char*>(sbrk(0));
#else
    (void)bytes;
#endif
}

HeapGrowthAdvice::~HeapGrowthAdvice() {
#if defined(__GLIBC__) && defined(MADV_HUGEPAGE)
    if (active_) mallopt(M_TOP_PAD, kDefaultTopPad);
#endif
}

void HeapGrowthAdvice::check() {
#if defined(__GLIBC__) && defined(MADV_HUGEPAGE)
    if (!active_) return;
    char* top = static_cast<char*>(sbrk(0));
    if (top == top_) return;
    if (top > top_) prepareFreshMemory(top_, static_cast<std::size_t>(top - top_));
    top_ = top;
#endif
}

// ---- VertexMap ----

std::size_t VertexMap::slotOf(VertexId id) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = spread(static_cast<std::uint32_t>(id), bitsOf(slots_.size()));
    while (slots_[slot].vertex && slots_[slot].id != id) slot = (slot + 1) & mask;
    return slot;
}

Vertex* VertexMap::find(VertexId id) const {
    if (size_ == 0) return nullptr;
    return slots_[slotOf(id)].vertex;
}

void VertexMap::insert_or_assign(VertexId id, Vertex* vertex) {
    if ((size_ + 1) * 2 > slots_.size()) rehash(std::max<std::size_t>(16, slots_.size() * 2));
    Slot& slot = slots_[slotOf(id)];
    if (!slot.vertex) ++size_;
    slot.id = id;
    slot.vertex = vertex;
    orderedCurrent_ = false;
}

void VertexMap::reserve(std::size_t count) {
    if (count * 2 > slots_.size()) rehash(std::bit_ceil(count * 2));
}

void VertexMap::rehash(std::size_t slotCount) {
    std::vector<Slot> old = std::move(slots_);
    slots_ = bigVector(slotCount, Slot{});
    for (const Slot& slot : old)
        if (slot.vertex) slots_[slotOf(slot.id)] = slot;
}

VertexMap::const_iterator VertexMap::begin() const {
    if (!orderedCurrent_) {
        ordered_.clear();
        reserveBig(ordered_, size_);
        for (const Slot& slot : slots_)
            if (slot.vertex) ordered_.emplace_back(slot.id, slot.vertex);
        std::sort(ordered_.begin(), ordered_.end(),
                  [](const value_type& a, const value_type& b) { return a.first < b.first; });
        orderedCurrent_ = true;
    }
    return ordered_.begin();
}

VertexMap::const_iterator VertexMap::end() const {
    begin();
    return ordered_.end();
}

// ---- EdgeSet ----

bool EdgeSet::insert(Index a, Index b) {
    if (a > b) std::swap(a, b);
    // Positions are below 2^32 − 1, so the all-ones key never occurs and marks a free slot.
    const std::uint64_t key = (std::uint64_t{a} << 32) | b;
    constexpr std::uint64_t kFree = ~std::uint64_t{0};
    if ((size_ + 1) * 2 > slots_.size()) {
        std::vector<std::uint64_t> old = std::move(slots_);
        slots_.assign(std::max<std::size_t>(16, old.size() * 2), kFree);
        const int bits = bitsOf(slots_.size());
        for (std::uint64_t k : old) {
            if (k == kFree) continue;
            std::size_t slot = spread(k, bits);
            while (slots_[slot] != kFree) slot = (slot + 1) & (slots_.size() - 1);
            slots_[slot] = k;
        }
    }
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = spread(key, bitsOf(slots_.size()));
    while (slots_[slot] != kFree) {
        if (slots_[slot] == key) return false;
        slot = (slot + 1) & mask;
    }
    slots_[slot] = key;
    ++size_;
    return true;
}

void EdgeSet::clear() {
    slots_.clear();
    slots_.shrink_to_fit();
    size_ = 0;
}

// ---- Graph ----

Graph::Graph(bool simple) : simple(simple) {}

Graph::~Graph() = default;

void Graph::place(const std::vector<VertexId>& order, const std::vector<Index>& placement) {
    const std::size_t count = order.size();
    std::vector<Vertex*> vertexAt = bigVector<Vertex*>(count, nullptr);
    std::vector<Community*> communityAt = bigVector<Community*>(count, nullptr);
    const int firstNumber = Community::next_available_number;
    const Index firstIndex = static_cast<Index>(communities.size());
    HeapGrowthAdvice advice(count * 32);  // a member list each
    const Index firstPosition = static_cast<Index>(vertices.size());
    for (const Index i : placement) {
        Vertex* vertex = vertexStore_.emplace(order[i]);
        Community* community = communityStore_.emplace(static_cast<Index>(firstIndex + i));
        // Numbers and positions follow the order of appearance, not the placement.
        community->number = firstNumber + static_cast<int>(i);
        vertex->index = firstPosition + i;
        community->members.push_back(order[i]);
        vertexAt[i] = vertex;
        communityAt[i] = community;
        advice.check();
    }
    for (std::size_t i = 0; i < count; ++i) {
        Vertex* vertex = vertexAt[i];
        vertices.push_back(vertex);
        startCommunity_.push_back(communityAt[i]);
        communities.push_back(communityAt[i]);
        vertexMap.insert_or_assign(order[i], vertex);
        ++numVertices;
    }
}

Vertex* Graph::createVertex(VertexId id) {
    Vertex* vertex = vertexStore_.emplace(id);
    vertex->index = static_cast<Index>(vertices.size());
    vertices.push_back(vertex);
    startCommunity_.push_back(nullptr);
    vertexMap.insert_or_assign(id, vertex);
    ++numVertices;
    startingCommunity(vertex);
    return vertex;
}

// The vertex's singleton community, made on first need: at creation for vertices of
// addEdge, so communities are numbered in order of first appearance.
Community* Graph::startingCommunity(Vertex* vertex) {
    Community*& community = startCommunity_[vertex->index];
    if (!community) {
        community = communityStore_.emplace(static_cast<Index>(communities.size()));
        community->members.push_back(vertex->id);
        communities.push_back(community);
    }
    return community;
}

void Graph::link(Vertex* a, Vertex* b) {
    Community* ca = startingCommunity(a);
    Community* cb = startingCommunity(b);
    ca->addNeighbour(cb);
    a->addNeighbour(b);
    ++numArcs;
    if (a != b) {
        cb->addNeighbour(ca);
        b->addNeighbour(a);
        ++numArcs;
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

void Graph::addEdges(std::vector<Edge>&& edges) {
    std::vector<Edge> list = std::move(edges);
    if (!vertices.empty()) {
        for (const Edge& edge : list) addEdge(edge.u, edge.v);
        return;
    }

    // 1. Vertices in order of first appearance; the ids in the list become positions. A
    // direct table is used while the ids are dense enough to keep it within O(E) memory.
    // The vertices are made once their number is known, each object kind in one block.
    std::vector<VertexId> order;
    // Placement: the objects lie in memory in ascending id order, while positions, indices
    // and community numbers follow the order of first appearance. Ids usually carry
    // locality (blocks, crawl order) that the order of first appearance in a shuffled
    // edge list loses, and detection touches neighbours' objects all the time.
    std::vector<Index> placement;
    {
        VertexId maxId = 0;
        for (const Edge& edge : list) maxId = std::max({maxId, edge.u, edge.v});
        if (static_cast<std::size_t>(maxId) < 4 * list.size() + 64) {
            std::vector<Index> dense = bigVector(static_cast<std::size_t>(maxId) + 1, kNone);
            for (Edge& edge : list) {
                for (VertexId* end : {&edge.u, &edge.v}) {
                    Index& position = dense[*end];
                    if (position == kNone) {
                        position = static_cast<Index>(order.size());
                        order.push_back(*end);
                    }
                    *end = static_cast<VertexId>(position);
                }
            }
            // The table walked in id order gives the placement without sorting.
            placement = bigVector<Index>(order.size(), 0);
            std::size_t next = 0;
            for (const Index position : dense)
                if (position != kNone) placement[next++] = position;
        } else {
            IdPositions positions;
            for (Edge& edge : list) {
                for (VertexId* end : {&edge.u, &edge.v}) {
                    bool created = false;
                    const Index position =
                        positions.find(*end, static_cast<Index>(order.size()), &created);
                    if (created) order.push_back(*end);
                    *end = static_cast<VertexId>(position);
                }
            }
            placement = bigVector<Index>(order.size(), 0);
            for (Index i = 0; i < placement.size(); ++i) placement[i] = i;
            std::sort(placement.begin(), placement.end(),
                      [&order](Index a, Index b) { return order[a] < order[b]; });
        }
    }
    vertexStore_.reserve(order.size());
    communityStore_.reserve(order.size());
    vertices.reserve(order.size());
    startCommunity_.reserve(order.size());
    communities.reserve(order.size());
    vertexMap.reserve(order.size());
    place(order, placement);
    std::vector<VertexId>().swap(order);
    const std::size_t vertexCount = vertices.size();

    // 2. Repeated edges: group the edges by their lower end (a stable counting sort, so
    // each group stays in file order) and keep the first edge to each higher end.
    std::vector<bool> repeated(list.size(), false);
    if (simple) {
        std::vector<Index> groupEnd = bigVector<Index>(vertexCount + 1, 0);
        for (const Edge& edge : list) ++groupEnd[std::min(edge.u, edge.v) + 1];
        for (std::size_t i = 1; i <= vertexCount; ++i) groupEnd[i] += groupEnd[i - 1];
        std::vector<Index> byLow = bigVector<Index>(list.size(), 0);
        for (std::size_t i = 0; i < list.size(); ++i)
            byLow[groupEnd[std::min(list[i].u, list[i].v)]++] = static_cast<Index>(i);
        // groupEnd[low] now marks the end of group low, which begins where low − 1 ends.
        std::vector<Index> lastLow = bigVector(vertexCount, kNone);
        Index begin = 0;
        for (std::size_t low = 0; low < vertexCount; ++low) {
            for (Index k = begin; k < groupEnd[low]; ++k) {
                const Edge& edge = list[byLow[k]];
                Index& seen = lastLow[std::max(edge.u, edge.v)];
                if (seen == low)
                    repeated[byLow[k]] = true;
                else
                    seen = static_cast<Index>(low);
            }
            begin = groupEnd[low];
        }
    }

    // 3. Each vertex's adjacency is the other ends of its edges in file order. They are
    // sorted into one array by vertex first (a stable counting sort), so the vectors are
    // then filled vertex after vertex, at exact size and with sequential memory traffic.
    std::vector<Index> offset = bigVector<Index>(vertexCount + 1, 0);
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (repeated[i]) continue;
        ++offset[list[i].u + 1];
        if (list[i].u != list[i].v) ++offset[list[i].v + 1];
    }
    for (std::size_t i = 1; i <= vertexCount; ++i) offset[i] += offset[i - 1];
    std::vector<Index> ends = bigVector<Index>(offset[vertexCount], 0);
    {
        std::vector<Index> next(offset.begin(), offset.end() - 1);
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (repeated[i]) continue;
            const Index u = static_cast<Index>(list[i].u), v = static_cast<Index>(list[i].v);
            ends[next[u]++] = v;
            if (u != v) ends[next[v]++] = u;
        }
    }
    std::vector<Edge>().swap(list);
    std::vector<bool>().swap(repeated);
    fillAdjacency(offset, ends, placement);
    edgeSetCurrent_ = false;
}

// Sets every vertex's and starting community's adjacency from the sorted ends, with the
// counters addEdge would have kept. The running sum of addEdge adds (d+1)² − d² per new
// entry, except that a self-loop entry counts twice: so the sum of squared degrees plus,
// for every self entry at 0-based place j, the extra 2j + 1.
void Graph::fillAdjacency(const std::vector<Index>& offset, const std::vector<Index>& ends,
                          const std::vector<Index>& placement) {
    struct Pair {
        Vertex* vertex = nullptr;
        Community* community = nullptr;
    };
    std::vector<Pair> at = bigVector(vertices.size(), Pair{});
    for (std::size_t i = 0; i < vertices.size(); ++i) at[i] = {vertices[i], startCommunity_[i]};
    // Three lists per vertex, each with the allocator's header and rounding.
    HeapGrowthAdvice advice(std::size_t{offset.back()} *
                                (sizeof(Vertex*) + sizeof(Community*) + sizeof(std::uint32_t)) +
                            placement.size() * 3 * 32);
    // In placement order, so the lists' memory follows the objects'. The lists are made
    // first, on this thread (the allocator's and the kernel's work), then filled; on large
    // graphs two threads fill them, each keeping its own counters.
    for (const Index x : placement) {
        const Index degree = offset[x + 1] - offset[x];
        at[x].vertex->neighbours.reserve(degree);
        at[x].community->neighbours.reserve(degree);
        at[x].community->cuts.assign(degree, 1);
        advice.check();
    }
    struct Counters {
        std::int64_t squares = 0;
        Index arcs = 0;
        int maxDegree = -1;
    };
    Counters counters[2];
    auto fill = [&](std::size_t from, std::size_t to) {
        Counters sum;
        for (std::size_t p = from; p < to; ++p) {
            const Index x = placement[p];
            Vertex* vertex = at[x].vertex;
            Community* community = at[x].community;
            const Index degree = offset[x + 1] - offset[x];
            for (Index k = offset[x]; k < offset[x + 1]; ++k) {
                const Pair& other = at[ends[k]];
                vertex->neighbours.push_back(other.vertex);
                community->neighbours.push_back(other.community);
                if (ends[k] == x) {
                    ++community->internalDegree;
                    sum.squares += 2 * std::int64_t{k - offset[x]} + 1;
                }
            }
            vertex->degree = static_cast<int>(degree);
            community->degreeSum += degree;
            sum.arcs += degree;
            sum.squares += std::int64_t{degree} * degree;
            sum.maxDegree = std::max(sum.maxDegree, vertex->degree);
        }
        counters[from == 0 ? 0 : 1] = sum;
    };
    if (offset.back() >= fillOnTwoThreadsFrom && placement.size() >= 2) {
        const std::size_t split = halfOfTheWork(placement.size(), [&](std::size_t p) {
            return std::size_t{offset[placement[p] + 1] - offset[placement[p]]};
        });
        onTwoThreads(std::max<std::size_t>(split, 1), placement.size(), fill);
    } else {
        fill(0, placement.size());
    }
    for (const Counters& sum : counters) {
        degreeSquares += sum.squares;
        numArcs += sum.arcs;
        maxDegree = std::max(maxDegree, sum.maxDegree);
    }
    maxStrength = static_cast<float>(std::max(maxDegree, 0));
}

Vertex* Graph::addVertex(const Vertex* source) {
    Vertex* copy = vertexStore_.emplace(source);
    copy->index = static_cast<Index>(vertices.size());
    vertices.push_back(copy);
    startCommunity_.push_back(nullptr);
    ++numVertices;
    vertexMap.insert_or_assign(source->id, copy);
    for (const Vertex* neighbour : source->neighbours) {
        Vertex* other = vertexMap.find(neighbour->id);
        if (!other) continue;
        other->addNeighbour(copy);
        copy->addNeighbour(other);
        numArcs += other == copy ? 1 : 2;
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

void Graph::addName(VertexId id, std::string name) {
    if (Vertex* vertex = vertexMap.find(id)) vertex->name = std::move(name);
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

Community* Graph::communityOf(VertexId id) const {
    const Vertex* vertex = vertexMap.find(id);
    return vertex ? startCommunity_[vertex->index] : nullptr;
}

std::vector<Community*> Graph::communitiesById() const {
    std::vector<Community*> list;
    reserveBig(list, communities.size());
    for (const auto& [id, vertex] : vertexMap)
        if (Community* community = startCommunity_[vertex->index]) list.push_back(community);
    return list;
}
