// The clear style in whole runs: the SVG pictures' geometry checked by tests/e2e/clear_check.py
// (fitted, centred, legend and labels covering nothing, one bar per pair), the POV-Ray
// pictures rendered for real (brightness, labels beyond ASCII), and the names it derives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "e2e/harness.h"
#include "e2e/png_check.h"

namespace {

using e2e::RunDir;

const char* const kPython = "/usr/bin/python3";
constexpr int kTimeout = 300;

// Blocks of 30 with a few edges between them, numbered so that ids do not follow blocks.
std::string blocks(int vertices) {
    std::string text;
    std::uint64_t state = 5;
    for (int v = 0; v < vertices; ++v) {
        for (int k = 0; k < 3; ++k) {
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            text += std::to_string(v) + " " + std::to_string(v / 30 * 30 + int(state >> 33) % 30) +
                    "\n";
        }
        text += std::to_string(v) + " " + std::to_string((v * 7) % vertices) + "\n";
    }
    return text;
}

TEST(ClearStyle, SvgPicturesAreFittedAndTheirTextsCoverNothing) {
    struct Case {
        const char* network;  // a file of tests/data, or one written below
        std::vector<std::string> args;
    };
    const std::vector<Case> cases = {
        {"two.txt", {"-names"}},
        {"karate.txt", {"-names"}},
        {"karate.txt", {"-names", "-W", "300", "-H", "900", "-bckgnd", "white"}},
        {"lesmis.gml", {}},
        {"lesmis.gml", {"-W", "1600", "-H", "400", "-communities", "leiden"}},
        {"lesmis.gml", {"-W", "1", "-H", "1"}},
        {"lesmis.gml", {"-W", "100000", "-H", "3", "-font", "3"}},
        {"lesmis.gml", {"-weighted", "-u", "2.5"}},
        {"blocks.txt", {"-names", "-W", "1000", "-H", "700"}},
    };
    for (const Case& c : cases) {
        RunDir dir;
        dir.write("two.txt", "0 1\n");
        dir.write("blocks.txt", blocks(20000));
        dir.copyExample("karate.txt");
        std::filesystem::copy_file(e2e::sourceDir() / "tests" / "data" / "lesmis.gml",
                                   dir / "lesmis.gml");
        std::filesystem::copy_file(e2e::sourceDir() / "tests" / "e2e" / "clear_check.py",
                                   dir / "clear_check.py");
        std::vector<std::string> args = {"-input",  c.network, "-style",     "clear",
                                         "-render", "svg",     "-nographic", "-export",
                                         "csv",     "-output", "t"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const e2e::Result r = dir.run(args, {}, kTimeout);
        const std::string what = std::string(c.network) + " " + std::to_string(c.args.size());
        ASSERT_EQ(r.status, 0) << what << r.out;
        const e2e::Result check =
            dir.runProgram(kPython, {"clear_check.py", "t1.svg", "t2.svg", "t_links.csv"});
        EXPECT_EQ(check.out.substr(0, 3), "OK ") << what << "\n" << check.out << check.err;
    }
}

// The share of the picture's pixels that are not the background, and the median grey
// (luminance) of those.
struct Brightness {
    double drawn = 0;
    int median = 0;
};

Brightness brightnessOf(const std::filesystem::path& png) {
    const e2e::PngFacts facts = e2e::inspectPng(png);
    EXPECT_TRUE(facts.decoded) << png << facts.error;
    std::vector<int> greys;
    for (const std::uint32_t p : facts.picture.pixels) {
        if (p == 0) continue;
        const int r = int(p >> 16 & 255), g = int(p >> 8 & 255), b = int(p & 255);
        greys.push_back((299 * r + 587 * g + 114 * b) / 1000);
    }
    if (greys.empty()) return {};
    std::nth_element(greys.begin(), greys.begin() + greys.size() / 2, greys.end());
    return {double(greys.size()) / double(facts.picture.pixels.size()), greys[greys.size() / 2]};
}

// Rendered by POV-Ray: the clear community picture of Les Misérables shows its spheres lit
// (the classic one is nearly black: its light is behind the spheres); labels with letters
// beyond ASCII and CJK draw without a warning in the renderer's log.
TEST(ClearStyle, PovRayPicturesAreLitAndTheirLabelsAreUnicode) {
    RunDir dir;
    std::filesystem::copy_file(e2e::sourceDir() / "tests" / "data" / "lesmis.gml",
                               dir / "lesmis.gml");
    for (const char* style : {"classic", "clear"}) {
        const e2e::Result r = dir.run(
            {"-input", "lesmis.gml", "-style", style, "-output", style, "-logfile"}, {}, kTimeout);
        ASSERT_EQ(r.status, 0) << style << r.out;
    }
    const Brightness classic = brightnessOf(dir / "classic2.png");
    const Brightness clear = brightnessOf(dir / "clear2.png");
    EXPECT_GE(clear.median, 70) << "classic: " << classic.median;
    EXPECT_GT(clear.drawn, 0.05);
    EXPECT_LT(classic.median, 40);

    dir.write("names.txt", "0 \"Zoë\"\n1 \"Ñandú\"\n2 \"北京\"\n3 \"Smith, John\"\n");
    dir.write("net.txt", "0 1\n1 2\n2 3\n3 0\n");
    const e2e::Result r = dir.run(
        {"-input", "net.txt", "-names", "names.txt", "-style", "clear", "-logfile"}, {}, kTimeout);
    ASSERT_EQ(r.status, 0) << r.out;
    const std::string log = dir.read("log/povray.log");
    EXPECT_EQ(log.find("Non-ASCII"), std::string::npos) << log;
    EXPECT_EQ(log.find("Warning:"), std::string::npos) << log;
    const std::string scene = dir.read("net_clear_col_b_800x600_names1.pov");
    EXPECT_NE(scene.find("charset utf8"), std::string::npos);
    EXPECT_NE(scene.find("\"Zo\xC3\xAB\""), std::string::npos);
    EXPECT_NE(scene.find("DroidSansFallbackFull.ttf\" \"\xE5\x8C\x97\xE4\xBA\xAC\""),
              std::string::npos);
    EXPECT_TRUE(e2e::inspectPng(dir / "net_clear_col_b_800x600_names_1_POV.png").decoded);
}

// The classic and the clear style never write the same names.
TEST(ClearStyle, DerivedNamesGainTheStyle) {
    RunDir dir;
    dir.copyExample("karate.txt");
    for (const char* style : {"classic", "clear"})
        ASSERT_EQ(dir.run({"-input", "karate.txt", "-style", style, "-nographic", "-render", "svg"},
                          {}, kTimeout)
                      .status,
                  0);
    std::set<std::string> files = e2e::logFiles();
    files.insert({"karate.txt", "karate_col_b_800x600_1.svg", "karate_col_b_800x600_2.svg",
                  "karate_clear_col_b_800x600_1.svg", "karate_clear_col_b_800x600_2.svg"});
    EXPECT_EQ(dir.files(), files);
    // The configuration file may choose the style too.
    dir.write("quorvane.cfg", "style = clear\n");
    ASSERT_EQ(dir.run({"-input", "karate.txt", "-nographic", "-output", "c"}, {}, kTimeout).status,
              0);
    EXPECT_NE(dir.read("c1.pov").find("#version 3.7;"), std::string::npos);
}

}  // namespace
