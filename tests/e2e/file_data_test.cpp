// The user's data in whole runs: a network of awkward names, node attributes, weights and a
// vertex without edges, written by networkx and python-igraph in each format, comes back in
// the tables, the GEXF and the summary as it was written (tests/e2e/file_data_check.py reads
// them with Python's csv module and networkx).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "e2e/harness.h"

namespace {

using e2e::RunDir;

const char* const kPython = "/usr/bin/python3";

TEST(FileDataEndToEnd, WhatTheWritingToolsWroteComesBack) {
    RunDir probe(false);
    if (probe.runProgram(kPython, {"-c", "import networkx, igraph"}).status != 0)
        GTEST_SKIP() << "python3-networkx or python3-igraph is not installed";
    const struct {
        const char* writer;
        const char* file;
    } cases[] = {
        {"nx-graphml", "net.graphml"},
        {"nx-gexf", "net.gexf"},
        {"nx-gml", "net.gml"},
        {"nx-pajek", "net.net"},
        {"csv", "net.csv"},
        {"ig-graphml", "net.graphml"},
        {"ig-gml", "net.gml"},
        {"ig-unnamed", "net.graphml"},
    };
    for (const auto& c : cases) {
        RunDir dir;
        std::filesystem::copy_file(e2e::sourceDir() / "tests" / "e2e" / "file_data_check.py",
                                   dir / "check.py");
        const e2e::Result written =
            dir.runProgram(kPython, {"check.py", "write", c.writer, c.file});
        ASSERT_EQ(written.status, 0) << c.writer << written.err;
        const e2e::Result r = dir.run(
            {"-input", c.file, "-nographic", "-weighted", "-export", "csv,gexf", "-output", "out"});
        ASSERT_EQ(r.status, 0) << c.writer << ": " << r.out;
        EXPECT_EQ(r.err, "") << c.writer;
        const e2e::Result check = dir.runProgram(kPython, {"check.py", "check", c.writer, "out"});
        EXPECT_TRUE(check.out == "OK\n") << check.out << check.err;
    }
}

// Weights in whole runs: missing CSV weights are counted and said, a weight that is not
// positive stops a -weighted run, and the summary says which detector used the weights.
TEST(FileDataEndToEnd, WeightsInWholeRuns) {
    const std::string csv = "source,target,weight\na,b,\nb,c,NA\nc,a,NaN\nc,d,2\n";
    const std::string ring = "0 1 5\n1 2 5\n2 0 5\n2 3 0.5\n3 4 5\n4 5 5\n5 3 5\n";
    const struct {
        const char* file;
        std::string content;
        std::vector<std::string> options;
        int status;
        std::string said;     // a line of the standard output
        std::string summary;  // a piece of the summary, when the run ends well
    } cases[] = {
        {"net.csv",
         csv,
         {},
         0,
         "\tWeights: 3 edges without a weight counted as 1\n",
         "\"weighted\": false"},
        {"net.csv",
         csv,
         {"-weighted", "-communities", "leiden"},
         0,
         "\tWeights: 3 edges without a weight counted as 1\n",
         "\"weighted_detection\": true"},
        {"net.txt", ring, {"-weighted"}, 0, "Done!\n", "\"weighted_detection\": false"},
        {"net.txt",
         ring,
         {"-weighted", "-communities", "leiden"},
         0,
         "Done!\n",
         "\"weighted_detection\": true"},
        {"net.txt",
         "0 1 1\n1 2 0\n",
         {"-weighted"},
         1,
         "ERROR: net.txt:2: '0' is not a positive weight\n",
         ""},
        {"net.txt", "0 1 1\n1 2 0\n", {}, 0, "Done!\n", "\"weighted\": false"},
        {"net.csv",
         "source,target,weight\na,b,-1\n",
         {"-weighted"},
         1,
         "ERROR: net.csv:2: '-1' is not a positive weight\n",
         ""},
    };
    for (const auto& c : cases) {
        RunDir dir;
        dir.write(c.file, c.content);
        std::vector<std::string> args{"-input", c.file,    "-nographic", "-export",
                                      "csv",    "-output", "out"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const e2e::Result r = dir.run(args);
        EXPECT_EQ(r.status, c.status) << c.content << r.out;
        EXPECT_NE(r.out.find(c.said), std::string::npos) << r.out;
        if (c.status == 0) {
            EXPECT_NE(dir.read("out_summary.json").find(c.summary), std::string::npos)
                << dir.read("out_summary.json");
        }
    }
}

}  // namespace
