#include "analysis/partition.h"

#include <algorithm>
#include <string>
#include <unordered_map>

#include "graph/graph.h"
#include "graph/memory.h"

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

Partition partitionFromMembership(const Graph& graph, const std::vector<Index>& communityOf,
                                  Index count, const std::vector<Index>* rank) {
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
    partition.internal.assign(count, 0);
    partition.degreeSum.assign(count, 0);
    partition.linkBegin.reserve(std::size_t{count} + 1);
    // The links of community k in order of first contact: where each neighbour community
    // sits among k's links, valid while contactOf says it was met by k.
    std::vector<Index> contactOf(count, kNoCommunity);
    std::vector<std::size_t> slotOf(count, 0);
    for (Index k = 0; k < count; ++k) {
        for (Index at = start[k]; at < start[k + 1]; ++at) {
            const Vertex* vertex = graph.vertices[grouped[at]];
            partition.degreeSum[k] += static_cast<std::uint32_t>(vertex->neighbours.size());
            for (const Vertex* neighbour : vertex->neighbours) {
                const Index other = communityOf[neighbour->index];
                if (other == k) {
                    ++partition.internal[k];
                } else if (contactOf[other] != k) {
                    contactOf[other] = k;
                    slotOf[other] = partition.links.size();
                    partition.links.push_back({other, 1});
                } else {
                    ++partition.links[slotOf[other]].cut;
                }
            }
        }
        partition.linkBegin.push_back(static_cast<Index>(partition.links.size()));
    }
    partition.members = std::move(grouped);
    partition.begin = std::move(start);
    return partition;
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
