// Network files as users have them, through a whole run: Les Miserables in every format
// (tests/data, written by networkx, igraph and by hand with tests/data/make_lesmis.py) gives
// the scenes and communities log of its integer edge list with a names file; each format's
// malformed file gives one ERROR line; hostile labels reach the scenes escaped.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/harness.h"

namespace {

using e2e::RunDir;

void copyData(const RunDir& dir, const std::string& name) {
    std::filesystem::copy_file(e2e::sourceDir() / "tests" / "data" / name, dir / name);
}

struct Outcome {
    std::string out;
    std::string log;
    std::string scene1;
    std::string scene2;
};

// Runs -nographic -render svg on the given files of tests/data and returns the communities
// log and the two scenes named stem_1.svg and stem_2.svg.
Outcome runOn(const std::vector<std::string>& files, std::vector<std::string> args,
              const std::string& stem) {
    RunDir dir;
    for (const std::string& file : files) copyData(dir, file);
    args.insert(args.end(), {"-nographic", "-render", "svg"});
    const e2e::Result result = dir.run(args);
    EXPECT_EQ(result.status, 0) << args[1] << "\n" << result.out;
    // Every run here draws labels: the labels line stands where a run with -names has it.
    const std::size_t from = result.out.find("\tLabels: ") + 9;
    const std::size_t to = result.out.find(" drawn (", from);
    EXPECT_LT(to, result.out.size()) << args[1];
    if (to < result.out.size()) {
        EXPECT_EQ(result.out, e2e::progress(true, false, result.out.substr(from, to - from)))
            << args[1];
    }
    EXPECT_EQ(result.err, "") << args[1];
    if (!dir.exists(stem + "_1.svg")) {
        ADD_FAILURE() << args[1] << ": no " << stem << "_1.svg";
        return {};
    }
    return {result.out, dir.read("log/communities.log"), dir.read(stem + "_1.svg"),
            dir.read(stem + "_2.svg")};
}

// Sums of the communities log's size and degree-sum columns: the vertices and twice the edges.
std::pair<long, long> totals(const std::string& log) {
    std::istringstream lines(log);
    std::string line;
    std::getline(lines, line);  // header
    long vertices = 0, degrees = 0;
    long number, size, inner, outer, degreeSum;
    while (lines >> number >> size >> inner >> outer >> degreeSum) {
        vertices += size;
        degrees += degreeSum;
    }
    return {vertices, degrees};
}

TEST(FormatsEndToEnd, LesMiserablesReadsAsItsIntegerEdgeListInEveryFormat) {
    // Numbered in declaration order, and in order of first appearance (CSV, NCOL).
    const Outcome declared =
        runOn({"lesmis.txt", "lesmis_names.txt"},
              {"-input", "lesmis.txt", "-names", "lesmis_names.txt"}, "lesmis_col_b_800x600_names");
    const Outcome appearing =
        runOn({"lesmis_first.txt", "lesmis_first_names.txt"},
              {"-input", "lesmis_first.txt", "-names", "lesmis_first_names.txt"},
              "lesmis_first_col_b_800x600_names");
    // networkx: 77 characters, 254 co-appearances.
    EXPECT_EQ(totals(declared.log), std::make_pair(77L, 508L));
    EXPECT_EQ(totals(appearing.log), std::make_pair(77L, 508L));
    ASSERT_NE(declared.scene1.find(">Valjean</text>"), std::string::npos);
    EXPECT_NE(declared.out.find(" of 77 drawn"), std::string::npos);

    struct Case {
        std::vector<std::string> args;  // the input file first
        std::string stem;
        const Outcome& expected;
    };
    const std::vector<Case> cases = {
        {{"lesmis.graphml"}, "lesmis_col_b_800x600", declared},
        {{"lesmis.gexf"}, "lesmis_col_b_800x600", declared},
        {{"lesmis.gml"}, "lesmis_col_b_800x600", declared},
        {{"lesmis_igraph.gml"}, "lesmis_igraph_col_b_800x600", declared},
        {{"lesmis.net"}, "lesmis_col_b_800x600", declared},
        {{"lesmis.graphml.gz"}, "lesmis_col_b_800x600", declared},
        {{"lesmis.txt.gz", "-names", "lesmis_names.txt"}, "lesmis_col_b_800x600_names", declared},
        {{"lesmis.csv"}, "lesmis_col_b_800x600", appearing},
        {{"lesmis.csv.gz"}, "lesmis_col_b_800x600", appearing},
        {{"lesmis.ncol", "-format", "ncol"}, "lesmis_col_b_800x600", appearing},
    };
    for (const Case& c : cases) {
        std::vector<std::string> files = {c.args[0]};
        if (c.args.size() > 2 && c.args[1] == "-names") files.push_back(c.args[2]);
        std::vector<std::string> args = {"-input"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Outcome got = runOn(files, args, c.stem);
        EXPECT_EQ(got.out, c.expected.out) << c.args[0];
        EXPECT_EQ(got.log, c.expected.log) << c.args[0];
        EXPECT_TRUE(got.scene1 == c.expected.scene1) << c.args[0];
        EXPECT_TRUE(got.scene2 == c.expected.scene2) << c.args[0];
    }
}

TEST(FormatsEndToEnd, MalformedFilesGiveOneErrorLineAndNoScene) {
    struct Case {
        std::string file;
        std::string text;
        std::vector<std::string> options;
        std::string error;
    };
    const std::string graphml =
        "<?xml version=\"1.0\"?>\n<graphml xmlns=\"http://graphml.graphdrawing.org/xmlns\">\n"
        "<graph edgedefault=\"undirected\">\n";
    const std::vector<Case> cases = {
        {"bad.graphml",
         graphml + "<node id=\"a\"/>\n<node id=\"b\">\n<edge source=\"a\" target=\"b\"/>\n"
                   "</graph></graphml>\n",
         {},
         "bad.graphml:7: Opening and ending tag mismatch: node line 5 and graph"},
        {"lonely.graphml",
         graphml + "<node id=\"a\"/>\n</graph></graphml>\n",
         {},
         "Input file lonely.graphml contains no edges"},
        {"bad.gexf",
         "<gexf version=\"1.2\"><graph><nodes><node id=\"a\"/></nodes>\n<edges>\n"
         "<edge source=\"a\" target=\"b\"/></edges></graph></gexf>\n",
         {},
         "bad.gexf:3: edge to undeclared node 'b'"},
        {"bad.gml",
         "graph [\n node [ id 0 ]\n node [ id 1\n edge [ source 0 target 1 ]\n",
         {},
         "bad.gml:5: syntax error, unexpected end of file, expecting keyword or ]"},
        {"bad.net",
         "*Vertices 2\n1 \"a\"\n2 \"b\"\n*Edges\n1 x\n",
         {},
         "bad.net:5: syntax error, unexpected ALNUM, expecting number"},
        // A vertex line's shape and KEY VALUE pairs are read; an edge parameter Pajek does not
        // know is not.
        {"color.net",
         "*Vertices 2\n1 \"a\" 0.0 0.0 ellipse color \"red\"\n2 \"b\"\n*Edges\n1 2 color "
         "Blue\n",
         {},
         "color.net:5: syntax error, unexpected ALNUM"},
        {"bad.ncol",
         "a b\nc d heavy\n",
         {"-format", "ncol"},
         "bad.ncol:2: Unexpected character 'h' while parsing real number"},
        {"bad.csv", "from,to\na,b\n", {}, "bad.csv:1: no source and target columns"},
        {"forced.txt",
         "0 1\n",
         {"-format", "csv"},
         "forced.txt:1: no source and target columns (read as CSV; the file looks like an edge "
         "list: try -format edges or leave -format out)"},
        {"quote.csv", "source,target\na,b\n\"c,d\n", {}, "quote.csv:3: unterminated quoted field"},
        {"weight.csv",
         "Source,Target,Weight\na,b,1\nc,d,heavy\n",
         {},
         "weight.csv:3: 'heavy' is not a valid weight"},
        {"garbage.gz",
         std::string("\x1F\x8Bxxxxxxxxxxxx", 14),
         {},
         "garbage.gz: corrupt compressed file (unknown compression method)"},
    };
    for (const Case& c : cases) {
        RunDir dir;
        dir.write(c.file, c.text);
        std::vector<std::string> args = {"-input", c.file, "-nographic"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const e2e::Result result = dir.run(args);
        EXPECT_EQ(result.status, 1) << c.file;
        EXPECT_EQ(result.out, "\tBuilding graph...\nERROR: " + c.error + "\n") << c.file;
        EXPECT_EQ(result.err, "") << c.file;
        std::set<std::string> files = e2e::logFiles();
        files.insert(c.file);
        EXPECT_EQ(dir.files(), files) << c.file;
    }
}

TEST(FormatsEndToEnd, TruncatedCompressedFileIsReportedInEveryFormat) {
    for (const std::string name : {"lesmis.txt.gz", "lesmis.graphml.gz", "lesmis.csv.gz"}) {
        RunDir dir;
        copyData(dir, name);
        std::filesystem::resize_file(dir / name, std::filesystem::file_size(dir / name) - 20);
        const e2e::Result result = dir.run({"-input", name, "-nographic"});
        EXPECT_EQ(result.status, 1) << name;
        EXPECT_EQ(result.out,
                  "\tBuilding graph...\nERROR: " + name + ": truncated compressed file\n");
        EXPECT_EQ(result.err, "") << name;
    }
}

// The labels drawn in an SVG scene, in order.
std::vector<std::string> svgLabels(const std::string& scene) {
    std::vector<std::string> labels;
    for (std::size_t at = scene.find("<text "); at != std::string::npos;
         at = scene.find("<text ", at + 1)) {
        const std::size_t begin = scene.find('>', at) + 1;
        labels.push_back(scene.substr(begin, scene.find("</text>", begin) - begin));
    }
    return labels;
}

// Three separate edges in a large image: every label is drawn.
TEST(FormatsEndToEnd, HostileLabelsReachTheScenesEscaped) {
    RunDir dir;
    dir.write("hostile.csv",
              "source,target\n\"say \"\"hi\"\"\",x1\n<b>&</b>,x2\n\xFF\xFEname,x3\n");
    dir.write("hostile.graphml",
              "<graphml><key id=\"l\" for=\"node\" attr.name=\"label\" attr.type=\"string\"/>"
              "<graph edgedefault=\"directed\"><node id=\"a\"><data key=\"l\">&lt;i&gt; "
              "\"q\" &amp;</data></node><node id=\"b\"/><edge source=\"a\" target=\"b\"/>"
              "</graph></graphml>");
    const std::vector<std::string> big = {"-nographic", "-W", "2000", "-H", "2000"};
    auto run = [&](const std::string& input, bool svg) {
        std::vector<std::string> args = {"-input", input};
        args.insert(args.end(), big.begin(), big.end());
        if (svg) args.insert(args.end(), {"-render", "svg"});
        const e2e::Result result = dir.run(args);
        EXPECT_EQ(result.status, 0) << input << result.out;
        const std::string stem = input.substr(0, input.find('.')) + "_col_b_2000x2000";
        return dir.read(svg ? stem + "_1.svg" : stem + "1.pov");
    };
    EXPECT_EQ(svgLabels(run("hostile.csv", true)),
              (std::vector<std::string>{"x1", "say \"hi\"", "x2", "&lt;b&gt;&amp;&lt;/b&gt;", "x3",
                                        "??name"}));
    EXPECT_EQ(svgLabels(run("hostile.graphml", true)),
              (std::vector<std::string>{"b", "&lt;i&gt; \"q\" &amp;"}));
    const std::string pov = run("hostile.csv", false);
    for (const std::string label : {"\"say \\\"hi\\\"\"", "\"<b>&</b>\"", "\"\xFF\xFEname\""})
        EXPECT_NE(pov.find("text { ttf \"cyrvetic.ttf\" " + label), std::string::npos) << label;
}

// A names file given as well wins for the ids it names; the others keep the file's labels.
TEST(FormatsEndToEnd, NamesFileWinsForTheIdsItNames) {
    RunDir dir;
    dir.write("pairs.csv", "source,target\nann,bob\ncid,dan\neve,fay\n");
    dir.write("names.txt", "1 Robert\n4 \"\"\n");
    const e2e::Result result = dir.run({"-input", "pairs.csv", "-names", "names.txt", "-nographic",
                                        "-render", "svg", "-W", "2000", "-H", "2000"});
    EXPECT_EQ(result.status, 0) << result.out;
    const std::vector<std::string> labels =
        svgLabels(dir.read("pairs_col_b_2000x2000_names_1.svg"));
    EXPECT_EQ(std::set<std::string>(labels.begin(), labels.end()),
              (std::set<std::string>{"ann", "Robert", "cid", "dan", "eve", "fay"}));
}

}  // namespace
