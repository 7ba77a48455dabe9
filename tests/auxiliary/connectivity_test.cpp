// Shell connectivity statistics: the walk over the Gomory-Hu tree, the trace lines and logs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "analysis/network.h"
#include "aux_support.h"
#include "auxiliary/gomory_hu.h"

using ::testing::ElementsAre;
using ::testing::Pair;

namespace {

using aux_test::LogCapture;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// Fresh accumulators, the logs captured, and rand() as a new process finds it.
class ShellConnectivity : public ::testing::Test {
  protected:
    ShellConnectivity() { connectivityStatistics.clear(); }
    ~ShellConnectivity() override { connectivityStatistics.clear(); }

    // Shells, component tree and Gomory-Hu tree of a network built from edges.
    void analyse(Network& network, const std::vector<Edge>& edges) {
        aux_test::build(network, edges);
        network.findComponents();
        network.build_gomory_hu_tree(static_cast<int>(network.graph.vertices.size()));
    }

    aux_test::FreshRand fresh_;
    LogCapture tree_{aux_test::logs().gomoryHu};
    LogCapture log2_{aux_test::logs().gomoryHu2};
    LogCapture log3_{aux_test::logs().gomoryHu3};
    LogCapture log4_{aux_test::logs().gomoryHu4};
    LogCapture log5_{aux_test::logs().gomoryHu5};
};

// Triangle 0-1-2 (shell 2, cluster 1) with pendant 3 on 0 (shell 1, cluster 0):
//
//   3 - 0
//      / \      tree: 0 (2 1)
//     1 - 2            1 (2) - 2
//                      3
const std::vector<Edge> kTriangleAndPendant = {{0, 1}, {1, 2}, {2, 0}, {0, 3}};

TEST_F(ShellConnectivity, AllPairsTraceAndLogs) {
    Network network;
    analyse(network, kTriangleAndPendant);
    std::ostringstream out;
    network.find_connectivities(out);

    // id, id, degrees, shells, cluster numbers, connectivity, shell-0 flags. Pre-order over
    // the tree; from each node first towards its parent, then down each child.
    EXPECT_THAT(lines(out.str()), ElementsAre("0 1 3 2 2 2 1 1 2 0 0",  //
                                              "0 2 3 2 2 2 1 1 2 0 0",  //
                                              "0 3 3 1 2 1 1 0 1 0 0",  //
                                              "1 0 2 3 2 2 1 1 2 0 0",  //
                                              "1 3 2 1 2 1 1 0 1 0 0",  //
                                              "1 2 2 2 2 2 1 1 2 0 0",  //
                                              "2 1 2 2 2 2 1 1 2 0 0",  //
                                              "2 0 2 3 2 2 1 1 2 0 0",  //
                                              "2 3 2 1 2 1 1 0 1 0 0",  //
                                              "3 0 1 3 1 2 0 1 1 0 0",  //
                                              "3 1 1 2 1 2 0 1 1 0 0",  //
                                              "3 2 1 2 1 2 0 1 1 0 0"));
    EXPECT_EQ(log2_.text(),
              "#Shell Index - Connectivity - Amount of pairs\n"
              "1 1 6\n"
              "2 2 6\n");
    EXPECT_EQ(log3_.text(),
              "#Shell Index - Not KConnected amount of pairs - KConnected amount of pairs\n");
    // Triangle with itself: 6 visits of 2 / (3 × 2); pendant and triangle, both ways: 6
    // visits of 1 / (2 × 1 × 3) each. Pairs of clusters go under the smaller shell.
    EXPECT_EQ(log4_.text(),
              "#Shell Index - Inter-Cluster Connectivity Normalized\n"
              "1 1 2\n"
              "2 2 1\n");
    EXPECT_EQ(log5_.text(),
              "#Shell Index - Average Inter-Cluster Connectivity Normalized\n"
              "1 1\n"
              "2 2\n");
    EXPECT_EQ(connectivityStatistics.contador, 12);
}

TEST_F(ShellConnectivity, TraceIsTheSameForEveryNetworkOfTheSameInput) {
    std::string first;
    for (int copy = 0; copy < 3; ++copy) {
        std::srand(1);
        Network network;
        analyse(network, kTriangleAndPendant);
        std::ostringstream out;
        network.find_connectivities(out);
        if (copy == 0)
            first = out.str();
        else
            EXPECT_EQ(out.str(), first);  // no addresses in it
    }
}

TEST_F(ShellConnectivity, InnerConnectivitiesOfLevelOneWriteTheLogs) {
    Network network;
    analyse(network, kTriangleAndPendant);
    std::ostringstream out;
    network.find_inner_connectivities(1, out);
    // Every visit is traced; only the pairs with smaller shell 1 are recorded.
    const std::vector<std::string> trace = lines(out.str());
    ASSERT_EQ(trace.size(), 13u);
    EXPECT_EQ(trace.back(), "Cantidad de clusters al cuadrado: 2");
    EXPECT_EQ(log2_.text(),
              "#Shell Index - Connectivity - Amount of pairs\n"
              "1 1 6\n");
    EXPECT_EQ(log3_.text(),
              "#Shell Index - Not KConnected amount of pairs - KConnected amount of pairs\n");
    // Under the shell of the first cluster of each pair: pendant first, then triangle first.
    EXPECT_EQ(log4_.text(),
              "#Shell Index - Connectivity Normalized - Amount of pairs\n"
              "1 1 1\n"
              "2 1 1\n");
    EXPECT_EQ(log5_.text(), "");

    // The accumulators only grow: a second call counts the same pairs again.
    network.find_inner_connectivities(1, out);
    EXPECT_THAT(connectivityStatistics.mapa_si_conn, ElementsAre(Pair(Pair(1, 1), 12)));
}

TEST_F(ShellConnectivity, InnerConnectivitiesOfAnotherLevelRecordButWriteNothing) {
    Network network;
    analyse(network, kTriangleAndPendant);
    std::ostringstream out;
    network.find_inner_connectivities(2, out);
    EXPECT_EQ(lines(out.str()).size(), 12u);  // trace lines only
    EXPECT_THAT(connectivityStatistics.mapa_si_conn, ElementsAre(Pair(Pair(2, 2), 6)));
    ASSERT_EQ(connectivityStatistics.mapa_cluster_cluster_conn.size(), 1u);
    EXPECT_FLOAT_EQ(connectivityStatistics.mapa_cluster_cluster_conn.begin()->second.value, 2.0f);
    EXPECT_EQ(log2_.text() + log3_.text() + log4_.text() + log5_.text(), "");
}

// A tree made by hand over the edge 0–1 (one cluster of two vertices of shell 1), with a cut
// of 3 on its edge: each of the two visits adds 3 / (2 × 1).
TEST_F(ShellConnectivity, ClusterOfTwoWithConnectivityThreeHoldsThree) {
    Network network;
    aux_test::build(network, {{0, 1}});
    network.findComponents();
    node_detail zero;
    zero.id = 0;
    node_detail one;
    one.id = 1;
    Nodo root;
    Nodo child;
    root.members = {&zero};
    child.members = {&one};
    root.children = {&child};
    root.cuts = {3};
    child.parent = &root;
    child.cut = 3;
    std::ostringstream out;
    hallar_conectividades_desde(network, &root, -1, out);
    EXPECT_EQ(out.str(), "0 1 1 1 1 1 0 0 3 0 0\n1 0 1 1 1 1 0 0 3 0 0\n");
    ASSERT_EQ(connectivityStatistics.mapa_cluster_cluster_conn.size(), 1u);
    EXPECT_EQ(connectivityStatistics.mapa_cluster_cluster_conn.begin()->second.value, 3.0f);
    EXPECT_THAT(connectivityStatistics.mapa_si_conn, ElementsAre(Pair(Pair(1, 3), 2)));
}

// Shell totals are integers, truncated at every addition: two cluster pairs of 0.4 add 0.8,
// which is kept as 0.
TEST_F(ShellConnectivity, ShellTotalsLoseTheFractionAtEveryAddition) {
    ClusterPairValue value;
    value.value = 0.4f;
    value.firstShell = 1;
    value.secondShell = 3;
    connectivityStatistics.mapa_cluster_cluster_conn[{ClusterKey{7, 0}, ClusterKey{7, 1}}] = value;
    connectivityStatistics.mapa_cluster_cluster_conn[{ClusterKey{7, 1}, ClusterKey{7, 0}}] = value;
    Network network;  // no tree: nothing is walked, the summary is written as it stands
    network.attachLogs(&aux_test::logs());
    std::ostringstream out;
    network.find_connectivities(out);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(log4_.text(),
              "#Shell Index - Inter-Cluster Connectivity Normalized\n"
              "1 0.4 2\n");
    EXPECT_EQ(log5_.text(),
              "#Shell Index - Average Inter-Cluster Connectivity Normalized\n"
              "1 0\n");
}

// Without a component tree the vertices have no cluster: pairs are still counted by shell and
// traced with cluster number −1, and no cluster pair is formed.
TEST_F(ShellConnectivity, VerticesWithoutClustersAreCountedButNotNormalised) {
    Network network;
    aux_test::build(network, {{0, 1}});
    network.build_gomory_hu_tree(2);
    std::ostringstream out;
    network.find_connectivities(out);
    EXPECT_EQ(out.str(), "0 1 1 1 1 1 -1 -1 1 0 0\n1 0 1 1 1 1 -1 -1 1 0 0\n");
    EXPECT_THAT(connectivityStatistics.mapa_si_conn, ElementsAre(Pair(Pair(1, 1), 2)));
    EXPECT_TRUE(connectivityStatistics.mapa_cluster_cluster_conn.empty());
}

// The walk visits every ordered pair of tree nodes once, with the smallest cut on the path.
TEST_F(ShellConnectivity, WalkVisitsEveryOrderedPairWithItsConnectivity) {
    Network network;
    analyse(
        network,
        {{0, 1}, {0, 2}, {0, 3}, {1, 4}, {4, 5}, {5, 1}, {2, 6}, {6, 7}, {7, 2}, {2, 8}, {8, 6}});
    std::ostringstream out;
    network.find_connectivities(out);
    std::map<std::pair<int, int>, int> seen;
    for (const std::string& line : lines(out.str())) {
        std::istringstream fields(line);
        int a, b, skip, cut;
        fields >> a >> b;
        for (int i = 0; i < 6; ++i) fields >> skip;
        fields >> cut;
        EXPECT_TRUE(seen.emplace(std::pair{a, b}, cut).second) << line;
        EXPECT_EQ(cut, network.find_connectivity(a, b)) << line;
    }
    EXPECT_EQ(seen.size(), 9u * 8u);
}

}  // namespace
