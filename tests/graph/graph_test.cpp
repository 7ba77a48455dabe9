#include "graph/graph.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

#include "analysis/greedy.h"
#include "analysis/network.h"
#include "graph/memory.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

std::vector<VertexId> ids(const std::vector<Vertex*>& list) {
    std::vector<VertexId> out;
    for (const Vertex* v : list) out.push_back(v->id);
    return out;
}

std::vector<VertexId> neighbourIds(const Graph& graph, VertexId id) {
    return ids(graph.vertexMap.find(id)->neighbours);
}

Graph incremental(const std::vector<Edge>& edges, bool simple = true) {
    Graph graph(simple);
    for (const Edge& e : edges) graph.addEdge(e.u, e.v);
    return graph;
}

// buildOnTwoThreadsFrom: the size from which the lists are sorted and filled on two threads.
Graph bulk(std::vector<Edge> edges, bool simple = true,
           std::size_t buildOnTwoThreadsFrom = std::size_t{1} << 18) {
    Graph graph(simple);
    graph.buildOnTwoThreadsFrom = buildOnTwoThreadsFrom;
    graph.addEdges(std::move(edges));
    return graph;
}

// The graph's lists by position, as the CSR a borrowing stage holds them: offsets and ends.
std::pair<std::vector<Index>, std::vector<Index>> adjacencyByPosition(const Graph& graph) {
    std::vector<Index> offset{0};
    std::vector<Index> ends;
    for (const Vertex* vertex : graph.vertices) {
        for (const Vertex* neighbour : vertex->neighbours) ends.push_back(neighbour->index);
        offset.push_back(static_cast<Index>(ends.size()));
    }
    return {std::move(offset), std::move(ends)};
}

// The starting communities detection makes of the graph as it is now.
struct Starting {
    explicit Starting(const Graph& graph)
        : graph(graph), list(makeStartingCommunities(graph, store)) {}
    const Community* of(VertexId id) const {
        const Vertex* v = graph.vertexMap.find(id);
        return v ? list[v->index] : nullptr;
    }
    const Graph& graph;
    Arena<Community> store;
    std::vector<Community*> list;
};

// Everything a later stage can observe of a freshly read graph, in comparable form.
struct Snapshot {
    std::vector<VertexId> order;
    std::vector<std::vector<VertexId>> adjacency;
    std::vector<int> communityNumbers;
    // Positions break ties in detection: vertex and community indices, and which community
    // each vertex starts in (by its first member).
    std::vector<Index> vertexIndices;
    std::vector<Index> communityIndices;
    std::vector<VertexId> startingMember;
    std::vector<std::vector<VertexId>> members;
    std::vector<std::vector<VertexId>> communityAdjacency;  // by first member id
    std::vector<std::vector<std::uint32_t>> cuts;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> sums;
    Index numVertices, numArcs;
    int maxDegree;
    std::int64_t degreeSquares;
    bool operator==(const Snapshot&) const = default;
};

Snapshot snapshot(const Graph& graph) {
    Snapshot s{};
    const Starting starting(graph);
    s.order = ids(graph.vertices);
    for (const Vertex* v : graph.vertices) {
        s.adjacency.push_back(ids(v->neighbours));
        s.vertexIndices.push_back(v->index);
        s.startingMember.push_back(starting.of(v->id)->members.front());
    }
    const int base = starting.list.empty() ? 0 : starting.list.front()->number;
    for (const Community* c : starting.list) {
        s.communityNumbers.push_back(c->number - base);
        s.communityIndices.push_back(c->index);
        s.members.push_back(c->members);
        std::vector<VertexId> linked;
        for (const Community* n : c->neighbours) linked.push_back(n->members.front());
        s.communityAdjacency.push_back(linked);
        s.cuts.push_back(c->cuts);
        s.sums.emplace_back(c->degreeSum, c->internalDegree);
    }
    s.numVertices = graph.numVertices;
    s.numArcs = graph.numArcs;
    s.maxDegree = graph.maxDegree;
    s.degreeSquares = graph.degreeSquares;
    return s;
}

}  // namespace

// 0 - 1 - 2
TEST(Graph, PathCounters) {
    Graph graph = incremental({{0, 1}, {1, 2}});
    EXPECT_EQ(graph.numVertices, 3u);
    EXPECT_EQ(graph.numArcs, 4u);
    EXPECT_EQ(graph.maxDegree, 2);
    EXPECT_EQ(graph.degreeSquares, 6);
    EXPECT_EQ(graph.maxStrength, 2.0f);
    EXPECT_THAT(neighbourIds(graph, 1), ElementsAre(0, 2));
}

TEST(Graph, RepeatedEdgeInEitherDirectionChangesNothing) {
    for (const Edge repeat : {Edge{0, 1}, Edge{1, 0}}) {
        Graph graph = incremental({{0, 1}, {1, 2}});
        const Snapshot before = snapshot(graph);
        graph.addEdge(repeat.u, repeat.v);
        EXPECT_TRUE(snapshot(graph) == before);
    }
}

TEST(Graph, SelfLoopIsOneEntryForItself) {
    Graph graph = incremental({{4, 4}});
    const Vertex* v = graph.vertexMap.find(4);
    ASSERT_NE(v, nullptr);
    EXPECT_THAT(v->neighbours, ElementsAre(v));
    EXPECT_EQ(v->degree, 1);
    EXPECT_EQ(graph.numArcs, 1u);
    EXPECT_EQ(graph.degreeSquares, 2);
    const Starting starting(graph);
    const Community* c = starting.of(4);
    EXPECT_THAT(c->neighbours, ElementsAre(c));
    EXPECT_EQ(c->degreeSum, 1u);
    EXPECT_EQ(c->internalDegree, 1u);

    graph.addEdge(4, 4);
    EXPECT_EQ(v->degree, 1);
    EXPECT_EQ(graph.numArcs, 1u);
}

TEST(Graph, VerticesAndCommunitiesFollowFirstAppearanceNotId) {
    Community::next_available_number = 1;
    Network network;
    for (const Edge e : {Edge{7, 3}, Edge{3, 9}}) network.graph.addEdge(e.u, e.v);
    EXPECT_THAT(ids(network.graph.vertices), ElementsAre(7, 3, 9));
    network.listStartingCommunities();
    ASSERT_EQ(network.startingCommunities.size(), 3u);
    EXPECT_EQ(network.startingCommunity(7)->number, 1);
    EXPECT_EQ(network.startingCommunity(3)->number, 2);
    EXPECT_EQ(network.startingCommunity(9)->number, 3);
    EXPECT_THAT(network.startingCommunity(3)->members, ElementsAre(3));
    EXPECT_EQ(network.startingCommunity(5), nullptr);
    // Detection walks the starting communities by ascending id.
    std::vector<int> numbers;
    for (const Community* c : network.communitiesList) numbers.push_back(c->number);
    EXPECT_THAT(numbers, ElementsAre(2, 1, 3));
}

TEST(Graph, CommunityAdjacencyMirrorsVertexAdjacency) {
    Graph graph = incremental({{0, 1}, {2, 0}, {0, 0}, {1, 2}});
    const Starting starting(graph);
    for (const Vertex* v : graph.vertices) {
        const Community* c = starting.of(v->id);
        ASSERT_EQ(c->neighbours.size(), v->neighbours.size());
        for (std::size_t k = 0; k < v->neighbours.size(); ++k)
            EXPECT_EQ(c->neighbours[k], starting.of(v->neighbours[k]->id));
        EXPECT_EQ(c->degreeSum, static_cast<std::uint32_t>(v->degree));
        EXPECT_THAT(c->cuts, ::testing::Each(1u));
    }
}

TEST(Graph, IdsUpToTheIntLimitNeedNoTableOfThatSize) {
    Graph graph = bulk({{2147483647, 0}, {0, 2147483646}});
    EXPECT_EQ(graph.numVertices, 3u);
    EXPECT_THAT(neighbourIds(graph, 2147483647), ElementsAre(0));
    EXPECT_THAT(neighbourIds(graph, 0), ElementsAre(2147483647, 2147483646));
}

TEST(Graph, NotSimpleKeepsRepeats) {
    Graph graph = incremental({{0, 1}, {1, 0}}, false);
    EXPECT_THAT(neighbourIds(graph, 0), ElementsAre(1, 1));
    EXPECT_EQ(graph.numArcs, 4u);
    EXPECT_TRUE(snapshot(bulk({{0, 1}, {1, 0}}, false)) == snapshot(graph));
}

// A star's hub passes 2^31 in the running sum of squared degrees: L leaves give L(L+1).
TEST(Graph, DegreeSquaresOfALargeStarIs64Bit) {
    const VertexId leaves = 70000;
    std::vector<Edge> edges;
    for (VertexId leaf = 1; leaf <= leaves; ++leaf) edges.push_back({0, leaf});
    const std::int64_t expected = std::int64_t{leaves} * (leaves + 1);
    EXPECT_EQ(bulk(edges).degreeSquares, expected);
    EXPECT_EQ(incremental(edges).degreeSquares, expected);
}

// Whole-file construction must give exactly what edge-by-edge insertion gives: repeats,
// self-loops, sparse ids (hash path) and dense ids (table path).
TEST(Graph, BulkBuildEqualsEdgeByEdge) {
    std::mt19937 random(17);
    for (int round = 0; round < 200; ++round) {
        const int n = 1 + static_cast<int>(random() % 30);
        const int m = static_cast<int>(random() % 80);
        const bool sparse = round % 2 == 1;
        std::vector<Edge> edges;
        for (int i = 0; i < m; ++i) {
            VertexId u = static_cast<VertexId>(random() % n);
            VertexId v = random() % 5 == 0 ? u : static_cast<VertexId>(random() % n);
            if (sparse) {
                u = u * 71234567 % 2147483647;
                v = v * 71234567 % 2147483647;
            }
            edges.push_back({u, v});
            if (random() % 4 == 0) edges.push_back({v, u});
        }
        for (bool simple : {true, false}) {
            SCOPED_TRACE("round " + std::to_string(round) + (simple ? " simple" : " multi"));
            Community::next_available_number = 1;
            const Snapshot a = snapshot(incremental(edges, simple));
            Community::next_available_number = 1;
            const Snapshot b = snapshot(bulk(edges, simple));
            EXPECT_TRUE(a == b);
            // Large builds sort and fill the lists on two threads; lowered to 0, every build does.
            Community::next_available_number = 1;
            const Snapshot c = snapshot(bulk(edges, simple, 0));
            EXPECT_TRUE(a == c) << "lists built on two threads";
        }
    }
}

// A bulk build lays its objects out by id, but everything observable follows the order of
// first appearance: here the reverse of id order, with the counter continuing afterwards.
TEST(Graph, BulkBuildNumbersByAppearanceWhateverTheIds) {
    Community::next_available_number = 10;
    Graph graph = bulk({{9, 5}, {5, 1}, {1, 9}, {7, 7}});
    const Starting starting(graph);
    EXPECT_THAT(ids(graph.vertices), ElementsAre(9, 5, 1, 7));
    const std::vector<std::pair<VertexId, int>> expected = {{9, 10}, {5, 11}, {1, 12}, {7, 13}};
    for (std::size_t k = 0; k < expected.size(); ++k) {
        const auto [id, number] = expected[k];
        SCOPED_TRACE("vertex " + std::to_string(id));
        const Vertex* v = graph.vertexMap.find(id);
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->index, k);
        EXPECT_EQ(graph.vertices[k], v);
        const Community* c = starting.of(id);
        EXPECT_EQ(c, starting.list[k]);
        EXPECT_EQ(c->number, number);
        EXPECT_EQ(c->index, k);
        EXPECT_THAT(c->members, ElementsAre(id));
    }
    EXPECT_EQ(Community::next_available_number, 14);
    // A vertex made afterwards continues the positions.
    graph.addEdge(3, 9);
    EXPECT_EQ(graph.vertexMap.find(3)->index, 4u);
    EXPECT_THAT(neighbourIds(graph, 9), ElementsAre(5, 1, 3));
}

TEST(Graph, AddEdgeAfterBulkBuildStillSeesEarlierEdges) {
    Graph graph = bulk({{0, 1}, {1, 2}});
    graph.addEdge(2, 1);
    graph.addEdge(2, 3);
    EXPECT_THAT(neighbourIds(graph, 2), ElementsAre(1, 3));
    EXPECT_EQ(graph.numArcs, 6u);
}

// A stage that borrows the lists works on a copy of them by position (as the CSR holds them)
// and has them made again from it: every list as it was, in its order, whatever the build
// and whether one or two threads fill them.
TEST(Graph, LentAdjacencyComesBackAsItWas) {
    std::mt19937 random(29);
    for (int round = 0; round < 60; ++round) {
        const int n = 1 + static_cast<int>(random() % 40);
        std::vector<Edge> edges;
        for (int i = static_cast<int>(random() % 120); i > 0; --i) {
            // Ids against the order of appearance, so the objects lie apart from the positions.
            const VertexId u = static_cast<VertexId>((random() % n) * 7919 % 10007);
            edges.push_back({u, random() % 6 == 0 ? u : static_cast<VertexId>(random() % n)});
        }
        Graph subgraphSource = incremental(edges);
        Graph copies(true);
        for (auto it = subgraphSource.vertices.rbegin(); it != subgraphSource.vertices.rend(); ++it)
            if (random() % 4 != 0) copies.addVertex(*it);
        std::vector<std::pair<std::string, Graph>> graphs;
        graphs.emplace_back("edge by edge", incremental(edges));
        graphs.emplace_back("bulk", bulk(edges));
        graphs.emplace_back("bulk, not simple", bulk(edges, false));
        graphs.emplace_back("bulk, on two threads", bulk(edges, true, 0));
        graphs.emplace_back("vertex copies", std::move(copies));
        for (auto& [name, graph] : graphs) {
            SCOPED_TRACE("round " + std::to_string(round) + ", " + name);
            Community::next_available_number = 1;
            const Snapshot before = snapshot(graph);
            const auto [offset, ends] = adjacencyByPosition(graph);
            std::vector<int> degrees;
            for (const Vertex* vertex : graph.vertices) degrees.push_back(vertex->degree);
            graph.releaseAdjacency();
            for (std::size_t p = 0; p < graph.vertices.size(); ++p) {
                EXPECT_EQ(graph.vertices[p]->neighbours.capacity(), 0u);
                EXPECT_EQ(graph.vertices[p]->degree, degrees[p]);
            }
            if (!ends.empty()) {
                const std::vector<Index> shorter(ends.begin(), ends.end() - 1);
                EXPECT_THROW(graph.restoreAdjacency(offset, shorter), std::invalid_argument);
            }
            if (graph.vertices.size() >= 2 && offset[1] > 0) {
                std::vector<Index> shifted = offset;  // same total, rows of other lengths
                --shifted[1];
                EXPECT_THROW(graph.restoreAdjacency(shifted, ends), std::invalid_argument);
            }
            graph.restoreAdjacency(offset, ends);
            Community::next_available_number = 1;
            EXPECT_TRUE(snapshot(graph) == before);
            if (!ends.empty()) {  // not released: the lists would be made twice over
                EXPECT_THROW(graph.restoreAdjacency(offset, ends), std::invalid_argument);
            }
        }
    }
}

// Copying a triangle vertex by vertex rebuilds it.
TEST(Graph, AddVertexRebuildsTheInducedSubgraph) {
    Graph source = incremental({{0, 1}, {1, 2}, {2, 0}, {2, 5}});
    Graph copy(true);
    const std::vector<Vertex*> copies = copy.addVertices(std::vector<Vertex*>{
        source.vertexMap.find(2), source.vertexMap.find(0), source.vertexMap.find(1)});
    EXPECT_THAT(ids(copies), ElementsAre(2, 0, 1));
    EXPECT_EQ(copy.numVertices, 3u);
    EXPECT_EQ(copy.numArcs, 6u);
    EXPECT_EQ(copy.maxDegree, 2);
    EXPECT_EQ(copy.degreeSquares, 12);
    for (const Vertex* v : copy.vertices) EXPECT_EQ(v->degree, 2);
    EXPECT_THAT(neighbourIds(copy, 1), ElementsAre(0, 2));
    EXPECT_NE(copy.vertexMap.find(0), source.vertexMap.find(0));
}

TEST(Graph, AddVertexCopiesLooksButNotAnalysis) {
    Graph source = incremental({{3, 3}});
    Vertex* original = source.vertexMap.find(3);
    original->x = 1.5f;
    original->y = -2.0f;
    original->size = 0.25f;
    original->fillColor = tColor{0.1f, 0.2f, 0.3f};
    original->shellIndex = 9;
    original->componentLevel = 4;
    original->name = "three";
    Graph copy(true);
    const Vertex* w = copy.addVertex(original);
    EXPECT_EQ(w->id, 3);
    EXPECT_EQ(w->x, 1.5f);
    EXPECT_EQ(w->y, -2.0f);
    EXPECT_EQ(w->size, 0.25f);
    EXPECT_EQ(w->fillColor.b, 0.3f);
    EXPECT_EQ(w->componentLevel, 0);
    EXPECT_TRUE(w->name.empty());
    EXPECT_EQ(w->community, nullptr);
    // The self-loop finds the copy itself: two entries, one arc counted.
    EXPECT_THAT(w->neighbours, ElementsAre(w, w));
    EXPECT_EQ(w->degree, 2);
    EXPECT_EQ(copy.numArcs, 1u);
}

TEST(Graph, StrengthIsTheDegree) {
    Graph graph(true);
    Vertex lone(8);
    const Vertex* copy = graph.addVertex(&lone);
    EXPECT_EQ(copy->getStrength(), 0.0f);
    EXPECT_EQ(graph.maxStrength, 0.0f);
    Graph path = incremental({{0, 1}, {1, 2}});
    EXPECT_EQ(path.vertexMap.find(1)->getStrength(), 2.0f);
    EXPECT_EQ(path.vertexMap.find(1)->getWeight(1), 1.0f);
}

TEST(Graph, AddNameOnlyForExistingVertices) {
    Graph graph = incremental({{1, 2}});
    graph.addName(2, "two");
    graph.addName(5, "five");
    EXPECT_EQ(graph.vertexMap.find(2)->name, "two");
    EXPECT_EQ(graph.vertexMap.find(5), nullptr);
}

// The graph keeps the labels' bytes: names from strings that are gone, across the blocks it
// fills, one longer than a block, a block handed over whole, and a later name replacing one.
TEST(Graph, KeepsTheBytesOfEveryName) {
    std::vector<Edge> edges;
    for (VertexId v = 0; v < 3000; ++v) edges.push_back({v, v + 1});
    Graph graph = incremental(edges);
    for (VertexId v = 0; v < 3000; ++v) graph.addName(v, std::string(40, char('a' + v % 26)));
    graph.addName(3000, std::string(100000, 'z'));
    std::string block = "firstsecond";
    const std::string_view kept = graph.keepNames(std::move(block));
    graph.setName(1, kept.substr(0, 5));
    graph.setName(2, kept.substr(5));
    graph.addName(4, "later");
    Graph moved = std::move(graph);
    for (VertexId v = 5; v < 3000; ++v)
        ASSERT_EQ(moved.vertexMap.find(v)->name, std::string(40, char('a' + v % 26))) << v;
    EXPECT_EQ(moved.vertexMap.find(3000)->name, std::string(100000, 'z'));
    EXPECT_EQ(moved.vertexMap.find(1)->name, "first");
    EXPECT_EQ(moved.vertexMap.find(2)->name, "second");
    EXPECT_EQ(moved.vertexMap.find(4)->name, "later");
}

TEST(Graph, VertexMapIteratesInAscendingIdAndReplaces) {
    Graph graph = incremental({{50, 3}, {2147483647, 0}, {17, 3}});
    std::vector<VertexId> keys;
    for (const auto& [id, vertex] : graph.vertexMap) {
        keys.push_back(id);
        EXPECT_EQ(vertex->id, id);
    }
    EXPECT_THAT(keys, ElementsAre(0, 3, 17, 50, 2147483647));
    EXPECT_EQ(graph.vertexMap.size(), 5u);

    Vertex other(17);
    Vertex* copy = graph.addVertex(&other);
    EXPECT_EQ(graph.vertexMap.find(17), copy);
    EXPECT_EQ(graph.vertexMap.size(), 5u);
    EXPECT_EQ(graph.vertices.size(), 6u);
}

// 0 - 1 - 2, plus 3 - 3: the dumps, and a degree list rebuilt without duplicates.
TEST(Graph, DumpsAndDegreeList) {
    Graph graph = incremental({{0, 1}, {1, 2}, {3, 3}});
    graph.buildDegreesList();
    graph.buildDegreesList();
    std::ostringstream out;
    graph.printGraph(out);
    graph.printDegreesList(out);
    EXPECT_EQ(out.str(),
              "Graph BEGIN\n0 --> 1 \n1 --> 0 2 \n2 --> 1 \n3 --> 3 \nGraph END\n"
              "Degrees List BEGIN\n1: 0 2 3 \n2: 1 \nDegrees List END\n");
}

TEST(Graph, Diameter2) {
    struct Case {
        const char* name;
        std::vector<Edge> edges;
        bool expected;
    };
    const std::vector<Case> cases = {
        {"star", {{0, 1}, {0, 2}, {0, 3}, {0, 4}}, true},
        {"triangle with pendant", {{0, 1}, {1, 2}, {2, 0}, {0, 3}}, true},
        {"path of four", {{0, 1}, {1, 2}, {2, 3}}, false},
        {"two components", {{0, 1}, {2, 3}}, false},
        {"self-loop only", {{5, 5}}, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(incremental(c.edges).computeDiameter2(), c.expected) << c.name;
    EXPECT_TRUE(Graph(true).computeDiameter2());
    // 70 vertices: a star spans two words of the reach set.
    std::vector<Edge> star;
    for (VertexId leaf = 1; leaf < 70; ++leaf) star.push_back({0, leaf});
    EXPECT_TRUE(incremental(star).computeDiameter2());
    star.push_back({69, 70});
    EXPECT_FALSE(incremental(star).computeDiameter2());
}

TEST(Graph, ReadyingFreshMemoryKeepsWhatItHolds) {
    // Large ranges are made present by two threads; whatever was written before (here at
    // every 4 KiB across 24 MiB, past both halves and the unaligned ends) must survive.
    std::vector<std::uint32_t> memory((std::size_t{24} << 20) / sizeof(std::uint32_t));
    for (std::size_t k = 0; k < memory.size(); k += 1024)
        memory[k] = static_cast<std::uint32_t>(k) | 1u;
    prepareFreshMemory(memory.data(), memory.size() * sizeof(std::uint32_t), 2);
    std::size_t kept = 0;
    for (std::size_t k = 0; k < memory.size(); k += 1024)
        kept += memory[k] == (static_cast<std::uint32_t>(k) | 1u);
    EXPECT_EQ(kept, memory.size() / 1024);
    // And a vector of the big kind holds its values.
    const std::vector<Index> big = bigVector<Index>(std::size_t{3} << 20, 7, 2);
    EXPECT_EQ(std::count(big.begin(), big.end(), Index{7}), static_cast<long>(big.size()));
}

namespace {

// Resident memory of this process in bytes.
std::size_t residentBytes() {
    std::ifstream statm("/proc/self/statm");
    std::size_t total = 0;
    std::size_t resident = 0;
    statm >> total >> resident;
    return resident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

// Whether the kernel makes a range present on request (older ones refuse the advice).
bool kernelPopulates() {
#ifdef MADV_POPULATE_WRITE
    void* page = mapPages(4096);
    const bool done = madvise(page, 4096, MADV_POPULATE_WRITE) == 0;
    unmapPages(page, 4096);
    return done;
#else
    return false;
#endif
}

}  // namespace

TEST(Graph, ReadyingTheHeapMakesItsGivenBackPagesPresentAndNothingElse) {
    // Every other block of the heap freed and its pages given back: readying the blocks'
    // span makes those pages present again and changes no byte of the blocks kept; a
    // mapping outside the heap stays absent.
    constexpr std::size_t kBlock = 64 << 10, kBlocks = 400, kOutside = 32 << 20;
    std::vector<unsigned char*> blocks(kBlocks);
    for (std::size_t b = 0; b < kBlocks; ++b) {
        blocks[b] = static_cast<unsigned char*>(std::malloc(kBlock));
        ASSERT_NE(blocks[b], nullptr);
        std::memset(blocks[b], static_cast<int>(b % 251) + 1, kBlock);
    }
    const auto [low, high] = std::minmax_element(blocks.begin(), blocks.end());
    const std::uintptr_t from = reinterpret_cast<std::uintptr_t>(*low);
    const std::uintptr_t to = reinterpret_cast<std::uintptr_t>(*high) + kBlock;
    for (std::size_t b = 1; b < kBlocks; b += 2) std::free(blocks[b]);
    giveBackFreeHeap();
    void* outside = mapPages(kOutside);
    [[maybe_unused]] const std::size_t start = residentBytes();
    prepareHeapRange(outside, kOutside, 2);
    [[maybe_unused]] const std::size_t afterOutside = residentBytes();
    prepareHeapRange(reinterpret_cast<const void*>(from), to - from, 2);
    [[maybe_unused]] const std::size_t afterHeap = residentBytes();
    unmapPages(outside, kOutside);
    std::size_t changed = 0;
    for (std::size_t b = 0; b < kBlocks; b += 2) {
        changed += static_cast<std::size_t>(std::count_if(
            blocks[b], blocks[b] + kBlock, [&](unsigned char c) { return c != b % 251 + 1; }));
        std::free(blocks[b]);
    }
    EXPECT_EQ(changed, 0u);
#if !defined(__SANITIZE_ADDRESS__)  // that allocator keeps no blocks in the heap
    EXPECT_LT(afterOutside, start + (std::size_t{1} << 20));
    // The freed half (12.5 MiB) is back, less the pages the kept blocks' ends shared.
    if (to - from < (std::size_t{64} << 20) && kernelPopulates()) {  // the blocks lay together
        EXPECT_GE(afterHeap, afterOutside + (std::size_t{10} << 20));
    }
#endif
}

TEST(Graph, ComingBackTheListsReadyNoMoreThanTheirOwnBytes) {
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
    // A hub's list lies in a mapping of its own, far from the others in the heap; the heap
    // above them holds 38 MiB given back while the lists were lent. Making the lists again
    // must not make that free memory present (it would count in the peak).
    mallopt(M_MMAP_THRESHOLD, 128 << 10);  // the hub's 400 KB always mapped apart
    std::vector<Edge> star;
    for (VertexId leaf = 1; leaf <= 50000; ++leaf) star.push_back({0, leaf});
    Graph graph = bulk(star);
    const auto [offset, ends] = adjacencyByPosition(graph);
    // The last block, kept, holds the freed ones below the heap's top.
    std::vector<void*> filler(601);
    for (void*& block : filler) std::memset(block = std::malloc(64 << 10), 1, 64 << 10);
    graph.releaseAdjacency();
    for (std::size_t b = 0; b + 1 < filler.size(); ++b) std::free(filler[b]);
    giveBackFreeHeap();
    const std::size_t before = residentBytes();
    graph.restoreAdjacency(offset, ends);
    EXPECT_LT(residentBytes(), before + (std::size_t{16} << 20));
    EXPECT_EQ(graph.vertices[0]->neighbours.size(), 50000u);
    std::free(filler.back());
#endif
}

TEST(Graph, OwnPagesHoldTheirValuesAndTakeMemoryOnlyWhereWritten) {
    // Values survive the growths (each one a block of its own) and copies.
    std::vector<std::uint32_t, OwnPages<std::uint32_t>> grown;
    for (std::uint32_t k = 0; k < 100000; ++k) grown.push_back(k * 7 + 1);
    const std::vector<std::uint32_t, OwnPages<std::uint32_t>> copy = grown;
    std::size_t right = 0;
    for (std::uint32_t k = 0; k < copy.size(); ++k) right += copy[k] == k * 7 + 1;
    EXPECT_EQ(right, 100000u);
    std::vector<double, OwnPages<double>> filled(1000, 2.5);
    EXPECT_EQ(std::count(filled.begin(), filled.end(), 2.5), 1000);
    // 256 MiB resized but not written take (almost) no memory; written, they do; freed,
    // they are given back.
    const std::size_t before = residentBytes();
    std::vector<std::uint64_t, OwnPages<std::uint64_t>> large;
    large.resize((std::size_t{256} << 20) / sizeof(std::uint64_t));
    EXPECT_LT(residentBytes(), before + (std::size_t{16} << 20));
    for (std::size_t k = 0; k < large.size(); k += 512) large[k] = k;
    EXPECT_GT(residentBytes(), before + (std::size_t{200} << 20));
    decltype(large)().swap(large);
    EXPECT_LT(residentBytes(), before + (std::size_t{16} << 20));
}

TEST(Graph, MappedArraysKeepTheirValuesThroughGrowthsAndMoves) {
    // Eight growths past the first page, the last ones moving megabytes; then moves hand the
    // block over whole, and the emptied array starts again.
    MappedArray<std::uint64_t> grown;
    for (std::uint64_t k = 0; k < 150000; ++k) grown.push_back(k * k + 3);
    MappedArray<std::uint64_t> moved(std::move(grown)), assigned;
    assigned.push_back(1);
    assigned = std::move(moved);
    std::size_t right = 0;
    for (std::uint64_t k = 0; k < assigned.size(); ++k) right += assigned.begin()[k] == k * k + 3;
    EXPECT_EQ(right, 150000u);
    grown.push_back(9);
    EXPECT_EQ(std::vector<std::uint64_t>(grown.begin(), grown.end()),
              std::vector<std::uint64_t>{9});
}
