// The Leiden detector in whole runs: every output the same for two runs and for every
// -threads value, and the summary saying which detector ran.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "e2e/harness.h"

namespace {

using e2e::RunDir;

// Every file a run leaves but the summary, and the summary without its options and seconds
// (the only parts that may differ between runs).
std::vector<std::string> outputsOf(const std::string& network,
                                   const std::vector<std::string>& extra, const char* render) {
    RunDir dir;
    dir.write("net.txt", network);
    std::vector<std::string> args = {"-input", "net.txt", "-nographic", "-communities",
                                     "leiden", "-export", "csv,gexf",   "-output",
                                     "run",    "-render", render};
    args.insert(args.end(), extra.begin(), extra.end());
    const e2e::Result r = dir.run(args);
    EXPECT_EQ(r.status, 0) << r.out;
    std::vector<std::string> contents = {r.out};
    for (const std::string& name : dir.files()) {
        std::string text = dir.read(name);
        if (name == "run_summary.json") {
            EXPECT_NE(text.find("\"communities\": \"leiden\", \"resolution\": 1, \"seed\": 1, "),
                      std::string::npos)
                << text;
            text = text.substr(0, text.find("\"options\""));
        }
        contents.push_back(name + "\n" + text);
    }
    return contents;
}

// Blocks of 40 vertices with 6 edges a vertex inside and one outside, from a fixed
// generator: large enough for the detector's work to be shared between threads.
std::string plantedNetwork(int vertices) {
    std::string text;
    std::uint64_t state = 7;
    auto next = [&state](std::uint64_t bound) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return (state >> 33) % bound;
    };
    for (int v = 0; v < vertices; ++v) {
        const int block = v / 40 * 40;
        for (int k = 0; k < 6; ++k)
            text += std::to_string(v) + " " + std::to_string(block + int(next(40))) + "\n";
        text += std::to_string(v) + " " + std::to_string(next(std::uint64_t(vertices))) + "\n";
    }
    return text;
}

TEST(LeidenRuns, OutputsAreTheSameForEveryRunAndThreadCount) {
    std::ifstream lesmisFile(e2e::sourceDir() / "tests" / "data" / "lesmis.txt");
    const std::string lesmis{std::istreambuf_iterator<char>(lesmisFile),
                             std::istreambuf_iterator<char>()};
    const std::string planted = plantedNetwork(60000);
    for (const char* render : {"svg", "html"}) {
        const std::vector<std::string> one = outputsOf(lesmis, {"-threads", "1"}, render);
        // Standard output, the twelve logs, the input, the scenes or the page, four data files and
        // the summary.
        EXPECT_EQ(one.size(), render == std::string("svg") ? 21u : 20u);
        EXPECT_EQ(outputsOf(lesmis, {"-threads", "1"}, render), one) << render;
        EXPECT_EQ(outputsOf(lesmis, {"-threads", "2"}, render), one) << render;
    }
    const std::vector<std::string> one = outputsOf(planted, {"-threads", "1"}, "svg");
    EXPECT_EQ(outputsOf(planted, {"-threads", "2"}, "svg"), one);
    EXPECT_EQ(outputsOf(planted, {"-threads", "3"}, "svg"), one);
    EXPECT_EQ(outputsOf(planted, {}, "svg"), one);
}

}  // namespace
