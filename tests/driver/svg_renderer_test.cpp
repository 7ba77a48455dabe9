#include "driver/svg_renderer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(SvgCommand, ErrorMessage) {
    EXPECT_STREQ(kSvgError,
                 "ERROR: Error rendering image. Verify rsvg is installed in your system.\n");
}

TEST(SvgCommand, ExactLinesForRsvgAndItsRsvgConvertFallback) {
    RenderOptions plain;
    RenderOptions logged;
    logged.logfile = true;
    RenderOptions sized;
    sized.width = 1920;
    sized.height = 1080;
    sized.hstart = 0.5f;  // the window is a POV-Ray option only
    const std::string scene = "karate_col_b_800x600_1.svg";
    const std::string image = "karate_col_b_800x600_1_SVG.png";
    struct Case {
        const char* what;
        const RenderOptions& options;
        const char* home;
        bool rsvg;
        std::string expected;
    } cases[] = {
        {"rsvg", plain, "/root", true,
         "rsvg -w 800 -h 600 karate_col_b_800x600_1.svg karate_col_b_800x600_1_SVG.png 2> "
         "/dev/null"},
        {"rsvg logfile", logged, "/root", true,
         "rsvg -w 800 -h 600 karate_col_b_800x600_1.svg karate_col_b_800x600_1_SVG.png 2> "
         "log/povray.log"},
        {"rsvg sized", sized, nullptr, true,
         "rsvg -w 1920 -h 1080 karate_col_b_800x600_1.svg karate_col_b_800x600_1_SVG.png 2> "
         "/dev/null"},
        {"rsvg-convert", plain, "/root", false,
         "rsvg-convert -w 800 -h 600 -o karate_col_b_800x600_1_SVG.png "
         "karate_col_b_800x600_1.svg 2> /dev/null"},
        {"rsvg-convert logfile", logged, "/root", false,
         "rsvg-convert -w 800 -h 600 -o karate_col_b_800x600_1_SVG.png "
         "karate_col_b_800x600_1.svg 2> log/povray.log"},
        {"Windows-like runs nothing", plain, "C:\\Users\\x", true, ""},
        {"Windows-like without rsvg", logged, "C:\\Users\\x", false, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(svgCommand(scene, image, c.options, c.home, c.rsvg), c.expected) << c.what;
}

TEST(SvgCommand, UnsafeAndDashNamesAreQuotedAndPrefixed) {
    RenderOptions options;
    EXPECT_EQ(svgCommand("my $x \"1\".svg", "-out.png", options, "/root", false),
              "rsvg-convert -w 800 -h 600 -o ./-out.png 'my $x \"1\".svg' 2> /dev/null");
    EXPECT_EQ(svgCommand("-in.svg", "it's.png", options, "/root", true),
              "rsvg -w 800 -h 600 ./-in.svg 'it'\\''s.png' 2> /dev/null");
    std::string longName(240, 'n');
    EXPECT_EQ(
        svgCommand(longName + ".svg", longName + ".png", options, "/root", false),
        "rsvg-convert -w 800 -h 600 -o " + longName + ".png " + longName + ".svg 2> /dev/null");
}

}  // namespace
