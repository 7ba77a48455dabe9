// Writes the pages that page_test.py loads in a browser: small.html, a hand-made network of
// three communities whose looks the test knows, hostile.html, whose labels and title try to
// break out of the page's data, and file.html, whose results carry the file's own data.
// Usage: make_pages DIRECTORY
#include <algorithm>
#include <cmath>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "export/html_page.h"
#include "export/results.h"
#include "graph/graph.h"
#include "tests/export/synthetic_results.h"

namespace {

using synthetic::community;

struct Member {
    VertexId id;
    std::string name;
    synthetic::Place place;
};

using EdgeList = std::vector<std::pair<VertexId, VertexId>>;

// The results of a run that drew graph with these members and communities; every edge is
// drawn.
RunResults resultsFor(Graph& graph, const std::vector<Member>& members, const EdgeList& edges,
                      std::vector<RunResults::Community> communities) {
    for (const auto& [u, v] : edges) graph.addEdge(u, v);
    for (const Member& m : members) graph.addName(m.id, m.name);
    RunResults r = synthetic::resultsFor(graph, std::move(communities), [&](const Vertex& v) {
        return std::find_if(members.begin(), members.end(),
                            [&](const Member& m) { return m.id == v.id; })
            ->place;
    });
    synthetic::drawEdges(r, [](Index, Index) { return true; });
    return r;
}

// Three communities: red (0, 0), blue (10, 0), green (1, 8). Vertices 4 and 5 lie 0.002
// apart, so zooming can be measured; the labels "bravo", "Bravo Two", "12" and
// "12 Monkeys" exercise the search order.
void writeSmall(const std::string& directory) {
    Graph graph(true);
    const std::vector<Member> members = {
        {1, "Alpha", {0, 0.0f, 2.0f, 0.4f, 2, 3}},
        {2, "Bravo", {0, -1.0f, 1.0f, 0.4f, 2, 3}},
        {3, "Charlie", {0, 1.0f, 0.0f, 0.45f, 2, 3}},
        {4, "Delta", {0, -0.5f, -1.2f, 0.4f, 2, 3}},
        {5, "bravo", {0, -0.498f, -1.2f, 0.35f, 1, 2}},
        {10, "Foxtrot", {1, 9.0f, 1.5f, 0.35f, 2, 2}},
        {11, "Golf", {1, 10.5f, 0.5f, 0.35f, 2, 2}},
        {12, "Hotel", {1, 9.5f, -0.6f, 0.45f, 2, 2}},
        {13, "Bravo Two", {1, 10.8f, -1.6f, 0.3f, 1, 1}},
        {20, "Juliett", {2, 0.0f, 9.0f, 0.35f, 2, 2}},
        {21, "12", {2, 1.5f, 8.2f, 0.35f, 1, 2}},
        {22, "12 Monkeys", {2, 0.5f, 7.2f, 0.4f, 2, 2}},
        {23, "", {2, 1.8f, 6.5f, 0.3f, 1, 1}},
    };
    const EdgeList edges = {{1, 2},   {1, 3},   {2, 3},   {3, 4},   {4, 5},   {2, 4},   {1, 5},
                            {10, 11}, {11, 12}, {12, 13}, {10, 12}, {20, 21}, {21, 22}, {22, 23},
                            {20, 22}, {3, 12},  {4, 12},  {1, 20},  {11, 21}};
    const RunResults results = resultsFor(graph, members, edges,
                                          {community(0, 0, 3, 2.0f, 14, 2, {1.0f, 0.2f, 0.2f}),
                                           community(10, 0, 2.5f, 1.6f, 8, 2, {0.2f, 0.2f, 1.0f}),
                                           community(1, 8, 2, 1.3f, 8, 2, {0.2f, 1.0f, 0.2f})});
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
        members.push_back({VertexId(k + 1),
                           labels[k],
                           {0, 4 * std::cos(angle), 4 * std::sin(angle), 0.4f, 1, 2}});
        edges.push_back({VertexId(k + 1), VertexId((k + 1) % labels.size() + 1)});
    }
    const RunResults results =
        resultsFor(graph, members, edges, {community(0, 0, 4.5f, 3, 20, 1, {1.0f, 1.0f, 0.0f})});
    writeHtmlPage(results, "</title><script>window.pwned=10</script>", directory + "/hostile.html");
}

// Four drawn vertices and two declared without an edge, with file ids and ten attributes:
// 1 "Alpha" is "n1" in the file, 2 "Bravo" is "Bravo"; 4 "Zulu" ("z9") and 5 "Yankee" are
// isolated. Vertex 1 has every attribute, 2 only the second; a0 of 1 is 300 bytes long.
void writeFileData(const std::string& directory) {
    const std::pair<std::string, std::string> declared[] = {
        {"n0", "Oscar"},   {"n1", "Alpha"}, {"Bravo", "Bravo"},
        {"n3", "Charlie"}, {"z9", "Zulu"},  {"Yankee", "Yankee"}};
    synthetic::Declared file;
    for (const auto& [fileId, label] : declared) file.add(fileId, label);
    AttributeTable& attributes = file.attributes();
    for (int c = 0; c < 10; ++c) {
        std::string name = "a", value = "v";
        attributes.addColumn(name += std::to_string(c), AttributeType::text);
        if (c > 0) attributes.set(std::size_t(c), 1, value += std::to_string(c));
    }
    attributes.set(0, 1, std::string(300, 'w'));
    attributes.set(1, 2, "only");
    attributes.set(1, 4, "far");
    Graph graph(true);
    std::vector<Member> members;
    for (int k = 0; k < 4; ++k)
        members.push_back({k, declared[k].second, {0, 2.0f * float(k), 0.0f, 0.4f, 1, 1}});
    RunResults results = resultsFor(graph, members, {{0, 1}, {1, 2}, {2, 3}},
                                    {community(3, 0, 4, 2, 6, 1, {1.0f, 0.2f, 0.2f})});
    results.declared = file.get();
    writeHtmlPage(results, "file data", directory + "/file.html");
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
        writeFileData(argv[1]);
    } catch (const Fatal& error) {
        std::cout << error.what();
        return 1;
    }
    return 0;
}
