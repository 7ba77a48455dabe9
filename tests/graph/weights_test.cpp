// Edge weights from the readers to the graph's adjacency, and what a name-based file
// declares of its vertices (file ids, labels, attributes) carried into InputRead.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "graph/defs.h"
#include "graph/formats/csv_reader.h"
#include "graph/formats/network_reader.h"

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

std::string errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Fatal& error) {
        return error.what();
    }
    return "(no error)";
}

struct Read {
    Graph graph{true};
    InputRead read;
};

Read readText(const std::string& text, const std::string& name, bool weighted) {
    Read out;
    std::istringstream input(text);
    out.read = readNetwork(input, out.graph, name, {.format = std::nullopt, .weighted = weighted});
    return out;
}

// The weight of each adjacency entry found the slow way: each vertex in position order, each
// neighbour in order, looked up among the pairs' summed weights.
using PairWeights = std::map<std::pair<VertexId, VertexId>, double>;
std::vector<double> walk(const Graph& graph, const PairWeights& weights) {
    std::vector<double> out;
    for (const Vertex* vertex : graph.vertices)
        for (const Vertex* neighbour : vertex->neighbours)
            out.push_back(weights.at(std::minmax(vertex->id, neighbour->id)));
    return out;
}

//   0 ── 1      lines: 0 1 3, 1 0 2 (the same pair), 0 0 4, 1 2 0.5, 0 0 1 (the loop again)
//   ↺    │
//        2
TEST(Weights, EdgeListRepeatsSumAndSelfLoopsCountOnce) {
    const Read r = readText("# weights\n0 1 3\n1 0 2\n0 0 4\n1 2 0.5\n0 0 1\n", "in.txt", true);
    // Vertex 0: neighbours 1 then itself; vertex 1: 0, 2; vertex 2: 1.
    EXPECT_THAT(r.read.adjacencyWeights, ElementsAre(5, 5, 5, 0.5, 0.5));
    EXPECT_EQ(r.read.adjacencyWeights, walk(r.graph, {{{0, 1}, 5}, {{0, 0}, 5}, {{1, 2}, 0.5}}));
    EXPECT_EQ(r.read.adjacencyWeights.size(), std::size_t{r.graph.numArcs});
    EXPECT_EQ(r.read.weightsMissing, 0u);
    EXPECT_TRUE(r.read.declared.size() == 0);

    // Two columns weigh every line 1, so a repeated pair weighs 2.
    EXPECT_THAT(readText("5 7\n7 5\n7 9\n", "in.txt", true).read.adjacencyWeights,
                ElementsAre(2, 2, 1, 1));
    // Without -weighted nothing is kept.
    EXPECT_TRUE(readText("0 1 3\n1 2 4\n", "in.txt", false).read.adjacencyWeights.empty());
    EXPECT_TRUE(
        readText("source,target,weight\na,b,2\n", "in.csv", false).read.adjacencyWeights.empty());
}

TEST(Weights, ErrorLinesWithAndWithoutWeighted) {
    struct Case {
        std::string name;
        std::string text;
        bool weighted;
        std::string error;  // empty: none
    };
    auto positive = [](const std::string& where, const std::string& token) {
        return "ERROR: " + where + ": '" + token + "' is not a positive weight\n";
    };
    auto invalid = [](const std::string& where, const std::string& token) {
        return "ERROR: " + where + ": '" + token + "' is not a valid weight\n";
    };
    const std::vector<Case> cases = {
        {"in.txt", "0 1 2\n% note\n\n1 2 0\n", true, positive("in.txt:4", "0")},
        {"in.txt", "0 1 -1\n", true, positive("in.txt:1", "-1")},
        {"in.txt", "0 1 1\n1 2\n-0.0\n", true, positive("in.txt:3", "-0.0")},
        {"in.txt", "0 1 nan\n", true, positive("in.txt:1", "nan")},
        {"in.txt", "0 1 1\n1 2 -Infinity\n", true, positive("in.txt:2", "-Infinity")},
        {"in.txt", "0 1 inf\n", true, positive("in.txt:1", "inf")},
        {"in.txt", "0 1 1e999\n", true, positive("in.txt:1", "1e999")},
        {"in.txt", "0 1 1e-999\n", true, positive("in.txt:1", "1e-999")},
        {"in.txt", "0 1 heavy\n", true, invalid("in.txt:1", "heavy")},
        {"in.txt", "0 1 +nanx\n", true, invalid("in.txt:1", "+nanx")},
        // Without -weighted the weight is only a plain decimal, as it always was.
        {"in.txt", "0 1 0\n1 2 -1\n2 3 1e999\n", false, ""},
        {"in.txt", "0 1 nan\n", false, invalid("in.txt:1", "nan")},
        {"in.txt", "0 1 1\n1 2 inf\n", false, invalid("in.txt:2", "inf")},
        {"in.csv", "source,target,weight\na,b,1\nb,c,0\n", true, positive("in.csv:3", "0")},
        {"in.csv", "source,target,weight\n\"a\nb\",c,-1\n", true, positive("in.csv:2", "-1")},
        {"in.csv", "source,target,weight\na,b,nan\n", true, positive("in.csv:2", "nan")},
        {"in.csv", "source,target,weight\na,b,inf\n", true, positive("in.csv:2", "inf")},
        {"in.csv", "source,target,weight\na,b,na\n", true, invalid("in.csv:2", "na")},
        {"in.csv", "source,target,weight\na,b,0\nb,c,-1\n", false, ""},
        {"in.csv", "source,target,weight\na,b,inf\n", false, invalid("in.csv:2", "inf")},
        {"in.csv", "source,target,weight\na,b, \n", false, invalid("in.csv:2", " ")},
    };
    for (const Case& c : cases) {
        Graph graph(true);
        std::istringstream input(c.text);
        EXPECT_EQ(errorOf([&] {
                      readNetwork(input, graph, c.name,
                                  {.format = std::nullopt, .weighted = c.weighted});
                  }),
                  c.error.empty() ? "(no error)" : c.error)
            << c.text << " weighted " << c.weighted;
    }
}

// An empty field, NA and NaN are a missing weight: 1, counted, with or without -weighted.
TEST(Weights, CsvMissingWeightsCountAsOne) {
    const std::string text = "source,weight,target\na,,b\nb,NA,c\nc,NaN,a\na,2.5,c\n";
    for (const bool weighted : {false, true}) {
        std::istringstream input(text);
        const NamedNetwork network = readCsv(input, "in.csv", weighted);
        EXPECT_EQ(network.weightsMissing, 3u);
        const std::vector<double> expected =
            weighted ? std::vector<double>{1, 1, 1, 2.5} : std::vector<double>{};
        EXPECT_EQ(network.weights, expected);
    }
    const Read r = readText(text, "in.csv", true);
    EXPECT_EQ(r.read.weightsMissing, 3u);
    // a: b, c (1 then the repeat 2.5); b: a, c; c: b, a.
    EXPECT_THAT(r.read.adjacencyWeights, ElementsAre(1, 3.5, 1, 1, 1, 3.5));
    // No weight column: every edge weighs 1, none is missing.
    const Read plain = readText("source,target\na,b\nb,a\n", "in.csv", true);
    EXPECT_THAT(plain.read.adjacencyWeights, ElementsAre(2, 2));
    EXPECT_EQ(plain.read.weightsMissing, 0u);
}

// "v" and the id (built by appending: g++ 12 warns falsely, -Wrestrict, on "v" + a temporary).
std::string nameOf(VertexId id) {
    std::string name(1, 'v');
    name += std::to_string(id);
    return name;
}

// Seeded random lines with repeats in both directions and self-loops, over dense ids and
// over ids spread so far that the graph numbers them through a hash: the adjacency weights
// line up with an independent walk of the graph, as an edge list and as a CSV file.
TEST(Weights, AdjacencyWeightsFollowTheAdjacencyOnRandomGraphs) {
    std::mt19937 random(7);
    for (const VertexId spread : {1, 1000003}) {
        std::uniform_int_distribution<int> id(0, 150), quarter(1, 12), missing(0, 9);
        std::string edgeList, csv = "source,target,weight\n";
        PairWeights sums;
        for (int line = 0; line < 3000; ++line) {
            const VertexId u = id(random) * spread, v = line % 37 == 0 ? u : id(random) * spread;
            const double weight = quarter(random) / 4.0;
            const bool absent = missing(random) == 0;
            sums[std::minmax(u, v)] += absent ? 1.0 : weight;
            edgeList += std::to_string(u) + "\t" + std::to_string(v) + " " +
                        (absent ? "1" : std::to_string(weight)) + "\n";
            csv +=
                nameOf(u) + "," + nameOf(v) + "," + (absent ? "NA" : std::to_string(weight)) + "\n";
        }
        Read list;
        list.graph.fillOnTwoThreadsFrom = 0;
        std::istringstream input(edgeList);
        list.read =
            readNetwork(input, list.graph, "in.txt", {.format = std::nullopt, .weighted = true});
        EXPECT_EQ(list.read.adjacencyWeights, walk(list.graph, sums)) << spread;

        // The CSV's vertices are numbered by first appearance: the same pairs under new ids.
        const Read named = readText(csv, "in.csv", true);
        std::map<std::string, VertexId> number;
        for (std::size_t k = 0; k < named.read.declared.size(); ++k)
            number[std::string(named.read.declared.fileId(k))] = static_cast<VertexId>(k);
        PairWeights renamed;
        for (const auto& [pair, weight] : sums)
            renamed[std::minmax(number.at(nameOf(pair.first)), number.at(nameOf(pair.second)))] =
                weight;
        EXPECT_EQ(named.read.adjacencyWeights, walk(named.graph, renamed)) << spread;
        EXPECT_EQ(named.read.adjacencyWeights.size(), std::size_t{named.graph.numArcs});
    }
}

// A multigraph keeps every line as its own adjacency entry with its own weight.
TEST(Weights, MultigraphKeepsEachLinesWeight) {
    Graph graph(false);
    const std::vector<double> weights = graph.addWeightedEdges({{4, 2}, {2, 4}, {2, 2}}, {1, 2, 3});
    // Vertex 4: 2, 2; vertex 2: 4, 4, itself.
    EXPECT_THAT(weights, ElementsAre(1, 2, 1, 2, 3));
}

std::vector<std::string> texts(std::size_t count,
                               const std::function<std::string_view(std::size_t)>& at) {
    std::vector<std::string> out;
    for (std::size_t k = 0; k < count; ++k) out.emplace_back(at(k));
    return out;
}

TEST(Declared, CarriedFromTheNetwork) {
    // 0 — 1, and 2 declared alone; the file ids differ from the labels.
    auto network = [](bool unlabelled) {
        NamedNetwork named;
        named.edges = {{0, 1}};
        for (const char* label : {"Ann", "Bob", "Cy"}) named.labels.push(label);
        for (const char* id : {"n0", "n1", "n2"}) named.fileIds.push(id);
        named.attributes.addColumn("age", AttributeType::integer);
        named.attributes.set(0, 0, "31");
        named.attributes.set(0, 2, "5");
        named.unlabelled = unlabelled;
        return named;
    };
    Graph graph(true);
    const InputRead read = buildNamedNetwork(network(false), graph, "g.graphml", false);
    const DeclaredVertices& declared = read.declared;
    ASSERT_EQ(declared.size(), 3u);
    EXPECT_THAT(texts(3, [&](std::size_t k) { return declared.fileId(k); }),
                ElementsAre("n0", "n1", "n2"));
    EXPECT_THAT(texts(3, [&](std::size_t k) { return declared.label(k); }),
                ElementsAre("Ann", "Bob", "Cy"));
    ASSERT_EQ(declared.attributes.columns().size(), 1u);
    EXPECT_EQ(declared.attributes.value(0, 2), "5");
    EXPECT_EQ(declared.attributes.value(0, 1), std::nullopt);
    EXPECT_TRUE(read.labelled);
    EXPECT_EQ(read.isolatedDeclared, 1u);
    EXPECT_EQ(graph.vertices[1]->name, "Bob");
    // The graph names its vertices with the declared labels' bytes, not a copy of them.
    EXPECT_EQ(graph.vertices[1]->name.data(), declared.label(1).data());

    // Synthetic ids: the vertices are unlabelled, the file ids still carried.
    Graph bare(true);
    const InputRead unlabelled = buildNamedNetwork(network(true), bare, "g.graphml", false);
    EXPECT_FALSE(unlabelled.labelled);
    EXPECT_EQ(bare.vertices[0]->name, "");
    EXPECT_EQ(bare.vertices[1]->name, "");
    EXPECT_EQ(unlabelled.declared.fileId(2), "n2");
}

// A CSV's names are both its file ids and its labels.
TEST(Declared, CsvNamesAreFileIdsAndLabels) {
    const Read r = readText("source,target\nb,\"a, z\"\nc,c\n", "in.csv", false);
    const DeclaredVertices& declared = r.read.declared;
    ASSERT_EQ(declared.size(), 3u);
    EXPECT_THAT(texts(3, [&](std::size_t k) { return declared.fileId(k); }),
                ElementsAre("b", "a, z", "c"));
    EXPECT_THAT(texts(3, [&](std::size_t k) { return declared.label(k); }),
                ElementsAreArray(texts(3, [&](std::size_t k) { return declared.fileId(k); })));
    EXPECT_TRUE(declared.attributes.empty());
    EXPECT_TRUE(r.read.labelled);
    EXPECT_EQ(r.graph.vertexMap.find(1)->name, "a, z");
}

}  // namespace
