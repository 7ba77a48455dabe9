#include "engines/engine.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engines/povray.h"
#include "engines/svg.h"
#include "graph/defs.h"

namespace {

namespace fs = std::filesystem;

std::string viaStream(double value, bool fixed) {
    std::ostringstream out;
    if (fixed) out << std::fixed << std::setprecision(5);
    out << value;
    return out.str();
}

std::string viaFormat(double value, bool fixed) {
    char text[maxNumberLength];
    return std::string(text, formatNumber(text, value, fixed));
}

// Compares both formats for every value and reports the first few disagreements.
void expectSameAsStream(const std::vector<double>& values) {
    int mismatches = 0;
    for (double value : values) {
        for (bool fixed : {false, true}) {
            std::string expected = viaStream(value, fixed);
            std::string actual = viaFormat(value, fixed);
            if (expected != actual && ++mismatches <= 10) {
                ADD_FAILURE() << std::hexfloat << value << (fixed ? " fixed" : " general")
                              << ": stream \"" << expected << "\", formatted \"" << actual << "\"";
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

// Decimal values that sit on a rounding boundary of 6 significant digits or of 5
// decimals, with their float and double neighbours on both sides.
std::vector<double> boundaryValues() {
    std::vector<double> values;
    const char* bases[] = {"1.000005", "1.234565", "9.999995",    "0.000005", "0.000015",
                           "0.123455", "2.5e-05",  "9.99995e-05", "0.0001",   "999999.5",
                           "999999",   "1e+06",    "99999.95",    "0.5",      "1.5"};
    for (const char* base : bases) {
        for (int exponent = -8; exponent <= 8; ++exponent) {
            for (double sign : {1.0, -1.0}) {
                double exact = sign * std::strtod(base, nullptr) * std::pow(10.0, exponent);
                float single = static_cast<float>(exact);
                values.insert(
                    values.end(),
                    {exact, std::nextafter(exact, 0.0), std::nextafter(exact, 2 * exact), single,
                     std::nextafter(single, 0.0f), std::nextafter(single, 2 * single)});
            }
        }
    }
    return values;
}

TEST(FormatNumber, MatchesStreamOnSpecialAndOrdinaryValues) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    expectSameAsStream({0.0,          -0.0,         1.0,      -1.0,     0.5,
                        0.2f,         0.7f,         -0.3f,    0.0264f,  3.3333333333333335,
                        -26.0,        1e-4,         1e-5,     123456.0, 1234567.0,
                        1e15,         1e300,        -1e-300,  DBL_MAX,  -DBL_MAX,
                        DBL_MIN,      DBL_TRUE_MIN, FLT_MAX,  -FLT_MAX, FLT_MIN,
                        FLT_TRUE_MIN, inf,          -inf,     nan,      -nan,
                        65536.0,      0.1,          1.0 / 3.0});
}

TEST(FormatNumber, MatchesStreamNearRoundingBoundaries) {
    expectSameAsStream(boundaryValues());
}

TEST(FormatNumber, MatchesStreamOnRandomFloatsAndDoubles) {
    std::mt19937_64 random(20240607);
    std::vector<double> values;
    // Every float bit pattern is possible: NaNs with payloads, denormals, huge values.
    for (int i = 0; i < 60000; ++i)
        values.push_back(std::bit_cast<float>(static_cast<std::uint32_t>(random())));
    // Scene-sized coordinates, where most numbers of a real scene lie.
    std::uniform_real_distribution<float> coordinate(-2000.0f, 2000.0f);
    for (int i = 0; i < 60000; ++i) values.push_back(coordinate(random));
    for (int i = 0; i < 30000; ++i) values.push_back(std::bit_cast<double>(random()));
    expectSameAsStream(values);
}

TEST(FormatNumber, MatchesStreamAtEveryMagnitudeAndBesideHalves) {
    // Most numbers are formatted from one rounded product; its doubtful cases (a half within
    // a unit of it, exact halves such as 1/64 at five decimals) and every exponent of the
    // general format (fixed and exponent forms, their change at 1e-4 and 1e6) must still
    // come out as the stream writes them.
    std::mt19937_64 random(20261209);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<double> values;
    for (int i = 0; i < 40000; ++i) {
        const double magnitude = std::pow(10.0, -19.0 + 48.0 * unit(random));
        values.push_back(random() % 2 ? magnitude : -magnitude);
    }
    for (int i = 0; i < 20000; ++i) {
        const double digits = static_cast<double>(random() % 2000000);
        double half = (digits + 0.5) * 1e-5;  // fixed: a half of the last decimal
        if (i % 2) half = (digits + 0.5) * std::pow(10.0, static_cast<int>(random() % 40) - 25);
        values.push_back(half);
        for (double up = half, down = half, step = 0; step < 3; ++step) {
            values.push_back(up = std::nextafter(up, 1e300));
            values.push_back(down = std::nextafter(down, 0.0));
        }
    }
    for (int m = -300; m <= 300; ++m) values.push_back(m / 64.0);
    expectSameAsStream(values);
}

TEST(FormatNumber, GivesTheKnownTexts) {
    // The texts the scene statements depend on, stated once by hand.
    EXPECT_EQ(viaFormat(-0.0, false), "-0");
    EXPECT_EQ(viaFormat(10.0 / 3.0, false), "3.33333");
    EXPECT_EQ(viaFormat(0.25, false), "0.25");
    EXPECT_EQ(viaFormat(1e-5, false), "1e-05");
    EXPECT_EQ(viaFormat(1234567.0, false), "1.23457e+06");
    EXPECT_EQ(viaFormat(1.0, true), "1.00000");
    EXPECT_EQ(viaFormat(-0.3f, true), "-0.30000");
    EXPECT_EQ(viaFormat(0.0264f, true), "0.02640");
    EXPECT_EQ(viaFormat(DBL_MAX, true).size(), 309u + 6u);
}

// ---- SceneFile: buffering and failures ----

class TempDir {
  public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "quorvane-engine-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    std::string read(const std::string& name) const {
        std::ifstream in(path / name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    fs::path path;
};

const std::string sphereLine = "sphere { <1.5, -2, 0>, 0.25 pigment { rgb <1, 0.2, 0.2> }  }\n";

void writeSpheres(Engine& engine, int count) {
    for (int i = 0; i < count; ++i) engine.addHost(1.5f, -2.0f, 0.0f, 0.25f, red, red, 1.0f);
}

std::string repeated(const std::string& text, int count) {
    std::string all;
    for (int i = 0; i < count; ++i) all += text;
    return all;
}

TEST(SceneFile, TextSpanningManyBufferFillsArrivesIntact) {
    // About 6 MB of statements plus a 3 MB label: several buffer hand-overs, one direct.
    const int count = 100000;
    std::ostringstream out;
    Povray engine(out, "scene.pov");
    writeSpheres(engine, count);
    std::string label(3 << 20, 'x');
    engine.addText(label, black, 1.0f, 0.0f, 0.0f, "left");
    writeSpheres(engine, count);
    engine.close();

    std::string expected = repeated(sphereLine, count) + "text { ttf \"cyrvetic.ttf\" \"" + label +
                           "\" 0.37, 0 pigment { color rgbf < 0 , 0 , 0> } translate < 0 , 0 "
                           ", -0 > scale < 1 , 1, 1 >  }\n" +
                           repeated(sphereLine, count);
    EXPECT_TRUE(out.str() == expected)
        << "lengths " << out.str().size() << " and " << expected.size();
}

TEST(SceneFile, FileHoldsWhatTheStreamGets) {
    TempDir dir;
    std::ostringstream out;
    {
        std::ofstream file(dir.path / "a.svg", std::ios::binary);
        std::unique_ptr<Engine> toFile = std::make_unique<Svg>(file, "a.svg");
        Svg toStream(out, "a.svg");
        for (Engine* engine : {toFile.get(), static_cast<Engine*>(&toStream)}) {
            engine->addHeaders(-1, 1.0f, 10.0f);
            writeSpheres(*engine, 30000);
            engine->addCylinder(0, 0, 30, 1, 1, 30, gray, 0.2f, 0.01f);
            engine->close();
        }
    }
    EXPECT_GT(out.str().size(), std::size_t(1) << 20);
    EXPECT_TRUE(dir.read("a.svg") == out.str());
}

TEST(SceneFile, FullDiskIsReportedAtClose) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
    for (int size : {1, 50000}) {  // within one buffer, and across buffer hand-overs
        std::ofstream full("/dev/full", std::ios::binary);
        Svg engine(full, "/dev/full");
        engine.addHeaders(-1, 1.0f, 10.0f);
        writeSpheres(engine, size);
        try {
            engine.close();
            ADD_FAILURE() << "no error after " << size << " spheres";
        } catch (const Fatal& error) {
            EXPECT_STREQ(error.what(), "ERROR: Scene file /dev/full cannot be written\n");
        }
        EXPECT_NO_THROW(engine.close()) << "a second close reports again";
    }
}

TEST(SceneFile, FailingStreamIsReportedAtClose) {
    std::ostringstream broken;
    broken.setstate(std::ios::badbit);
    Povray fromStart(broken, "one.pov");
    fromStart.addHeaders(-1, 1.0f, 10.0f);
    EXPECT_THROW(fromStart.close(), Fatal);

    // A stream that accepts a little and then refuses.
    struct Limited : std::streambuf {
        int_type overflow(int_type c) override {
            return ++written > 1000 ? traits_type::eof() : traits_type::not_eof(c);
        }
        int written = 0;
    } limited;
    std::ostream out(&limited);
    Svg midway(out, "two.svg");
    writeSpheres(midway, 100);
    try {
        midway.close();
        ADD_FAILURE() << "no error";
    } catch (const Fatal& error) {
        EXPECT_STREQ(error.what(), "ERROR: Scene file two.svg cannot be written\n");
    }
}

TEST(SceneFile, WritesAfterCloseGoNowhere) {
    std::ostringstream out;
    Svg engine(out, "s.svg");
    engine.close();
    writeSpheres(engine, 2);
    engine.close();
    EXPECT_EQ(out.str(), "</svg>\n");
}

}  // namespace
