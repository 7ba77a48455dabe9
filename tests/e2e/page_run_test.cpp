// The interactive page of whole runs: it fills the browser's window, so the image size
// (-W, -H), which the scenes and their images have, leaves it as it is.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "e2e/harness.h"

namespace {

using e2e::RunDir;

// The "Labels: N of M drawn" line of a run's output, or "".
std::string labelsLine(const std::string& out) {
    const std::size_t at = out.find("\tLabels: ");
    return at == std::string::npos ? "" : out.substr(at, out.find('\n', at) - at);
}

// Les Misérables with its names: each image size lets the vertex scene's layout fit a
// different number of labels, and the pages must not tell.
TEST(PageRuns, ImageSizeLeavesThePageByteForByte) {
    RunDir dir;
    for (const char* name : {"lesmis.txt", "lesmis_names.txt"})
        std::filesystem::copy_file(e2e::sourceDir() / "tests" / "data" / name, dir / name);
    const std::vector<std::pair<std::string, std::string>> sizes = {
        {"800", "600"}, {"1600", "300"}, {"300", "1500"}};
    std::vector<std::string> pages;
    std::vector<std::string> labels;
    for (const auto& [width, height] : sizes) {
        const std::string stem = "page-" + width + "x" + height;
        const e2e::Result r =
            dir.run({"-input", "lesmis.txt", "-names", "lesmis_names.txt", "-render", "html", "-W",
                     width, "-H", height, "-output", stem});
        ASSERT_EQ(r.status, 0) << r.out;
        EXPECT_EQ(r.err, "");
        pages.push_back(dir.read(stem + ".html"));
        labels.push_back(labelsLine(r.out));
    }
    // The layouts differ, or this would show nothing.
    EXPECT_NE(labels[0], labels[1]);
    EXPECT_NE(labels[0], "");
    for (std::size_t k = 1; k < pages.size(); ++k) {
        EXPECT_EQ(pages[k].size(), pages[0].size()) << sizes[k].first << "x" << sizes[k].second;
        EXPECT_TRUE(pages[k] == pages[0]) << sizes[k].first << "x" << sizes[k].second;
    }
}

}  // namespace
