// The communities log of a whole run.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "e2e/harness.h"

namespace {

const std::string kHeader = "#Number; Size; e_ii; a_ij; Sum degrees;\n";

std::string runAndReadLog(e2e::RunDir& dir, const std::string& input) {
    const e2e::Result result = dir.run({"-input", input, "-nographic"});
    EXPECT_EQ(result.status, 0) << result.out;
    EXPECT_EQ(result.out, e2e::progress());
    EXPECT_EQ(result.err, "");
    return dir.read("log/communities.log");
}

// A generated network with community structure: blocks of 12 with a few links between.
std::string blocks(int count) {
    std::ostringstream out;
    unsigned state = 12345;
    auto next = [&state](unsigned bound) {
        state = state * 1103515245u + 12345u;
        return (state >> 8) % bound;
    };
    for (int b = 0; b < count; ++b)
        for (int e = 0; e < 40; ++e) out << b * 12 + next(12) << ' ' << b * 12 + next(12) << '\n';
    for (int e = 0; e < count * 3; ++e) out << next(12 * count) << ' ' << next(12 * count) << '\n';
    return out.str();
}

}  // namespace

TEST(CommunitiesLog, WorkedExamples) {
    struct Case {
        const char* name;
        std::string input;
        std::string lines;
    };
    const std::vector<Case> cases = {
        {"two triangles", "0 1\n1 2\n2 0\n2 3\n3 4\n4 5\n5 3\n", "1 3 6 1 7\n2 3 6 1 7\n"},
        {"path", "0 1\n1 2\n", "1 3 4 0 4\n"},
        {"single edge", "0 1\n", "1 2 2 0 2\n"},
        {"two disjoint edges", "0 1\n2 3\n", "1 2 2 0 2\n2 2 2 0 2\n"},
        {"lone self-loop", "4 4\n", "1 1 1 0 1\n"},
        {"self-loop beside an edge", "0 1\n2 2\n", "1 2 2 0 2\n2 1 1 0 1\n"},
    };
    for (const Case& c : cases) {
        e2e::RunDir dir;
        dir.write("in.txt", c.input);
        EXPECT_EQ(runAndReadLog(dir, "in.txt"), kHeader + c.lines) << c.name;
    }
}

TEST(CommunitiesLog, KarateClubRowsAddUpToTheNetwork) {
    e2e::RunDir dir;
    dir.copyExample("karate.txt");
    std::istringstream log(runAndReadLog(dir, "karate.txt"));
    std::string header;
    std::getline(log, header);
    EXPECT_EQ(header + "\n", kHeader);
    int number = 0, expected = 0, size = 0, sizes = 0;
    unsigned internal = 0, external = 0, sum = 0, sums = 0, externals = 0;
    while (log >> number >> size >> internal >> external >> sum) {
        EXPECT_EQ(number, ++expected);
        EXPECT_EQ(internal + external, sum);
        sizes += size;
        sums += sum;
        externals += external;
    }
    EXPECT_EQ(sizes, 34);       // every member once
    EXPECT_EQ(sums, 2u * 78u);  // every edge end once
    EXPECT_EQ(expected, 4);     // the partition the literal rules reach on this network
    EXPECT_GT(externals, 0u);
}

TEST(CommunitiesLog, TwoRunsWriteTheSameBytes) {
    e2e::RunDir first, second;
    const std::string input = blocks(60);
    first.write("net.txt", input);
    second.write("net.txt", input);
    const std::string a = runAndReadLog(first, "net.txt");
    const std::string b = runAndReadLog(second, "net.txt");
    EXPECT_EQ(a, b);
    EXPECT_GT(std::count(a.begin(), a.end(), '\n'), 10);
}

TEST(CommunitiesLog, NoLogDirectoryMeansNoLogAndTheSameRun) {
    e2e::RunDir dir(false);
    dir.write("in.txt", "0 1\n1 2\n2 0\n");
    const e2e::Result result = dir.run({"-input", "in.txt", "-nographic"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, e2e::progress());
    EXPECT_FALSE(dir.exists("log/communities.log"));
}
