// The undirected graph of the input: vertices with their adjacency and the counters later
// stages read.
#pragma once

#include <cstdint>
#include <deque>
#include <iostream>
#include <list>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "graph/defs.h"
#include "graph/memory.h"
#include "graph/open_table.h"
#include "graph/vertex.h"

// One line of the edge list: two vertex ids.
struct Edge {
    VertexId u;
    VertexId v;
};

// Id → vertex. Lookups cost O(1) expected time: open addressing with linear probing over
// (id, vertex) slots, at most half full, 16 bytes a slot. Iteration runs in ascending id
// order, as an ordered map's would; the sorted view is built on first use and kept until
// the next insertion, so repeated walks cost nothing extra.
class VertexMap {
  public:
    using value_type = std::pair<VertexId, Vertex*>;
    using const_iterator = std::vector<value_type>::const_iterator;

    // threads: the bound of the stage that builds the map (see prepareFreshMemory).
    explicit VertexMap(unsigned threads = 1) { table_.threads = threads; }

    // The vertex with this id, or null.
    Vertex* find(VertexId id) const;
    bool contains(VertexId id) const { return find(id) != nullptr; }
    // Maps id to vertex, replacing an earlier mapping of the same id.
    void insert_or_assign(VertexId id, Vertex* vertex);
    void reserve(std::size_t count);
    std::size_t size() const { return table_.size(); }
    bool empty() const { return table_.empty(); }

    const_iterator begin() const;
    const_iterator end() const;
    // Frees the listing in ascending id that iteration keeps (16 bytes per vertex) while a
    // stage needs the memory more; the next iteration sorts the vertices again.
    void forgetOrder();

  private:
    struct Slot {
        VertexId id = 0;
        Vertex* vertex = nullptr;
        bool free() const { return vertex == nullptr; }
    };
    std::size_t slotOf(VertexId id) const;

    OpenTable<Slot> table_;
    mutable std::vector<value_type> ordered_;
    mutable bool orderedCurrent_ = true;
};

// The set of linked vertex pairs, for the repeated-edge test of single-edge insertion:
// 64-bit keys (the two positions) in an open-addressing table.
class EdgeSet {
  public:
    explicit EdgeSet(unsigned threads = 1) { table_.threads = threads; }

    // False when the pair {a, b} was already present.
    bool insert(Index a, Index b);
    void clear() { table_.clear(); }
    bool empty() const { return table_.empty(); }

  private:
    struct Slot {
        // Positions are below 2^32 − 1, so the all-ones key never occurs and marks a free slot.
        std::uint64_t key = ~std::uint64_t{0};
        bool free() const { return key == ~std::uint64_t{0}; }
    };
    OpenTable<Slot> table_;
};

// Vertices live in an arena owned by the graph, in creation order, and are never removed.
// There is no table per possible id: `vertexMap` (a hash) answers by id, so memory grows
// with the vertices and edges present, never with the largest id.
class Graph {
  public:
    // threads bounds the threads a build of the graph runs at once (addEdges).
    explicit Graph(bool simple, unsigned threads = 2);
    Graph(Graph&&) noexcept = default;
    Graph& operator=(Graph&&) noexcept = default;
    Graph(const Graph&) = delete;
    Graph& operator=(const Graph&) = delete;
    ~Graph();

    // Links u and v, creating either vertex on first sight. With `simple`, an edge that
    // repeats an earlier one in either direction changes nothing. O(1) expected time (after
    // a bulk build or a vertex copy, the first call indexes the existing edges once).
    void addEdge(VertexId u, VertexId v);
    // The same as addEdge on every edge in order, with identical results, but built in a
    // few linear passes with adjacency vectors of exact size: O(E + V) time, and transient
    // memory of about 8 bytes per edge line besides the list. Consumes the list. At most
    // 2^31 − 1 edge lines (Fatal beyond).
    void addEdges(std::vector<Edge>&& edges);
    // addEdges on an empty graph with weights[i] the weight of edges[i]: the weight of each
    // adjacency entry, in the order of the vertices' positions and of each one's neighbours
    // (a self-loop's entry once). With `simple`, a repeated edge adds its weight to the
    // entry of the first, in file order. The same passes as addEdges, carrying the weights
    // along: 16 bytes per edge line more while building, 8 per adjacency entry kept.
    // Consumes both lists.
    std::vector<double> addWeightedEdges(std::vector<Edge>&& edges, std::vector<double>&& weights);
    // Copies a vertex of another graph into this one and links the copy to the copies of
    // its neighbours already present; copying a vertex set one by one yields the subgraph it
    // induces. Returns the copy.
    Vertex* addVertex(const Vertex* source);
    std::vector<Vertex*> addVertices(const std::vector<Vertex*>& sources);
    std::list<Vertex*> addVertices(const std::list<Vertex*>& sources);
    // Frees every vertex's adjacency list and gives the memory back to the system while a
    // stage works on a copy of the adjacency: on a network of tens of millions of edges the
    // lists hold hundreds of megabytes. Degrees and counters stay; no list may be read until
    // restoreAdjacency.
    void releaseAdjacency();
    // Makes the lists again from that copy: position p's neighbours are the positions
    // ends[offset[p]] … ends[offset[p + 1] − 1], in that order. Only after releaseAdjacency,
    // the graph unchanged meanwhile: std::invalid_argument, the graph untouched, when a list is
    // not empty or a row's length is not its vertex's degree. The lists are allocated on this
    // thread in the order of the vertex objects in memory, so they lie as a bulk build laid
    // them, and filled on two threads for large graphs. Should memory run out, every list is
    // released again before the failure goes on.
    void restoreAdjacency(const std::vector<Index>& offset, const std::vector<Index>& ends);
    // Label of the vertex with this id; nothing when there is none. The graph keeps a copy
    // of the bytes.
    void addName(VertexId id, std::string_view name);
    // Takes a block of labels' bytes as it is (no copy) and returns where it now lies; views
    // into it stay valid as long as the graph, for setName.
    std::string_view keepNames(std::string&& bytes);
    // Label of the vertex with this id, bytes the graph keeps already (keepNames).
    void setName(VertexId id, std::string_view kept);
    // Groups the vertices by degree, in creation order within a degree. Starts afresh on
    // every call.
    void buildDegreesList();
    void printGraph(std::ostream& out = std::cout) const;
    void printDegreesList(std::ostream& out = std::cout) const;
    // True when every vertex reaches every other in at most two steps. O(Σ degree² + V²/64)
    // time, O(V) memory.
    bool computeDiameter2() const;

    // Running sum 2·(deg u + deg v − 1) per linked edge: the sum of squared degrees when
    // there are no self-loops. 64 bits: a hub of a million leaves passes 2^31.
    std::int64_t degreeSquares = 0;
    bool simple;
    Index numVertices = 0;
    // Adjacency entries: 2 per edge between distinct vertices, 1 per self-loop.
    Index numArcs = 0;
    // Edges handed to addEdge and addEdges, repeats included (the edge lines of the input),
    // and the self-loops linked: the edges linked between distinct vertices are
    // (numArcs − selfLoops) / 2, the repeated lines what is left of edgeLines.
    std::uint64_t edgeLines = 0;
    Index selfLoops = 0;
    VertexMap vertexMap;
    std::vector<Vertex*> vertices;
    int maxDegree = -1;
    // Largest vertex strength; with every weight 1 it follows the largest degree.
    float maxStrength = 0.0f;
    std::map<int, std::vector<Vertex*>> degreesList;

    // The most threads a build runs at once, and the bulk builds that sort and fill the
    // lists on two threads (those of at least this many adjacency entries; tests lower it).
    unsigned threads;
    std::size_t buildOnTwoThreadsFrom = std::size_t{1} << 18;

  private:
    // The steps of addEdges.
    struct Numbering;
    struct SortedEnds;
    // The bulk build of addEdges and addWeightedEdges (weights null: none).
    std::vector<double> build(std::vector<Edge>&& edges, std::vector<double>* weights);
    static Numbering numberVertices(std::vector<Edge>& list, unsigned threads);
    SortedEnds sortEnds(const std::vector<Edge>& list, const std::vector<double>* weights) const;
    void dropRepeats(SortedEnds& sorted, std::vector<Index>&& firstSeen,
                     std::vector<Index>&& secondSeen) const;
    // Creates the vertices of order (ids in order of first appearance), laid out in memory in
    // the order placement gives.
    void place(const std::vector<VertexId>& order, const std::vector<Index>& placement);
    void fillAdjacency(const std::vector<Index>& offset, const std::vector<Index>& ends,
                       const std::vector<Index>& placement);

    Vertex* createVertex(VertexId id);
    void link(Vertex* a, Vertex* b);
    void seedEdgeSet();

    // A copy of name among the labels' bytes; a block is filled up to the size it was
    // reserved with, never grown, so the views into it stay put.
    std::string_view keepName(std::string_view name);

    Arena<Vertex> vertexStore_;
    // Where the lists lay when they were last released: the addresses they spanned and the
    // bytes they took (with the allocator's overhead), which bound what is readied for them:
    // a list mapped apart (a hub's) stretches the span over memory that is not theirs.
    struct ListSpan {
        std::uintptr_t low = 0, high = 0;
        std::size_t bytes = 0;
    };
    ListSpan releasedLists_;
    // The labels' bytes: one block per name-based file, and blocks of names added one by
    // one, the last block being filled when fillingLast_. A deque, so that a new block
    // moves no other.
    std::deque<std::string> nameBytes_;
    bool fillingLast_ = false;
    EdgeSet edgeSet_;
    bool edgeSetCurrent_ = true;
};
