// The rendering stage of a whole run, with stand-in programs first on PATH: which commands
// run in which order, and what a failing one does to the run.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "e2e/harness.h"

namespace {

using e2e::RunDir;

// A stand-in program in "bin/" that logs its name and arguments to calls.log and exits
// with the given status.
void standIn(const RunDir& dir, const std::string& program, int status) {
    dir.write("bin/" + program, "#!/bin/sh\necho \"" + program + " $*\" >> calls.log\nexit " +
                                    std::to_string(status) + "\n");
    std::filesystem::permissions(dir / ("bin/" + program), std::filesystem::perms::owner_all);
}

std::map<std::string, std::string> onlyBin(const RunDir& dir) {
    return {{"PATH", (dir / "bin").string()}, {"HOME", "/root"}};
}

const std::string kRenderError =
    "ERROR: Error rendering image. Verify povray is installed in your system and the bin "
    "directory of the povray installation path is in the PATH environment variable.\n";

TEST(RunRendering, RendererAndViewerRunInTurnForEachImage) {
    RunDir dir;
    dir.copyExample("karate.txt");
    standIn(dir, "povray", 0);
    standIn(dir, "java", 0);
    auto r = dir.run({"-input", "karate.txt", "-java"}, onlyBin(dir));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, e2e::progress(false, true));
    EXPECT_EQ(dir.read("calls.log"),
              "povray +Ikarate_col_b_800x6001.pov +Okarate_col_b_800x600_1_POV.png +W800 +H600 "
              "+Q2 +SC0.000000 +EC1.000000 +SR0.000000 +ER1.000000 -D +FN\n"
              "java -jar visualizer.jar karate_col_b_800x600_1_POV.png\n"
              "povray +Ikarate_col_b_800x6002.pov +Okarate_col_b_800x600_2_POV.png +W800 +H600 "
              "+Q2 +SC0.000000 +EC1.000000 +SR0.000000 +ER1.000000 -D +FN\n"
              "java -jar visualizer.jar karate_col_b_800x600_2_POV.png\n");
}

TEST(RunRendering, AFailingRendererEndsTheRunAfterTheFirstImage) {
    RunDir dir;
    dir.copyExample("karate.txt");
    standIn(dir, "povray", 3);
    standIn(dir, "java", 0);
    auto r = dir.run({"-input", "karate.txt", "-java"}, onlyBin(dir));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
              "\tBuilding graph...\n\tFinding communities...\n\tGenerating .pov file...\n"
              "\tRendering image...\n" +
                  kRenderError);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(dir.read("calls.log"),
              "povray +Ikarate_col_b_800x6001.pov +Okarate_col_b_800x600_1_POV.png +W800 +H600 "
              "+Q2 +SC0.000000 +EC1.000000 +SR0.000000 +ER1.000000 -D +FN\n");
}

TEST(RunRendering, AFailingViewerEndsTheRunBeforeTheSecondImage) {
    RunDir dir;
    dir.copyExample("karate.txt");
    standIn(dir, "rsvg-convert", 0);
    standIn(dir, "java", 1);
    auto r = dir.run({"-input", "karate.txt", "-java", "-render", "svg"}, onlyBin(dir));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
              "\tBuilding graph...\n\tFinding communities...\n\tGenerating .svg file...\n"
              "\tRendering image...\n"
              "ERROR: Error displaying image. Verify java is installed in your system. Reason: "
              "visualizer.jar is not in the working directory.\n");
    EXPECT_EQ(dir.read("calls.log"),
              "rsvg-convert -w 800 -h 600 -o karate_col_b_800x600_1_SVG.png "
              "karate_col_b_800x600_1.svg\n"
              "java -jar visualizer.jar karate_col_b_800x600_1_SVG.png\n");
}

TEST(RunRendering, NographicRunsNoProgram) {
    RunDir dir;
    dir.copyExample("karate.txt");
    standIn(dir, "povray", 0);
    standIn(dir, "java", 0);
    auto r = dir.run({"-input", "karate.txt", "-java", "-nographic"}, onlyBin(dir));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, e2e::progress(false, false));
    EXPECT_FALSE(dir.exists("calls.log"));
}

}  // namespace
