#include "analysis/partition.h"

#include "graph/graph.h"

Partition partitionOf(const std::list<Community*>& communities, const Graph& graph) {
    Partition partition;
    partition.communities.assign(communities.begin(), communities.end());
    partition.communityOf.assign(graph.vertices.size(), kNoCommunity);
    partition.members.reserve(graph.vertices.size());
    partition.begin.reserve(partition.communities.size() + 1);
    for (Index place = 0; place < partition.communities.size(); ++place) {
        for (const VertexId id : partition.communities[place]->members) {
            if (const Vertex* vertex = graph.vertexMap.find(id)) {
                partition.communityOf[vertex->index] = place;
                partition.members.push_back(vertex->index);
            }
        }
        partition.begin.push_back(static_cast<Index>(partition.members.size()));
    }
    return partition;
}

Partition partitionFromMembership(const Graph& graph, const std::vector<Index>& communityOf,
                                  Index count, Arena<Community>& store) {
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
    std::vector<Index> grouped = bigVector<Index>(vertexCount, 0);
    for (const auto& [id, vertex] : graph.vertexMap)
        grouped[next[communityOf[vertex->index]]++] = vertex->index;

    Partition partition;
    partition.communityOf = communityOf;
    partition.communities.reserve(count);
    store.reserve(count);
    for (Index k = 0; k < count; ++k) partition.communities.push_back(store.emplace(k));

    // The links of community k in order of first contact: where each neighbour community
    // sits in k's lists, valid while contactOf says it was met by k.
    std::vector<Index> contactOf(count, kNoCommunity);
    std::vector<Index> slotOf(count, 0);
    for (Index k = 0; k < count; ++k) {
        Community* community = partition.communities[k];
        community->size = static_cast<int>(start[k + 1] - start[k]);
        community->members.reserve(start[k + 1] - start[k]);
        for (Index at = start[k]; at < start[k + 1]; ++at) {
            const Vertex* vertex = graph.vertices[grouped[at]];
            community->members.push_back(vertex->id);
            community->degreeSum += static_cast<std::uint32_t>(vertex->neighbours.size());
            for (const Vertex* neighbour : vertex->neighbours) {
                const Index other = communityOf[neighbour->index];
                if (other == k) {
                    ++community->internalDegree;
                } else if (contactOf[other] != k) {
                    contactOf[other] = k;
                    slotOf[other] = static_cast<Index>(community->neighbours.size());
                    community->neighbours.push_back(partition.communities[other]);
                    community->cuts.push_back(1);
                } else {
                    ++community->cuts[slotOf[other]];
                }
            }
        }
    }
    partition.members = std::move(grouped);
    partition.begin = std::move(start);
    return partition;
}
