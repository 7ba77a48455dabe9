// Writes the pages that page_test.py loads in a browser: small.html, a hand-made network of
// three communities whose looks the test knows, and hostile.html, whose labels and title
// try to break out of the page's data. Usage: make_pages DIRECTORY
#include <algorithm>
#include <cmath>
#include <iostream>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "export/html_page.h"
#include "export/results.h"
#include "graph/graph.h"

namespace {

struct Member {
    VertexId id;
    std::string name;
    Index community;
    float x;
    float y;
    float radius;
    int shell;
    int coreness;
};

using EdgeList = std::vector<std::pair<VertexId, VertexId>>;

// The results of a run that drew graph with these members, communities and links; every
// edge is drawn, in the community's colour inside one and faint white between two.
RunResults resultsFor(Graph& graph, const std::vector<Member>& members, const EdgeList& edges,
                      std::vector<RunResults::Community> communities,
                      std::vector<RunResults::Link> links) {
    for (const auto& [u, v] : edges) graph.addEdge(u, v);
    RunResults r;
    r.graph = &graph;
    const std::size_t V = graph.vertices.size();
    r.community.resize(V);
    r.shell.resize(V);
    r.coreness.resize(V);
    r.x.resize(V);
    r.y.resize(V);
    r.radius.resize(V);
    for (const Member& m : members) {
        const Index at = graph.vertexMap.find(m.id)->index;
        graph.addName(m.id, m.name);
        r.community[at] = m.community;
        r.shell[at] = m.shell;
        r.coreness[at] = m.coreness;
        r.x[at] = m.x;
        r.y[at] = m.y;
        r.radius[at] = m.radius;
        ++communities[m.community].size;
    }
    r.byId.resize(V);
    std::iota(r.byId.begin(), r.byId.end(), Index{0});
    std::sort(r.byId.begin(), r.byId.end(),
              [&](Index a, Index b) { return graph.vertices[a]->id < graph.vertices[b]->id; });
    for (const auto& [u, v] : edges) {
        const Index a = graph.vertexMap.find(u)->index;
        const Index b = graph.vertexMap.find(v)->index;
        const bool inside = r.community[a] == r.community[b];
        r.drawnEdges.push_back({a, b, inside ? communities[r.community[a]].colour : white,
                                inside ? r.opacity : r.opacity / 3});
    }
    r.communities = std::move(communities);
    r.links = std::move(links);
    r.labelsShown = true;
    for (const Member& m : members) r.labelsAsked += m.name.empty() ? 0 : 1;
    r.labelsDrawn = r.labelsAsked;
    return r;
}

RunResults::Community community(float x, float y, float radius, float sphere,
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

// Three communities: red (0, 0), blue (10, 0), green (1, 8). Vertices 4 and 5 lie 0.002
// apart, so zooming can be measured; the labels "bravo", "Bravo Two", "12" and
// "12 Monkeys" exercise the search order.
void writeSmall(const std::string& directory) {
    Graph graph(true);
    const std::vector<Member> members = {
        {1, "Alpha", 0, 0.0f, 2.0f, 0.4f, 2, 3},
        {2, "Bravo", 0, -1.0f, 1.0f, 0.4f, 2, 3},
        {3, "Charlie", 0, 1.0f, 0.0f, 0.45f, 2, 3},
        {4, "Delta", 0, -0.5f, -1.2f, 0.4f, 2, 3},
        {5, "bravo", 0, -0.498f, -1.2f, 0.35f, 1, 2},
        {10, "Foxtrot", 1, 9.0f, 1.5f, 0.35f, 2, 2},
        {11, "Golf", 1, 10.5f, 0.5f, 0.35f, 2, 2},
        {12, "Hotel", 1, 9.5f, -0.6f, 0.45f, 2, 2},
        {13, "Bravo Two", 1, 10.8f, -1.6f, 0.3f, 1, 1},
        {20, "Juliett", 2, 0.0f, 9.0f, 0.35f, 2, 2},
        {21, "12", 2, 1.5f, 8.2f, 0.35f, 1, 2},
        {22, "12 Monkeys", 2, 0.5f, 7.2f, 0.4f, 2, 2},
        {23, "", 2, 1.8f, 6.5f, 0.3f, 1, 1},
    };
    const EdgeList edges = {{1, 2},   {1, 3},   {2, 3},   {3, 4},   {4, 5},   {2, 4},   {1, 5},
                            {10, 11}, {11, 12}, {12, 13}, {10, 12}, {20, 21}, {21, 22}, {22, 23},
                            {20, 22}, {3, 12},  {4, 12},  {1, 20},  {11, 21}};
    const RunResults results = resultsFor(graph, members, edges,
                                          {community(0, 0, 3, 2.0f, 14, 2, {1.0f, 0.2f, 0.2f}),
                                           community(10, 0, 2.5f, 1.6f, 8, 2, {0.2f, 0.2f, 1.0f}),
                                           community(1, 8, 2, 1.3f, 8, 2, {0.2f, 1.0f, 0.2f})},
                                          {{0, 1, 2}, {0, 2, 1}, {1, 2, 1}});
    writeHtmlPage(results, "small network", directory + "/small.html");
}

// One community of ten vertices on a ring, each label an attempt on the page.
void writeHostile(const std::string& directory) {
    const std::vector<std::string> labels = {
        "<img src=x onerror=\"window.pwned=1\">",
        "</script><script>window.pwned=2</script>",
        "<!-- <script>window.pwned=3</script>",
        "line\xE2\x80\xA8sep\xE2\x80\xA9"
        "end",
        "\"quotes\" 'single' \\back\\slash",
        "ctrl\x01\x07\x1b[31mred\x7f",
        "bad\xFF\xFEutf\xC3",
        "]}</SCRIPT ><script>window.pwned=8</script>",
        "&amp; &lt;b&gt; ${window.pwned=9} `tick`",
        "\\u003c/script> \\\" end",
    };
    Graph graph(true);
    std::vector<Member> members;
    EdgeList edges;
    for (std::size_t k = 0; k < labels.size(); ++k) {
        const float angle = float(k) * 6.2831853f / float(labels.size());
        members.push_back(
            {VertexId(k + 1), labels[k], 0, 4 * std::cos(angle), 4 * std::sin(angle), 0.4f, 1, 2});
        edges.push_back({VertexId(k + 1), VertexId((k + 1) % labels.size() + 1)});
    }
    const RunResults results = resultsFor(
        graph, members, edges, {community(0, 0, 4.5f, 3, 20, 1, {1.0f, 1.0f, 0.0f})}, {});
    writeHtmlPage(results, "</title><script>window.pwned=10</script>", directory + "/hostile.html");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cout << "usage: make_pages DIRECTORY\n";
        return 2;
    }
    try {
        writeSmall(argv[1]);
        writeHostile(argv[1]);
    } catch (const Fatal& error) {
        std::cout << error.what();
        return 1;
    }
    return 0;
}
