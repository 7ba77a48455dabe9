// Community detection on a whole network: the partition, member orders, vertex assignment
// and modularity.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "analysis/network.h"

using ::testing::ElementsAre;

namespace {

void build(Network& network, const std::vector<Edge>& edges) {
    network.graph.addEdges(std::vector<Edge>(edges));
}

// Per community in list order: members, then size, e_ii, a_ij and the degree sum.
struct Row {
    std::vector<VertexId> members;
    int size;
    std::uint32_t internal, external, degreeSum;
    bool operator==(const Row&) const = default;
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << "{";
    for (VertexId id : row.members) *out << id << ' ';
    *out << "| " << row.size << ' ' << row.internal << ' ' << row.external << ' ' << row.degreeSum
         << '}';
}

std::vector<Row> rows(const Network& network) {
    std::vector<Row> out;
    for (const Community* c : network.communitiesList)
        out.push_back({c->members, c->size, c->internalDegree, c->degreeSum - c->internalDegree,
                       c->degreeSum});
    return out;
}

// Every vertex points at the community whose members hold its id.
void expectVerticesAssigned(const Network& network) {
    std::size_t members = 0;
    for (const Community* c : network.communitiesList) {
        for (VertexId id : c->members) EXPECT_EQ(network.graph.vertexMap.find(id)->community, c);
        members += c->members.size();
    }
    EXPECT_EQ(members, network.graph.vertices.size());
}

//  1       4
//  | \   / |
//  0 - 2 - 3 - 5      (0 1, 1 2, 2 0, 2 3, 3 4, 4 5, 5 3)
const std::vector<Edge> kTwoTriangles = {{0, 1}, {1, 2}, {2, 0}, {2, 3}, {3, 4}, {4, 5}, {5, 3}};

}  // namespace

TEST(FindCommunities, TwoTrianglesJoinedByAnEdge) {
    Network network;
    build(network, kTwoTriangles);
    network.findCommunities(1.0f);
    EXPECT_THAT(rows(network), ElementsAre(Row{{1, 0, 2}, 3, 6, 1, 7}, Row{{5, 4, 3}, 3, 6, 1, 7}));
    const Community* left = network.communitiesList.front();
    const Community* right = network.communitiesList.back();
    EXPECT_THAT(left->neighbours, ElementsAre(right));
    EXPECT_THAT(left->cuts, ElementsAre(1u));
    expectVerticesAssigned(network);
    EXPECT_FLOAT_EQ(network.getQ(), 5.0f / 14.0f);  // (12 − 98/14) / 14
}

TEST(FindCommunities, SmallGraphs) {
    struct Case {
        const char* name;
        std::vector<Edge> edges;
        std::vector<Row> rows;
    };
    const std::vector<Case> cases = {
        {"single edge", {{0, 1}}, {{{1, 0}, 2, 2, 0, 2}}},
        {"path", {{0, 1}, {1, 2}}, {{{2, 1, 0}, 3, 4, 0, 4}}},
        {"two disjoint edges", {{0, 1}, {2, 3}}, {{{1, 0}, 2, 2, 0, 2}, {{3, 2}, 2, 2, 0, 2}}},
        {"lone self-loop", {{7, 7}}, {{{7}, 1, 1, 0, 1}}},
        {"star", {{0, 1}, {0, 2}, {0, 3}, {0, 4}}, {{{4, 0, 1, 2, 3}, 5, 8, 0, 8}}},
        // Self-loop on an edge's end: it stays inside the merged community.
        {"edge with loop", {{3, 3}, {3, 9}}, {{{9, 3}, 2, 3, 0, 3}}},
    };
    for (const Case& c : cases) {
        Network network;
        build(network, c.edges);
        network.findCommunities(1.0f);
        EXPECT_EQ(rows(network), c.rows) << c.name;
        expectVerticesAssigned(network);
    }
}

TEST(FindCommunities, ThresholdDecidesHowFarMergingGoes) {
    struct Case {
        float threshold;
        std::vector<int> sizes;
    };
    const std::vector<Case> cases = {
        {0.2f, {6}},                 // the triangles merge at V = 14/49
        {3.0f, {2, 1, 1, 2}},        // only the first step (V = 3.5)
        {4.0f, {1, 1, 1, 1, 1, 1}},  // nothing is worth it
        {std::numeric_limits<float>::quiet_NaN(), {1, 1, 1, 1, 1, 1}},  // V ≥ NaN is false
    };
    for (const Case& c : cases) {
        Network network;
        build(network, kTwoTriangles);
        network.findCommunities(c.threshold);
        std::vector<int> sizes;
        for (const Community* community : network.communitiesList) sizes.push_back(community->size);
        EXPECT_EQ(sizes, c.sizes) << c.threshold;
        expectVerticesAssigned(network);
    }
}

TEST(FindCommunities, ASecondCallTakesThePartitionFurther) {
    Network network;
    build(network, kTwoTriangles);
    network.findCommunities(1.0f);
    ASSERT_EQ(network.communitiesList.size(), 2u);
    network.findCommunities(0.2f);
    EXPECT_THAT(rows(network), ElementsAre(Row{{1, 0, 2, 5, 4, 3}, 6, 14, 0, 14}));
    expectVerticesAssigned(network);
}

TEST(FindCommunities, EmptyNetworkHasNoCommunities) {
    Network network;
    network.findCommunities(1.0f);
    EXPECT_TRUE(network.communitiesList.empty());
    EXPECT_EQ(network.getQ(), 0.0f);
}

// A cut beyond 2^24 has no exact single-precision value; the merge must still count every
// edge inside the merged community.
TEST(FindCommunities, CutsBeyondSinglePrecisionStayExact) {
    constexpr std::uint32_t kCut = (1u << 24) + 1;
    Network network;
    build(network, {{0, 1}});
    network.makeStartingCommunities();
    for (Community* c : {network.startingCommunity(0), network.startingCommunity(1)}) {
        c->cuts[0] = kCut;
        c->degreeSum = kCut;
    }
    network.findCommunities(1.0f);
    ASSERT_EQ(network.communitiesList.size(), 1u);
    const Community* merged = network.communitiesList.front();
    EXPECT_EQ(merged->degreeSum, 2 * kCut);
    EXPECT_EQ(merged->internalDegree, 2 * kCut);
}

TEST(FindCommunities, ModularityCountsEveryCommunity) {
    // Singletons of one edge: 0 inside, −(1/2)² twice.
    Network network;
    build(network, {{0, 1}});
    network.listStartingCommunities();
    EXPECT_FLOAT_EQ(network.getQ(), -0.5f);
}

TEST(FindCommunities, ListsAreCompactAfterDetection) {
    // A hub with many leaves and a ring through them: long lists with erased entries.
    std::vector<Edge> edges;
    for (VertexId leaf = 1; leaf <= 300; ++leaf) {
        edges.push_back({0, leaf});
        edges.push_back({leaf, leaf % 300 + 1});
    }
    Network network;
    build(network, edges);
    network.findCommunities(1.0f);
    std::uint64_t degrees = 0;
    for (const Community* c : network.communitiesList) {
        std::uint64_t external = 0;
        for (std::size_t k = 0; k < c->neighbours.size(); ++k) {
            ASSERT_NE(c->neighbours[k], nullptr);
            EXPECT_GT(c->cuts[k], 0u);
            if (c->neighbours[k] != c) external += c->cuts[k];
        }
        EXPECT_EQ(c->degreeSum - c->internalDegree, external);
        degrees += c->degreeSum;
    }
    EXPECT_EQ(degrees, network.graph.numArcs);
    EXPECT_GT(network.communitiesList.size(), 1u);
    expectVerticesAssigned(network);
}

TEST(FindCommunities, PrintCommunitiesListsMembersInListOrder) {
    Network network;
    build(network, kTwoTriangles);
    network.findCommunities(1.0f);
    std::ostringstream out;
    network.printCommunities(out);
    EXPECT_EQ(out.str(), "C: 1 0 2 \nC: 5 4 3 \n");
}
