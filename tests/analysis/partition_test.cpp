// Communities made from a membership (partitionFromMembership), as -partition and other
// detectors hand them on.
#include "analysis/partition.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <sstream>
#include <utility>

#include "analysis/csr.h"
#include "analysis/greedy.h"
#include "analysis/leiden.h"
#include "analysis/network.h"

using ::testing::ElementsAre;

namespace {

// What a community holds: members (sorted), size, e_ii, degree sum and the cut to each
// adjacent community, by place.
struct Summary {
    std::vector<Index> members;
    Index size;
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
    std::vector<Summary> out;
    for (Index k = 0; k < partition.count(); ++k) {
        Summary s{{partition.members.begin() + partition.begin[k],
                   partition.members.begin() + partition.begin[k + 1]},
                  partition.size(k),
                  partition.internal[k],
                  partition.degreeSum[k],
                  {}};
        std::sort(s.members.begin(), s.members.end());
        // Detection keeps the entry a self-loop's singleton starts with (the community
        // itself); a partition made from a membership lists only others.
        for (Index j = partition.linkBegin[k]; j < partition.linkBegin[k + 1]; ++j)
            if (partition.links[j].to != k) s.cuts[partition.links[j].to] += partition.links[j].cut;
        out.push_back(s);
    }
    return out;
}

// The links in order, as (neighbour place, cut).
std::vector<std::pair<Index, std::uint32_t>> linkPairs(const Partition& partition) {
    std::vector<std::pair<Index, std::uint32_t>> out;
    for (const Partition::Link& link : partition.links) out.emplace_back(link.to, link.cut);
    return out;
}

std::vector<Edge> randomEdges(std::mt19937& random, int vertices) {
    std::uniform_int_distribution<VertexId> pick(0, vertices - 1);
    std::vector<Edge> edges;
    for (int e = 0; e < vertices * 3; ++e) edges.push_back({pick(random), pick(random)});
    return edges;
}

// Both detectors lend the graph's lists out while they work on its CSR; the run's later stages
// read them again, so they must come back as they were, also when detection fails.
TEST(Detectors, GiveTheGraphItsListsBack) {
    std::mt19937 random(5);
    Graph graph(true);
    graph.addEdges(randomEdges(random, 80));
    auto lists = [&] {
        std::vector<std::vector<VertexId>> out;
        for (const Vertex* vertex : graph.vertices) {
            out.emplace_back();
            for (const Vertex* neighbour : vertex->neighbours) out.back().push_back(neighbour->id);
        }
        return out;
    };
    const std::vector<std::vector<VertexId>> before = lists();
    ASSERT_GT(graph.numArcs, 100u);
    greedyPartition(graph);
    EXPECT_EQ(lists(), before);
    leidenPartition(graph, {});
    EXPECT_EQ(lists(), before);
    const std::vector<double> negative(graph.numArcs, -1.0);
    EXPECT_THROW(leidenPartition(graph, {}, &negative), std::invalid_argument);
    EXPECT_EQ(lists(), before);
}

// Detection keeps its sums and lists by merging; made from detection's own membership, the
// partition must hold the same, computed from the graph alone. And the detector as a function
// of the graph agrees with the network's own detection step for step: the same communities in
// the same order, each one's members in the order of its merges. Seeded random graphs with
// self-loops and repeated edges.
TEST(PartitionFromMembership, AgreesWithWhatDetectionLeaves) {
    std::mt19937 random(7);
    for (int round = 0; round < 12; ++round) {
        const int vertices = 5 + round * 15;
        const std::vector<Edge> edges = randomEdges(random, vertices);
        Graph graph(true);
        graph.addEdges(std::vector<Edge>(edges));
        const Partition detected = greedyPartition(graph);
        const Partition made =
            partitionFromMembership(graph, detected.communityOf, detected.count());
        EXPECT_EQ(made.communityOf, detected.communityOf) << round;
        EXPECT_EQ(summaries(made), summaries(detected)) << round;
        // Listed on two threads (large graphs), or from the CSR (on one and two threads), the
        // links come out in the same order.
        const Csr csr = csrOf(graph);
        const Partition others[] = {
            partitionFromMembership(graph, detected.communityOf, detected.count(), nullptr, 0),
            partitionFromMembership(graph, csr, detected.communityOf, detected.count()),
            partitionFromMembership(graph, csr, detected.communityOf, detected.count(), 0)};
        for (const Partition& other : others) {
            EXPECT_EQ(other.linkBegin, made.linkBegin) << round;
            EXPECT_EQ(other.internal, made.internal) << round;
            EXPECT_EQ(other.degreeSum, made.degreeSum) << round;
            EXPECT_EQ(linkPairs(other), linkPairs(made)) << round;
        }

        Network network;
        network.graph.addEdges(std::vector<Edge>(edges));
        network.findCommunities(1.0f);
        const Partition ofNetwork = network.partition();
        EXPECT_EQ(ofNetwork.members, detected.members) << round;
        EXPECT_EQ(ofNetwork.begin, detected.begin) << round;
        EXPECT_EQ(linkPairs(ofNetwork), linkPairs(detected)) << round;
    }
}

//   3 - 1 - 2 ⟲      places: {1, 2} → 1, {3, 4} → 0, {5} → 2
//   |   |
//   4   5
TEST(PartitionFromMembership, MembersAscendingNeighboursInOrderOfFirstContact) {
    Graph graph(true);
    graph.addEdges({{1, 2}, {2, 2}, {1, 3}, {3, 4}, {1, 5}});
    // Positions follow first appearance: 1, 2, 3, 4, 5.
    const Partition p = partitionFromMembership(graph, {1, 1, 0, 0, 2}, 3);
    ASSERT_EQ(p.count(), 3u);
    EXPECT_THAT(p.members, ElementsAre(2, 3, 0, 1, 4));
    EXPECT_THAT(p.begin, ElementsAre(0, 2, 4, 5));
    // 1-2 inside twice, the loop once; 1 reaches 3 then 5.
    EXPECT_THAT(p.internal, ElementsAre(2u, 3u, 0u));
    EXPECT_THAT(p.degreeSum, ElementsAre(3u, 5u, 1u));
    EXPECT_THAT(p.linkBegin, ElementsAre(0, 1, 3, 4));
    EXPECT_THAT(
        linkPairs(p),
        ElementsAre(std::pair<Index, std::uint32_t>{1, 1}, std::pair<Index, std::uint32_t>{0, 1},
                    std::pair<Index, std::uint32_t>{2, 1}, std::pair<Index, std::uint32_t>{1, 1}));
    // A place out of range or unused is refused.
    EXPECT_THROW(partitionFromMembership(graph, {0, 0, 0, 0, 3}, 3), Fatal);
    EXPECT_THROW(partitionFromMembership(graph, {0, 0, 0, 0, 2}, 3), Fatal);

    // The communities log names each community by its running number.
    std::ostringstream text;
    Log log;
    log.stream.rdbuf(text.rdbuf());
    logCommunities(p, log);
    EXPECT_EQ(text.str(),
              "#Number; Size; e_ii; a_ij; Sum degrees;\n1 2 2 1 3\n2 2 3 2 5\n3 1 0 1 1\n");
}

// The links table an export wrote reorders the links of the same partition read back; a
// table that is not one, or describes other links, leaves them as they were.
TEST(PartitionFromMembership, LinksTakeTheOrderOfAnExportedTable) {
    Graph graph(true);
    graph.addEdges({{1, 2}, {2, 2}, {1, 3}, {3, 4}, {1, 5}});
    const Partition first = partitionFromMembership(graph, {1, 1, 0, 0, 2}, 3);
    const std::string header = "Source,Target,Weight,weight_sum,source_rank,target_rank\n";
    const auto rows = [&](const std::string& text) {
        std::istringstream in(text);
        return readLinkRanks(in);
    };

    // Community 2 (place 1) lists place 2 first; place 2 keeps a link to itself after place 1.
    Partition p = first;
    const auto table = rows(header + "1,2,1,1,0,1\r\n2,3,1,1,0,0\n3,3,1,1,1,1");
    ASSERT_TRUE(table);
    ASSERT_TRUE(orderLinks(p, *table));
    using L = std::pair<Index, std::uint32_t>;
    EXPECT_THAT(linkPairs(p), ElementsAre(L{1, 1}, L{2, 1}, L{0, 1}, L{1, 1}, L{2, 1}));
    EXPECT_THAT(p.linkBegin, ElementsAre(0, 1, 3, 5));

    for (const char* other : {
             "1,2,1,1,0,2\n2,3,1,1,0,0\n",               // a rank past the community's links
             "1,2,2,2,0,1\n2,3,1,1,0,0\n",               // another cut
             "1,2,1,1,0,1\n",                            // a link missing
             "1,2,1,1,0,1\n2,3,1,1,0,0\n2,4,1,1,1,0\n",  // a community too many
             "1,2,1,1,0,1\n3,2,1,1,0,0\n",               // Source after Target
         }) {
        Partition q = first;
        const auto read = rows(header + other);
        ASSERT_TRUE(read) << other;
        EXPECT_FALSE(orderLinks(q, *read)) << other;
        EXPECT_EQ(linkPairs(q), linkPairs(first)) << other;
    }
    for (const std::string& notATable : {
             std::string("Source,Target,Weight\n1,2,1\n"),  // no ranks
             header + "1,x,1,1,0,0\n",
             header + "0,1,1,1,0,0\n",  // running numbers start at 1
             header + "1,2,1\n",
             header + "1,2,1,1,0," + std::string(300, '0') + "\n",  // too long for a row
             std::string(),
         })
        EXPECT_FALSE(rows(notATable)) << notATable;
    // More rows than the partition can have.
    std::istringstream three(header + "1,2,1,1,0,1\n2,3,1,1,0,0\n3,3,1,1,1,1\n");
    EXPECT_FALSE(readLinkRanks(three, 2));
}

}  // namespace
