#include "analysis/partition.h"

#include "graph/graph.h"

Partition partitionOf(const std::list<Community*>& communities, const Graph& graph) {
    Partition partition;
    partition.communities.assign(communities.begin(), communities.end());
    partition.communityOf.assign(graph.vertices.size(), kNoCommunity);
    for (Index place = 0; place < partition.communities.size(); ++place)
        for (const VertexId id : partition.communities[place]->members)
            if (const Vertex* vertex = graph.vertexMap.find(id))
                partition.communityOf[vertex->index] = place;
    return partition;
}
