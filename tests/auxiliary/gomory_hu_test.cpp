#include "auxiliary/gomory_hu.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <deque>
#include <random>

#include "analysis/network.h"
#include "aux_support.h"
#include "auxiliary/ff_routine.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;

namespace {

using aux_test::LogCapture;

std::vector<int> entryIds(const FlowNetwork& network) {
    std::vector<int> out;
    for (const node_detail& entry : network.nodes) out.push_back(entry.id);
    return out;
}

std::vector<std::pair<int, int>> edgesOf(const FlowNetwork& network, int entry) {
    std::vector<std::pair<int, int>> out;
    for (const flow_edge* e = network.nodes[static_cast<std::size_t>(entry)].edges; e; e = e->next)
        out.emplace_back(e->target->index, e->capacity);
    return out;
}

// 2 - 0 - 1 - 3 (the path is read from the middle out), isolated 9.
TEST(FlowNetwork, EntriesInOrderOfFirstAppearanceAndEdgesByTarget) {
    Network network;
    aux_test::build(network, {{0, 1}, {0, 2}, {1, 3}});
    aux_test::addIsolated(network, {9});
    int n = 1;  // too small: raised to what the graph needs
    FlowNetwork flow = read_input_file(network.graph.vertices, n);
    EXPECT_EQ(n, 4);
    EXPECT_THAT(entryIds(flow), ElementsAre(0, 1, 2, 3));
    EXPECT_THAT(edgesOf(flow, 0), ElementsAre(Pair(1, 1), Pair(2, 1)));
    EXPECT_THAT(edgesOf(flow, 1), ElementsAre(Pair(0, 1), Pair(3, 1)));
    EXPECT_THAT(edgesOf(flow, 3), ElementsAre(Pair(1, 1)));
    const flow_edge* edge = find_edge(1, 3, flow);
    ASSERT_NE(edge, nullptr);
    EXPECT_EQ(edge->reverse, find_edge(3, 1, flow));
    EXPECT_EQ(find_edge(2, 3, flow), nullptr);
}

// A vertex list that is not a whole graph lists some links one way only: the way back gets an
// edge of capacity 0, so flow can always be pushed back.
TEST(FlowNetwork, OneWayLinksGetAReverseEdgeOfCapacityZero) {
    Network network;
    aux_test::build(network, {{0, 1}, {1, 2}});
    int n = 0;
    FlowNetwork flow = read_input_file({network.graph.vertexMap.find(0)}, n);
    EXPECT_THAT(entryIds(flow), ElementsAre(0, 1));
    EXPECT_THAT(edgesOf(flow, 0), ElementsAre(Pair(1, 1)));
    EXPECT_THAT(edgesOf(flow, 1), ElementsAre(Pair(0, 0)));
    EXPECT_EQ(Ford_Fulkerson(0, 1, flow), 1.0);
    limpiar(flow);
    EXPECT_EQ(Ford_Fulkerson(1, 0, flow), 0.0);  // no capacity that way
}

TEST(FlowNetwork, MaximumFlowLeavesTheSourceSideMarked) {
    // Two triangles 0-1-2 and 3-4-5 joined by 2-3.
    Network network;
    aux_test::build(network, {{0, 1}, {1, 2}, {2, 0}, {3, 4}, {4, 5}, {5, 3}, {2, 3}});
    int n = 6;
    FlowNetwork flow = read_input_file(network.graph.vertices, n);
    EXPECT_EQ(Ford_Fulkerson(0, 4, flow), 1.0);
    std::vector<int> sourceSide;
    for (const node_detail& entry : flow.nodes)
        if (entry.state != 0) sourceSide.push_back(entry.id);
    EXPECT_THAT(sourceSide, ElementsAre(0, 1, 2));
    limpiar(flow);
    EXPECT_EQ(Ford_Fulkerson(0, 1, flow), 2.0);
    limpiar(flow);
    for (const flow_edge& edge : flow.edges) EXPECT_EQ(edge.flow, 0);
    // No flow is needed to stay put, and no search runs.
    EXPECT_EQ(Ford_Fulkerson(2, 2, flow), 0.0);
}

struct TreeCase {
    const char* name;
    std::vector<Edge> edges;
    std::string log;
    int minimumCut;
};

TEST(GomoryHuTree, SmallTreesAndTheirLog) {
    const std::vector<TreeCase> cases = {
        // 1 - 2 - 3
        {"path", {{1, 2}, {2, 3}}, "1 (1)\n 2 (1)\n  3\n", 1},
        // Triangles 1-2-3 and 4-5-6 joined by 3-4.
        {"two triangles",
         {{1, 2}, {2, 3}, {3, 1}, {4, 5}, {5, 6}, {6, 4}, {3, 4}},
         "1 (2)\n 2 (2)\n  3 (1)\n   4 (2)\n    5 (2)\n     6\n",
         1},
        // Star: centre 0, leaves 1, 2, 3.
        {"star", {{0, 1}, {0, 2}, {0, 3}}, "0 (1 1 1)\n 1\n 2\n 3\n", 1},
        // Triangle 0-1-2 with pendant 3 on 0.
        {"triangle and pendant", {{0, 1}, {1, 2}, {2, 0}, {0, 3}}, "0 (2 1)\n 1 (2)\n  2\n 3\n", 1},
    };
    for (const TreeCase& c : cases) {
        Network network;
        aux_test::build(network, c.edges);
        LogCapture log(aux_test::logs().gomoryHu);
        network.build_gomory_hu_tree(static_cast<int>(network.graph.vertices.size()));
        EXPECT_EQ(log.text(), c.log) << c.name;
        EXPECT_EQ(network.find_minimum_cut(), c.minimumCut) << c.name;
    }
}

TEST(GomoryHuTree, ConnectivityQueries) {
    Network network;
    aux_test::build(network, {{1, 2}, {2, 3}, {3, 1}, {4, 5}, {5, 6}, {6, 4}, {3, 4}});
    aux_test::addIsolated(network, {7});
    LogCapture log(aux_test::logs().gomoryHu);
    network.build_gomory_hu_tree(6);
    EXPECT_EQ(network.find_connectivity(1, 6), 1);
    EXPECT_EQ(network.find_connectivity(6, 1), 1);
    EXPECT_EQ(network.find_connectivity(1, 2), 2);
    EXPECT_EQ(network.find_connectivity(4, 6), 2);
    EXPECT_EQ(network.find_connectivity(3, 4), 1);
    EXPECT_EQ(network.find_connectivity(5, 5), -1);
    // Vertices outside the tree: the isolated 7 and the unknown 99.
    EXPECT_EQ(network.find_connectivity(7, 2), -1);
    EXPECT_EQ(network.find_connectivity(99, 6), -1);
    EXPECT_EQ(network.find_connectivity(1, 99), -1);

    std::list<std::pair<int, int>> path{{5, 5}};
    EXPECT_TRUE(network.find_path(4, path));
    EXPECT_THAT(path, ElementsAre(Pair(2, 2), Pair(2, 3), Pair(1, 4)));
    EXPECT_TRUE(network.find_path(1, path));  // the root's own vertex
    EXPECT_THAT(path, IsEmpty());
    path.emplace_back(5, 5);
    EXPECT_FALSE(network.find_path(99, path));
    EXPECT_THAT(path, IsEmpty());
}

TEST(GomoryHuTree, FewerThanTwoConnectedVerticesGiveNoEdge) {
    {
        Network network;  // no vertex at all
        LogCapture log(aux_test::logs().gomoryHu);
        network.build_gomory_hu_tree(0);
        EXPECT_EQ(log.text(), "");
        EXPECT_EQ(network.gomoryHuTree->root, nullptr);
        EXPECT_EQ(network.find_minimum_cut(), -1);
        EXPECT_EQ(network.find_connectivity(0, 1), -1);
    }
    {
        Network network;  // vertices without neighbours have no entry
        aux_test::addIsolated(network, {3, 4});
        LogCapture log(aux_test::logs().gomoryHu);
        network.build_gomory_hu_tree(2);
        EXPECT_EQ(log.text(), "");
        EXPECT_EQ(network.find_connectivity(3, 4), -1);
    }
    {
        Network network;  // one vertex whose only neighbour is itself
        aux_test::build(network, {{8, 8}});
        aux_test::addIsolated(network, {2});
        LogCapture log(aux_test::logs().gomoryHu);
        network.build_gomory_hu_tree(5);
        EXPECT_EQ(log.text(), "8\n");
        EXPECT_EQ(network.find_minimum_cut(), -1);
        EXPECT_EQ(network.find_connectivity(8, 8), -1);
        EXPECT_EQ(network.find_connectivity(8, 2), -1);
    }
    // Before any build.
    Network network;
    EXPECT_EQ(network.find_minimum_cut(), -1);
    EXPECT_EQ(network.find_connectivity(0, 1), -1);
}

// Edge connectivity the plain way: Edmonds-Karp on an adjacency matrix of the distinct links
// between distinct vertices.
int maxFlow(std::vector<std::vector<int>> capacity, int s, int t) {
    const int n = static_cast<int>(capacity.size());
    int total = 0;
    for (;;) {
        std::vector<int> parent(static_cast<std::size_t>(n), -1);
        parent[static_cast<std::size_t>(s)] = s;
        std::deque<int> queue{s};
        while (!queue.empty() && parent[static_cast<std::size_t>(t)] == -1) {
            const int u = queue.front();
            queue.pop_front();
            for (int v = 0; v < n; ++v) {
                if (parent[static_cast<std::size_t>(v)] == -1 &&
                    capacity[static_cast<std::size_t>(u)][static_cast<std::size_t>(v)] > 0) {
                    parent[static_cast<std::size_t>(v)] = u;
                    queue.push_back(v);
                }
            }
        }
        if (parent[static_cast<std::size_t>(t)] == -1) return total;
        for (int v = t; v != s; v = parent[static_cast<std::size_t>(v)]) {
            const int u = parent[static_cast<std::size_t>(v)];
            --capacity[static_cast<std::size_t>(u)][static_cast<std::size_t>(v)];
            ++capacity[static_cast<std::size_t>(v)][static_cast<std::size_t>(u)];
        }
        ++total;
    }
}

TEST(GomoryHuTree, EveryConnectivityEqualsADirectMaximumFlowOnRandomGraphs) {
    std::mt19937 random(7);
    for (int round = 0; round < 80; ++round) {
        const int n = 2 + static_cast<int>(random() % 11);
        const int m = static_cast<int>(random() % (3 * n + 1));
        Network network;
        std::vector<std::vector<int>> capacity(static_cast<std::size_t>(n),
                                               std::vector<int>(static_cast<std::size_t>(n), 0));
        for (int i = 0; i < m; ++i) {
            const int u = static_cast<int>(random() % n);
            const int v = random() % 10 == 0 ? u : static_cast<int>(random() % n);
            network.graph.addEdge(u, v);  // repeats are ignored by the graph
            if (u != v) {
                capacity[static_cast<std::size_t>(u)][static_cast<std::size_t>(v)] = 1;
                capacity[static_cast<std::size_t>(v)][static_cast<std::size_t>(u)] = 1;
            }
        }
        std::vector<bool> connected(static_cast<std::size_t>(n), false);
        int withNeighbours = 0;
        for (const Vertex* v : network.graph.vertices) {
            connected[static_cast<std::size_t>(v->id)] = v->degree > 0;
            withNeighbours += v->degree > 0;
        }
        network.attachLogs(&aux_test::logs());
        LogCapture log(aux_test::logs().gomoryHu);
        // Sometimes too small a count: the build must not depend on it.
        network.build_gomory_hu_tree(round % 3 == 0 ? 1 : withNeighbours);

        int smallest = -1;
        for (int a = 0; a < n; ++a) {
            for (int b = 0; b < n; ++b) {
                int expected = -1;
                if (a != b && connected[static_cast<std::size_t>(a)] &&
                    connected[static_cast<std::size_t>(b)]) {
                    expected = maxFlow(capacity, a, b);
                    if (smallest == -1 || expected < smallest) smallest = expected;
                }
                EXPECT_EQ(network.find_connectivity(a, b), expected)
                    << "round " << round << ": " << a << " to " << b;
            }
        }
        EXPECT_EQ(network.find_minimum_cut(), smallest) << "round " << round;
        // One tree line per vertex with neighbours.
        const std::string text = log.text();
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), withNeighbours) << "round " << round;
    }
}

}  // namespace
