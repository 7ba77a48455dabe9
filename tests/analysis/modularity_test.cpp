#include "analysis/modularity.h"

#include <gtest/gtest.h>

#include <random>

#include "analysis/csr.h"
#include "graph/graph.h"

namespace {

//   0 - 1      two communities {0, 1, 2} and {3}: A = 8, e = 6 + 0,
//   | /        d = 7 and 1: Q = 6/8 − γ (49 + 1) / 64
//   2 - 3
TEST(Modularity, HandValueWithResolution) {
    Graph graph(true);
    graph.addEdges({{0, 1}, {1, 2}, {2, 0}, {2, 3}});
    for (const double gamma : {1.0, 0.5, 2.0})
        EXPECT_DOUBLE_EQ(modularity(graph, {0, 0, 0, 1}, gamma), 0.75 - gamma * 50.0 / 64.0);
    Graph empty(true);
    EXPECT_EQ(modularity(empty, {}), 0.0);
}

// The graph and its CSR give the same value, bit for bit, on seeded random graphs with
// self-loops and repeated edges, for any numbering of the communities.
TEST(Modularity, GraphAndCsrAgree) {
    std::mt19937 random(3);
    for (int round = 0; round < 20; ++round) {
        const int n = 2 + round * 7;
        std::vector<Edge> edges;
        for (int e = 0; e < 3 * n; ++e)
            edges.push_back({VertexId(random() % n), VertexId(random() % n)});
        Graph graph(round % 2 == 0);
        graph.addEdges(std::move(edges));
        std::vector<Index> community(graph.vertices.size());
        for (Index& c : community) c = static_cast<Index>(random() % 5 * 1000);
        const Csr csr = csrOf(graph, 1);
        EXPECT_EQ(modularity(graph, community, 0.7),
                  modularity(csr.offsets, csr.targets, community, 0.7))
            << round;
    }
}

}  // namespace
