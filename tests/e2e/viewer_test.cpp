// The viewer visualizer.jar on a virtual display: it shows the image pixel for pixel, exits
// with 0 when its window is closed, and fails with a message when it cannot show anything.
// With -java the renderer waits for it before it returns.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "driver/povray_renderer.h"
#include "e2e/harness.h"
#include "e2e/png_check.h"
#include "e2e/render_fixture.h"
#include "e2e/x_display.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Built next to the quorvane binary when a JDK is installed.
fs::path jar() {
    return fs::path(e2e::binary()).parent_path() / "visualizer.jar";
}

#define REQUIRE_VIEWER() \
    if (!fs::exists(jar())) GTEST_SKIP() << "visualizer.jar not built (no JDK)"

// Four coloured quadrants with a white diagonal: found on the screen only where the whole
// picture is shown at its own size.
e2e::Picture testPicture(int width, int height) {
    e2e::Picture picture{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            bool right = x >= width / 2, low = y >= height / 2;
            std::uint32_t colour =
                right ? (low ? 0xffd700u : 0x1e90ffu) : (low ? 0x32cd32u : 0xdc143cu);
            picture.pixels.push_back(x == y ? 0xffffffu : colour);
        }
    return picture;
}

TEST(Viewer, ShowsTheImageAndExitsZeroWhenItsWindowIsClosed) {
    REQUIRE_VIEWER();
    e2e::VirtualDisplay display(640, 480);
    e2e::RunDir dir;
    fs::copy_file(jar(), dir / "visualizer.jar");
    e2e::Picture picture = testPicture(90, 60);
    const std::string image = "shown picture.png";
    ASSERT_TRUE(e2e::writePng(dir / image, picture));

    e2e::Result result;
    std::jthread viewer([&] {
        result = dir.runProgram("java", {"-jar", "visualizer.jar", image},
                                {{"DISPLAY", display.name()}}, 120);
    });
    unsigned long window = display.waitForWindow(image, 60s);
    EXPECT_NE(window, 0u) << "no window titled " << image;
    EXPECT_TRUE(display.waitForPicture(picture, 30s).has_value()) << "the image is not shown";
    if (window != 0) display.requestClose(window);
    viewer.join();
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
}

TEST(Viewer, APictureLargerThanTheScreenGetsAWindowThatFits) {
    REQUIRE_VIEWER();
    e2e::VirtualDisplay display(320, 240);
    e2e::RunDir dir;
    fs::copy_file(jar(), dir / "visualizer.jar");
    e2e::Picture picture = testPicture(500, 400);
    ASSERT_TRUE(e2e::writePng(dir / "big.png", picture));
    e2e::Picture corner{100, 100, {}};  // the top left part, shown from the window's corner
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) corner.pixels.push_back(picture.at(x, y));

    e2e::Result result;
    std::jthread viewer([&] {
        result = dir.runProgram("java", {"-jar", "visualizer.jar", "big.png"},
                                {{"DISPLAY", display.name()}}, 120);
    });
    unsigned long window = display.waitForWindow("big.png", 60s);
    EXPECT_NE(window, 0u);
    EXPECT_EQ(display.waitForPicture(corner, 30s), std::make_optional(std::make_pair(0, 0)));
    if (window != 0) {
        auto [width, height] = display.windowSize(window);
        EXPECT_LE(width, 320);
        EXPECT_LE(height, 240);
        display.requestClose(window);
    }
    viewer.join();
    EXPECT_EQ(result.status, 0) << result.err;
}

TEST(Viewer, FailsWithAMessageWhenThereIsNoDisplay) {
    REQUIRE_VIEWER();
    e2e::RunDir dir;
    fs::copy_file(jar(), dir / "visualizer.jar");
    ASSERT_TRUE(e2e::writePng(dir / "k.png", testPicture(8, 8)));
    e2e::Result unset = dir.runProgram("java", {"-jar", "visualizer.jar", "k.png"},
                                       {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}, 120);
    EXPECT_EQ(unset.status, 1);
    EXPECT_NE(unset.err.find("visualizer: no display"), std::string::npos) << unset.err;
    e2e::Result absent =
        dir.runProgram("java", {"-jar", "visualizer.jar", "k.png"}, {{"DISPLAY", ":65530"}}, 120);
    EXPECT_EQ(absent.status, 1);
    EXPECT_NE(absent.err.find("visualizer: cannot open a window for k.png"), std::string::npos)
        << absent.err;
}

TEST(Viewer, FailsWithAMessageWhenTheImageCannotBeRead) {
    REQUIRE_VIEWER();
    e2e::RunDir dir;
    fs::copy_file(jar(), dir / "visualizer.jar");
    dir.write("text.png", "not a picture\n");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    } cases[] = {
        {{"text.png"}, 1, "visualizer: cannot read image text.png: not an image file\n"},
        {{"missing.png"}, 1, "visualizer: cannot read image missing.png"},
        {{}, 2, "visualizer: usage: java -jar visualizer.jar IMAGE\n"},
        {{"a.png", "b.png"}, 2, "visualizer: usage: java -jar visualizer.jar IMAGE\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"-jar", "visualizer.jar"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        e2e::Result result = dir.runProgram("java", args, {{"DISPLAY", ""}}, 120);
        EXPECT_EQ(result.status, c.status) << result.err;
        EXPECT_EQ(result.err.substr(0, c.message.size()), c.message);
    }
}

// -java with the real POV-Ray: the rendered image is on the screen while render waits, and
// render returns once the window is closed.
using JavaRun = e2e::InRunDir;

TEST_F(JavaRun, RenderWaitsForTheViewerShowingTheRenderedImage) {
    REQUIRE_VIEWER();
    e2e::VirtualDisplay display(640, 480);
    fs::copy_file(jar(), dir / "visualizer.jar");
    dir.write("k1.pov",
              "camera { location <0, 0, -5> look_at <0, 0, 0> }\n"
              "light_source { <2, 4, -3> color rgb 1 }\n"
              "background { color rgb <0.5, 0.1, 0.1> }\n"
              "sphere { <0, 0, 0>, 1.5 pigment { color rgb <0.2, 0.6, 1> } }\n");
    setEnv("DISPLAY", display.name().c_str());
    options.java = true;
    options.width = 120;
    options.height = 90;
    const std::string image = "k 1.png";

    bool shown = false;
    std::jthread closer([&] {
        unsigned long window = display.waitForWindow(image, 90s);
        if (window == 0) return;
        e2e::PngFacts png = e2e::inspectPng(dir / image);
        shown = png.decoded && display.waitForPicture(png.picture, 30s).has_value();
        display.requestClose(window);
    });
    int status = povray_renderer.render("k1.pov", image, options);
    closer.join();
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(shown);
}

}  // namespace
