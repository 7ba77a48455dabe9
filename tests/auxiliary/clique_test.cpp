#include "auxiliary/clique.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "analysis/network.h"
#include "aux_support.h"

using ::testing::ElementsAre;

namespace {

using aux_test::ids;

std::vector<std::vector<VertexId>> cliqueIds(const Clique& clique) {
    std::vector<std::vector<VertexId>> out;
    for (const auto& members : clique.cliques) out.push_back(ids(members));
    return out;
}

std::vector<float> scores(const Graph& graph) {
    std::vector<float> out;
    for (const Vertex* v : graph.vertices) out.push_back(v->triangleScore);
    return out;
}

//   3 - 0
//      / \     triangle 0-1-2 (shell 2), pendant 3 (shell 1)
//     1 - 2
TEST(CliqueCover, TrianglePlusPendant) {
    Network network;
    aux_test::build(network, {{0, 1}, {1, 2}, {2, 0}, {0, 3}});
    Clique clique;
    clique.buildCliques(network.graph, 2);
    EXPECT_THAT(cliqueIds(clique), ElementsAre(ElementsAre(0, 1, 2), ElementsAre(3)));
    EXPECT_THAT(scores(network.graph), ElementsAre(2, 2, 2, 0));
    // Scored within shell 1, no triangle counts; the cover is the same.
    clique.buildCliques(network.graph, 1);
    EXPECT_THAT(scores(network.graph), ElementsAre(0, 0, 0, 0));
    EXPECT_THAT(cliqueIds(clique), ElementsAre(ElementsAre(0, 1, 2), ElementsAre(3)));
}

// Forty vertices without edges, created in descending id order: all scores are equal, so a
// stable sort keeps the creation order (an unstable one would not, at this size).
TEST(CliqueCover, EdgelessGraphGivesSingletonsInVertexOrder) {
    Network network;
    std::vector<VertexId> order;
    for (VertexId id = 39; id >= 0; --id) order.push_back(id);
    aux_test::addIsolated(network, order);
    Clique clique;
    clique.buildCliques(network.graph, 0);
    std::vector<VertexId> firsts;
    for (const auto& members : clique.cliques) {
        ASSERT_EQ(members.size(), 1u);
        firsts.push_back(members.front()->id);
    }
    EXPECT_EQ(firsts, order);
}

// Equal scores keep the vertex order for the seeds, and the adjacency order for the
// candidates: 0's neighbours, all of score 0, are tried in the order they were linked.
TEST(CliqueCover, EqualScoresKeepVertexAndAdjacencyOrder) {
    Network network;
    std::vector<Edge> edges;
    for (VertexId leaf = 40; leaf >= 21; --leaf) edges.push_back({0, leaf});
    for (VertexId a = 1; a <= 20; ++a) edges.push_back({a, static_cast<VertexId>(100 + a)});
    aux_test::build(network, edges);
    Clique clique;
    clique.buildCliques(network.graph, 1);
    ASSERT_FALSE(clique.cliques.empty());
    // The star's centre takes its first linked leaf; the other leaves stay alone, in order.
    EXPECT_THAT(ids(clique.cliques[0]), ElementsAre(0, 40));
    std::vector<VertexId> seeds;
    for (std::size_t i = 1; i < clique.cliques.size(); ++i)
        seeds.push_back(clique.cliques[i].front()->id);
    std::vector<VertexId> expected;
    for (VertexId leaf = 39; leaf >= 21; --leaf) expected.push_back(leaf);
    for (VertexId a = 1; a <= 20; ++a) expected.push_back(a);
    EXPECT_EQ(seeds, expected);
}

TEST(CliqueCover, SelfLoopDoesNotPutAVertexInItsCliqueTwice) {
    Network network;
    aux_test::build(network, {{0, 0}, {0, 1}, {1, 2}});
    Clique clique;
    clique.buildCliques(network.graph, 1);
    EXPECT_THAT(cliqueIds(clique), ElementsAre(ElementsAre(0, 1), ElementsAre(2)));
}

TEST(CliqueCover, SecondCallReplacesTheCliques) {
    Network first;
    aux_test::build(first, {{0, 1}, {1, 2}, {2, 0}});
    Network second;
    aux_test::build(second, {{5, 6}});
    Clique clique;
    clique.buildCliques(first.graph, 2);
    clique.buildCliques(second.graph, 1);
    EXPECT_THAT(cliqueIds(clique), ElementsAre(ElementsAre(5, 6)));
    EXPECT_TRUE(clique.not_exist_l(second.graph.vertices[0]));
}

// On random graphs: a partition of the vertices into cliques, each sorted by id, each maximal
// among the vertices still free when it was grown (no vertex of a later clique is adjacent to
// all of its members).
TEST(CliqueCover, IsAPartitionIntoMaximalCliquesOnRandomGraphs) {
    std::mt19937 random(99);
    for (int round = 0; round < 60; ++round) {
        const int n = 1 + static_cast<int>(random() % 30);
        const int m = static_cast<int>(random() % 120);
        Network network;
        for (int i = 0; i < m; ++i) {
            const auto u = static_cast<VertexId>(random() % n);
            const auto v = random() % 10 == 0 ? u : static_cast<VertexId>(random() % n);
            network.graph.addEdge(u, v);
        }
        aux_test::addIsolated(network, {1000});
        network.graph.buildDegreesList();
        network.findCores();
        Clique clique;
        clique.buildCliques(network.graph, static_cast<int>(random() % 4));

        auto adjacent = [](const Vertex* a, const Vertex* b) { return a->hasNeighbour(b); };
        std::map<const Vertex*, std::size_t> cliqueOf;
        for (std::size_t c = 0; c < clique.cliques.size(); ++c) {
            const auto& members = clique.cliques[c];
            for (std::size_t i = 0; i < members.size(); ++i) {
                EXPECT_TRUE(cliqueOf.emplace(members[i], c).second)
                    << "round " << round << ": vertex " << members[i]->id << " twice";
                if (i > 0) {
                    EXPECT_LT(members[i - 1]->id, members[i]->id);
                }
                for (std::size_t j = 0; j < i; ++j)
                    EXPECT_TRUE(adjacent(members[i], members[j]))
                        << "round " << round << ": " << members[i]->id << " " << members[j]->id;
            }
        }
        EXPECT_EQ(cliqueOf.size(), network.graph.vertices.size()) << "round " << round;
        for (const auto& [vertex, c] : cliqueOf) {
            for (std::size_t earlier = 0; earlier < c; ++earlier) {
                const auto& members = clique.cliques[earlier];
                const bool joinable =
                    std::all_of(members.begin(), members.end(),
                                [&](const Vertex* m) { return adjacent(vertex, m); });
                EXPECT_FALSE(joinable) << "round " << round << ": " << vertex->id
                                       << " could have joined clique " << earlier;
            }
        }
    }
}

TEST(CliqueCover, IntersectionCountsEachEntryOfTheFirst) {
    Vertex a(1), b(2), c(3);
    EXPECT_EQ(intersection({&a, &a, &b}, {&a}), 2);
    EXPECT_EQ(intersection({&a, &b}, {&c}), 0);
    EXPECT_EQ(intersection({}, {&a}), 0);
    a.triangleScore = 4;
    b.triangleScore = 1;
    EXPECT_TRUE(comp(&a, &b));
    EXPECT_FALSE(comp(&b, &a));
    EXPECT_TRUE(compareHosts(&a, &b));
}

}  // namespace
