// Rendering as a run does it: the command lines reach stand-in programs in the right order
// with the right arguments, failures end the rendering, and the real POV-Ray and
// rsvg-convert turn small scenes into PNG images of the size asked for.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "driver/povray_renderer.h"
#include "driver/svg_renderer.h"
#include "e2e/png_check.h"
#include "e2e/render_fixture.h"
#include "graph/defs.h"

namespace {

using e2e::InRunDir;

const std::string kPovrayArgs =
    " [+W800] [+H600] [+Q2] [+SC0.000000] [+EC1.000000] [+SR0.000000] [+ER1.000000] [-D] "
    "[+FN]\n";

std::string povrayCall(const std::string& scene, const std::string& image) {
    return "povray [+I" + scene + "] [+O" + image + "]" + kPovrayArgs;
}
std::string viewerCall(const std::string& image) {
    return "java [-jar] [visualizer.jar] [" + image + "]\n";
}

// The viewer's failure in a run directory without the viewer's jar.
const std::string kNoJar = viewerFailure("visualizer.jar is not in the working directory");

// The message a render call failed with, or "" when it did not fail.
template <class Render>
std::string failure(Render render) {
    try {
        render();
    } catch (const Fatal& error) {
        return error.what();
    }
    return "";
}

using StandInRun = InRunDir;

TEST_F(StandInRun, JavaViewsEachImageBeforeTheNextIsRendered) {
    onlyStandIns();
    setEnv("HOME", "/home/x");
    standIn("povray");
    standIn("java");
    options.java = true;
    EXPECT_EQ(povray_renderer.render("k1.pov", "k_1_POV.png", options), 0);
    EXPECT_EQ(povray_renderer.render("k2.pov", "k_2_POV.png", options), 0);
    EXPECT_EQ(calls(), povrayCall("k1.pov", "k_1_POV.png") + viewerCall("k_1_POV.png") +
                           povrayCall("k2.pov", "k_2_POV.png") + viewerCall("k_2_POV.png"));
}

TEST_F(StandInRun, SvgUsesRsvgWhenPresentAndRsvgConvertOtherwise) {
    onlyStandIns();
    standIn("rsvg-convert");
    standIn("java");
    options.java = true;
    options.width = 320;
    options.height = 200;
    svg_renderer.render("k_1.svg", "k_1_SVG.png", options);
    standIn("rsvg");
    svg_renderer.render("k_2.svg", "k_2_SVG.png", options);
    EXPECT_EQ(calls(), "rsvg-convert [-w] [320] [-h] [200] [-o] [k_1_SVG.png] [k_1.svg]\n" +
                           viewerCall("k_1_SVG.png") +
                           "rsvg [-w] [320] [-h] [200] [k_2.svg] [k_2_SVG.png]\n" +
                           viewerCall("k_2_SVG.png"));
}

TEST_F(StandInRun, WithoutJavaNoViewerRuns) {
    onlyStandIns();
    standIn("povray");
    standIn("rsvg-convert");
    standIn("java");
    povray_renderer.render("k1.pov", "k1.png", options);
    svg_renderer.render("k1.svg", "k1s.png", options);
    EXPECT_EQ(calls(), povrayCall("k1.pov", "k1.png") +
                           "rsvg-convert [-w] [800] [-h] [600] [-o] [k1s.png] [k1.svg]\n");
}

TEST_F(StandInRun, WindowsLikeHomeUsesPvengineAndRendersNoSvgButStillViews) {
    onlyStandIns();
    setEnv("HOME", "C:\\Users\\x");
    standIn("pvengine");
    standIn("rsvg");
    standIn("rsvg-convert");
    standIn("java");
    options.java = true;
    povray_renderer.render("k1.pov", "k1.png", options);
    svg_renderer.render("k1.svg", "k1s.png", options);
    EXPECT_EQ(calls(), "pvengine [+Ik1.pov] [+Ok1.png]" +
                           kPovrayArgs.substr(0, kPovrayArgs.size() - 1) + " [/EXIT]\n" +
                           viewerCall("k1.png") + viewerCall("k1s.png"));
}

TEST_F(StandInRun, UnsetHomeCountsAsUnixLike) {
    onlyStandIns();
    setEnv("HOME", nullptr);
    standIn("povray");
    standIn("rsvg-convert");
    povray_renderer.render("k1.pov", "k1.png", options);
    svg_renderer.render("k1.svg", "k1s.png", options);
    EXPECT_EQ(calls(), povrayCall("k1.pov", "k1.png") +
                           "rsvg-convert [-w] [800] [-h] [600] [-o] [k1s.png] [k1.svg]\n");
}

TEST_F(StandInRun, LogfileCollectsTheToolsErrorOutputElseItIsDropped) {
    onlyStandIns();
    standIn("povray");
    standIn("rsvg-convert");
    povray_renderer.render("k1.pov", "k1.png", options);
    EXPECT_FALSE(dir.exists("log/povray.log"));
    options.logfile = true;
    povray_renderer.render("k1.pov", "k1.png", options);
    EXPECT_EQ(dir.read("log/povray.log"), "stand-in povray complains\n");
    svg_renderer.render("k1.svg", "k1s.png", options);  // the second command overwrites the first's
    EXPECT_EQ(dir.read("log/povray.log"), "stand-in rsvg-convert complains\n");
}

// Each failing step ends the rendering with its own message; nothing runs after it.
TEST_F(StandInRun, AFailingCommandStopsWithItsMessage) {
    onlyStandIns();
    options.java = true;
    struct Case {
        const char* what;
        const char* renderer;  // "povray" or "svg"
        std::string failing;   // the stand-in that exits with 1 ("" for none missing)
        std::string expectedError;
        std::string expectedCalls;
    } cases[] = {
        {"povray fails", "povray", "povray", kPovrayError, povrayCall("k1.pov", "k1.png")},
        {"viewer fails after povray", "povray", "java", kNoJar,
         povrayCall("k1.pov", "k1.png") + viewerCall("k1.png")},
        {"rsvg-convert fails", "svg", "rsvg-convert", kSvgError,
         "rsvg-convert [-w] [800] [-h] [600] [-o] [k1.png] [k1.svg]\n"},
        {"viewer fails after rsvg-convert", "svg", "java", kNoJar,
         "rsvg-convert [-w] [800] [-h] [600] [-o] [k1.png] [k1.svg]\n" + viewerCall("k1.png")},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(dir / "bin");
        std::filesystem::remove(dir / "calls.log");
        for (const char* program : {"povray", "rsvg-convert", "java"})
            standIn(program, c.failing == program ? 1 : 0);
        bool svg = std::string(c.renderer) == "svg";
        std::string error = failure([&] {
            if (svg) {
                svg_renderer.render("k1.svg", "k1.png", options);
                svg_renderer.render("k2.svg", "k2.png", options);
            } else {
                povray_renderer.render("k1.pov", "k1.png", options);
                povray_renderer.render("k2.pov", "k2.png", options);
            }
        });
        EXPECT_EQ(error, c.expectedError) << c.what;
        EXPECT_EQ(calls(), c.expectedCalls) << c.what;
    }
}

TEST_F(StandInRun, MissingProgramsAreRenderingErrors) {
    onlyStandIns();  // an empty bin: neither povray nor rsvg nor rsvg-convert exists
    EXPECT_EQ(failure([&] { povray_renderer.render("k1.pov", "k1.png", options); }), kPovrayError);
    EXPECT_EQ(failure([&] { svg_renderer.render("k1.svg", "k1.png", options); }), kSvgError);
    standIn("povray");
    options.java = true;
    EXPECT_EQ(failure([&] { povray_renderer.render("k1.pov", "k1.png", options); }), kNoJar);
}

// A viewer that fails says why: the first reason that applies, looked for after the failure.
TEST_F(StandInRun, AFailingViewerSaysWhy) {
    onlyStandIns();
    standIn("povray");
    options.java = true;
    struct Case {
        bool jar;
        bool java;
        const char* display;
        std::string reason;
    } cases[] = {
        {false, true, ":0", "visualizer.jar is not in the working directory"},
        {true, false, ":0", "java is not on the PATH"},
        {true, true, nullptr, "there is no display (DISPLAY is not set)"},
        {true, true, "", "there is no display (DISPLAY is not set)"},
        {true, true, ":0", "the viewer said: stand-in java complains"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(dir / "visualizer.jar");
        std::filesystem::remove(dir / "bin/java");
        if (c.jar) dir.write("visualizer.jar", "not a real jar");
        if (c.java) standIn("java", 1);
        setEnv("DISPLAY", c.display);
        EXPECT_EQ(failure([&] { povray_renderer.render("k1.pov", "k1.png", options); }),
                  viewerFailure(c.reason))
            << c.reason;
    }
    EXPECT_EQ(viewerFailure(""), kViewerError);
}

class WithoutLogDir : public InRunDir {
  protected:
    WithoutLogDir() : InRunDir(false) {}
};

TEST_F(WithoutLogDir, LogfileFailsTheCommandBeforeTheToolRuns) {
    onlyStandIns();
    standIn("povray");
    standIn("rsvg-convert");
    options.logfile = true;
    EXPECT_EQ(failure([&] { povray_renderer.render("k1.pov", "k1.png", options); }), kPovrayError);
    EXPECT_EQ(failure([&] { svg_renderer.render("k1.svg", "k1.png", options); }), kSvgError);
    EXPECT_EQ(calls(), "");
}

// Names with blanks, quotes, "$", ";", backquotes and a leading "-" reach the programs as
// exactly one argument each and run nothing else.
TEST_F(StandInRun, UnsafeNamesArriveAsOneArgumentAndRunNothing) {
    onlyStandIns();
    standIn("povray");
    standIn("rsvg-convert");
    standIn("java");
    options.java = true;
    const std::string scene = "my $(touch injected) `touch injected2`; it's 1.pov";
    const std::string image = "-out $HOME & touch injected3.png";
    povray_renderer.render(scene, image, options);
    svg_renderer.render("a \"b\" $x.svg", image, options);
    EXPECT_EQ(calls(), "povray [+I\"" + scene + "\"] [+O\"./" + image + "\"]" + kPovrayArgs +
                           viewerCall("./" + image) +
                           "rsvg-convert [-w] [800] [-h] [600] [-o] [./" + image +
                           "] [a \"b\" $x.svg]\n" + viewerCall("./" + image));
    EXPECT_FALSE(dir.exists("injected") || dir.exists("injected2") || dir.exists("injected3"));
}

// --- The real programs ------------------------------------------------------------------

// A lit sphere and a box: shading gives many distinct colours.
const char* const kScenePov =
    "camera { location <0, 0, -5> look_at <0, 0, 0> }\n"
    "light_source { <2, 4, -3> color rgb 1 }\n"
    "background { color rgb <0.1, 0.1, 0.3> }\n"
    "sphere { <0, 0, 0>, 1.5 pigment { color rgb <1, 0.3, 0.2> } }\n"
    "box { <-2.5, -2, 1>, <-1, -0.5, 2> pigment { color rgb <0.2, 1, 0.3> } }\n";

// Opaque background, a gradient and antialiased shapes.
const char* const kSceneSvg =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"400\" height=\"300\" "
    "viewBox=\"0 0 400 300\">\n"
    "<defs><linearGradient id=\"g\"><stop offset=\"0\" stop-color=\"#102040\"/>"
    "<stop offset=\"1\" stop-color=\"#f0e0a0\"/></linearGradient></defs>\n"
    "<rect width=\"400\" height=\"300\" fill=\"url(#g)\"/>\n"
    "<circle cx=\"120\" cy=\"150\" r=\"90\" fill=\"#c03020\" fill-opacity=\"0.8\"/>\n"
    "<line x1=\"0\" y1=\"0\" x2=\"400\" y2=\"300\" stroke=\"#20c040\" stroke-width=\"3\"/>\n"
    "</svg>\n";

void expectPicture(const e2e::RunDir& dir, const std::string& image, std::uint32_t width,
                   std::uint32_t height) {
    e2e::PngFacts png = e2e::inspectPng(dir / image);
    EXPECT_TRUE(png.signature) << image;
    ASSERT_TRUE(png.header) << image;
    EXPECT_EQ(png.width, width) << image;
    EXPECT_EQ(png.height, height) << image;
    ASSERT_TRUE(png.decoded) << image << ": " << png.error;
    EXPECT_GE(png.distinctColours, 50u) << image;
}

using RealRender = InRunDir;

TEST_F(RealRender, PovrayMakesAPngOfTheSizeAsked) {
    dir.write("k1.pov", kScenePov);
    options.width = 160;
    options.height = 120;
    EXPECT_EQ(povray_renderer.render("k1.pov", "k_1_POV.png", options), 0);
    expectPicture(dir, "k_1_POV.png", 160, 120);
}

TEST_F(RealRender, RsvgMakesAPngOfTheSizeAsked) {
    dir.write("k_1.svg", kSceneSvg);
    options.width = 200;
    options.height = 150;
    svg_renderer.render("k_1.svg", "k_1_SVG.png", options);
    expectPicture(dir, "k_1_SVG.png", 200, 150);
}

TEST_F(RealRender, AMissingSceneIsARenderingError) {
    EXPECT_EQ(failure([&] { povray_renderer.render("none.pov", "none.png", options); }),
              kPovrayError);
    EXPECT_EQ(failure([&] { svg_renderer.render("none.svg", "none.png", options); }), kSvgError);
    EXPECT_EQ(dir.files(), std::set<std::string>{});
}

TEST_F(RealRender, UnsafeLongAndDashNamesRenderAndRunNothingElse) {
    const std::string povScene = "my $(touch injected) scene; it's `touch injected2` 1.pov";
    const std::string povImage = "-my $HOME & image=1.png";
    const std::string svgScene = "-a \"quoted\" $(touch injected3) scene.svg";
    const std::string svgImage = std::string(220, 'l') + " $x.png";  // past 200 characters
    dir.write(povScene, kScenePov);
    dir.write(svgScene, kSceneSvg);
    options.width = 64;
    options.height = 48;
    povray_renderer.render(povScene, povImage, options);
    svg_renderer.render(svgScene, svgImage, options);
    expectPicture(dir, povImage, 64, 48);
    expectPicture(dir, svgImage, 64, 48);
    EXPECT_EQ(dir.files(), (std::set<std::string>{povScene, povImage, svgScene, svgImage}));
}

TEST_F(RealRender, LogfileKeepsTheRendererMessages) {
    dir.write("k1.pov", kScenePov);
    options.width = 32;
    options.height = 24;
    options.logfile = true;
    povray_renderer.render("k1.pov", "k1.png", options);
    EXPECT_NE(dir.read("log/povray.log").find("POV-Ray"), std::string::npos);
    EXPECT_EQ(failure([&] { svg_renderer.render("none.svg", "none.png", options); }), kSvgError);
    EXPECT_NE(dir.read("log/povray.log").find("none.svg"), std::string::npos);
}

}  // namespace
