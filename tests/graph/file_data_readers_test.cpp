// What the GraphML, GEXF, GML, Pajek and NCOL readers say of vertices and edges besides the
// edges: labels as the writing tool meant them, file ids, typed attributes, weights and the
// unlabelled flag. Files written by networkx and python-igraph are read back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "graph/defs.h"
#include "graph/formats/gexf_reader.h"
#include "graph/formats/igraph_reader.h"

namespace {

namespace fs = std::filesystem;
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

NamedNetwork readText(InputFormat format, const std::string& text, bool weighted = false) {
    std::istringstream input(text);
    return format == InputFormat::gexf ? readGexf(input, "f", weighted)
                                       : readWithIgraph(format, input, "f", weighted);
}

std::vector<std::string> all(const Labels& labels) {
    std::vector<std::string> out;
    for (std::size_t k = 0; k < labels.size(); ++k) out.emplace_back(labels[k]);
    return out;
}

// Column name, type and every vertex's value ("-" for none).
std::string column(const AttributeTable& table, std::size_t count, const std::string& name) {
    for (std::size_t c = 0; c < table.columns().size(); ++c) {
        if (table.columns()[c].name != name) continue;
        std::string out = std::string(attributeTypeName(table.columns()[c].type)) + ":";
        for (std::size_t v = 0; v < count; ++v) {
            const auto value = table.value(c, v);
            out += ' ';
            out += value ? *value : std::string_view("-");
        }
        return out;
    }
    return "(no column)";
}

const std::vector<std::string> kAwkward = {"Zoë",         "Ñandú",        "北京",
                                           "Smith, John", "The \"Boss\"", "a<b>&c",
                                           "AT&T",        "tab\there",    "=SUM(1)"};

// networkx 2.8 and python-igraph writing a path through the awkward names, with node
// attributes of every kind (igraph: the name only).
const char* kWriter = R"py(
import sys, networkx as nx, igraph as ig
names = ["Zo\u00eb", "\u00d1and\u00fa", "\u5317\u4eac", "Smith, John", 'The "Boss"', "a<b>&c",
         "AT&T", "tab\there", "=SUM(1)"]
out = sys.argv[1]
G = nx.Graph()
for k, n in enumerate(names):
    G.add_node(n, club="Mr. Hi" if k % 2 else "Officer", size=k, score=k * 0.5, flag=k % 2 == 0)
for a, b in zip(names, names[1:]):
    G.add_edge(a, b, weight=2.5)
nx.write_graphml(G, out + "/nx.graphml")
nx.write_gexf(G, out + "/nx.gexf")
nx.write_gml(G, out + "/nx.gml")
P = nx.Graph()
for k, n in enumerate(names):
    P.add_node(n, club="Mr. Hi" if k % 2 else "Officer")
P.add_edges_from(G.edges(data=True))
nx.write_pajek(P, out + "/nx.net")
g = ig.Graph(n=len(names), edges=[(k, k + 1) for k in range(len(names) - 1)])
g.vs["name"] = names
g.write_graphml(out + "/ig.graphml")
g.write_gml(out + "/ig.gml")
)py";

class WrittenByPython : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!fs::exists("/usr/bin/python3")) GTEST_SKIP() << "no /usr/bin/python3";
        std::string pattern = (fs::temp_directory_path() / "quorvane-names-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        std::ofstream(dir_ / "write.py") << kWriter;
        const std::string command = "/usr/bin/python3 -W ignore " + (dir_ / "write.py").string() +
                                    " " + dir_.string() + " >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) GTEST_SKIP() << "networkx or igraph missing";
    }
    void TearDown() override {
        if (!dir_.empty()) fs::remove_all(dir_);
    }
    NamedNetwork read(const std::string& file, InputFormat format) const {
        std::ifstream input(dir_ / file, std::ios::binary);
        std::ostringstream text;
        text << input.rdbuf();
        return readText(format, text.str(), true);
    }
    fs::path dir_;
};

TEST_F(WrittenByPython, NamesComeBackAsWritten) {
    using F = InputFormat;
    // networkx quotes a Pajek name only when it holds a space, so the tab splits that one.
    std::vector<std::string> pajekNames = kAwkward;
    pajekNames[7] = "tab";
    const struct {
        const char* file;
        InputFormat format;
        const std::vector<std::string>& names;
    } cases[] = {{"nx.graphml", F::graphml, kAwkward}, {"nx.gexf", F::gexf, kAwkward},
                 {"nx.gml", F::gml, kAwkward},         {"nx.net", F::pajek, pajekNames},
                 {"ig.graphml", F::graphml, kAwkward}, {"ig.gml", F::gml, kAwkward}};
    for (const auto& c : cases) {
        const NamedNetwork network = read(c.file, c.format);
        EXPECT_THAT(all(network.labels), ElementsAreArray(c.names)) << c.file;
        EXPECT_EQ(network.edges.size(), 8u) << c.file;
        EXPECT_FALSE(network.unlabelled) << c.file;
    }
}

TEST_F(WrittenByPython, FileIdsAttributesAndWeights) {
    const NamedNetwork graphml = read("nx.graphml", InputFormat::graphml);
    EXPECT_THAT(all(graphml.fileIds), ElementsAreArray(kAwkward));
    EXPECT_EQ(column(graphml.attributes, 3, "size"), "integer: 0 1 2");
    EXPECT_EQ(column(graphml.attributes, 3, "score"), "double: 0 0.5 1");
    EXPECT_EQ(column(graphml.attributes, 3, "flag"), "boolean: true false true");
    EXPECT_EQ(column(graphml.attributes, 2, "club"), "string: Officer Mr. Hi");
    EXPECT_THAT(graphml.weights, ElementsAreArray(std::vector<double>(8, 2.5)));

    const NamedNetwork gexf = read("nx.gexf", InputFormat::gexf);
    EXPECT_THAT(all(gexf.fileIds), ElementsAreArray(kAwkward));
    EXPECT_EQ(column(gexf.attributes, 3, "size"), "integer: 0 1 2");
    EXPECT_EQ(column(gexf.attributes, 3, "score"), "double: 0.0 0.5 1.0");
    EXPECT_EQ(column(gexf.attributes, 3, "flag"), "boolean: true false true");
    EXPECT_THAT(gexf.weights, ElementsAreArray(std::vector<double>(8, 2.5)));

    // GML keeps ids as integers and says int or real by the value's syntax alone.
    const NamedNetwork gml = read("nx.gml", InputFormat::gml);
    EXPECT_THAT(all(gml.fileIds), ElementsAre("0", "1", "2", "3", "4", "5", "6", "7", "8"));
    EXPECT_EQ(column(gml.attributes, 3, "score"), "double: 0 0.5 1");
    EXPECT_EQ(column(gml.attributes, 3, "flag"), "integer: 1 0 1");
    EXPECT_THAT(gml.weights, ElementsAreArray(std::vector<double>(8, 2.5)));

    const NamedNetwork pajek = read("nx.net", InputFormat::pajek);
    EXPECT_THAT(all(pajek.fileIds), ElementsAre("1", "2", "3", "4", "5", "6", "7", "8", "9"));
    EXPECT_EQ(column(pajek.attributes, 2, "club"), "string: Officer Mr. Hi");
    EXPECT_THAT(pajek.weights, ElementsAreArray(std::vector<double>(8, 2.5)));

    // igraph's own ids are made up: the names label, the ids stay file ids.
    const NamedNetwork igraph = read("ig.graphml", InputFormat::graphml);
    EXPECT_EQ(all(igraph.fileIds)[8], "n8");
    EXPECT_TRUE(igraph.attributes.empty());
}

TEST(GmlStrings, ReferencesAreDecodedOnceAndMalformedOnesStay) {
    const struct {
        const char* written;
        const char* meant;
    } cases[] = {
        {"Zo&#235;", "Zoë"},
        {"&#x5317;&#X4eac;", "北&#X4eac;"},  // an upper-case X is no reference
        {"&amp;#38; &#38;amp;", "&#38; &amp;"},
        {"&lt;&gt;&quot;&apos;", "<>\"'"},
        {"AT&T &bogus; & &;", "AT&T &bogus; & &;"},
        {"&#xD800;&#0;&#1114112;&#x;&#12a;", "&#xD800;&#0;&#1114112;&#x;&#12a;"},
        {"&#9;&#x1F600;", "\t\xF0\x9F\x98\x80"},
        {"\x01"
         "a&#97;",
         "\x01"
         "aa"},
    };
    for (const auto& c : cases) {
        const std::string text = std::string("graph [ node [ id 7 label \"") + c.written +
                                 "\" note \"" + c.written +
                                 "\" ] node [ id 9 ] edge [ source 7 target 9 ] ]";
        const NamedNetwork network = readText(InputFormat::gml, text);
        EXPECT_EQ(network.labels[0], c.meant) << c.written;
        EXPECT_EQ(column(network.attributes, 1, "note"), std::string("string: ") + c.meant);
        EXPECT_THAT(all(network.fileIds), ElementsAre("7", "9"));
    }
}

TEST(GraphmlText, AmpersandsInIdsAndKeyNamesAreAsMeant) {
    const std::string text =
        "<graphml><key id='k' for='node' attr.name='R&amp;D' attr.type='int'/>"
        "<graph><node id='AT&amp;T'><data key='k'>3</data></node>"
        "<node id='&amp;#38;&lt;'/><edge source='AT&amp;T' target='&amp;#38;&lt;'/>"
        "</graph></graphml>";
    const NamedNetwork network = readText(InputFormat::graphml, text);
    EXPECT_THAT(all(network.labels), ElementsAre("AT&T", "&#38;<"));
    EXPECT_EQ(column(network.attributes, 2, "R&D"), "integer: 3 -");
}

TEST(PajekVertexLines, PairsNamesAndNumbersAreRead) {
    const std::string text =
        "% a comment \"with a quote\n"
        "*Vertices 5\n"
        "1 \"The \"Boss\"\" 0.1 0.2 0.3 box club \"Mr. Hi\" rank 3\n"
        "  2\tb\tic Red\n"
        "% 4 \"not a vertex\"\n"
        "4 \"d\" 1 2 club Officer dangling\n"
        "3 c club Late\r\n"
        "*Edges\n"
        "1 2 2\n"
        "3 4\n"
        "4 5 0.5";
    const NamedNetwork network = readText(InputFormat::pajek, text, true);
    EXPECT_THAT(all(network.labels), ElementsAre("The \"Boss\"", "b", "c", "d", "5"));
    EXPECT_THAT(all(network.fileIds), ElementsAre("1", "2", "3", "4", "5"));
    EXPECT_EQ(column(network.attributes, 5, "club"), "string: Mr. Hi - - Officer -");
    EXPECT_EQ(column(network.attributes, 5, "rank"), "string: 3 - - - -");
    EXPECT_EQ(column(network.attributes, 5, "ic"), "string: - Red - - -");
    EXPECT_THAT(network.weights, ElementsAre(2, 1, 0.5));
    // What igraph refuses it still refuses, on the line it names.
    EXPECT_EQ(errorOf([] { readText(InputFormat::pajek, "*Vertices 2\n1 a\n*Edges\n1 3\n"); }),
              "ERROR: f: Out-of-range vertex IDs when adding edges\n");
}

TEST(Weights, PositiveFiniteOrAnErrorOnlyWhenAskedFor) {
    using F = InputFormat;
    const std::string graphml =
        "<graphml><key id='w' for='edge' attr.name='weight' attr.type='double'/><graph>"
        "<node id='a'/><node id='b'/><node id='c'/><edge source='a' target='b'>"
        "<data key='w'>W</data></edge><edge source='b' target='c'/></graph></graphml>";
    const std::string gexf =
        "<gexf><graph><nodes><node id='a'/><node id='b'/><node id='c'/></nodes><edges>\n"
        "<edge source='a' target='b' weight='W'/><edge source='b' target='c'/>"
        "</edges></graph></gexf>";
    const std::string gml =
        "graph [ node [ id 0 label \"a\" ] node [ id 1 label \"b\" ] node [ id 2 label \"c\" ]"
        " edge [ source 0 target 1 weight W ] edge [ source 1 target 2 ] ]";
    const std::string ncol = "a b W\nb c\n";
    const struct {
        InputFormat format;
        const std::string& text;
        const char* weight;
        const char* error;
    } cases[] = {
        {F::graphml, graphml, "0.25", ""},
        {F::graphml, graphml, "-2",
         "ERROR: f: the edge from 'a' to 'b' has weight -2, not a "
         "positive weight\n"},
        {F::graphml, graphml, "INF",
         "ERROR: f: the edge from 'a' to 'b' has weight inf, not a "
         "positive weight\n"},
        {F::gexf, gexf, "0.25", ""},
        {F::gexf, gexf, "0", "ERROR: f:2: '0' is not a positive weight\n"},
        {F::gexf, gexf, "1e999", "ERROR: f:2: '1e999' is not a positive weight\n"},
        {F::gexf, gexf, "-1", "ERROR: f:2: '-1' is not a positive weight\n"},
        {F::gml, gml, "0.25", ""},
        {F::gml, gml, "0",
         "ERROR: f: the edge from 'a' to 'b' has weight 0, not a positive "
         "weight\n"},
        {F::gml, gml, "\"heavy\"",
         "ERROR: f: the edge from 'a' to 'b' has weight heavy, not a "
         "positive weight\n"},
        {F::ncol, ncol, "0.25", ""},
        {F::ncol, ncol, "-1",
         "ERROR: f: the edge from 'a' to 'b' has weight -1, not a positive "
         "weight\n"},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        text.replace(text.find('W'), 1, c.weight);
        EXPECT_EQ(errorOf([&] { readText(c.format, text); }), "(no error)") << text;
        if (*c.error) {
            EXPECT_EQ(errorOf([&] { readText(c.format, text, true); }), c.error) << text;
        } else {
            EXPECT_THAT(readText(c.format, text, true).weights, ElementsAre(0.25, 1)) << text;
            EXPECT_TRUE(readText(c.format, text).weights.empty());
        }
    }
}

TEST(Unlabelled, OnlyIdsNThenTheirNumberWithoutLabelOrName) {
    using F = InputFormat;
    const auto graphml = [](const std::string& ids, const std::string& data) {
        std::string text =
            "<graphml><key id='k' for='node' attr.name='" + data + "' attr.type='string'/><graph>";
        std::istringstream split(ids);
        std::string id, first;
        while (split >> id) {
            text += "<node id='" + id + "'><data key='k'>x" + id + "</data></node>";
            if (first.empty()) first = id;
        }
        return text + "<edge source='" + first + "' target='" + id + "'/></graph></graphml>";
    };
    const auto gexf = [](const std::string& ids, const std::string& title) {
        std::string text = "<gexf><graph><attributes class='node'><attribute id='0' title='" +
                           title + "' type='string'/></attributes><nodes>";
        std::istringstream split(ids);
        std::string id, first;
        while (split >> id) {
            text += "<node id='" + id + "'/>";
            if (first.empty()) first = id;
        }
        return text + "</nodes><edges><edge source='" + first + "' target='" + id +
               "'/></edges></graph></gexf>";
    };
    const struct {
        InputFormat format;
        std::string text;
        bool unlabelled;
    } cases[] = {
        {F::graphml, graphml("n0 n1 n2", "club"), true},
        {F::graphml, graphml("n0 n1 n2", "name"), false},
        {F::graphml, graphml("n0 n1 n2", "label"), false},
        {F::graphml, graphml("n0 n2 n1", "club"), false},
        {F::graphml, graphml("n0 n01", "club"), false},
        {F::graphml, graphml("a b", "club"), false},
        {F::gexf, gexf("n0 n1 n2", "weight"), true},
        {F::gexf, gexf("n0 n1 n2", "Name"), false},
        {F::gexf, gexf("n1 n2", "weight"), false},
        {F::gexf, gexf("n0 n1 N2", "weight"), false},
    };
    for (const auto& c : cases) {
        const NamedNetwork network = readText(c.format, c.text);
        EXPECT_EQ(network.unlabelled, c.unlabelled) << c.text;
        EXPECT_EQ(network.fileIds.size(), network.labels.size()) << c.text;
    }
    const NamedNetwork kept = readText(F::graphml, graphml("n0 n1", "club"));
    EXPECT_EQ(column(kept.attributes, 2, "club"), "string: xn0 xn1");
}

TEST(GexfAttributes, NameLabelsOnlyWhereNoLabelIsGiven) {
    const std::string text =
        "<gexf><graph><attributes class='node'><attribute id='0' title='name' type='string'/>"
        "<attribute id='1' title='ok' type='boolean'/><attribute id='2' title='n' "
        "type='integer'/></attributes><nodes>"
        "<node id='a' label='A'><attvalues><attvalue for='0' value='Ann'/><attvalue for='1' "
        "value='1'/></attvalues></node>"
        "<node id='b'><attvalues><attvalue for='0' value='Bob'/><attvalue for='2' value='7'/>"
        "<attvalue for='9' value='?'/></attvalues></node>"
        "<node id='c'><attvalues><attvalue for='1' value='false'/><attvalue for='2' value=''/>"
        "</attvalues></node></nodes><edges><edge source='a' target='c'/></edges></graph></gexf>";
    const NamedNetwork network = readText(InputFormat::gexf, text);
    EXPECT_THAT(all(network.labels), ElementsAre("A", "Bob", "c"));
    EXPECT_THAT(all(network.fileIds), ElementsAre("a", "b", "c"));
    EXPECT_EQ(column(network.attributes, 3, "name"), "string: Ann - -");
    EXPECT_EQ(column(network.attributes, 3, "ok"), "boolean: true - false");
    EXPECT_EQ(column(network.attributes, 3, "n"), "integer: - 7 -");
}

}  // namespace
