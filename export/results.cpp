#include "export/results.h"

#include <algorithm>

#include "graph/graph.h"

namespace {

// The pairs of adjacent communities with their cuts, from each community's links, once per
// pair.
std::vector<RunResults::Link> linksOf(const Partition& partition) {
    std::vector<RunResults::Link> links;
    for (Index a = 0; a < partition.count(); ++a)
        for (Index j = partition.linkBegin[a]; j < partition.linkBegin[a + 1]; ++j)
            if (a < partition.links[j].to)
                links.push_back({a, partition.links[j].to, partition.links[j].cut});
    std::sort(links.begin(), links.end(), [](const RunResults::Link& x, const RunResults::Link& y) {
        return x.a != y.a ? x.a < y.a : x.b < y.b;
    });
    return links;
}

}  // namespace

RunResults collectResults(const Graph& graph, const Partition& partition,
                          const CommunityShells& shells, const std::vector<int>& coreness,
                          const Layout& layout, const SceneOptions& options, bool labelsShown) {
    RunResults results;
    results.graph = &graph;
    const std::size_t count = graph.vertices.size();
    results.community = partition.communityOf;
    results.coreness = coreness;
    // The layout and the shells list the vertices in their own orders; these are by position.
    results.shell.resize(count);
    for (std::size_t i = 0; i < partition.members.size(); ++i)
        results.shell[partition.members[i]] = shells.shell[i];
    results.x.resize(count);
    results.y.resize(count);
    results.radius.resize(count);
    for (std::size_t i = 0; i < layout.walk.size(); ++i) {
        const Index p = layout.walk[i];
        const Layout::VertexPlace& place = layout.vertices[i];
        results.x[p] = place.x;
        results.y[p] = place.y;
        results.radius[p] = options.unitLength * place.size;
    }
    results.byId.reserve(count);
    for (const auto& [id, vertex] : graph.vertexMap) results.byId.push_back(vertex->index);

    results.communities.resize(partition.count());
    for (Index k = 0; k < partition.count(); ++k) {
        const Layout::CommunityPlace& place = layout.communities[k];
        RunResults::Community& entry = results.communities[k];
        entry.size = partition.size(k);
        entry.internal = partition.internal[k];
        entry.external = partition.degreeSum[k] - partition.internal[k];
        entry.degreeSum = partition.degreeSum[k];
        entry.maxShell = shells.maxShell[k];
        entry.x = place.x;
        entry.y = place.y;
        entry.radius = place.realSize;
        entry.sphere = layout.spiral.w * place.abstractSize;
        entry.colour = place.colour;
    }
    results.links = linksOf(partition);
    results.drawnEdges.reserve(layout.edges.size());
    for (const DrawnEdge& edge : layout.edges)
        results.drawnEdges.push_back(
            {layout.walk[edge.from], layout.walk[edge.to], edge.colour, edge.opacity});

    results.labelsShown = labelsShown;
    results.idsAsLabels = options.idsAsLabels;
    results.labelsAsked = layout.labelsAsked;
    results.labelsDrawn = layout.labelsDrawn();
    results.background = options.bckgnd;
    results.opacity = options.opacity;
    results.font = options.font;
    return results;
}
