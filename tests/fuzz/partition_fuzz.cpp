// Fuzz target of the partition reader (-partition). The input is read for a small graph, in
// either form (whitespace lines, or CSV when it opens with a header naming Id and community).
// Either one error line naming the file and a line of the input, or a membership that covers
// every vertex once: the listed communities first, then one place per unlisted vertex, every
// place used; the communities made from it account for every vertex and adjacency entry.
// The same bytes read as the links table beside a vertices table either leave the links as
// they are or put the same links in another order (links of a community to itself added).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "analysis/partition.h"
#include "fuzz/fuzz_check.h"
#include "graph/graph.h"
#include "graph/partition_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Ids 0 … 9 and 100: a path with a loop and a spur.
    static const Graph graph = [] {
        Graph g(true);
        g.addEdges({{0, 1},
                    {1, 2},
                    {2, 3},
                    {3, 4},
                    {4, 5},
                    {5, 6},
                    {6, 7},
                    {7, 8},
                    {8, 9},
                    {9, 9},
                    {3, 100}});
        return g;
    }();
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::istringstream input(text);
    Membership membership;
    try {
        membership = readPartition(input, "p.txt", graph);
    } catch (const Fatal& fatal) {
        const std::string message = fatal.what();
        FUZZ_CHECK(fuzz::isOneErrorLine(message));
        FUZZ_CHECK(message.starts_with("ERROR: p.txt:"));
        const std::size_t line = std::stoul(message.substr(13));
        FUZZ_CHECK(line >= 1 &&
                   line <= std::size_t(std::count(text.begin(), text.end(), '\n')) + 1);
        return 0;
    }
    const std::size_t count = graph.vertices.size();
    FUZZ_CHECK(membership.communityOf.size() == count);
    FUZZ_CHECK(membership.unassigned <= count && membership.communities <= count);
    const Index listed = membership.communities - Index(membership.unassigned);
    std::vector<std::size_t> members(membership.communities, 0);
    for (const Index place : membership.communityOf) {
        FUZZ_CHECK(place < membership.communities);
        ++members[place];
    }
    for (Index place = 0; place < membership.communities; ++place) {
        FUZZ_CHECK(members[place] > 0);
        if (place >= listed) FUZZ_CHECK(members[place] == 1);
    }
    const Partition partition =
        partitionFromMembership(graph, membership.communityOf, membership.communities);
    std::size_t vertices = 0;
    std::uint64_t degrees = 0;
    for (Index k = 0; k < partition.count(); ++k) {
        vertices += partition.size(k);
        degrees += partition.degreeSum[k];
        // Members in ascending id.
        for (Index i = partition.begin[k] + 1; i < partition.begin[k + 1]; ++i)
            FUZZ_CHECK(graph.vertices[partition.members[i - 1]]->id <
                       graph.vertices[partition.members[i]]->id);
    }
    FUZZ_CHECK(vertices == count && degrees == graph.numArcs);

    std::istringstream table(text);
    const auto rows = readLinkRanks(table, partition.links.size() + partition.count());
    if (!rows) return 0;
    Partition ordered = partition;
    const bool applied = orderLinks(ordered, *rows);
    const auto between = [](const Partition& p) {
        std::vector<std::tuple<Index, Index, std::uint32_t>> links;
        for (Index k = 0; k < p.count(); ++k)
            for (Index j = p.linkBegin[k]; j < p.linkBegin[k + 1]; ++j)
                if (p.links[j].to != k) links.emplace_back(k, p.links[j].to, p.links[j].cut);
        std::sort(links.begin(), links.end());
        return links;
    };
    FUZZ_CHECK(between(ordered) == between(partition));
    FUZZ_CHECK(ordered.linkBegin.size() == partition.linkBegin.size() &&
               ordered.linkBegin.back() == ordered.links.size());
    if (!applied) FUZZ_CHECK(ordered.links.size() == partition.links.size());
    return 0;
}
