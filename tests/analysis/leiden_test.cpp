// The Leiden detector, its CSR input and its thread team: known partitions, the guarantees on
// seeded random and planted graphs against slow independent checks, and equal results for
// every thread count.
#include "analysis/leiden.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <limits>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "analysis/csr.h"
#include "analysis/modularity.h"
#include "analysis/partition.h"
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

// Weight of adjacency entry k: 1 without weights.
double entryWeight(const std::vector<double>* weights, Index k) {
    return weights ? (*weights)[k] : 1.0;
}

// Q from the membership alone, over the distinct pairs of the adjacency (not the function
// under test): e_c counts 2 per internal edge and 1 per self-loop, d_c the degrees; with
// weights, each entry counts its weight.
double slowModularity(const Csr& csr, const std::vector<Index>& community, double resolution,
                      const std::vector<double>* weights = nullptr) {
    std::map<Index, double> inside, degrees;
    double arcs = 0;
    for (Index v = 0; v < csr.vertexCount(); ++v)
        for (Index k = csr.offsets[v]; k < csr.offsets[v + 1]; ++k) {
            const Index w = csr.targets[k];
            arcs += entryWeight(weights, k);
            degrees[community[v]] += entryWeight(weights, k);
            if (community[w] == community[v]) inside[community[v]] += entryWeight(weights, k);
        }
    double q = 0;
    for (const auto& [c, d] : degrees) q += inside[c] / arcs - resolution * (d / arcs) * (d / arcs);
    return arcs == 0 ? 0.0 : q;
}

// The largest rise of Q from moving one vertex to the community of one of its neighbours,
// each computed afresh from the whole membership.
double bestSingleMove(const Csr& csr, const std::vector<Index>& community, double resolution,
                      const std::vector<double>* weights = nullptr) {
    std::vector<double> strength(csr.vertexCount(), 0.0);
    double arcs = 0;
    for (Index v = 0; v < csr.vertexCount(); ++v)
        for (Index k = csr.offsets[v]; k < csr.offsets[v + 1]; ++k)
            strength[v] += entryWeight(weights, k);
    std::map<Index, double> total;
    for (Index v = 0; v < csr.vertexCount(); ++v) {
        total[community[v]] += strength[v];
        arcs += strength[v];
    }
    double best = 0;
    for (Index v = 0; v < csr.vertexCount(); ++v) {
        const double degree = strength[v];
        std::map<Index, double> to;
        for (Index k = csr.offsets[v]; k < csr.offsets[v + 1]; ++k)
            if (csr.targets[k] != v) to[community[csr.targets[k]]] += entryWeight(weights, k);
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

// A graph with weights: its CSR and one weight per entry, both entries of an edge alike.
struct Weighted {
    Csr csr;
    std::vector<double> weights;
};

// The weights of every entry of csr from weightOf(smaller, larger position).
template <class WeightOf>
Weighted withWeights(Csr csr, WeightOf weightOf) {
    Weighted g{std::move(csr), {}};
    for (Index v = 0; v < g.csr.vertexCount(); ++v)
        for (Index k = g.csr.offsets[v]; k < g.csr.offsets[v + 1]; ++k)
            g.weights.push_back(
                weightOf(std::min(v, g.csr.targets[k]), std::max(v, g.csr.targets[k])));
    return g;
}

// The graph of the lines (u, v, weight), each pair once.
Weighted weightedOf(Index n, const std::vector<std::tuple<Index, Index, double>>& lines) {
    std::vector<std::pair<Index, Index>> pairs;
    std::map<std::pair<Index, Index>, double> weight;
    for (const auto& [u, v, w] : lines) {
        pairs.push_back({u, v});
        weight[{std::min(u, v), std::max(u, v)}] = w;
    }
    return withWeights(csrOfPairs(n, pairs), [&](Index u, Index v) { return weight[{u, v}]; });
}

std::vector<Index> detect(const Weighted& g, double resolution = 1.0, std::uint64_t seed = 1,
                          unsigned threads = 1, std::size_t chunk = 1024) {
    return leidenCommunities(g.csr.offsets, g.csr.targets, {resolution, seed, threads, chunk},
                             &g.weights);
}

// A weight for the pair from the seed alone: multiples of 1/4 up to 2.75, 0 included.
double quarterWeight(std::uint64_t seed, Index u, Index v) {
    return 0.25 * static_cast<double>(Random(seed * 1000003 + u * 7919 + v).below(12));
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

// ---- Weights ----

// Weights that favour another split than the edges alone: the weighted result is the best
// partition found by trying every one (a script over all partitions), and differs from the
// unweighted result.
TEST(LeidenWeighted, FollowsHeavyEdges) {
    struct Case {
        const char* name;
        Weighted graph;
        std::vector<Index> weighted;
        double q;
        std::vector<Index> unweighted;
    };
    std::vector<std::tuple<Index, Index, double>> matching, bridge;
    for (Index a = 0; a < 5; ++a)
        for (Index b = a + 1; b < 5; ++b) {
            if (b < 4) matching.insert(matching.end(), {{a, b, 1.0}, {a + 4, b + 4, 1.0}});
            bridge.insert(bridge.end(), {{a, b, 1.0}, {a + 5, b + 5, 1.0}});
        }
    for (Index a = 0; a < 4; ++a) matching.push_back({a, a + 4, 10.0});
    bridge.push_back({4, 5, 30.0});
    const std::vector<Case> cases = {
        // Two K4 (0–3, 4–7) joined by a matching ten times heavier: the matched pairs.
        {"K4 = K4",
         weightedOf(8, matching),
         {0, 1, 2, 3, 0, 1, 2, 3},
         0.5192307692307693,
         {0, 0, 0, 0, 1, 1, 1, 1}},
        // Two K5 joined by a bridge of weight 30: the bridge is a community of its own.
        {"K5 ═ K5",
         weightedOf(10, bridge),
         {0, 0, 0, 0, 1, 1, 2, 2, 2, 2},
         0.3264,
         {0, 0, 0, 0, 0, 1, 1, 1, 1, 1}},
        // Triangles 0 1 2 and 3 4 5 joined by 2–3, with heavy 0–3 and 1–4 across.
        {"crossed triangles",
         weightedOf(6, {{0, 1, 1},
                        {1, 2, 1},
                        {0, 2, 1},
                        {3, 4, 1},
                        {4, 5, 1},
                        {3, 5, 1},
                        {2, 3, 1},
                        {0, 3, 6},
                        {1, 4, 6}}),
         {0, 1, 0, 0, 1, 1},
         0.2880886426592798,
         {0, 0, 0, 1, 1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<Index> found = detect(c.graph);
        EXPECT_THAT(found, ElementsAreArray(c.weighted));
        EXPECT_NEAR(
            modularity(c.graph.csr.offsets, c.graph.csr.targets, found, 1.0, &c.graph.weights), c.q,
            1e-12);
        EXPECT_THAT(detect(c.graph.csr), ElementsAreArray(c.unweighted));
    }
}

// The guarantees of the unweighted detector hold with weights (0 among them) on the seeded
// random and planted graphs, Q taken in weights.
TEST(LeidenWeighted, GuaranteesOnRandomAndPlantedGraphs) {
    for (const bool planted : {false, true})
        for (std::uint64_t seed = 1; seed <= 25; ++seed)
            for (const double resolution : {0.5, 1.0, 2.0}) {
                SCOPED_TRACE(std::string(planted ? "planted" : "random") + " seed " +
                             std::to_string(seed) + " γ " + std::to_string(resolution));
                const Weighted g =
                    withWeights(csrOfEdges(randomEdges(seed, planted)),
                                [&](Index u, Index v) { return quarterWeight(seed, u, v); });
                const std::vector<Index> found = detect(g, resolution, seed);
                ASSERT_EQ(found.size(), g.csr.vertexCount());
                EXPECT_TRUE(numberedInOrder(found));
                EXPECT_TRUE(connected(g.csr, found));
                EXPECT_LE(bestSingleMove(g.csr, found, resolution, &g.weights), 1e-8);
                const double q =
                    modularity(g.csr.offsets, g.csr.targets, found, resolution, &g.weights);
                EXPECT_NEAR(q, slowModularity(g.csr, found, resolution, &g.weights), 1e-12);
                std::vector<Index> alone(g.csr.vertexCount());
                for (Index v = 0; v < alone.size(); ++v) alone[v] = v;
                EXPECT_GE(q,
                          modularity(g.csr.offsets, g.csr.targets, alone, resolution, &g.weights) -
                              1e-12);
            }
}

// An edge of integer weight w counts as w parallel edges: the partition's Q is the same on
// the multigraph of the repeated entries, and the detector run on that multigraph reaches the
// same Q, up to the refinement's odds (taken in units of the mean weight, so they differ from
// the multigraph's, which tips an odd near-tie).
TEST(LeidenWeighted, IntegerWeightsAreParallelEdges) {
    for (std::uint64_t seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const Weighted g = withWeights(csrOfEdges(randomEdges(seed, true)), [&](Index u, Index v) {
            return 1.0 + static_cast<double>(Random(seed + u * 31 + v).below(4));
        });
        Csr multigraph;
        for (Index v = 0; v < g.csr.vertexCount(); ++v) {
            for (Index k = g.csr.offsets[v]; k < g.csr.offsets[v + 1]; ++k)
                multigraph.targets.insert(multigraph.targets.end(),
                                          static_cast<std::size_t>(g.weights[k]), g.csr.targets[k]);
            multigraph.offsets.push_back(static_cast<Index>(multigraph.targets.size()));
        }
        const std::vector<Index> found = detect(g);
        const double q = modularity(g.csr.offsets, g.csr.targets, found, 1.0, &g.weights);
        EXPECT_NEAR(q, slowModularity(multigraph, found, 1.0), 1e-12);
        EXPECT_NEAR(q, slowModularity(multigraph, detect(multigraph), 1.0), 1e-3);
    }
}

// Multiplying every weight by one factor gives the same membership.
TEST(LeidenWeighted, ScalingTheWeightsChangesNothing) {
    for (std::uint64_t seed = 1; seed <= 10; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const Weighted g = withWeights(csrOfEdges(randomEdges(seed, true)), [&](Index u, Index v) {
            return 0.25 + quarterWeight(seed, u, v);
        });
        const std::vector<Index> found = detect(g, 1.0, seed);
        for (const double factor : {0.25, 2.0, 3.0, 1e-3, 1e6}) {
            SCOPED_TRACE("factor " + std::to_string(factor));
            Weighted scaled = g;
            for (double& w : scaled.weights) w *= factor;
            EXPECT_EQ(detect(scaled, 1.0, seed), found);
        }
    }
}

// The same membership for every thread count, on graphs large enough (with small chunks) for
// every loop to be shared out.
TEST(LeidenWeighted, SameResultForEveryThreadCount) {
    for (std::uint64_t seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::vector<Edge> edges;
        for (int copy = 0; copy < 8; ++copy)
            for (Edge edge : randomEdges(seed * 10 + copy, true))
                edges.push_back({edge.u + 400 * copy, edge.v + 400 * (copy + edge.u % 2)});
        const Weighted g = withWeights(csrOfEdges(edges, 2), [&](Index u, Index v) {
            return 0.1 + quarterWeight(seed, u, v) * 1.37;
        });
        const std::vector<Index> one = detect(g, 1.0, seed, 1, 8);
        EXPECT_EQ(detect(g, 1.0, seed, 1, 8), one);
        EXPECT_EQ(detect(g, 1.0, seed, 2, 8), one);
        EXPECT_EQ(detect(g, 1.0, seed, 3, 8), one);
        EXPECT_TRUE(connected(g.csr, one));
        EXPECT_LE(bestSingleMove(g.csr, one, 1.0, &g.weights), 1e-8);
    }
}

TEST(LeidenWeighted, RefusesWeightsThatDoNotFit) {
    const Csr csr = csrOfPairs(3, {{0, 1}, {1, 2}});  // 4 entries
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<std::pair<const char*, std::vector<double>>> cases = {
        {"none", {}},
        {"one too few", {1, 1, 1}},
        {"one too many", {1, 1, 1, 1, 1}},
        {"negative", {1, -1, -1, 1}},
        {"not a number", {1, nan, nan, 1}},
        {"infinite", {1, inf, inf, 1}},
        {"a sum too large", {1e308, 1e308, 1e308, 1e308}},
    };
    for (const auto& [name, weights] : cases) {
        SCOPED_TRACE(name);
        EXPECT_THROW(leidenCommunities(csr.offsets, csr.targets, {}, &weights),
                     std::invalid_argument);
    }
}

// The run's partition takes the weights in the graph's adjacency order: two K4 joined by a
// heavy matching, its ids shuffled, come out as the matched pairs.
TEST(LeidenWeighted, PartitionOfAGraph) {
    const std::vector<VertexId> id = {12, 3, 40, 7, 9, 21, 5, 30};  // of positions 0 … 7
    std::vector<Edge> edges;
    std::map<std::pair<VertexId, VertexId>, double> weight;
    auto link = [&](Index a, Index b, double w) {
        edges.push_back({id[a], id[b]});
        weight[{std::min(id[a], id[b]), std::max(id[a], id[b])}] = w;
    };
    for (Index a = 0; a < 4; ++a) {
        for (Index b = a + 1; b < 4; ++b) {
            link(a, b, 1.0);
            link(a + 4, b + 4, 1.0);
        }
        link(a, a + 4, 10.0);
    }
    Graph graph(true);
    graph.addEdges(std::vector<Edge>(edges));
    std::vector<double> weights;
    for (const auto& vertex : graph.vertices)
        for (const Vertex* neighbour : vertex->neighbours)
            weights.push_back(
                weight[{std::min(vertex->id, neighbour->id), std::max(vertex->id, neighbour->id)}]);
    const Partition partition = leidenPartition(graph, {}, &weights);
    std::map<VertexId, Index> communityOfId;
    for (std::size_t p = 0; p < graph.vertices.size(); ++p)
        communityOfId[graph.vertices[p]->id] = partition.communityOf[p];
    std::set<Index> communities;
    for (Index a = 0; a < 4; ++a) {
        EXPECT_EQ(communityOfId[id[a]], communityOfId[id[a + 4]]) << "pair " << a;
        communities.insert(communityOfId[id[a]]);
    }
    EXPECT_EQ(communities.size(), 4u);
}
