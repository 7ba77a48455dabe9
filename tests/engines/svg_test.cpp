#include "engines/svg.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>

#include "e2e/harness.h"

namespace {

const std::string prologue =
    "<?xml version=\"1.0\" standalone=\"no\"?>\n"
    "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\"\n"
    "\"http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd\">\n";

class SvgTest : public ::testing::Test {
  protected:
    void window(float hstart, float hend, float vstart, float vend) {
        engine.options.hstart = hstart;
        engine.options.hend = hend;
        engine.options.vstart = vstart;
        engine.options.vend = vend;
    }
    // Everything written since the last call.
    std::string written() {
        engine.file.flush();
        std::string all = out.str();
        std::string fresh = all.substr(seen);
        seen = all.size();
        return fresh;
    }

    std::ostringstream out;
    Svg engine{out, "scene1.svg"};
    std::size_t seen = 0;
};

TEST_F(SvgTest, HeaderWithBlackBackground) {
    engine.options.bckgnd = "black";
    window(0, 1, 0, 1);
    engine.addHeaders(-1, 1.0f, 10.0f);
    EXPECT_EQ(written(), prologue +
                             "<svg width=\"800\" height=\"600\" viewBox=\"-15.6 -11.7 31.2 23.4\" "
                             "version=\"1.1\"\n"
                             "xmlns=\"http://www.w3.org/2000/svg\">\n"
                             "<rect x=\"-15.6\" y=\"-11.7\" width=\"31.2\" height=\"23.4\" "
                             "fill=\"rgb(0,0,0)\"/>\n");
}

TEST_F(SvgTest, WindowNarrowsViewBoxButNotBackground) {
    engine.options.bckgnd = "black";
    window(0.25f, 0.75f, 0.25f, 0.75f);
    engine.addHeaders(-1, 1.0f, 10.0f);
    std::string header = written();
    EXPECT_NE(header.find("viewBox=\"-7.8 -5.85 15.6 11.7\""), std::string::npos) << header;
    EXPECT_NE(header.find("<rect x=\"-15.6\" y=\"-11.7\" width=\"31.2\" height=\"23.4\""),
              std::string::npos)
        << header;
}

TEST_F(SvgTest, WhiteBackgroundHeaderIsFiveLines) {
    engine.options.bckgnd = "white";
    window(0, 1, 0, 1);
    engine.addHeaders(-1, 1.0f, 10.0f);
    EXPECT_EQ(written(), prologue +
                             "<svg width=\"800\" height=\"600\" viewBox=\"-15.6 -11.7 31.2 23.4\" "
                             "version=\"1.1\"\n"
                             "xmlns=\"http://www.w3.org/2000/svg\">\n");
}

TEST_F(SvgTest, FrameValuesComputedInDoubleAreWrittenFromTheDouble) {
    engine.options.bckgnd = "black";
    window(0, 1, 0, 1);
    // S = 312.65; 0.45 S as a float would show 140.693, W = 1.2 S at 681.54 would show 2126.41.
    engine.addHeaders(-1, 1.0f, 120.25f);
    std::string header = written();
    EXPECT_NE(header.find("viewBox=\"-187.59 -140.692 "), std::string::npos) << header;
    EXPECT_NE(header.find("<rect x=\"-187.59\" y=\"-140.692\""), std::string::npos) << header;
    engine.addHeaders(-1, 1.0f, 681.54f);
    header = written();
    EXPECT_NE(header.find("width=\"2126.4\""), std::string::npos) << header;
}

TEST_F(SvgTest, VertexAndHalo) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    engine.addHost(1.5f, -2.0f, 7.0f, 0.25f, {1.0f, 0.2f, 0.2f}, {1.0f, 0.2f, 0.2f}, 1.0f);
    EXPECT_EQ(written(),
              "<circle cx=\"1.5\" cy=\"2\" fill=\"rgb(255,51,51)\" r=\"0.25\" opacity=\"1\"/>\n");
    // One component differing is enough; the halo comes first, 10 % larger.
    engine.addHost(1.5f, -2.0f, 7.0f, 0.25f, {1.0f, 0.2f, 0.2f}, {1.0f, 0.2f, 0.5f}, 0.5f);
    EXPECT_EQ(written(),
              "<circle cx=\"1.5\" cy=\"2\" fill=\"rgb(255,51,128)\" r=\"0.275\" "
              "opacity=\"0.5\"/>\n"
              "<circle cx=\"1.5\" cy=\"2\" fill=\"rgb(255,51,51)\" r=\"0.25\" "
              "opacity=\"0.5\"/>\n");
    engine.addHost(0, 0, 0, 1, red, {1.0f, 0.2f, nan}, 1);
    std::string text = written();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
}

TEST_F(SvgTest, ColourComponentsAreRoundedAndNeverClamped) {
    struct Case {
        float component;
        const char* written;
    };
    const Case cases[] = {{0.5f, "128"},   {0.2f, "51"},  {1.0f, "255"},
                          {2.0f, "510"},   {0.0f, "0"},   {-0.001f, "0"},
                          {-1.0f, "-255"}, {0.7f, "179"}, {1e30f, "2.55e+32"}};
    for (const Case& c : cases) {
        engine.addCircle(0, 0, 1, {c.component, c.component, c.component});
        std::string expected =
            "border=\"rgb(" + std::string(c.written) + "," + c.written + "," + c.written + ")\"";
        std::string text = written();
        EXPECT_NE(text.find(expected), std::string::npos) << text;
    }
}

TEST_F(SvgTest, EdgeLine) {
    engine.addCylinder(0.5f, 1.0f, 30.0f, -2.0f, -0.25f, 30.0f, gray, 0.2f, 0.0264f);
    EXPECT_EQ(written(),
              "<line x1=\"0.5\" x2=\"-2\" y1=\"-1\" y2=\"0.25\" stroke=\"rgb(179,179,179)\" "
              "stroke-width=\"0.0528\" opacity=\"0.2\"/>\n");
}

TEST_F(SvgTest, DegenerateEdgesWriteNothing) {
    struct Case {
        float x1, y1, x2, y2;
        bool written;
    };
    const Case cases[] = {
        {0.0001f, 1, 0.0004f, 1, false},  // same point at three decimals
        {0.0001f, 1, 0.0006f, 1, true},  {3, 1, 3, 1.0008f, true},
        {3, -1, 3, -1.0004f, false},     {3, 1, 3, 1, false},  // z alone never counts
    };
    for (const Case& c : cases) {
        engine.addCylinder(c.x1, c.y1, 1, c.x2, c.y2, 2, gray, 0.2f, 0.01f);
        std::string text = written();
        EXPECT_EQ(text.empty(), !c.written) << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2;
        if (c.written) {
            EXPECT_TRUE(text.starts_with("<line x1=\"")) << text;
        }
    }
}

TEST_F(SvgTest, LabelText) {
    engine.addText("Node 7", white, 0.5f, 3.0f, 2.0f, "right");
    EXPECT_EQ(written(),
              "<text x=\"1.5\" y=\"-1.325\" font-family=\"Verdana\" font-size=\"0.5\" "
              "fill=\"rgb(510,510,510)\">Node 7</text>\n");
    // The baseline shift is added in double: the float sum would show -100.783.
    engine.addText("a<b & c>d", black, 0.7f, 0.0f, 143.325f, "left");
    EXPECT_EQ(written(),
              "<text x=\"0\" y=\"-100.782\" font-family=\"Verdana\" font-size=\"0.7\" "
              "fill=\"rgb(0,0,0)\">a&lt;b &amp; c&gt;d</text>\n");
}

TEST_F(SvgTest, CircleBlockAndClosingTag) {
    engine.addCircle(1.5f, -2.0f, 3.0f, green);
    engine.addBlock(1.0f, 2.0f, -0.5f, 0.25f, cyan);
    engine.close();
    EXPECT_EQ(out.str(),
              "<circle cx=\"1.5\" cy=\"2\" border=\"rgb(51,255,51)\" r=\"3\" "
              "fill=\"rgb(60,40,0)\"/>\n"
              "<rect x=\"0.75\" y=\"-2.25\" fill=\"rgb(51,255,255)\" width=\"0.5\" "
              "height=\"0.5\"/>\n"
              "</svg>\n");
}

TEST(SvgText, EscapesAndCleansLabels) {
    struct Case {
        std::string label;
        std::string written;
    };
    const Case cases[] = {
        {"plain \"quoted\" 'x'", "plain \"quoted\" 'x'"},
        {"a&b<c>d", "a&amp;b&lt;c&gt;d"},
        {"&amp;", "&amp;amp;"},
        {"tab\tkept", "tab\tkept"},
        {"line\nfeed\r\x01\x1f\x7f!", "linefeed!"},
        {std::string("nul\0byte", 8), "nulbyte"},
        {"\xC2\x85next", "next"},  // C1 control U+0085
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
        {"\xC3", "?"},    // truncated at the end
        {"\xC3(", "?("},  // continuation missing
        {"\xE2\x82"
         "A",
         "??A"},
        {"\x80\xBF", "??"},            // stray continuation bytes
        {"\xC0\xAF", "??"},            // overlong
        {"\xE0\x80\xAF", "???"},       // overlong, three bytes
        {"\xED\xA0\x80", "???"},       // surrogate
        {"\xF4\x90\x80\x80", "????"},  // beyond U+10FFFF
        {"\xFF\xFE", "??"},
        {"\xEF\xBF\xBE\xEF\xBF\xBF", "??"},  // U+FFFE, U+FFFF: not XML characters
        {"\xEF\xBF\xBD", "\xEF\xBF\xBD"},    // U+FFFD is fine
    };
    for (const Case& c : cases) EXPECT_EQ(svgText(c.label), c.written) << c.label;
}

// Whatever bytes a label holds, a real XML parser accepts the document.
TEST_F(SvgTest, DocumentWithHostileLabelsIsWellFormed) {
    e2e::RunDir dir(false);
    if (dir.runProgram("xmllint", {"--version"}).status != 0)
        GTEST_SKIP() << "xmllint is not installed";
    {
        std::ofstream file(dir / "scene1.svg", std::ios::binary);
        Svg scene(file, "scene1.svg");
        scene.addHeaders(-1, 1.0f, 10.0f);
        std::string everyByte;
        for (int c = 0; c < 256; ++c) everyByte += static_cast<char>(c);
        scene.addText(everyByte, red, 1, 0, 0, "left");
        std::mt19937 random(7);
        for (int i = 0; i < 300; ++i) {
            std::string label(1 + random() % 12, ' ');
            for (char& c : label) c = static_cast<char>(random());
            scene.addText(label, red, 1, 0, float(i), "left");
        }
        scene.addText("]]> <![CDATA[ &#0; <!-- -->", red, 1, 0, 0, "left");
        scene.close();
    }
    e2e::Result result = dir.runProgram("xmllint", {"--noout", "--nonet", "scene1.svg"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
}

}  // namespace
