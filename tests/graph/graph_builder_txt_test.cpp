#include "graph/graph_builder_txt.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <streambuf>

#include "graph/text.h"
#include "graph/token_scanner.h"

using ::testing::ElementsAre;

namespace {

using Pairs = std::vector<std::pair<VertexId, VertexId>>;

// The edges read from text, or the error message. Every input is read with several block
// sizes, so tokens, comments and line breaks fall across block boundaries, and on one
// thread and two (whose batches of lines then hold a few blocks each).
std::string read(const std::string& text, std::size_t blockSize, Pairs* edges,
                 unsigned threads = 1) {
    std::istringstream input(text);
    try {
        for (const Edge& e : Graph_builder_txt(blockSize).readEdges(input, "in.txt", threads))
            edges->emplace_back(e.u, e.v);
        return "";
    } catch (const Fatal& error) {
        return error.what();
    }
}

const std::size_t kBlockSizes[] = {1, 2, 3, 5, 8, 64, std::size_t{1} << 20};

struct Case {
    const char* name;
    std::string text;
    Pairs edges;
    std::string error;
};

void check(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        for (std::size_t block : kBlockSizes) {
            for (unsigned threads : {1u, 2u}) {
                Pairs edges;
                const std::string error = read(c.text, block, &edges, threads);
                EXPECT_EQ(error, c.error) << c.name << ", block " << block << ", " << threads;
                if (c.error.empty()) {
                    EXPECT_EQ(edges, c.edges) << c.name << ", block " << block << ", " << threads;
                }
            }
        }
    }
}

}  // namespace

TEST(EdgeListReader, ColumnsAndGroups) {
    check({
        {"triangle", "0 1\n1 2\n2 0\n", {{0, 1}, {1, 2}, {2, 0}}, ""},
        {"triples drop the weight", "0 1 5\n1 2 7\n", {{0, 1}, {1, 2}}, ""},
        {"tab separated pair", "0\t1\n", {{0, 1}}, ""},
        {"trailing space", "0 1 \n1 2\n", {{0, 1}, {1, 2}}, ""},
        {"triples across lines, cut-short group ignored",
         "0 1 2\n3 4\n5 6\n",
         {{0, 1}, {3, 4}},
         ""},
        {"pairs across lines", "0 1\n1 2 9\n3 4 7\n", {{0, 1}, {1, 2}, {9, 3}, {4, 7}}, ""},
        {"duplicates are kept by the reader", "3 7\n7 3\n", {{3, 7}, {7, 3}}, ""},
        {"leading zeros", "007 0010\n", {{7, 10}}, ""},
        {"largest id", "2147483647 0\n", {{2147483647, 0}}, ""},
        {"every weight form",
         "0 1 0.25\n1 2 3\n2 3 1e-3\n3 4 -2.5E+3\n4 5 .5\n5 6 5.\n6 7 +1\n",
         {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 6}, {6, 7}},
         ""},
    });
}

// Inputs that a naive token-counting reader gets wrong.
TEST(EdgeListReader, MendedFormat) {
    check({
        {"empty first line", "\n0 1\n1 2\n", {{0, 1}, {1, 2}}, ""},
        {"blank first line", "   \t\n0 1\n1 2\n", {{0, 1}, {1, 2}}, ""},
        {"space and CR after a pair", "0 1 \r\n1 2\r\n", {{0, 1}, {1, 2}}, ""},
        {"CRLF triples", "0 1 1.5\r\n2 3 2\r\n", {{0, 1}, {2, 3}}, ""},
        {"no final line break", "0 1\n1 2", {{0, 1}, {1, 2}}, ""},
        {"single pair without anything after it", "0 5", {{0, 5}}, ""},
        {"comments anywhere",
         "# header\n% konect\n  \t# indented\n0 1\n# mid\n1 2\n%end",
         {{0, 1}, {1, 2}},
         ""},
        {"comment inside a group", "0 1 0.5\n2\n# note 7 8\n3 1e-3\n", {{0, 1}, {2, 3}}, ""},
        {"long comment without blanks",
         std::string("#") + std::string(300, 'c') + "\n0 1\n%" + std::string(300, 'x'),
         {{0, 1}},
         ""},
        {"byte order mark",
         "\xEF\xBB\xBF"
         "0 1\n",
         {{0, 1}},
         ""},
        {"byte order mark then comment", "\xEF\xBB\xBF# c\n4 5\n", {{4, 5}}, ""},
        {"very long id", std::string(5000, '0') + "5 6\n", {{5, 6}}, ""},
    });
}

TEST(EdgeListReader, InvalidTokens) {
    auto id = [](int line, const std::string& token) {
        return "ERROR: in.txt:" + std::to_string(line) + ": '" + token +
               "' is not a valid vertex id\n";
    };
    auto weight = [](int line, const std::string& token) {
        return "ERROR: in.txt:" + std::to_string(line) + ": '" + token +
               "' is not a valid weight\n";
    };
    check({
        {"letters", "0 1\n1 x\n", {}, id(2, "x")},
        {"plus sign", "+5 1\n", {}, id(1, "+5")},
        {"minus zero", "0 1\n-0 1\n", {}, id(2, "-0")},
        {"decimal id", "0 1\n1.0 2\n", {}, id(2, "1.0")},
        {"hexadecimal", "0 1\n0x10 2\n", {}, id(2, "0x10")},
        {"just past the int limit", "0 1\n2147483648 2\n", {}, id(2, "2147483648")},
        {"far past the unsigned limit", "99999999999 1\n", {}, id(1, "99999999999")},
        {"id after comments and blank lines", "# a\n\n0 1\n% b\n\n3 4y\n", {}, id(6, "4y")},
        {"comment mark inside a line", "0 1\n2 # 3\n", {}, id(2, "#")},
        {"comment mark after a form feed", "0 1\n\f#2 3\n", {}, id(2, "#2")},
        {"trailing cut-short group is checked", "0 1\n2 y", {}, id(2, "y")},
        {"first-line token", "0 a\n", {}, id(1, "a")},
        {"nan weight", "0 1 nan\n", {}, weight(1, "nan")},
        {"inf weight", "0 1 1\n1 2 inf\n", {}, weight(2, "inf")},
        {"exponent without digits", "0 1 1\n1 2 1e\n", {}, weight(2, "1e")},
        {"lone point", "0 1 .\n", {}, weight(1, ".")},
        {"two points", "0 1 1\n2 3 1.2.3\n", {}, weight(2, "1.2.3")},
        {"control and high bytes escaped", "0 1\n\x01\xFFz 2\n", {}, id(2, "\\x01\\xFFz")},
        {"NUL inside a token",
         std::string("0 1\n1 2\0"
                     "3\n",
                     10),
         {},
         id(2, "2\\x003")},
        {"byte order mark after the start",
         "0 1\n\xEF\xBB\xBF"
         "1 2\n",
         {},
         id(2, "\\xEF\\xBB\\xBF1")},
        {"long token cut to 64 bytes",
         "0 1\n" + std::string(70, 'a') + " 2\n",
         {},
         id(2, std::string(64, 'a') + "...")},
        {"64 bytes are shown whole",
         "0 1\n" + std::string(64, 'b') + " 2\n",
         {},
         id(2, std::string(64, 'b'))},
    });
}

TEST(EdgeListReader, ColumnCountAndEmptyInputs) {
    const std::string none = "ERROR: Input file in.txt contains no edges\n";
    check({
        {"one column", "5\n6\n", {}, "ERROR: in.txt:1: expected 2 or 3 columns, found 1\n"},
        {"four columns", "0 1 2 3\n", {}, "ERROR: in.txt:1: expected 2 or 3 columns, found 4\n"},
        {"header after comments",
         "# nodes edges\n\n1 2 3 4 5\n0 1\n",
         {},
         "ERROR: in.txt:3: expected 2 or 3 columns, found 5\n"},
        {"column error before token errors",
         "a b c d\n",
         {},
         "ERROR: in.txt:1: expected 2 or 3 columns, found 4\n"},
        {"empty", "", {}, none},
        {"blank lines", "\n \n\t\r\n", {}, none},
        {"only comments", "# one\n% two\n#", {}, none},
        {"only a byte order mark", "\xEF\xBB\xBF", {}, none},
    });
}

// Long inputs cross many batches of lines: two threads read what one reads, edges and errors
// alike, wherever the batches end.
TEST(EdgeListReader, TwoThreadsReadWhatOneReads) {
    std::string valid;
    for (int i = 0; i < 3000; ++i) {
        valid += std::to_string(i) + " " + std::to_string(i * 7 % 3001);
        valid += i % 13 == 0 ? "\r\n" : "\n";
        if (i % 7 == 0) valid += "# comment " + std::to_string(i) + "\n";
        if (i % 11 == 0) valid += "  \t%x 1 2\n\n";
        if (i % 17 == 0) valid += "5 6 7\n";  // pairs then run across lines
    }
    auto withLine = [&](std::size_t at, const std::string& line) {
        std::string text = valid;
        std::size_t position = 0;
        for (std::size_t k = 0; k < at; ++k) position = text.find('\n', position) + 1;
        return text.insert(position, line);
    };
    const std::vector<std::pair<const char*, std::string>> inputs = {
        {"valid", valid},
        {"an odd token at the end", valid + "9\n"},
        {"a bad id far in", withLine(2500, "1 2x\n")},
        {"a bad id near the start", withLine(2, "x 1\n")},
        {"a line longer than a batch", withLine(1500, std::string(20000, '1') + " 1\n")},
        {"a long line after the first", withLine(5, std::string(20000, '2') + " 1\n")},
        {"a giant token", withLine(1000, "1 " + std::string(kLongestToken + 10, '7') + "\n")},
    };
    for (const auto& [name, text] : inputs) {
        for (std::size_t block : {16, 100, 4096}) {
            Pairs one, two;
            const std::string error = read(text, block, &one, 1);
            EXPECT_EQ(read(text, block, &two, 2), error) << name << ", block " << block;
            EXPECT_EQ(two, one) << name << ", block " << block;
            if (std::string(name) == "valid") {
                EXPECT_EQ(error, "") << block;
                EXPECT_GT(one.size(), 3000u) << block;
            }
        }
    }
    // Asked for weights, a list of pairs weighs every edge 1.
    std::istringstream input(valid);
    std::vector<double> weights;
    const std::vector<Edge> edges = Graph_builder_txt(64).readEdges(input, "in.txt", 2, &weights);
    EXPECT_EQ(weights, std::vector<double>(edges.size(), 1.0));
}

// A reader that read ahead hands its bytes to a scanner as a prefix: however long, its
// tokens come out whole, a token it cuts short is finished from the input, and lines count
// on from the given one.
TEST(TokenScanner, ALongPrefixIsReadAsTheInputItCameFrom) {
    std::string prefix;
    for (int i = 0; i < 300000; ++i) prefix += "12 34\n";
    prefix += "5";
    std::istringstream input("6 7x\n");
    TokenScanner rest(input, "in.txt", 1 << 20, prefix, "Input file", 9);
    std::size_t tokens = 0;
    std::string last;
    while (rest.nextToken() && rest.token() != "7x") {
        last = rest.takeText();
        ++tokens;
    }
    EXPECT_EQ(tokens, 600001u);
    EXPECT_EQ(last, "56");
    EXPECT_EQ(rest.line(), 9u + 300000u);
}

namespace {

// Hands out the given text, then fails as a disk would, or, thrown, as a decompressor does.
class FailingBuffer : public std::streambuf {
  public:
    FailingBuffer(std::string text, bool thrown) : text_(std::move(text)), thrown_(thrown) {
        setg(text_.data(), text_.data(), text_.data() + text_.size());
    }

  protected:
    int_type underflow() override {
        if (thrown_) throw Fatal("ERROR: data/in.txt: truncated\n");
        throw std::ios_base::failure("read error");
    }

  private:
    std::string text_;
    bool thrown_;
};

}  // namespace

// A read error is reported as an error, never taken for the end of the input; a bad token in
// the blocks read before it is reported first, on one thread as on two.
TEST(EdgeListReader, ReadErrorIsNotTheEndOfInput) {
    const std::string bad = "ERROR: data/in.txt:3: 'x' is not a valid vertex id\n";
    const struct {
        std::string text;
        bool thrown;
        std::vector<std::size_t> blocks;
        std::string error;
    } cases[] = {
        {"0 1\n1 2\n", false, {}, "ERROR: Input file data/in.txt cannot be opened\n"},
        {"0 1\n1 2\n", true, {}, "ERROR: data/in.txt: truncated\n"},
        {"0 1\n2 3\n4 x\n5 6\n", false, {1, 2, 3, 5, 8}, bad},
        {"0 1\n2 3\n4 x\n5 6\n", true, {1, 2, 3, 5, 8}, bad},
    };
    for (const auto& c : cases) {
        for (std::size_t block : kBlockSizes) {
            if (!c.blocks.empty() && std::count(c.blocks.begin(), c.blocks.end(), block) == 0)
                continue;
            for (unsigned threads : {1u, 2u}) {
                FailingBuffer buffer(c.text, c.thrown);
                std::istream input(&buffer);
                if (c.thrown) input.exceptions(std::ios::badbit);
                try {
                    Graph_builder_txt(block).readEdges(input, "data/in.txt", threads);
                    ADD_FAILURE() << "no error with block " << block;
                } catch (const Fatal& error) {
                    EXPECT_EQ(error.what(), c.error) << "block " << block << ", " << threads;
                }
            }
        }
    }
}

TEST(EdgeListReader, ReadFileBuildsTheSimpleGraph) {
    std::istringstream input("3 7 1\n7 3 1\n7 7 2\n");
    Graph graph(true);
    Graph_builder_txt().readFile(input, graph, "in.txt");
    ASSERT_EQ(graph.vertices.size(), 2u);
    EXPECT_EQ(graph.vertices[0]->id, 3);
    EXPECT_EQ(graph.numArcs, 3u);
    EXPECT_THAT(graph.vertexMap.find(7)->neighbours,
                ElementsAre(graph.vertexMap.find(3), graph.vertexMap.find(7)));
}

// Tokens of input files and arguments of option errors share one escaper with two rules.
TEST(Escaping, TokensAndArgumentsKeepTheirOwnRules) {
    auto lineBreaks = [](int count) {
        std::string s;
        for (int i = 0; i < count; ++i) s += "\\x0A";
        return s;
    };
    struct Case {
        std::string text;
        Escape rule;
        std::string expected;
    } cases[] = {
        {"abc", Escape::Token, "abc"},
        {"abc", Escape::Argument, "abc"},
        {std::string("\x1F\x7F~ ", 4), Escape::Token, "\\x1F\\x7F~ "},
        {std::string("\x1F\x7F~ ", 4), Escape::Argument, "\\x1F\\x7F~ "},
        {"caf\xC3\xA9", Escape::Token, "caf\\xC3\\xA9"},
        {"caf\xC3\xA9", Escape::Argument, "caf\xC3\xA9"},
        {std::string(65, '\n'), Escape::Token, lineBreaks(64) + "..."},
        {std::string(65, '\n'), Escape::Argument, lineBreaks(65)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(escaped(c.text, c.rule), c.expected)
            << (c.rule == Escape::Token ? "token " : "argument ") << c.text.size();
}
