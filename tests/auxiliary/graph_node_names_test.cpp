#include "auxiliary/graph_node_names.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "analysis/network.h"

namespace {

// Vertices 1 to 9 (a path), so every id of the records below exists unless said otherwise.
std::map<VertexId, std::string> namesAfterReading(const std::string& text,
                                                  std::size_t blockSize = std::size_t{1} << 20) {
    Network network;
    for (VertexId id = 1; id < 9; ++id) network.graph.addEdge(id, id + 1);
    std::istringstream input(text);
    Graph_node_names().readFile(input, network.graph, "names.txt", blockSize);
    std::map<VertexId, std::string> names;
    for (const Vertex* v : network.graph.vertices)
        if (!v->name.empty()) names[v->id] = v->name;
    return names;
}

TEST(NamesReader, RecordRules) {
    struct Case {
        const char* name;
        std::string text;
        std::map<VertexId, std::string> names;
    };
    const std::vector<Case> cases = {
        {"quoted word", "5 \"Buenos\"\n", {{5, "Buenos"}}},
        {"quoted label with blanks", "5 \"Buenos Aires\"\n6 x\n", {{5, "Buenos Aires"}, {6, "x"}}},
        {"one character", "1 a\n2 \"b\"\n", {{1, "a"}, {2, "b"}}},
        {"empty quotes give no name", "5 \"\"\n6 y\n", {{6, "y"}}},
        {"last record without line break", "1 a\n2 b", {{1, "a"}, {2, "b"}}},
        {"last quoted record without line break", "1 a\n2 \"b c\"", {{1, "a"}, {2, "b c"}}},
        {"unterminated quote runs to the end of the line",
         "1 \"New York\n2 b\n",
         {{1, "New York"}, {2, "b"}}},
        {"unterminated quote at the end of the input", "3 \"Open end", {{3, "Open end"}}},
        {"text after the closing quote is ignored",
         "1 \"A\" trailing words 7\n2 b\n",
         {{1, "A"}, {2, "b"}}},
        {"quote inside an unquoted word", "1 ab\"cd\n2 abc\"\n", {{1, "ab\"cd"}, {2, "abc\""}}},
        {"line breaks and blanks are interchangeable",
         "1\nfoo\t2   bar\n\n\n3\n\"x y\"\n",
         {{1, "foo"}, {2, "bar"}, {3, "x y"}}},
        {"crlf", "1 \"New York\"\r\n2 b\r\n3 \"Open\r\n", {{1, "New York"}, {2, "b"}, {3, "Open"}}},
        {"later record replaces", "1 a\n1 b\n", {{1, "b"}}},
        {"ids outside the graph are ignored", "77 far\n4 near\n", {{4, "near"}}},
        {"byte order mark",
         "\xEF\xBB\xBF"
         "1 a\n",
         {{1, "a"}}},
        {"leading zeros", "007 bond\n", {{7, "bond"}}},
        {"id without label at the end", "1 a\n2", {{1, "a"}}},
        {"empty file", "", {}},
        {"blank file", " \n\t\n", {}},
        {"utf-8 label", "4 \"Zürich Hbf\"\n", {{4, "Zürich Hbf"}}},
    };
    // Read in blocks of a few bytes, every record, quote and mark is cut across blocks.
    for (const Case& c : cases)
        for (const std::size_t block :
             {std::size_t{1} << 20, std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{5}})
            EXPECT_EQ(namesAfterReading(c.text, block), c.names) << c.name << ", block " << block;
}

TEST(NamesReader, InvalidIdIsAnErrorWithFileAndLine) {
    struct Case {
        std::string text;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"id name\n1 a\n", "ERROR: names.txt:1: 'id' is not a valid vertex id\n"},
        {"1 a\n2 b\n-3 c\n", "ERROR: names.txt:3: '-3' is not a valid vertex id\n"},
        {"1 New York\n", "ERROR: names.txt:1: 'York' is not a valid vertex id\n"},
        {"1 \"x\"\n\n\n2147483648 big\n",
         "ERROR: names.txt:4: '2147483648' is not a valid vertex id\n"},
        {"1 a\n+2 b\n", "ERROR: names.txt:2: '+2' is not a valid vertex id\n"},
        {"1 a\n2.5 b\n", "ERROR: names.txt:2: '2.5' is not a valid vertex id\n"},
        {"1\n\"multi\nline\"\n", "ERROR: names.txt:3: 'line\"' is not a valid vertex id\n"},
        {"\x01\x02 a\n", "ERROR: names.txt:1: '\\x01\\x02' is not a valid vertex id\n"},
    };
    for (const Case& c : cases) {
        try {
            namesAfterReading(c.text);
            ADD_FAILURE() << "no error for: " << c.text;
        } catch (const Fatal& error) {
            EXPECT_EQ(error.what(), c.error);
        }
    }
}

// The largest id is accepted.
TEST(NamesReader, LargestIdIsValid) {
    Network network;
    network.graph.addEdge(2147483647, 0);
    std::istringstream input("2147483647 top\n");
    Graph_node_names().readFile(input, network.graph, "names.txt");
    EXPECT_EQ(network.graph.vertexMap.find(2147483647)->name, "top");
}

TEST(NamesReader, FileThatCannotBeOpened) {
    Network network;
    const auto dir = std::filesystem::temp_directory_path();
    for (const std::string& name : {(dir / "quorvane-no-such-names.txt").string(), dir.string()}) {
        try {
            Graph_node_names().readFile(network.graph, name);
            ADD_FAILURE() << "no error for " << name;
        } catch (const Fatal& error) {
            EXPECT_EQ(error.what(), "ERROR: Names file " + name + " cannot be opened\n");
        }
    }
}

TEST(NamesReader, ReadsANamedFile) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("quorvane-names-test-" + std::to_string(::getpid()) + ".txt");
    {
        std::ofstream out(path);
        out << "0 \"Mr Hi\"\n1 Officer";
    }
    Network network;
    network.graph.addEdge(0, 1);
    Graph_node_names().readFile(network.graph, path.string());
    std::filesystem::remove(path);
    EXPECT_EQ(network.graph.vertexMap.find(0)->name, "Mr Hi");
    EXPECT_EQ(network.graph.vertexMap.find(1)->name, "Officer");
}

}  // namespace
