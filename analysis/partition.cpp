#include "analysis/partition.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <unordered_map>

#include "analysis/csr.h"
#include "graph/graph.h"
#include "graph/memory.h"
#include "graph/threads.h"

Partition partitionOf(const std::list<Community*>& communities, const Graph& graph) {
    Partition partition;
    const std::size_t count = communities.size();
    std::unordered_map<const Community*, Index> placeOf;
    placeOf.reserve(count);
    for (const Community* community : communities)
        placeOf.emplace(community, static_cast<Index>(placeOf.size()));
    partition.communityOf.assign(graph.vertices.size(), kNoCommunity);
    partition.members.reserve(graph.vertices.size());
    partition.begin.reserve(count + 1);
    partition.internal.reserve(count);
    partition.degreeSum.reserve(count);
    partition.linkBegin.reserve(count + 1);
    Index place = 0;
    for (const Community* community : communities) {
        for (const VertexId id : community->members) {
            if (const Vertex* vertex = graph.vertexMap.find(id)) {
                partition.communityOf[vertex->index] = place;
                partition.members.push_back(vertex->index);
            }
        }
        partition.begin.push_back(static_cast<Index>(partition.members.size()));
        partition.internal.push_back(community->internalDegree);
        partition.degreeSum.push_back(community->degreeSum);
        for (std::size_t j = 0; j < community->neighbours.size(); ++j) {
            const auto neighbour = placeOf.find(community->neighbours[j]);
            if (neighbour != placeOf.end())
                partition.links.push_back({neighbour->second, community->cuts[j]});
        }
        partition.linkBegin.push_back(static_cast<Index>(partition.links.size()));
        ++place;
    }
    return partition;
}

namespace {

// The links of communities [from, to) of a partition whose members are grouped[start[k] …
// start[k + 1]), each community's in order of first contact along its members' adjacency:
// where each neighbour community sits among k's links, valid while contactOf says it was met
// by k. Adds the communities' internal entries and degree sums to the partition.
struct RangeLinks {
    std::vector<Partition::Link> links;
    std::vector<Index> end;  // by community of the range
};

// eachNeighbour(p, visit) calls visit with the position of every neighbour of vertex p, in
// the order of its adjacency.
template <class EachNeighbour>
void listRange(const EachNeighbour& eachNeighbour, const std::vector<Index>& start,
               const std::vector<Index>& grouped, Index from, Index to, Partition& partition,
               RangeLinks& out) {
    if (from == to) return;
    const std::vector<Index>& communityOf = partition.communityOf;
    std::vector<Index> contactOf(partition.internal.size(), kNoCommunity);
    std::vector<std::size_t> slotOf(partition.internal.size(), 0);
    out.end.reserve(to - from);
    for (Index k = from; k < to; ++k) {
        for (Index at = start[k]; at < start[k + 1]; ++at) {
            std::uint32_t degree = 0;
            eachNeighbour(grouped[at], [&](Index neighbour) {
                ++degree;
                const Index other = communityOf[neighbour];
                if (other == k) {
                    ++partition.internal[k];
                } else if (contactOf[other] != k) {
                    contactOf[other] = k;
                    slotOf[other] = out.links.size();
                    out.links.push_back({other, 1});
                } else {
                    ++out.links[slotOf[other]].cut;
                }
            });
            partition.degreeSum[k] += degree;
        }
        out.end.push_back(static_cast<Index>(out.links.size()));
    }
}

// Every community's links (see listRange). Large partitions share the communities between
// two threads, each listing its own range; the ranges are joined in order.
template <class EachNeighbour>
void listLinks(const Graph& graph, const EachNeighbour& eachNeighbour,
               const std::vector<Index>& start, const std::vector<Index>& grouped,
               Partition& partition, std::size_t twoThreadsFrom) {
    const Index count = static_cast<Index>(start.size() - 1);
    partition.internal.assign(count, 0);
    partition.degreeSum.assign(count, 0);
    RangeLinks first, second;
    const bool twoThreads =
        graph.vertices.size() >= twoThreadsFrom && count >= 2 && graph.threads >= 2;
    const Index split =
        twoThreads
            ? static_cast<Index>(halfOfTheWork(
                  count, [&](std::size_t k) { return std::size_t{start[k + 1] - start[k]}; }))
            : count;
    inParallel(
        twoThreads ? graph.threads : 1,
        [&] { listRange(eachNeighbour, start, grouped, 0, split, partition, first); },
        [&] { listRange(eachNeighbour, start, grouped, split, count, partition, second); });
    partition.links = std::move(first.links);
    partition.linkBegin.reserve(std::size_t{count} + 1);
    for (const Index end : first.end) partition.linkBegin.push_back(end);
    const Index shift = static_cast<Index>(partition.links.size());
    partition.links.insert(partition.links.end(), second.links.begin(), second.links.end());
    for (const Index end : second.end) partition.linkBegin.push_back(shift + end);
}

// partitionFromMembership with the adjacency from the CSR when one is given, else from the
// graph's lists.
Partition fromMembership(const Graph& graph, const Csr* csr, const std::vector<Index>& communityOf,
                         Index count, const std::vector<Index>* rank, std::size_t twoThreadsFrom) {
    const std::size_t vertexCount = graph.vertices.size();
    if (communityOf.size() != vertexCount)
        throw Fatal("ERROR: A membership does not cover the graph's vertices\n");
    // The vertices grouped by community, ascending id inside each: a counting sort of the
    // id order. start[k] … start[k + 1] are community k's.
    std::vector<Index> start(std::size_t{count} + 1, 0);
    for (const Index place : communityOf) {
        if (place >= count) throw Fatal("ERROR: A membership names a community out of range\n");
        ++start[place + 1];
    }
    for (Index k = 0; k < count; ++k) {
        if (start[k + 1] == 0) throw Fatal("ERROR: A membership leaves a community empty\n");
        start[k + 1] += start[k];
    }
    std::vector<Index> next(start.begin(), start.end() - 1);
    std::vector<Index> grouped = bigVector<Index>(vertexCount, 0, graph.threads);
    for (const auto& [id, vertex] : graph.vertexMap)
        grouped[next[communityOf[vertex->index]]++] = vertex->index;
    if (rank && rank->size() == vertexCount)
        for (Index k = 0; k < count; ++k)
            std::stable_sort(grouped.begin() + start[k], grouped.begin() + start[k + 1],
                             [&](Index a, Index b) { return (*rank)[a] < (*rank)[b]; });

    Partition partition;
    partition.communityOf = communityOf;
    if (csr) {
        listLinks(
            graph,
            [&](Index p, auto&& visit) {
                for (Index k = csr->offsets[p]; k < csr->offsets[p + 1]; ++k)
                    visit(csr->targets[k]);
            },
            start, grouped, partition, twoThreadsFrom);
    } else {
        listLinks(
            graph,
            [&](Index p, auto&& visit) {
                for (const Vertex* neighbour : graph.vertices[p]->neighbours)
                    visit(neighbour->index);
            },
            start, grouped, partition, twoThreadsFrom);
    }
    partition.members = std::move(grouped);
    partition.begin = std::move(start);
    return partition;
}

}  // namespace

Partition partitionFromMembership(const Graph& graph, const std::vector<Index>& communityOf,
                                  Index count, const std::vector<Index>* rank,
                                  std::size_t twoThreadsFrom) {
    return fromMembership(graph, nullptr, communityOf, count, rank, twoThreadsFrom);
}

Partition partitionFromMembership(const Graph& graph, const Csr& csr,
                                  const std::vector<Index>& communityOf, Index count,
                                  std::size_t twoThreadsFrom) {
    if (csr.vertexCount() != graph.vertices.size())
        throw std::invalid_argument("partitionFromMembership: the CSR is not of this graph");
    return fromMembership(graph, &csr, communityOf, count, nullptr, twoThreadsFrom);
}

bool orderLinks(Partition& partition, const std::vector<LinkRank>& rows) {
    const Index count = partition.count();
    struct Entry {
        Index community;
        Index rank;
        Partition::Link link;
    };
    std::vector<Entry> entries;
    entries.reserve(2 * rows.size());
    for (const LinkRank& row : rows) {
        if (row.a >= count || row.b >= count || row.b < row.a) return false;
        entries.push_back({row.a, row.aRank, {row.b, row.edges}});
        if (row.a != row.b) entries.push_back({row.b, row.bRank, {row.a, row.edges}});
    }
    // The same links as the partition's, community by community, compared in neighbour order.
    const auto byNeighbour = [](const Partition::Link& x, const Partition::Link& y) {
        return x.to != y.to ? x.to < y.to : x.cut < y.cut;
    };
    std::vector<Partition::Link> have(partition.links);
    std::vector<Index> owner(have.size());
    for (Index k = 0; k < count; ++k) {
        std::fill(owner.begin() + partition.linkBegin[k],
                  owner.begin() + partition.linkBegin[k + 1], k);
        std::sort(have.begin() + partition.linkBegin[k], have.begin() + partition.linkBegin[k + 1],
                  byNeighbour);
    }
    std::vector<Partition::Link> want;
    std::vector<Index> wantOwner;
    std::sort(entries.begin(), entries.end(), [&](const Entry& x, const Entry& y) {
        return x.community != y.community ? x.community < y.community : byNeighbour(x.link, y.link);
    });
    for (const Entry& entry : entries) {
        if (entry.link.to == entry.community) continue;
        want.push_back(entry.link);
        wantOwner.push_back(entry.community);
    }
    for (std::size_t j = 0; j < want.size(); ++j)
        if (j >= have.size() || owner[j] != wantOwner[j] || have[j].to != want[j].to ||
            have[j].cut != want[j].cut)
            return false;
    if (want.size() != have.size()) return false;

    // Ranks 0, 1, 2, ... in each community.
    std::sort(entries.begin(), entries.end(), [](const Entry& x, const Entry& y) {
        return x.community != y.community ? x.community < y.community : x.rank < y.rank;
    });
    std::vector<Index> linkBegin(std::size_t{count} + 1, 0);
    for (std::size_t j = 0; j < entries.size(); ++j) {
        const Index expected = j == 0 || entries[j - 1].community != entries[j].community
                                   ? 0
                                   : entries[j - 1].rank + 1;
        if (entries[j].rank != expected) return false;
        ++linkBegin[entries[j].community + 1];
    }
    for (Index k = 0; k < count; ++k) linkBegin[k + 1] += linkBegin[k];
    partition.links.clear();
    for (const Entry& entry : entries) partition.links.push_back(entry.link);
    partition.linkBegin = std::move(linkBegin);
    return true;
}

void logCommunities(const Partition& partition, Log& log) {
    std::string text = "#Number; Size; e_ii; a_ij; Sum degrees;\n";
    for (Index k = 0; k < partition.count(); ++k) {
        text += std::to_string(k + 1);
        text += ' ';
        text += std::to_string(partition.size(k));
        text += ' ';
        text += std::to_string(partition.internal[k]);
        text += ' ';
        text += std::to_string(partition.degreeSum[k] - partition.internal[k]);
        text += ' ';
        text += std::to_string(partition.degreeSum[k]);
        text += '\n';
    }
    log << text;
}
