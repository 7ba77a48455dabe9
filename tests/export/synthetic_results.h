// Synthetic RunResults: what a run would hand its writers, made from a graph and a place for
// each vertex without running the stages. The writers' tests (tests/export), the page's
// browser fixtures (tests/browser) and the page's benchmarks (bench/page_synthetic.h) all
// build their results here, so each gets them consistent the way collectResults makes them:
// arrays by vertex position, byId in ascending id, community sizes counted from their
// members, links counted from the graph's edges, labels counted from its names.
//
// It lives with the tests rather than with the benchmarks because the tests are most of its
// users and what it must get right is what the writers check (HtmlPage refuses results that
// do not fit their graph); the benchmarks include it from here. Header only, and no part of
// the library, so the program never depends on it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "export/results.h"
#include "graph/graph.h"

namespace synthetic {

// Where one vertex goes and its shells.
struct Place {
    Index community = 0;
    float x = 0.0f;
    float y = 0.0f;
    float radius = 0.0f;
    int shell = 1;
    int coreness = 1;
};

// The results of a run that drew graph (which must outlive them) with these communities
// (their sizes counted here) and each vertex where placeOf(const Vertex&) says. No edge is
// drawn (drawEdges); labels are shown when any vertex has a name.
template <class PlaceOf>
RunResults resultsFor(const Graph& graph, std::vector<RunResults::Community> communities,
                      PlaceOf&& placeOf) {
    RunResults r;
    r.graph = &graph;
    const std::size_t V = graph.vertices.size();
    r.community.resize(V);
    r.shell.resize(V);
    r.coreness.resize(V);
    r.x.resize(V);
    r.y.resize(V);
    r.radius.resize(V);
    for (RunResults::Community& c : communities) c.size = 0;
    for (const Vertex* vertex : graph.vertices) {
        const Place place = placeOf(*vertex);
        const Index at = vertex->index;
        r.community[at] = place.community;
        r.x[at] = place.x;
        r.y[at] = place.y;
        r.radius[at] = place.radius;
        r.shell[at] = place.shell;
        r.coreness[at] = place.coreness;
        ++communities.at(place.community).size;
        if (!vertex->name.empty()) ++r.labelsAsked;
    }
    r.byId.reserve(V);
    for (const auto& [id, vertex] : graph.vertexMap) r.byId.push_back(vertex->index);
    r.communities = std::move(communities);
    // Each edge once, from its end of the larger id; the cuts between communities, ascending.
    std::vector<std::pair<Index, Index>> cut;
    for (const Vertex* v : graph.vertices)
        for (const Vertex* w : v->neighbours) {
            const Index a = r.community[v->index];
            const Index b = r.community[w->index];
            if (w->id < v->id && a != b) cut.emplace_back(std::min(a, b), std::max(a, b));
        }
    std::sort(cut.begin(), cut.end());
    for (std::size_t k = 0; k < cut.size(); ++k) {
        if (k == 0 || cut[k] != cut[k - 1]) r.links.push_back({cut[k].first, cut[k].second, 0});
        ++r.links.back().edges;
    }
    r.labelsShown = r.labelsAsked > 0;
    r.labelsDrawn = r.labelsAsked;
    return r;
}

// Draws the edges keep(a, b) chooses (vertex positions), each once from its end of the larger
// id, as the vertex scene colours them: in their community's colour inside one, white and
// three times fainter between two.
template <class Keep>
void drawEdges(RunResults& r, Keep&& keep) {
    for (const Vertex* v : r.graph->vertices)
        for (const Vertex* w : v->neighbours) {
            if (!(w->id < v->id) || !keep(v->index, w->index)) continue;
            const Index a = r.community[v->index];
            const bool inside = a == r.community[w->index];
            r.drawnEdges.push_back({v->index, w->index, inside ? r.communities[a].colour : white,
                                    inside ? r.opacity : r.opacity / 3});
        }
}

// A community at (x, y) with these radii (its disc in the vertex scene, its sphere in the
// community scene), e_ii, top shell and colour; its size is counted by resultsFor.
inline RunResults::Community community(float x, float y, float radius, float sphere,
                                       std::uint32_t internal, int maxShell, tColor colour) {
    RunResults::Community c;
    c.internal = internal;
    c.maxShell = maxShell;
    c.x = x;
    c.y = y;
    c.radius = radius;
    c.sphere = sphere;
    c.colour = colour;
    return c;
}

// Declared vertices made by hand, numbered as added (the graph's vertex ids), with their
// attributes; it keeps their labels' bytes, as the graph would.
class Declared {
  public:
    void add(std::string_view fileId, std::string_view label) {
        vertices_.fileIdBytes += fileId;
        vertices_.fileIdEnds.push_back(vertices_.fileIdBytes.size());
        labels_ += label;
        vertices_.labelEnds.push_back(labels_.size());
    }
    AttributeTable& attributes() { return vertices_.attributes; }
    // The vertices, their labels pointing into this object's bytes.
    const DeclaredVertices* get() {
        vertices_.labelBytes = labels_;
        return &vertices_;
    }

  private:
    DeclaredVertices vertices_;
    std::string labels_;
};

}  // namespace synthetic
