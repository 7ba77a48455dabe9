// Vertex names in a whole run: `-names FILE` loads the labels after the graph is read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/harness.h"

namespace {

std::set<std::string> logsAnd(std::initializer_list<std::string> inputs) {
    std::set<std::string> names = e2e::logFiles();
    names.insert(inputs.begin(), inputs.end());
    return names;
}

TEST(NamesEndToEnd, KarateWithANamesFileRuns) {
    e2e::RunDir dir;
    dir.copyExample("karate.txt");
    dir.write("names.txt", "0 \"Mr Hi\"\n33 Officer\n1 A\n2 \"Third member\"");
    const e2e::Result result =
        dir.run({"-input", "karate.txt", "-names", "names.txt", "-nographic"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, e2e::progress(false, false, "4 of 4"));
    EXPECT_EQ(result.err, "");
}

TEST(NamesEndToEnd, NamesFileThatCannotBeOpenedStopsBeforeAnySceneFile) {
    for (const std::string name : {"missing.txt", "adir"}) {
        e2e::RunDir dir;
        dir.copyExample("karate.txt");
        std::filesystem::create_directory(dir / "adir");
        const e2e::Result result = dir.run({"-input", "karate.txt", "-names", name});
        EXPECT_EQ(result.status, 1) << name;
        EXPECT_EQ(result.out,
                  "\tBuilding graph...\nERROR: Names file " + name + " cannot be opened\n")
            << name;
        EXPECT_EQ(result.err, "") << name;
        EXPECT_EQ(dir.files(), logsAnd({"karate.txt"})) << name;
    }
}

TEST(NamesEndToEnd, BadRecordStopsWithFileAndLine) {
    e2e::RunDir dir;
    dir.copyExample("karate.txt");
    dir.write("names.txt", "0 a\n1 b\nvertex label\n");
    const e2e::Result result = dir.run({"-input", "karate.txt", "-names", "names.txt"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out,
              "\tBuilding graph...\nERROR: names.txt:3: 'vertex' is not a valid vertex id\n");
    EXPECT_EQ(dir.files(), logsAnd({"karate.txt", "names.txt"}));
}

// "0" (and -names without a value) asks for ids as labels, even when a file "0" exists.
TEST(NamesEndToEnd, NamesZeroReadsNoFile) {
    e2e::RunDir dir;
    dir.copyExample("karate.txt");
    dir.write("0", "not a names file\n");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-input", "karate.txt", "-names", "0", "-nographic"},
          std::vector<std::string>{"-input", "karate.txt", "-nographic", "-names"}}) {
        const e2e::Result result = dir.run(args);
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out, e2e::progress(false, false, "31 of 34"));
    }
}

// The labels line counts the vertices with a label to draw and the labels that fit; it is
// printed whenever labels are asked for, also when there is none to draw, and never
// otherwise. The count is the layout's, whatever the renderer.
TEST(NamesEndToEnd, TheLabelsLineSaysHowManyWereDrawn) {
    struct Case {
        std::vector<std::string> extra;
        std::string names;  // the names file's text
        std::string labels;
    } cases[] = {
        {{"-names"}, "", "31 of 34"},
        {{"-names", "-render", "svg"}, "", "31 of 34"},
        {{"-names", "names.txt"}, "0 \"Mr Hi\"\n33 Officer\n", "2 of 2"},
        {{"-names", "names.txt"}, "1000 nobody\n", "0 of 0"},
        {{"-names", "names.txt"}, "0 " + std::string(200, 'x') + "\n1 y\n", "1 of 2"},
        {{}, "", ""},
    };
    for (const Case& c : cases) {
        e2e::RunDir dir;
        dir.copyExample("karate.txt");
        dir.write("names.txt", c.names);
        std::vector<std::string> args = {"-input", "karate.txt", "-nographic"};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const e2e::Result result = dir.run(args);
        const bool svg = c.extra.size() > 1 && c.extra.back() == "svg";
        EXPECT_EQ(result.status, 0) << c.labels;
        EXPECT_EQ(result.out, e2e::progress(svg, false, c.labels)) << c.names;
    }
}

}  // namespace
