// The network-format readers on their own: detection, the decompressing byte source, the CSV
// reader, the labels each format gives, and igraph's messages turned into error lines.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "graph/defs.h"
#include "graph/formats/csv_reader.h"
#include "graph/formats/igraph_reader.h"
#include "graph/formats/input_bytes.h"
#include "graph/formats/input_format.h"
#include "graph/formats/network_reader.h"

namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

std::string errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Fatal& error) {
        return error.what();
    }
    return "(no error)";
}

// text as one gzip member.
std::string gzip(const std::string& text) {
    z_stream stream{};
    deflateInit2(&stream, 6, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, text.size()) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// Everything an istream over InputBytes gives, read `step` bytes at a time.
std::string readAll(const std::string& data, std::size_t step) {
    std::istringstream source(data);
    InputBytes bytes(source, "in.gz");
    std::istream stream(&bytes);
    stream.exceptions(std::ios::badbit);
    std::string text, block(step, '\0');
    while (stream.read(block.data(), static_cast<std::streamsize>(step)) || stream.gcount() > 0)
        text.append(block, 0, static_cast<std::size_t>(stream.gcount()));
    return text;
}

// Lines of varied length, about 2.5 MB: several buffers and zlib output blocks.
std::string sampleText() {
    std::string text;
    for (int i = 0; i < 200000; ++i) text += std::to_string(i * 7919 % 100003) + " x\n";
    return text;
}

TEST(InputBytes, GzipIsInflatedWhateverTheReadSizes) {
    const std::string text = sampleText();
    const std::string packed = gzip(text);
    for (const std::size_t step : {std::size_t{1} << 20, std::size_t{1000}, std::size_t{1}})
        EXPECT_TRUE(readAll(packed, step) == text) << step;
    // Concatenated members (cat a.gz b.gz) are one input; bytes that start no member end it.
    EXPECT_EQ(readAll(gzip("0 1\n") + gzip("1 2\n"), 4096), "0 1\n1 2\n");
    EXPECT_EQ(readAll(gzip("0 1\n") + std::string(512, '\0'), 4096), "0 1\n");
    // Plain bytes pass unchanged, a lone 0x1F included.
    EXPECT_EQ(readAll("\x1F 1\n2 3\n", 3), "\x1F 1\n2 3\n");
}

TEST(InputBytes, DamagedGzipIsOneErrorLine) {
    const std::string packed = gzip(sampleText());
    EXPECT_EQ(errorOf([&] { readAll(packed.substr(0, packed.size() / 2), 4096); }),
              "ERROR: in.gz: truncated compressed file\n");
    EXPECT_EQ(errorOf([&] { readAll(packed.substr(0, packed.size() - 1), 4096); }),
              "ERROR: in.gz: truncated compressed file\n");
    std::string flipped = packed;
    flipped[flipped.size() - 6] ^= 0x55;  // the trailer's checksum
    EXPECT_EQ(errorOf([&] { readAll(flipped, 4096); }),
              "ERROR: in.gz: corrupt compressed file (incorrect data check)\n");
}

// The edge-list reader asks a plain input for its size; a peek must not cost a byte.
TEST(InputBytes, PlainInputIsPeekedWithoutLossAndKeepsItsPositions) {
    std::istringstream source("0 1\n1 2\n2 3\n");
    InputBytes bytes(source, "in.txt");
    EXPECT_EQ(bytes.peek(5), "0 1\n1");
    EXPECT_EQ(bytes.peek(100), "0 1\n1 2\n2 3\n");
    std::istream stream(&bytes);
    EXPECT_EQ(stream.tellg(), 0);
    stream.seekg(0, std::ios::end);
    EXPECT_EQ(stream.tellg(), 12);
    stream.seekg(4);
    std::string rest(8, '\0');
    stream.read(rest.data(), 8);
    EXPECT_EQ(rest, "1 2\n2 3\n");
    std::istringstream packed(gzip("0 1\n"));
    InputBytes inflated(packed, "in.gz");
    EXPECT_TRUE(inflated.compressed());
    EXPECT_EQ(std::istream(&inflated).tellg(), -1);
}

TEST(InputFormat, DetectedFromTheFirstBytesAndTheCsvEnding) {
    using F = InputFormat;
    struct Case {
        std::string head;
        std::string name;
        InputFormat format;
    };
    const std::string bom = "\xEF\xBB\xBF";
    const std::vector<Case> cases = {
        {"<?xml version=\"1.0\"?>\n<!-- by hand -->\n<graphml xmlns=\"x\">", "a.xml", F::graphml},
        {bom + "<!DOCTYPE g [<!ENTITY e \"<gexf>\">]><graphml>", "a", F::graphml},
        {"<g:graphml xmlns:g=\"x\">", "a", F::graphml},
        {"<?xml version='1.0'?><gexf version=\"1.2\">", "a.graphml", F::gexf},
        {"<?xml version='1.0'?><svg>", "a", F::edges},
        {"<!-- unterminated <graphml>", "a", F::edges},
        {"graph [\n node [ id 0 ]", "a.txt", F::gml},
        {"# comment\nCreator \"igraph 0.10\"\nVersion 1\ngraph\n[", "a", F::gml},
        {"Creator \"x\" meta [ a \"]\" b 2 ] graph[", "a", F::gml},
        {"Creator \"unterminated", "a", F::edges},
        {"graph 1", "a", F::edges},
        {"*Vertices 3\n1 \"a\"", "a", F::pajek},
        {"% Pajek\n\n*network n\n*ARCS\n1 2", "a", F::pajek},
        {"*edgeslist\n1 2 3", "a", F::pajek},
        {"1 2\n*Vertices 3", "a", F::edges},
        {"source,target\na,b", "a.csv", F::csv},
        {"Id,Label\n", "NET.CSV.gz", F::csv},
        {"source,target\na,b", "a.txt", F::edges},
        {"source target\na,b", "a.csv", F::edges},
        {"# from, to\n0 1\n", "a.csv", F::edges},
        {"% a,b\n0 1\n", "a.csv", F::edges},
        {"a b 2\n", "a.ncol", F::edges},
        {"# <graphml>\n0 1\n", "a", F::edges},
        {"0 1\n1 2\n", "a", F::edges},
        {"", "a.csv", F::edges},
    };
    for (const Case& c : cases)
        EXPECT_EQ(detectInputFormat(c.head, c.name), c.format) << c.head << " / " << c.name;
    // A head that ends inside a preamble asks for more bytes, unless it is the whole file.
    const std::vector<Case> undecided = {
        {"<?xml version=\"1.0\"?>\n<!-- a long comment", "a", F::edges},
        {"<!DOCTYPE g [<!ENTITY e \"x\">", "a", F::edges},
        {"\n\n  <grap", "a", F::edges},
        {"# a long comment", "a", F::edges},
        {"Creator \"a long string", "a", F::edges},
        {"% comment\n*Vert", "a", F::edges},
        {"\n\n   ", "a.csv", F::edges},
        {"a very long first field", "a.csv", F::edges},
    };
    for (const Case& c : undecided) {
        EXPECT_EQ(detectInputFormat(c.head, c.name, false), std::nullopt) << c.head;
        EXPECT_EQ(detectInputFormat(c.head, c.name, true), c.format) << c.head;
    }
    // Where the start already decides, it does.
    EXPECT_EQ(detectInputFormat("0 1\n1 2", "a.csv", false), F::edges);
    EXPECT_EQ(detectInputFormat("0 7777777", "a", false), F::edges);
    EXPECT_EQ(detectInputFormat("*Vertices 3\n1 \"a", "a", false), F::pajek);
    EXPECT_EQ(detectInputFormat("<gexf version=\"1.2\"><gra", "a", false), F::gexf);
    EXPECT_EQ(inputFormatNamed("pajek"), F::pajek);
    EXPECT_EQ(inputFormatNamed("Pajek"), std::nullopt);
    EXPECT_EQ(inputFormatName(F::ncol), std::string("ncol"));
}

std::vector<std::pair<VertexId, VertexId>> pairs(const std::vector<Edge>& edges) {
    std::vector<std::pair<VertexId, VertexId>> out;
    for (const Edge& e : edges) out.emplace_back(e.u, e.v);
    return out;
}

std::vector<std::string> labelsOf(const Labels& labels) {
    std::vector<std::string> out;
    for (std::size_t k = 0; k < labels.size(); ++k) out.emplace_back(labels[k]);
    return out;
}

TEST(CsvReader, QuotedFieldsLineEndsAndColumnsByName) {
    std::istringstream input(
        "\xEF\xBB\xBF"
        "Id, SOURCE ,weight,Target\r\n"
        "1,\"b, c\",2.5,a\r\n"
        "\r\n"
        "2,a,1e3,\"say \"\"hi\"\"\",extra\n"
        "3,\"two\nlines\",-1,\"b, c\"\n"
        "4,a,.5,a");
    const NamedNetwork network = readCsv(input, "in.csv");
    EXPECT_THAT(pairs(network.edges), ElementsAre(Pair(0, 1), Pair(1, 2), Pair(3, 0), Pair(1, 1)));
    EXPECT_THAT(labelsOf(network.labels), ElementsAre("b, c", "a", "say \"hi\"", "two\nlines"));
}

TEST(CsvReader, ErrorsNameTheLineWhereTheRecordStarts) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "in.csv:1: no source and target columns"},
        {"source,destination\na,b\n", "in.csv:1: no source and target columns"},
        {"\"source,target\"\na,b\n", "in.csv:1: no source and target columns"},
        {"a,source,b,target\n1,x,2\n", "in.csv:2: expected 4 fields, found 3"},
        {"source,target\na,b\n,c\n", "in.csv:3: empty vertex name"},
        {"source,target,weight\na,b,1\n\"x\ny\",c,0x10\n",
         "in.csv:3: '0x10' is not a valid weight"},
        {"source,target,weight\na,b,\nb,c,1.5.2\n", "in.csv:3: '1.5.2' is not a valid weight"},
        {"source,target\na,b\n\"c\nd,e\n", "in.csv:3: unterminated quoted field"},
        {"source,target\n\"a\"b,c\n", "in.csv:2: text after a closing quote"},
    };
    for (const auto& [text, error] : cases) {
        std::istringstream input(text);
        EXPECT_EQ(errorOf([&] { readCsv(input, "in.csv"); }), "ERROR: " + error + "\n") << text;
    }
}

// Names with quotes, commas and line breaks over several of the reader's blocks, each field
// at a different offset from a block's end; repeated names keep their first number.
TEST(CsvReader, LargeFileWithQuotedNamesAcrossBlocks) {
    std::string text = "source,target\n";
    std::vector<std::pair<VertexId, VertexId>> expected;
    const int names = 120000;
    auto name = [](int k) {
        std::string field = "\"n";
        field += std::to_string(k);
        if (k % 3 == 0) field += ",\"\"q\"\"\n";
        return field + "\"";
    };
    for (int k = 0; k + 1 < names; ++k) {
        text += name(k) + "," + name(k + 1) + "\n";
        expected.emplace_back(k, k + 1);
    }
    text += name(7) + "," + name(0) + "\n";
    expected.emplace_back(7, 0);
    ASSERT_GT(text.size(), std::size_t{2} << 20);
    std::istringstream input(text);
    const NamedNetwork network = readCsv(input, "big.csv");
    EXPECT_TRUE(pairs(network.edges) == expected);
    ASSERT_EQ(network.labels.size(), static_cast<std::size_t>(names));
    EXPECT_EQ(network.labels[3], "n3,\"q\"\n");
    EXPECT_EQ(network.labels[names - 1], std::string("n") + std::to_string(names - 1));
}

// Reads text as the run does and returns the graph's vertices: id -> name.
std::vector<std::pair<VertexId, std::string>> verticesOf(const Graph& graph) {
    std::vector<std::pair<VertexId, std::string>> out;
    for (const auto& [id, vertex] : graph.vertexMap) out.emplace_back(id, vertex->name);
    return out;
}

TEST(ReadNetwork, LabelsAndNumbersOfEachFormat) {
    struct Case {
        std::string name;
        std::string text;
        std::vector<std::pair<VertexId, std::string>> vertices;
        std::uint64_t isolated;
    };
    const std::string key =
        "<graphml><key id=\"k\" for=\"node\" attr.name=\"label\" attr.type=\"string\"/>"
        "<key id=\"n\" for=\"node\" attr.name=\"name\" attr.type=\"string\"/>"
        "<graph edgedefault=\"directed\">";
    const std::vector<Case> cases = {
        // label, else name, else the node id; numbered in declaration order.
        {"g.graphml",
         key + "<node id=\"z\"/><node id=\"a\"><data key=\"n\">Ann</data></node>"
               "<node id=\"b\"><data key=\"n\">Bob</data><data key=\"k\">B.</data></node>"
               "<node id=\"c\"/><edge source=\"b\" target=\"a\"/><edge source=\"c\" "
               "target=\"c\"/></graph></graphml>",
         {{1, "Ann"}, {2, "B."}, {3, "c"}},
         1},
        {"g.gexf",
         "<gexf><graph><attributes class=\"node\"><attribute id=\"0\" title=\"Name\"/>"
         "</attributes><nodes><node id=\"x\" label=\"X\"><attvalues><attvalue for=\"0\" "
         "value=\"ignored\"/></attvalues></node><node id=\"y\"><attvalues><attvalue for=\"0\" "
         "value=\"Why\"/></attvalues></node><node id=\"w\"/></nodes><edges><edge source=\"y\" "
         "target=\"x\"/></edges></graph></gexf>",
         {{0, "X"}, {1, "Why"}},
         1},
        {"g.gml",
         "graph [ directed 1 node [ id 7 label \"Seven\" name \"S\" ] node [ id 3 name \"Three\" ]"
         " node [ id 5 ] edge [ source 7 target 3 ] edge [ source 5 target 7 ] ]",
         {{0, "Seven"}, {1, "Three"}, {2, "5"}},
         0},
        {"g.net",
         "*Vertices 4\n1 \"one\" 0.1 0.2 ellipse\n3 \"three\"\n*Arcs\n1 2\n2 3 5\n",
         {{0, "one"}, {1, "2"}, {2, "three"}},
         1},
        {"g.csv", "source,target\nb,a\na,b\nc,c\n", {{0, "b"}, {1, "a"}, {2, "c"}}, 0},
    };
    for (const Case& c : cases) {
        std::istringstream input(c.text);
        Graph graph(true);
        const InputRead read = readNetwork(input, graph, c.name);
        EXPECT_EQ(verticesOf(graph), c.vertices) << c.name;
        EXPECT_TRUE(read.labelled) << c.name;
        EXPECT_EQ(read.isolatedDeclared, c.isolated) << c.name;
    }
    // Repeated edges, in either direction, and self-loops count as in the edge list.
    std::istringstream csv("source,target\nb,a\na,b\nc,c\n");
    Graph graph(true);
    readNetwork(csv, graph, "g.csv");
    EXPECT_EQ(graph.numArcs, 3u);
}

// Reads text as the run does, with its format detected.
std::vector<std::pair<VertexId, std::string>> verticesRead(const std::string& text,
                                                           const std::string& name) {
    std::istringstream input(text);
    Graph graph(true);
    readNetwork(input, graph, name);
    return verticesOf(graph);
}

// Only the first graph's nodes and edges are the network: not a <node> in <meta>, nor a
// second <graph>; the nodes of a hierarchy are.
TEST(ReadNetwork, GexfReadsTheFirstGraphOnly) {
    const std::string text =
        "<gexf><meta><node id=\"m\"/></meta><graph><attributes class=\"node\">"
        "<attribute id=\"0\" title=\"kind\"/><attribute id=\"1\" title=\"NAME\"/>"
        "</attributes><nodes><node id=\"a\"><attvalues><attvalue for=\"0\" value=\"x\"/>"
        "<attvalue for=\"1\" value=\"Ann\"/></attvalues><nodes><node id=\"a1\"/></nodes>"
        "</node><node id=\"b\"/></nodes><edges><edge source=\"a1\" target=\"b\"/>"
        "<edge source=\"a\" target=\"b\"/></edges></graph><graph><nodes><node id=\"z\"/>"
        "</nodes><edges><edge source=\"z\" target=\"zz\"/></edges></graph></gexf>";
    EXPECT_EQ(verticesRead(text, "g.gexf"),
              (std::vector<std::pair<VertexId, std::string>>{{0, "Ann"}, {1, "a1"}, {2, "b"}}));
}

TEST(IgraphErrors, MessagesBecomeOneLineWithTheFileAndLine) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"Unknown target node id found in an edge in GML file, line 3."},
         "f:3: Unknown target node id found in an edge"},
        {{"Unexpected character 'x' while parsing real number.",
          "Parse error in NCOL file, line 2 (failed)"},
         "f:2: Unexpected character 'x' while parsing real number"},
        {{"Out-of-range vertex IDs when adding edges."},
         "f: Out-of-range vertex IDs when adding edges"},
        {{"Bad byte \x1B[2J here"}, "f: Bad byte \\x1B[2J here"},
        {{}, "f: not a readable file"},
    };
    for (const auto& [messages, line] : cases)
        EXPECT_EQ(igraphErrorLine("f", messages), "ERROR: " + line + "\n");
}

}  // namespace
