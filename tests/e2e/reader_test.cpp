// The reading stage of a whole run: what the user sees for good and bad input files.
#include <gtest/gtest.h>

#include "e2e/harness.h"

namespace {

// The run's own files besides the input: the twelve logs only, no scene file.
std::set<std::string> withInput(const std::string& input) {
    std::set<std::string> names = e2e::logFiles();
    names.insert(input);
    return names;
}

}  // namespace

TEST(ReaderEndToEnd, CommentedCrlfFileWithLargeIdsAndNoFinalLineBreakRuns) {
    e2e::RunDir dir;
    dir.write("net.txt",
              "% konect header\r\n# FromNodeId\tToNodeId\r\n0 1\r\n1 2\r\n2147483647 0\r\n2 0");
    const e2e::Result result = dir.run({"-input", "net.txt", "-nographic"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, e2e::progress());
    EXPECT_EQ(result.err, "");
}

TEST(ReaderEndToEnd, KarateExampleRuns) {
    e2e::RunDir dir;
    dir.copyExample("karate.txt");
    const e2e::Result result = dir.run({"-input", "karate.txt", "-nographic"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, e2e::progress());
}

TEST(ReaderEndToEnd, BadInputStopsBeforeAnythingIsDrawn) {
    struct Case {
        const char* name;
        std::string text;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"invalid id", "0 1\n1 2\n2 abc\n", "ERROR: in.txt:3: 'abc' is not a valid vertex id\n"},
        {"invalid weight", "0 1 1\n1 2 nan\n", "ERROR: in.txt:2: 'nan' is not a valid weight\n"},
        {"four columns", "0 1 1 1217567877\n",
         "ERROR: in.txt:1: expected 2 or 3 columns, found 4\n"},
        {"no edges", "# nothing here\n\n", "ERROR: Input file in.txt contains no edges\n"},
        {"binary",
         std::string("\x7F"
                     "ELF\x02\x01\t\x01\0\0\n",
                     11),
         "ERROR: in.txt:1: '\\x7FELF\\x02\\x01' is not a valid vertex id (read as an edge list; "
         "the "
         "file looks like binary data; the formats read: edge list, CSV, NCOL, GraphML, GEXF, "
         "GML, Pajek)\n"},
        {"single column", "17\n", "ERROR: in.txt:1: expected 2 or 3 columns, found 1\n"},
    };
    for (const Case& c : cases) {
        e2e::RunDir dir;
        dir.write("in.txt", c.text);
        const e2e::Result result = dir.run({"-input", "in.txt", "-nographic"});
        EXPECT_EQ(result.status, 1) << c.name;
        EXPECT_EQ(result.out, "\tBuilding graph...\n" + c.error) << c.name;
        EXPECT_EQ(result.err, "") << c.name;
        EXPECT_EQ(dir.files(), withInput("in.txt")) << c.name;
    }
}
