#include "export/results.h"

#include <algorithm>

#include "graph/graph.h"

namespace {

// The link between communities a < b in links sorted by pair, or null.
RunResults::Link* findLink(std::vector<RunResults::Link>& links, Index a, Index b) {
    const auto at =
        std::lower_bound(links.begin(), links.end(), std::pair{a, b},
                         [](const RunResults::Link& l, const std::pair<Index, Index>& key) {
                             return l.a != key.first ? l.a < key.first : l.b < key.second;
                         });
    return at != links.end() && at->a == a && at->b == b ? &*at : nullptr;
}

// The pairs of adjacent communities with their cuts, from each community's links, once per
// pair, with the place each end gives the other among its links.
std::vector<RunResults::Link> linksOf(const Partition& partition) {
    std::vector<RunResults::Link> links;
    for (Index a = 0; a < partition.count(); ++a)
        for (Index j = partition.linkBegin[a]; j < partition.linkBegin[a + 1]; ++j)
            if (a < partition.links[j].to)
                links.push_back({a, partition.links[j].to, partition.links[j].cut, 0.0,
                                 j - partition.linkBegin[a], 0});
    std::sort(links.begin(), links.end(), [](const RunResults::Link& x, const RunResults::Link& y) {
        return x.a != y.a ? x.a < y.a : x.b < y.b;
    });
    for (Index b = 0; b < partition.count(); ++b) {
        for (Index j = partition.linkBegin[b]; j < partition.linkBegin[b + 1]; ++j) {
            const Index a = partition.links[j].to;
            if (!(a < b)) continue;
            if (RunResults::Link* link = findLink(links, a, b))
                link->targetRank = j - partition.linkBegin[b];
        }
    }
    return links;
}

std::vector<RunResults::SelfLink> selfLinksOf(const Partition& partition) {
    std::vector<RunResults::SelfLink> self;
    for (Index k = 0; k < partition.count(); ++k)
        for (Index j = partition.linkBegin[k]; j < partition.linkBegin[k + 1]; ++j)
            if (partition.links[j].to == k)
                self.push_back({k, partition.links[j].cut, j - partition.linkBegin[k]});
    return self;
}

}  // namespace

namespace {

// Every vertex's strength: its entries' weights, or its degree without weights.
std::vector<double> strengthsOf(const Graph& graph, const std::vector<double>* weights) {
    std::vector<double> strength(graph.vertices.size(), 0.0);
    std::size_t entry = 0;
    for (std::size_t p = 0; p < graph.vertices.size(); ++p) {
        const std::size_t degree = graph.vertices[p]->neighbours.size();
        if (!weights) {
            strength[p] = double(degree);
            continue;
        }
        for (std::size_t k = 0; k < degree; ++k) strength[p] += (*weights)[entry++];
    }
    return strength;
}

// The weight between each pair of adjacent communities: each edge once (from its end in the
// community of the smaller place).
void addLinkWeights(std::vector<RunResults::Link>& links, const Graph& graph,
                    const std::vector<Index>& communityOf, const std::vector<double>* weights) {
    if (!weights) {
        for (RunResults::Link& link : links) link.weightSum = link.edges;
        return;
    }
    std::size_t entry = 0;
    for (std::size_t p = 0; p < graph.vertices.size(); ++p) {
        for (const Vertex* neighbour : graph.vertices[p]->neighbours) {
            const double weight = (*weights)[entry++];
            const Index a = communityOf[p], b = communityOf[neighbour->index];
            if (!(a < b)) continue;
            if (RunResults::Link* link = findLink(links, a, b)) link->weightSum += weight;
        }
    }
}

}  // namespace

RunResults collectResults(const Graph& graph, const Partition& partition,
                          const CommunityShells& shells, const std::vector<int>& coreness,
                          const Layout& layout, const SceneOptions& options, bool labelsShown,
                          const DeclaredVertices* declared, const std::vector<double>* weights) {
    RunResults results;
    results.graph = &graph;
    results.declared = declared && declared->size() > 0 ? declared : nullptr;
    results.weights = weights;
    results.strength = strengthsOf(graph, weights);
    results.memberRank.assign(graph.vertices.size(), 0);
    for (Index k = 0; k < partition.count(); ++k)
        for (Index i = partition.begin[k]; i < partition.begin[k + 1]; ++i)
            results.memberRank[partition.members[i]] = i - partition.begin[k];
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
        for (Index i = partition.begin[k]; i < partition.begin[k + 1]; ++i)
            entry.strengthSum += results.strength[partition.members[i]];
    }
    results.links = linksOf(partition);
    results.selfLinks = selfLinksOf(partition);
    addLinkWeights(results.links, graph, partition.communityOf, weights);
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
