// The undirected graph of the input: vertices with their adjacency, the counters later
// stages read, and the starting partition (one singleton community per vertex).
#pragma once

#include <algorithm>
#include <cstdint>
#include <exception>
#include <iostream>
#include <list>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "analysis/community.h"
#include "graph/defs.h"
#include "graph/vertex.h"

// One line of the edge list: two vertex ids.
struct Edge {
    VertexId u;
    VertexId v;
};

// Readies fresh memory for its first use: asks the kernel to back the whole 2 MiB pages
// inside [data, data + bytes) with huge pages, and has a large range made present at once,
// half of it by a second thread. First touches of fresh memory dominate the time of
// building large graphs: a huge page takes one fault where small pages take 512, and on a
// virtual machine the faults also wait for the host, which two threads keep busier. The
// contents are not changed, and nothing changes when the kernel declines.
void prepareFreshMemory(const void* data, std::size_t bytes);

// While it lives, the heap grows in one step by at least the given number of bytes, and
// what it grows by is readied by prepareFreshMemory (check() looks for the growth; call it
// after each allocation of a loop that makes many small ones). Building the adjacency of a
// large graph makes millions of small vectors, hundreds of megabytes in all, and on small
// pages every 4 KiB of them costs a fault of its own. Nothing happens where the allocator
// is not the system's own heap.
class HeapGrowthAdvice {
  public:
    explicit HeapGrowthAdvice(std::size_t bytes);
    ~HeapGrowthAdvice();
    HeapGrowthAdvice(const HeapGrowthAdvice&) = delete;
    HeapGrowthAdvice& operator=(const HeapGrowthAdvice&) = delete;
    void check();

  private:
    char* top_ = nullptr;
    bool active_ = false;
};

// Room for count elements, readied by prepareFreshMemory before it is first touched.
template <class T, class Allocator>
void reserveBig(std::vector<T, Allocator>& vector, std::size_t count) {
    vector.reserve(count);
    prepareFreshMemory(vector.data(), count * sizeof(T));
}

// A vector of count copies of value, its memory readied by prepareFreshMemory.
template <class T>
std::vector<T> bigVector(std::size_t count, T value) {
    std::vector<T> vector;
    reserveBig(vector, count);
    vector.assign(count, value);
    return vector;
}

// Where to split items 0 … count − 1 into two runs of about equal work: the first index
// from which the rest weighs at most half of the total (weight(k) is the work of item k).
template <class Weight>
std::size_t halfOfTheWork(std::size_t count, Weight&& weight) {
    std::size_t total = 0;
    for (std::size_t k = 0; k < count; ++k) total += weight(k);
    std::size_t split = 0;
    for (std::size_t work = 0; split < count && 2 * work < total; ++split) work += weight(split);
    return split;
}

// Runs work(0, split) on this thread and work(split, count) on a second one, and returns
// when both are done; an exception thrown on the second thread is rethrown here. The two
// runs must not write to the same data.
template <class Work>
void onTwoThreads(std::size_t split, std::size_t count, Work&& work) {
    std::exception_ptr failure;
    {
        std::jthread second([&] {
            try {
                work(split, count);
            } catch (...) {
                failure = std::current_exception();
            }
        });
        work(std::size_t{0}, split);
    }
    if (failure) std::rethrow_exception(failure);
}

// Stable storage for many objects: they are built in place in chunks that never move, so
// raw pointers to them stay valid while the arena lives, and one allocation serves many
// objects. Everything is destroyed with the arena.
template <class T>
class Arena {
  public:
    template <class... Args>
    T* emplace(Args&&... args) {
        if (chunks_.empty() || chunks_.back().size() == chunks_.back().capacity()) {
            const std::size_t last = chunks_.empty() ? 0 : chunks_.back().capacity();
            grow(std::clamp<std::size_t>(2 * last, 4, 4096));
        }
        return &chunks_.back().emplace_back(std::forward<Args>(args)...);
    }

    // Room for the next count objects in one chunk, so a graph built in one go has its
    // objects contiguous.
    void reserve(std::size_t count) {
        if (count == 0) return;
        if (chunks_.empty() || chunks_.back().capacity() - chunks_.back().size() < count)
            grow(count);
    }

  private:
    void grow(std::size_t capacity) {
        chunks_.emplace_back();
        reserveBig(chunks_.back(), capacity);
    }

    std::vector<std::vector<T>> chunks_;
};

// Id → vertex. Lookups cost O(1) expected time: open addressing with linear probing over
// (id, vertex) slots, at most half full, 16 bytes a slot. Iteration runs in ascending id
// order, as an ordered map's would; the sorted view is built on first use and kept until
// the next insertion, so repeated walks cost nothing extra.
class VertexMap {
  public:
    using value_type = std::pair<VertexId, Vertex*>;
    using const_iterator = std::vector<value_type>::const_iterator;

    // The vertex with this id, or null.
    Vertex* find(VertexId id) const;
    bool contains(VertexId id) const { return find(id) != nullptr; }
    // Maps id to vertex, replacing an earlier mapping of the same id.
    void insert_or_assign(VertexId id, Vertex* vertex);
    void reserve(std::size_t count);
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    const_iterator begin() const;
    const_iterator end() const;

  private:
    struct Slot {
        VertexId id = 0;
        Vertex* vertex = nullptr;  // null marks a free slot
    };
    std::size_t slotOf(VertexId id) const;
    void rehash(std::size_t slotCount);

    std::vector<Slot> slots_;
    std::size_t size_ = 0;
    mutable std::vector<value_type> ordered_;
    mutable bool orderedCurrent_ = true;
};

// The set of linked vertex pairs, for the repeated-edge test of single-edge insertion:
// open addressing over 64-bit keys (the two positions), at most half full.
class EdgeSet {
  public:
    // False when the pair {a, b} was already present.
    bool insert(Index a, Index b);
    void clear();
    bool empty() const { return size_ == 0; }

  private:
    std::vector<std::uint64_t> slots_;
    std::size_t size_ = 0;
};

// Vertices and starting communities live in arenas owned by the graph, in creation order,
// and are never removed. There is no table per possible id: `vertexMap` (a hash) and
// `communityOf` answer by id, so memory grows with the vertices and edges present, never
// with the largest id.
class Graph {
  public:
    explicit Graph(bool simple);
    Graph(Graph&&) noexcept = default;
    Graph& operator=(Graph&&) noexcept = default;
    Graph(const Graph&) = delete;
    Graph& operator=(const Graph&) = delete;
    ~Graph();

    // Links u and v, creating either vertex (and its singleton community) on first sight.
    // With `simple`, an edge that repeats an earlier one in either direction changes
    // nothing. O(1) expected time (after a bulk build or a vertex copy, the first call
    // indexes the existing edges once).
    void addEdge(VertexId u, VertexId v);
    // The same as addEdge on every edge in order, with identical results, but built in a
    // few linear passes with adjacency vectors of exact size: O(E + V) time, and transient
    // memory of about 12 bytes per edge besides the list. Consumes the list.
    void addEdges(std::vector<Edge>&& edges);
    // Copies a vertex of another graph into this one and links the copy to the copies of
    // its neighbours already present; copying a vertex set one by one yields the subgraph it
    // induces. Returns the copy.
    Vertex* addVertex(const Vertex* source);
    std::vector<Vertex*> addVertices(const std::vector<Vertex*>& sources);
    std::list<Vertex*> addVertices(const std::list<Vertex*>& sources);
    // Label of the vertex with this id; nothing when there is none.
    void addName(VertexId id, std::string name);
    // Groups the vertices by degree, in creation order within a degree. Starts afresh on
    // every call.
    void buildDegreesList();
    void printGraph(std::ostream& out = std::cout) const;
    void printDegreesList(std::ostream& out = std::cout) const;
    // True when every vertex reaches every other in at most two steps. O(Σ degree² + V²/64)
    // time, O(V) memory.
    bool computeDiameter2() const;

    // The starting community of the vertex with this id, or null (no such vertex, or one
    // copied in with addVertex).
    Community* communityOf(VertexId id) const;
    // The starting communities in ascending order of their vertex's id.
    std::vector<Community*> communitiesById() const;

    // Starting communities in creation order; the k-th belongs to the k-th vertex that
    // addEdge created.
    std::vector<Community*> communities;
    // Running sum 2·(deg u + deg v − 1) per linked edge: the sum of squared degrees when
    // there are no self-loops. 64 bits: a hub of a million leaves passes 2^31.
    std::int64_t degreeSquares = 0;
    bool simple;
    Index numVertices = 0;
    // Adjacency entries: 2 per edge between distinct vertices, 1 per self-loop.
    Index numArcs = 0;
    VertexMap vertexMap;
    std::vector<Vertex*> vertices;
    int maxDegree = -1;
    // Largest vertex strength; with every weight 1 it follows the largest degree.
    float maxStrength = 0.0f;
    std::map<int, std::vector<Vertex*>> degreesList;

    // Bulk builds of at least this many adjacency entries fill the lists on two threads;
    // tests lower it.
    static inline std::size_t fillOnTwoThreadsFrom = std::size_t{1} << 18;

  private:
    Vertex* createVertex(VertexId id);
    Community* startingCommunity(Vertex* vertex);
    void link(Vertex* a, Vertex* b);
    // Creates the vertices of order (ids in order of first appearance) with their starting
    // communities, laid out in memory in the order placement gives.
    void place(const std::vector<VertexId>& order, const std::vector<Index>& placement);
    void fillAdjacency(const std::vector<Index>& offset, const std::vector<Index>& ends,
                       const std::vector<Index>& placement);
    void seedEdgeSet();

    Arena<Vertex> vertexStore_;
    Arena<Community> communityStore_;
    // Parallel to `vertices`: the starting community, null for vertices copied in.
    std::vector<Community*> startCommunity_;
    EdgeSet edgeSet_;
    bool edgeSetCurrent_ = true;
};
