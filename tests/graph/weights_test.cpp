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
#include "graph/formats/network_reader.h"

namespace {

using ::testing::ElementsAre;

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

// buildOnTwoThreadsFrom: see Graph (0: every build on two threads).
Read readText(const std::string& text, const std::string& name, bool weighted,
              std::size_t buildOnTwoThreadsFrom = std::size_t{1} << 18) {
    Read out;
    out.graph.buildOnTwoThreadsFrom = buildOnTwoThreadsFrom;
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

// Vertices in order of appearance, each one's neighbours in file order: a repeated pair is one
// entry carrying the sum of its lines, a self-loop one entry.
TEST(Weights, AdjacencyWeightsOfSmallFiles) {
    struct Case {
        std::string name, text;
        std::vector<double> weights;
        std::uint64_t missing;
    };
    const std::vector<Case> cases = {
        // 0: 1, itself; 1: 0, 2; 2: 1 (0 1 and 1 0 are one pair, the loop comes twice).
        {"in.txt", "# w\n0 1 3\n1 0 2\n0 0 4\n1 2 0.5\n0 0 1\n", {5, 5, 5, 0.5, 0.5}, 0},
        {"in.txt", "5 7\n7 5\n7 9\n", {2, 2, 1, 1}, 0},  // two columns: 1 a line
        // An empty field, NA and NaN weigh 1 and are counted. a: b, c; b: a, c; c: b, a.
        {"in.csv",
         "source,weight,target\na,,b\nb,NA,c\nc,NaN,a\na,2.5,c\n",
         {1, 3.5, 1, 1, 1, 3.5},
         3},
        {"in.csv", "source,target\na,b\nb,a\n", {2, 2}, 0},
    };
    for (const Case& c : cases) {
        const Read r = readText(c.text, c.name, true);
        EXPECT_EQ(r.read.adjacencyWeights, c.weights) << c.text;
        EXPECT_EQ(r.read.weightsMissing, c.missing) << c.text;
        // Without -weighted no weight is kept; missing ones are counted all the same.
        const Read plain = readText(c.text, c.name, false);
        EXPECT_TRUE(plain.read.adjacencyWeights.empty()) << c.text;
        EXPECT_EQ(plain.read.weightsMissing, c.missing) << c.text;
    }
}

TEST(Weights, ErrorLinesWithAndWithoutWeighted) {
    struct Case {
        std::string name, text;
        bool weighted;
        std::string error;  // after "ERROR: NAME:"; empty: none
    };
    const std::vector<Case> cases = {
        {"in.txt", "0 1 2\n% note\n\n1 2 0\n", true, "4: '0' is not a positive weight"},
        {"in.txt", "0 1 -1\n", true, "1: '-1' is not a positive weight"},
        {"in.txt", "0 1 nan\n", true, "1: 'nan' is not a positive weight"},
        {"in.txt", "0 1 1\n1 2\ninf\n", true, "3: 'inf' is not a positive weight"},
        {"in.txt", "0 1 1e999\n", true, "1: '1e999' is not a positive weight"},
        {"in.txt", "0 1 heavy\n", true, "1: 'heavy' is not a valid weight"},
        {"in.txt", "0 1 0\n1 2 -1\n", false, ""},
        {"in.txt", "0 1 1\n1 2 nan\n", false, "2: 'nan' is not a valid weight"},
        {"in.csv", "source,target,weight\na,b,1\nb,c,0\n", true, "3: '0' is not a positive weight"},
        {"in.csv", "source,target,weight\n\"a\nb\",c,-1\n", true,
         "2: '-1' is not a positive weight"},
        {"in.csv", "source,target,weight\na,b,inf\n", true, "2: 'inf' is not a positive weight"},
        {"in.csv", "source,target,weight\na,b,na\n", true, "2: 'na' is not a valid weight"},
        {"in.csv", "source,target,weight\na,b,0\nb,c,-1\n", false, ""},
        {"in.csv", "source,target,weight\na,b,nan\n", false, "2: 'nan' is not a valid weight"},
    };
    for (const Case& c : cases) {
        Graph graph(true);
        std::istringstream input(c.text);
        EXPECT_EQ(errorOf([&] {
                      readNetwork(input, graph, c.name,
                                  {.format = std::nullopt, .weighted = c.weighted});
                  }),
                  c.error.empty() ? "(no error)" : "ERROR: " + c.name + ":" + c.error + "\n")
            << c.text << " weighted " << c.weighted;
    }
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
        std::uniform_int_distribution<int> id(0, 150), tenths(1, 12), missing(0, 9);
        std::string edgeList, csv = "source,target,weight\n";
        PairWeights sums;
        for (int line = 0; line < 3000; ++line) {
            const VertexId u = id(random) * spread, v = line % 37 == 0 ? u : id(random) * spread;
            // Tenths are not exact in binary: the sums hold their order of addition.
            const double weight = tenths(random) / 10.0;
            const bool absent = missing(random) == 0;
            sums[std::minmax(u, v)] += absent ? 1.0 : weight;
            edgeList += std::to_string(u) + "\t" + std::to_string(v) + " " +
                        (absent ? "1" : std::to_string(weight)) + "\n";
            csv +=
                nameOf(u) + "," + nameOf(v) + "," + (absent ? "NA" : std::to_string(weight)) + "\n";
        }
        Read list;
        list.graph.buildOnTwoThreadsFrom = 0;
        std::istringstream input(edgeList);
        list.read =
            readNetwork(input, list.graph, "in.txt", {.format = std::nullopt, .weighted = true});
        EXPECT_EQ(list.read.adjacencyWeights, walk(list.graph, sums)) << spread;

        // The CSV's vertices are numbered by first appearance: the same pairs under new ids.
        const Read named = readText(csv, "in.csv", true, 0);
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

// Each declared vertex as "file id/label".
std::vector<std::string> declaredOf(const DeclaredVertices& declared) {
    std::vector<std::string> out;
    for (std::size_t k = 0; k < declared.size(); ++k)
        out.push_back(std::string(declared.fileId(k)) + "/" + std::string(declared.label(k)));
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
    EXPECT_THAT(declaredOf(read.declared), ElementsAre("n0/Ann", "n1/Bob", "n2/Cy"));
    ASSERT_EQ(read.declared.attributes.columns().size(), 1u);
    EXPECT_EQ(read.declared.attributes.value(0, 2), "5");
    EXPECT_EQ(read.declared.attributes.value(0, 1), std::nullopt);
    EXPECT_TRUE(read.labelled);
    EXPECT_EQ(read.isolatedDeclared, 1u);
    // The graph names its vertices with the declared labels' bytes, not a copy of them.
    EXPECT_EQ(graph.vertices[1]->name, "Bob");
    EXPECT_EQ(graph.vertices[1]->name.data(), read.declared.label(1).data());

    // Synthetic ids: the vertices are unlabelled, the file ids still carried.
    Graph bare(true);
    const InputRead unlabelled = buildNamedNetwork(network(true), bare, "g.graphml", false);
    EXPECT_FALSE(unlabelled.labelled);
    EXPECT_EQ(bare.vertices[0]->name.size() + bare.vertices[1]->name.size(), 0u);
    EXPECT_EQ(unlabelled.declared.fileId(2), "n2");

    // A CSV's names are both its file ids and its labels.
    const Read csv = readText("source,target\nb,\"a, z\"\nc,c\n", "in.csv", false);
    EXPECT_THAT(declaredOf(csv.read.declared), ElementsAre("b/b", "a, z/a, z", "c/c"));
    EXPECT_TRUE(csv.read.declared.attributes.empty());
    EXPECT_EQ(csv.graph.vertexMap.find(1)->name, "a, z");
    // The edge list's ids are the file's: nothing is declared.
    EXPECT_EQ(readText("0 1\n", "in.txt", true).read.declared.size(), 0u);
}

}  // namespace
