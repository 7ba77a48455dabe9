// Communities made from a membership (partitionFromMembership), as -partition and other
// detectors hand them on.
#include "analysis/partition.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <utility>

#include "analysis/network.h"

using ::testing::ElementsAre;

namespace {

// What a community holds besides its pointers: members (sorted), size, e_ii, degree sum and
// the cut to each adjacent community, by place.
struct Summary {
    std::vector<VertexId> members;
    int size;
    std::uint32_t internal, degreeSum;
    std::map<Index, std::uint32_t> cuts;
    bool operator==(const Summary&) const = default;
};

void PrintTo(const Summary& s, std::ostream* out) {
    *out << "{" << s.members.size() << " members, size " << s.size << ", e_ii " << s.internal
         << ", degree sum " << s.degreeSum << ", cuts";
    for (const auto& [place, cut] : s.cuts) *out << ' ' << place << ':' << cut;
    *out << '}';
}

std::vector<Summary> summaries(const Partition& partition) {
    std::map<const Community*, Index> placeOf;
    for (Index k = 0; k < partition.communities.size(); ++k) placeOf[partition.communities[k]] = k;
    std::vector<Summary> out;
    for (const Community* c : partition.communities) {
        Summary s{c->members, c->size, c->internalDegree, c->degreeSum, {}};
        std::sort(s.members.begin(), s.members.end());
        // Detection keeps the entry a self-loop's singleton starts with (the community
        // itself); a made community lists only others.
        for (std::size_t j = 0; j < c->neighbours.size(); ++j)
            if (c->neighbours[j] != c) s.cuts[placeOf.at(c->neighbours[j])] += c->cuts[j];
        out.push_back(s);
    }
    return out;
}

// Detection keeps its sums and lists by merging; made from detection's own membership, the
// communities must hold the same, computed from the graph alone. Seeded random graphs with
// self-loops and repeated edges.
TEST(PartitionFromMembership, AgreesWithWhatDetectionLeaves) {
    std::mt19937 random(7);
    for (int round = 0; round < 12; ++round) {
        const int vertices = 5 + round * 15;
        std::uniform_int_distribution<VertexId> pick(0, vertices - 1);
        std::vector<Edge> edges;
        for (int e = 0; e < vertices * 3; ++e) edges.push_back({pick(random), pick(random)});
        Network network;
        network.graph.addEdges(std::move(edges));
        network.findCommunities(1.0f);
        const Partition detected = network.partition();
        Arena<Community> store;
        const Partition made =
            partitionFromMembership(network.graph, detected.communityOf,
                                    static_cast<Index>(detected.communities.size()), store);
        EXPECT_EQ(made.communityOf, detected.communityOf) << round;
        EXPECT_EQ(summaries(made), summaries(detected)) << round;
    }
}

//   3 - 1 - 2 ⟲      places: {1, 2} → 1, {3, 4} → 0, {5} → 2
//   |   |
//   4   5
TEST(PartitionFromMembership, MembersAscendingNeighboursInOrderOfFirstContact) {
    Network network;
    network.graph.addEdges({{1, 2}, {2, 2}, {1, 3}, {3, 4}, {1, 5}});
    // Positions follow first appearance: 1, 2, 3, 4, 5.
    Arena<Community> store;
    const Partition p = partitionFromMembership(network.graph, {1, 1, 0, 0, 2}, 3, store);
    ASSERT_EQ(p.communities.size(), 3u);
    const Community& a = *p.communities[0];
    const Community& b = *p.communities[1];
    const Community& c = *p.communities[2];
    EXPECT_THAT(a.members, ElementsAre(3, 4));
    EXPECT_THAT(b.members, ElementsAre(1, 2));
    EXPECT_EQ(b.size, 2);
    // 1-2 inside twice, the loop once; 1 reaches 3 then 5.
    EXPECT_EQ(b.internalDegree, 3u);
    EXPECT_EQ(b.degreeSum, 5u);
    EXPECT_THAT(b.neighbours, ElementsAre(&a, &c));
    EXPECT_THAT(b.cuts, ElementsAre(1u, 1u));
    EXPECT_THAT(a.neighbours, ElementsAre(&b));
    EXPECT_EQ(a.internalDegree, 2u);
    EXPECT_EQ(c.internalDegree, 0u);
    EXPECT_EQ(c.degreeSum, 1u);
    EXPECT_EQ(network.graph.vertexMap.find(1)->community, nullptr);
    // A place out of range is refused.
    EXPECT_THROW(partitionFromMembership(network.graph, {0, 0, 0, 0, 3}, 3, store), Fatal);
}

}  // namespace
