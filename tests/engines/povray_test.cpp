#include "engines/povray.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>

namespace {

const std::string includes =
    "#include \"colors.inc\"\n"
    "#include \"stones.inc\"\n"
    "#include \"textures.inc\"\n"
    "#include \"shapes.inc\"\n"
    "#include \"glass.inc\"\n"
    "#include \"metals.inc\"\n"
    "#include \"woods.inc\"\n"
    "global_settings { max_trace_level 10 }\n"
    "global_settings { assumed_gamma 1.8 }\n";

class PovrayTest : public ::testing::Test {
  protected:
    // Everything written since the last call.
    std::string written() {
        engine.file.flush();
        std::string all = out.str();
        std::string fresh = all.substr(seen);
        seen = all.size();
        return fresh;
    }
    // An edge that switches the number format and whose own text is discarded.
    void switchToFixed() {
        engine.addCylinder(0, 0, 30, 1, 1, 30, gray, 0.2f, 0.01f);
        written();
    }

    std::ostringstream out;
    Povray engine{out, "scene1.pov"};
    std::size_t seen = 0;
};

TEST_F(PovrayTest, HeaderOnBlackBackground) {
    engine.options.bckgnd = "black";
    engine.addHeaders(-1, 1.0f, 10.0f);
    EXPECT_EQ(written(), includes +
                             "camera { orthographic location <0, 0, -26> look_at  <0, 0, 0> }\n"
                             "light_source { < -1, -1, 3.33333> color rgb <1.3, 1.3, 1.3>}\n"
                             "global_settings { ambient_light rgb<0.8, 0.8, 0.8> }\n");
    EXPECT_EQ(engine.unitLength, 1.0f);
    EXPECT_EQ(engine.sceneRadius, 10.0f);
}

TEST_F(PovrayTest, HeaderOnWhiteBackgroundEndsWithBackgroundLine) {
    engine.options.bckgnd = "white";
    engine.addHeaders(-1, 1.0f, 10.0f);
    std::string header = written();
    EXPECT_EQ(std::count(header.begin(), header.end(), '\n'), 13);
    EXPECT_TRUE(
        header.ends_with("global_settings { ambient_light rgb<0.8, 0.8, 0.8> }\n"
                         "background { color rgb <5, 5, 5> }\n"));
}

TEST_F(PovrayTest, HeaderNumbers) {
    engine.options.bckgnd = "black";
    struct Case {
        int light;
        float unitLength, sceneRadius;
        const char* camera;
        const char* lightLine;
    };
    // Camera and light z are written from their double values: the float nearest to
    // -10028.85 would show as -10028.8.
    const Case cases[] = {
        {-1, 1.0f, 0.0f, "-0", "< -1, -1, 3.33333>"},
        {-1, 1.0f, 3857.25f, "-10028.9", "< -1, -1, 3.33333>"},
        {2, 0.5f, 10.0f, "-13", "< 2, 2, -6.66667>"},
        {std::numeric_limits<int>::min(), 1.0f, 1.0f, "-2.6",
         "< -2147483648, -2147483648, 7.15828e+09>"},
    };
    for (const Case& c : cases) {
        Povray engine2(out, "scene1.pov");
        engine2.addHeaders(c.light, c.unitLength, c.sceneRadius);
        engine2.close();
        std::string header = written();
        EXPECT_NE(header.find(std::string("location <0, 0, ") + c.camera + "> look_at"),
                  std::string::npos)
            << header;
        EXPECT_NE(header.find(std::string("light_source { ") + c.lightLine + " color"),
                  std::string::npos)
            << header;
    }
}

TEST_F(PovrayTest, NumberFormatSwitchesAtFirstCylinderForGood) {
    engine.addHost(1.5f, -2.0f, 0.0f, 0.25f, {1.0f, 0.2f, 0.2f}, {1.0f, 0.2f, 0.2f}, 1.0f);
    EXPECT_EQ(written(), "sphere { <1.5, -2, 0>, 0.25 pigment { rgb <1, 0.2, 0.2> }  }\n");
    // A degenerate edge writes nothing and leaves the format alone.
    engine.addCylinder(1, 1, 30, 1, 1, 30, gray, 0.2f, 0.01f);
    engine.addHost(1.5f, -2.0f, 0.0f, 0.25f, red, red, 1.0f);
    EXPECT_EQ(written(), "sphere { <1.5, -2, 0>, 0.25 pigment { rgb <1, 0.2, 0.2> }  }\n");

    switchToFixed();
    engine.addHost(1.5f, -2.0f, 0.0f, 0.25f, red, red, 1.0f);
    EXPECT_EQ(written(),
              "sphere { <1.50000, -2.00000, 0.00000>, 0.25000 pigment { rgb <1.00000, 0.20000, "
              "0.20000> }  }\n");
    // The light integers stay integers; its z and the camera z turn fixed as well.
    engine.options.bckgnd = "black";
    engine.addHeaders(-100000, 1.0f, 10.0f);
    std::string header = written();
    EXPECT_NE(header.find("location <0, 0, -26.00000> look_at"), std::string::npos);
    EXPECT_NE(header.find("light_source { < -100000, -100000, 333333.33333> color"),
              std::string::npos);
}

TEST_F(PovrayTest, HaloOnlyWhenEveryComponentDiffers) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        tColor ring;
        bool halo;
    };
    const Case cases[] = {
        {{0.2f, 0.2f, 1.0f}, false},  // green equal
        {{1.0f, 1.0f, 1.0f}, false},  // red equal
        {{0.2f, 1.0f, 0.2f}, false},  // blue equal
        {red, false},
        {{0.2f, 1.0f, 1.0f}, true},
        {{nan, nan, nan}, true},
    };
    for (const Case& c : cases) {
        engine.addHost(1.5f, -2.0f, 0.0f, 0.25f, red, c.ring, 1.0f);
        std::string text = written();
        EXPECT_EQ(text.find("cylinder") != std::string::npos, c.halo) << text;
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), c.halo ? 2 : 1) << text;
    }
}

TEST_F(PovrayTest, HaloIsFlatDiscBehindSphere) {
    engine.addHost(1.5f, -2.0f, 0.0f, 0.25f, {1.0f, 0.2f, 0.2f}, {0.2f, 1.0f, 1.0f}, 0.5f);
    EXPECT_EQ(written(),
              "sphere { <1.5, -2, 0>, 0.25 pigment { rgb <1, 0.2, 0.2> }  }\n"
              "cylinder { <1.50000, -2.00000, 0.35000>, <1.50000, -2.00000, 0.45000> 0.37500 "
              "texture { pigment { color rgbf <0.20000, 1.00000, 1.00000> } } }\n");
    // Coordinates on the 0.00001 grid (a tiny negative rounds to -0); the halo radius is
    // 1.5 × radius in double.
    engine.addHost(0.123456f, 7.0f, -0.3f, 0.1f, red, cyan, 0.5f);
    EXPECT_EQ(written(),
              "sphere { <0.12346, 7.00000, -0.30000>, 0.10000 pigment { rgb <1.00000, 0.20000, "
              "0.20000> }  }\n"
              "cylinder { <0.12346, 7.00000, -0.10000>, <0.12346, 7.00000, -0.00000> 0.15000 "
              "texture { pigment { color rgbf <0.20000, 1.00000, 1.00000> } } }\n");
}

TEST_F(PovrayTest, EdgeStatement) {
    engine.addCylinder(0.123456f, 1.0f, 30.0f, 2.0f, -0.3f, 30.0f, gray, 0.2f, 0.0264f);
    EXPECT_EQ(written(),
              "cylinder { <0.12346, 1.00000, 30.00000>, <2.00000, -0.30000, 30.00000> 0.02640 "
              "open texture { pigment { color rgbf <0.70000, 0.70000, 0.70000> } } }\n");
}

TEST_F(PovrayTest, DegenerateEdgesWriteNothing) {
    struct Case {
        float x1, y1, z1, x2, y2, z2;
        bool written;
    };
    const Case cases[] = {
        {1, 2, 30, 1, 2, 30, false},
        {0.000001f, 2, 30, 0.000004f, 2, 30, false},   // same grid point
        {-0.000001f, 2, 30, 0.000001f, 2, 30, false},  // both round to zero
        {0.000001f, 2, 30, 0.000006f, 2, 30, true},    // neighbouring grid points
        {1, 2, 30, 1, 2, 31, true},                    // only z differs
        {1, 2, 30, 1, 2.00001f, 30, true},             // only y differs
    };
    for (const Case& c : cases) {
        engine.addCylinder(c.x1, c.y1, c.z1, c.x2, c.y2, c.z2, gray, 0.2f, 0.01f);
        EXPECT_EQ(written().empty(), !c.written) << c.x1 << " " << c.x2;
    }
}

TEST_F(PovrayTest, LabelStatement) {
    engine.addHeaders(-1, 1.0f, 10.0f);
    written();
    engine.addText("Node 7", white, 0.5f, 3.0f, 2.0f, "left");
    EXPECT_EQ(written(),
              "text { ttf \"cyrvetic.ttf\" \"Node 7\" 0.37, 0 pigment { color rgbf < 2 , 2 , 2> "
              "} translate < 3 , 2 , -26 > scale < 0.5 , 0.5, 0.5 >  }\n");
    // After the switch; the depth is written from the double: its float would show -4333.33301.
    engine.unitLength = 1.0f;
    engine.sceneRadius = 1000.0f;
    switchToFixed();
    engine.addText("x", black, 0.3f, -1.0f, 0.5f, "right");
    EXPECT_EQ(written(),
              "text { ttf \"cyrvetic.ttf\" \"x\" 0.37, 0 pigment { color rgbf < 0.00000 , "
              "0.00000 , 0.00000> } translate < -1.00000 , 0.50000 , -4333.33316 > scale < "
              "0.30000 , 0.30000, 0.30000 >  }\n");
}

TEST_F(PovrayTest, LabelBeforeHeaderLiesAtDepthZero) {
    engine.addText("a", black, 2.0f, 0, 0, "left");
    EXPECT_NE(written().find("translate < 0 , 0 , -0 >"), std::string::npos);
}

TEST(PovrayString, EscapesQuoteAndBackslashOnly) {
    struct Case {
        const char* label;
        const char* escaped;
    };
    const Case cases[] = {
        {"plain", "plain"},
        {"say \"hi\"", "say \\\"hi\\\""},
        {"C:\\dir\\", "C:\\\\dir\\\\"},
        {"\\\"", "\\\\\\\""},
        {"a&b<c>'d\xC3\xA9", "a&b<c>'d\xC3\xA9"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(povrayString(c.label), c.escaped) << c.label;
}

TEST_F(PovrayTest, LabelIsEscapedInStatement) {
    engine.addText("a\"b\\", black, 1.0f, 0, 0, "left");
    EXPECT_TRUE(written().starts_with("text { ttf \"cyrvetic.ttf\" \"a\\\"b\\\\\" 0.37, 0 "));
}

TEST_F(PovrayTest, CircleAndBlock) {
    engine.addCircle(1.5f, -2.0f, 3.0f, green);
    engine.addBlock(1.0f, 2.0f, -0.5f, 0.25f, cyan);
    EXPECT_EQ(written(),
              "torus { 3 0.02 rotate -90*x translate <1.5,-2,0> pigment { rgb <0.2, 1, 0.2> } }\n"
              "box { <0.75, 1.75, -0.5>, <1.25, 2.25, 0 > pigment { rgb <0.2, 1, 1> }  }\n");
    switchToFixed();
    engine.addCircle(1.5f, -2.0f, 3.0f, green);
    EXPECT_EQ(written(),
              "torus { 3.00000 0.02 rotate -90*x translate <1.50000,-2.00000,0> pigment { rgb "
              "<0.20000, 1.00000, 0.20000> } }\n");
}

TEST_F(PovrayTest, TinySceneAndCloseAddsNothing) {
    engine.options.bckgnd = "black";
    Engine& scene = engine;
    scene.addHeaders(-1, 1.0f, 2.0f);
    scene.addHost(0, 0, -0.1f, 0.5f, magenta, magenta, 1.0f);
    scene.addHost(1, 0, -0.0f, 0.5f, magenta, magenta, 1.0f);
    scene.addCylinder(0, 0, 30, 1, 0, 30, gray, 0.2f, 0.05f);
    scene.addText("1", white, 0.4f, 0, 1, "left");
    scene.close();
    EXPECT_EQ(written(),
              includes +
                  "camera { orthographic location <0, 0, -5.2> look_at  <0, 0, 0> }\n"
                  "light_source { < -1, -1, 3.33333> color rgb <1.3, 1.3, 1.3>}\n"
                  "global_settings { ambient_light rgb<0.8, 0.8, 0.8> }\n"
                  "sphere { <0, 0, -0.1>, 0.5 pigment { rgb <1, 0.2, 1> }  }\n"
                  "sphere { <1, 0, -0>, 0.5 pigment { rgb <1, 0.2, 1> }  }\n"
                  "cylinder { <0.00000, 0.00000, 30.00000>, <1.00000, 0.00000, 30.00000> 0.05000 "
                  "open texture { pigment { color rgbf <0.70000, 0.70000, 0.70000> } } }\n"
                  "text { ttf \"cyrvetic.ttf\" \"1\" 0.37, 0 pigment { color rgbf < 2.00000 , "
                  "2.00000 , 2.00000> } translate < 0.00000 , 1.00000 , -6.50000 > scale < "
                  "0.40000 , 0.40000, 0.40000 >  }\n");
}

}  // namespace
