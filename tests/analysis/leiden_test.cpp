// The Leiden detector, its CSR input and its thread team: known partitions, the guarantees on
// seeded random and planted graphs against slow independent checks, and equal results for
// every thread count.
#include "analysis/leiden.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "analysis/csr.h"
#include "analysis/modularity.h"
#include "analysis/workers.h"
#include "graph/graph.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

// The CSR of a graph on n vertices whose positions are the ids, built by hand the way the
// program holds a graph: each pair once whatever the lines, a self-loop once in its list.
Csr csrOfPairs(Index n, const std::vector<std::pair<Index, Index>>& pairs) {
    std::vector<std::vector<Index>> lists(n);
    std::set<std::pair<Index, Index>> seen;
    for (auto [u, v] : pairs) {
        if (!seen.insert({std::min(u, v), std::max(u, v)}).second) continue;
        lists[u].push_back(v);
        if (u != v) lists[v].push_back(u);
    }
    Csr csr;
    for (const auto& list : lists) {
        csr.targets.insert(csr.targets.end(), list.begin(), list.end());
        csr.offsets.push_back(static_cast<Index>(csr.targets.size()));
    }
    return csr;
}

std::vector<Index> detect(const Csr& csr, double resolution = 1.0, std::uint64_t seed = 1,
                          unsigned threads = 1, std::size_t chunk = 1024) {
    return leidenCommunities(csr.offsets, csr.targets, {resolution, seed, threads, chunk});
}

// splitmix64, so the graphs are the same with every standard library.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t below(std::uint64_t bound) {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return (z ^ (z >> 31)) % bound;
    }

  private:
    std::uint64_t state_;
};

// Edge lines with self-loops and repeated lines: uniform pairs, or blocks of 3 to 30 ids with
// most lines inside a block.
std::vector<Edge> randomEdges(std::uint64_t seed, bool planted) {
    Random random(seed);
    const VertexId n = static_cast<VertexId>(2 + random.below(planted ? 600 : 150));
    std::vector<VertexId> blockOf(n);
    for (VertexId v = 0, block = 0; v < n; ++block)
        for (VertexId size = 3 + random.below(28); size > 0 && v < n; --size) blockOf[v++] = block;
    std::vector<Edge> edges;
    for (std::uint64_t lines = random.below(4 * n); edges.size() < lines;) {
        const VertexId u = static_cast<VertexId>(random.below(n));
        VertexId v = static_cast<VertexId>(random.below(n));
        if (planted && random.below(8) != 0)
            while (blockOf[v] != blockOf[u]) v = static_cast<VertexId>(random.below(n));
        edges.push_back({u, v});
        if (random.below(10) == 0) edges.push_back({v, u});  // a repeated line
        if (random.below(20) == 0) edges.push_back({u, u});  // a self-loop
    }
    if (edges.empty()) edges.push_back({0, 1});
    return edges;
}

Csr csrOfEdges(const std::vector<Edge>& edges, unsigned threads = 1) {
    Graph graph(true);
    graph.addEdges(std::vector<Edge>(edges));
    return csrOf(graph, threads);
}

// Q from the membership alone, over the distinct pairs of the adjacency (not the function
// under test): e_c counts 2 per internal edge and 1 per self-loop, d_c the degrees.
double slowModularity(const Csr& csr, const std::vector<Index>& community, double resolution) {
    std::map<Index, double> inside, degrees;
    double arcs = 0;
    for (Index v = 0; v < csr.vertexCount(); ++v)
        for (Index k = csr.offsets[v]; k < csr.offsets[v + 1]; ++k) {
            const Index w = csr.targets[k];
            arcs += 1;
            degrees[community[v]] += 1;
            if (community[w] == community[v]) inside[community[v]] += 1;
        }
    double q = 0;
    for (const auto& [c, d] : degrees) q += inside[c] / arcs - resolution * (d / arcs) * (d / arcs);
    return arcs == 0 ? 0.0 : q;
}

// The largest rise of Q from moving one vertex to the community of one of its neighbours,
// each computed afresh from the whole membership.
double bestSingleMove(const Csr& csr, const std::vector<Index>& community, double resolution) {
    const double arcs = csr.targets.size();
    std::map<Index, double> total;
    for (Index v = 0; v < csr.vertexCount(); ++v)
        total[community[v]] += csr.offsets[v + 1] - csr.offsets[v];
    double best = 0;
    for (Index v = 0; v < csr.vertexCount(); ++v) {
        const double degree = csr.offsets[v + 1] - csr.offsets[v];
        std::map<Index, double> to;
        for (Index k = csr.offsets[v]; k < csr.offsets[v + 1]; ++k)
            if (csr.targets[k] != v) to[community[csr.targets[k]]] += 1;
        const Index own = community[v];
        const double rest = total[own] - degree;
        for (const auto& [c, weight] : to) {
            if (c == own) continue;
            const double gain =
                2 * (weight - to[own]) - 2 * resolution * degree * (total[c] - rest) / arcs;
            best = std::max(best, gain / arcs);
        }
    }
    return best;
}

// Every community induces a connected subgraph.
bool connected(const Csr& csr, const std::vector<Index>& community) {
    std::vector<Index> part(csr.vertexCount(), ~Index{0});
    std::set<Index> named;
    for (Index root = 0; root < csr.vertexCount(); ++root) {
        if (part[root] != ~Index{0}) continue;
        if (!named.insert(community[root]).second) return false;  // a second part
        std::vector<Index> stack = {root};
        part[root] = root;
        while (!stack.empty()) {
            const Index v = stack.back();
            stack.pop_back();
            for (Index k = csr.offsets[v]; k < csr.offsets[v + 1]; ++k) {
                const Index w = csr.targets[k];
                if (part[w] == ~Index{0} && community[w] == community[v]) {
                    part[w] = root;
                    stack.push_back(w);
                }
            }
        }
    }
    return true;
}

// Numbers 0 … C − 1 in order of each community's smallest vertex.
bool numberedInOrder(const std::vector<Index>& community) {
    Index next = 0;
    for (const Index c : community) {
        if (c > next) return false;
        if (c == next) ++next;
    }
    return true;
}

// Cliques of `size` vertices in a ring, clique i on positions size·i …, one edge from each
// clique's last vertex to the next clique's first.
Csr ringOfCliques(Index cliques, Index size) {
    std::vector<std::pair<Index, Index>> pairs;
    for (Index c = 0; c < cliques; ++c) {
        for (Index a = 0; a < size; ++a)
            for (Index b = a + 1; b < size; ++b) pairs.push_back({c * size + a, c * size + b});
        if (cliques > 1) pairs.push_back({c * size + size - 1, (c + 1) % cliques * size});
    }
    return csrOfPairs(cliques * size, pairs);
}

}  // namespace

// Two K5 (0–4, 5–9) joined by the edge 4–5:  K5 ─ K5.
TEST(Leiden, TwoCliquesJoinedByABridge) {
    std::vector<std::pair<Index, Index>> pairs = {{4, 5}};
    for (Index a = 0; a < 5; ++a)
        for (Index b = a + 1; b < 5; ++b) {
            pairs.push_back({a, b});
            pairs.push_back({a + 5, b + 5});
        }
    const Csr csr = csrOfPairs(10, pairs);
    const std::vector<Index> found = detect(csr);
    EXPECT_THAT(found, ElementsAre(0, 0, 0, 0, 0, 1, 1, 1, 1, 1));
    EXPECT_NEAR(modularity(csr.offsets, csr.targets, found), 0.452381, 1e-6);  // igraph's
}

// Eight K5 in a ring: every clique is a community, Q = 160/176 − 8·(22/176)².
TEST(Leiden, RingOfCliques) {
    const Csr csr = ringOfCliques(8, 5);
    std::vector<Index> expected;
    for (Index c = 0; c < 8; ++c) expected.insert(expected.end(), 5, c);
    for (unsigned threads : {1u, 2u})
        EXPECT_THAT(detect(csr, 1.0, 7, threads), ElementsAreArray(expected));
    EXPECT_DOUBLE_EQ(modularity(csr.offsets, csr.targets, expected), 160.0 / 176 - 0.125);
}

TEST(Leiden, EdgeCases) {
    struct Case {
        const char* name;
        Index n;
        std::vector<std::pair<Index, Index>> pairs;
        std::vector<Index> expected;
        double q;
    };
    const std::vector<Case> cases = {
        {"no vertices", 0, {}, {}, 0.0},
        {"no edges", 3, {}, {0, 1, 2}, 0.0},
        {"a single self-loop", 1, {{0, 0}}, {0}, 0.0},  // 1 − γ with γ = 1
        {"an isolated vertex beside an edge", 3, {{1, 2}}, {0, 1, 1}, 0.0},
        //  0 – 1    2      3 – 4 – 5 – 3 (a triangle), 6 alone with a loop
        {"isolated structure",
         7,
         {{0, 1}, {3, 4}, {4, 5}, {5, 3}, {6, 6}},
         {0, 0, 1, 2, 2, 2, 3},
         2.0 / 9 + 6.0 / 9 + 1.0 / 9 - (4.0 + 36.0 + 1.0) / 81},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Csr csr = csrOfPairs(c.n, c.pairs);
        const std::vector<Index> found = detect(csr);
        EXPECT_THAT(found, ElementsAreArray(c.expected));
        if (c.n > 0) {
            EXPECT_NEAR(modularity(csr.offsets, csr.targets, found), c.q, 1e-12);
        }
    }
}

// The guarantees on seeded random multigraphs (loops and repeated lines) and planted graphs,
// for three resolutions: communities numbered in order and connected, no vertex gaining by a
// move to a neighbouring community, Q as recomputed independently, and a result at least as
// good as the singletons.
TEST(Leiden, GuaranteesOnRandomAndPlantedGraphs) {
    for (const bool planted : {false, true})
        for (std::uint64_t seed = 1; seed <= 40; ++seed)
            for (const double resolution : {0.5, 1.0, 2.0}) {
                SCOPED_TRACE(std::string(planted ? "planted" : "random") + " seed " +
                             std::to_string(seed) + " γ " + std::to_string(resolution));
                const Csr csr = csrOfEdges(randomEdges(seed, planted));
                const std::vector<Index> found = detect(csr, resolution, seed);
                ASSERT_EQ(found.size(), csr.vertexCount());
                EXPECT_TRUE(numberedInOrder(found));
                EXPECT_TRUE(connected(csr, found));
                EXPECT_LE(bestSingleMove(csr, found, resolution), 1e-8);
                const double q = modularity(csr.offsets, csr.targets, found, resolution);
                EXPECT_NEAR(q, slowModularity(csr, found, resolution), 1e-12);
                std::vector<Index> alone(csr.vertexCount());
                for (Index v = 0; v < alone.size(); ++v) alone[v] = v;
                EXPECT_GE(q, modularity(csr.offsets, csr.targets, alone, resolution) - 1e-12);
            }
}

// Planted blocks of 40 with a fifth of the edges between blocks: the blocks come back.
TEST(Leiden, FindsPlantedBlocks) {
    Random random(3);
    std::vector<std::pair<Index, Index>> pairs;
    for (Index i = 0; i < 4000; ++i) {
        const Index u = static_cast<Index>(random.below(400));
        const Index v = random.below(5) == 0 ? static_cast<Index>(random.below(400))
                                             : u / 40 * 40 + static_cast<Index>(random.below(40));
        pairs.push_back({u, v});
    }
    const std::vector<Index> found = detect(csrOfPairs(400, pairs));
    for (Index v = 0; v < 400; ++v) EXPECT_EQ(found[v], v / 40) << "vertex " << v;
}

// The same membership for every thread count and run, on graphs large enough (with small
// chunks) for every loop of the detector to be shared out.
TEST(Leiden, SameResultForEveryThreadCount) {
    for (std::uint64_t seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::vector<Edge> edges;
        for (int copy = 0; copy < 8; ++copy)
            for (Edge edge : randomEdges(seed * 10 + copy, true))
                edges.push_back({edge.u + 400 * copy, edge.v + 400 * (copy + edge.u % 2)});
        const Csr csr = csrOfEdges(edges, 2);
        EXPECT_EQ(csr.offsets, csrOfEdges(edges, 1).offsets);
        EXPECT_EQ(csr.targets, csrOfEdges(edges, 1).targets);
        const std::vector<Index> one = detect(csr, 1.0, seed, 1, 8);
        EXPECT_EQ(detect(csr, 1.0, seed, 1, 8), one);
        EXPECT_EQ(detect(csr, 1.0, seed, 2, 8), one);
        EXPECT_EQ(detect(csr, 1.0, seed, 3, 8), one);
        EXPECT_TRUE(connected(csr, one));
        EXPECT_LE(bestSingleMove(csr, one, 1.0), 1e-8);
    }
}

// The CSR of a graph read with repeated lines and loops: positions in order of first
// appearance, lists in the order the links were made, a self-loop once.
TEST(Csr, FollowsTheGraphsAdjacency) {
    //  ids 7 – 3 – 9, 3 – 3 (loop), 9 – 7 repeated as 7 – 9
    const Csr csr = csrOfEdges({{7, 3}, {3, 9}, {3, 3}, {9, 7}, {7, 9}}, 2);
    EXPECT_THAT(csr.offsets, ElementsAre(0, 2, 5, 7));
    EXPECT_THAT(csr.targets, ElementsAre(1, 2, 0, 2, 1, 1, 0));
    EXPECT_EQ(csrOf(Graph(true)).vertexCount(), 0u);
}

TEST(Workers, RunEveryChunkOnceAndPassErrorsOn) {
    for (unsigned threads : {0u, 1u, 2u, 5u}) {
        Workers workers(threads);
        EXPECT_GE(workers.count(), 1u);
        EXPECT_LE(workers.count(), std::max(threads, 1u));
        for (std::size_t chunks : {0, 1, 3, 1000}) {
            std::vector<std::atomic<int>> runs(chunks);
            workers.forEach(chunks, [&](std::size_t chunk, unsigned worker) {
                EXPECT_LT(worker, workers.count());
                ++runs[chunk];
            });
            for (const auto& count : runs) EXPECT_EQ(count.load(), 1);
        }
        EXPECT_THROW(workers.forEach(100,
                                     [](std::size_t chunk, unsigned) {
                                         if (chunk == 42) throw std::runtime_error("chunk 42");
                                     }),
                     std::runtime_error);
        std::atomic<int> after{0};
        workers.forEach(10, [&](std::size_t, unsigned) { ++after; });
        EXPECT_EQ(after.load(), 10);  // the team still works
    }
}
