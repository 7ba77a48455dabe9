// The two scenes of the karate network as files: they parse as the statements the writer
// makes, every vertex lies in its community's disc around the same centre in both images,
// consecutive centres keep their spiral distance, POV-Ray renders both, and a run that
// fails leaves no scene behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/network.h"
#include "e2e/harness.h"
#include "e2e/png_check.h"
#include "engines/povray.h"
#include "graph/graph_builder_txt.h"
#include "scene/graphics.h"
#include "scene/test_scene.h"

namespace {

using e2e::RunDir;

// ---- Reading a POV-Ray scene back ----

struct Statement {
    enum Kind { Sphere, Cylinder, Text } kind;
    std::vector<double> numbers;
    std::string text;
};

struct ParsedScene {
    double cameraZ = 0;
    std::vector<Statement> statements;
    std::vector<std::string> unexpected;  // lines that are none of the statements
};

// Matches line against a statement template: '#' stands for one number as the writer
// formats it (optional minus, digits, optional decimals, optional exponent), '@' for the
// body of a POV-Ray string (escaped quotes and backslashes allowed); every other character
// must appear as it is. The numbers and the string go to numbers and text.
bool matchStatement(const std::string& line, const std::string& pattern,
                    std::vector<double>& numbers, std::string& text) {
    numbers.clear();
    text.clear();
    std::size_t at = 0;
    auto digits = [&] {
        const std::size_t from = at;
        while (at < line.size() && std::isdigit(static_cast<unsigned char>(line[at]))) ++at;
        return at > from;
    };
    for (char expected : pattern) {
        if (expected == '#') {
            const std::size_t from = at;
            if (at < line.size() && line[at] == '-') ++at;
            if (!digits()) return false;
            if (at < line.size() && line[at] == '.' && (++at, !digits())) return false;
            if (at < line.size() && line[at] == 'e') {
                ++at;
                if (at < line.size() && (line[at] == '+' || line[at] == '-')) ++at;
                if (!digits()) return false;
            }
            numbers.push_back(std::stod(line.substr(from, at - from)));
        } else if (expected == '@') {
            while (at < line.size() && line[at] != '"') {
                if (line[at] == '\\' && ++at == line.size()) return false;
                text += line[at++];
            }
        } else if (at >= line.size() || line[at++] != expected) {
            return false;
        }
    }
    return at == line.size();
}

ParsedScene parsePov(const std::string& text) {
    static const std::vector<std::string> headerLines = {
        "#include \"colors.inc\"",
        "#include \"stones.inc\"",
        "#include \"textures.inc\"",
        "#include \"shapes.inc\"",
        "#include \"glass.inc\"",
        "#include \"metals.inc\"",
        "#include \"woods.inc\"",
        "global_settings { max_trace_level 10 }",
        "global_settings { assumed_gamma 1.8 }",
        "light_source { < -1, -1, 3.33333> color rgb <1.3, 1.3, 1.3>}",
        "global_settings { ambient_light rgb<0.8, 0.8, 0.8> }",
        "background { color rgb <5, 5, 5> }",
    };
    const std::string camera = "camera { orthographic location <0, 0, #> look_at  <0, 0, 0> }";
    const std::string sphere = "sphere { <#, #, #>, # pigment { rgb <#, #, #> }  }";
    const std::string cylinder =
        "cylinder { <#, #, #>, <#, #, #> # open texture { pigment { color rgbf <#, #, #> } } }";
    const std::string label =
        "text { ttf \"cyrvetic.ttf\" \"@\" 0.37, 0 pigment { color rgbf < # , # , #> } "
        "translate < # , # , # > scale < # , #, # >  }";

    ParsedScene scene;
    std::istringstream lines(text);
    std::string line;
    std::size_t count = 0;
    std::vector<double> numbers;
    std::string body;
    while (std::getline(lines, line)) {
        ++count;
        if (std::find(headerLines.begin(), headerLines.end(), line) != headerLines.end()) {
            continue;
        } else if (matchStatement(line, camera, numbers, body)) {
            scene.cameraZ = numbers[0];
        } else if (matchStatement(line, sphere, numbers, body)) {
            scene.statements.push_back({Statement::Sphere, numbers, ""});
        } else if (matchStatement(line, cylinder, numbers, body)) {
            scene.statements.push_back({Statement::Cylinder, numbers, ""});
        } else if (matchStatement(line, label, numbers, body)) {
            scene.statements.push_back({Statement::Text, numbers, body});
        } else {
            scene.unexpected.push_back(std::to_string(count) + ": " + line);
        }
    }
    if (!text.empty() && text.back() != '\n') scene.unexpected.push_back("no final line break");
    return scene;
}

std::string colourKey(const Statement& sphere) {
    std::ostringstream key;
    key << sphere.numbers[4] << ',' << sphere.numbers[5] << ',' << sphere.numbers[6];
    return key.str();
}

bool isWhite(const Statement& sphere) {
    return sphere.numbers[4] == 2 && sphere.numbers[5] == 2 && sphere.numbers[6] == 2;
}

// The structural checks of a vertex scene and a community scene drawn from the same
// communities, with unit length 1 on a black background (legend markers are white).
void checkScenes(const std::string& text1, const std::string& text2, std::size_t vertexCount,
                 std::size_t communityCount) {
    const ParsedScene scene1 = parsePov(text1);
    const ParsedScene scene2 = parsePov(text2);
    EXPECT_TRUE(scene1.unexpected.empty()) << scene1.unexpected.front();
    EXPECT_TRUE(scene2.unexpected.empty()) << scene2.unexpected.front();
    for (const ParsedScene* scene : {&scene1, &scene2})
        for (const Statement& s : scene->statements)
            for (double value : s.numbers) ASSERT_TRUE(std::isfinite(value));

    // Community centres, in sorted order: the coloured spheres of scene 2.
    struct Centre {
        double x, y, radius;
        std::string colour;
    };
    std::vector<Centre> centres;
    for (const Statement& s : scene2.statements) {
        EXPECT_NE(s.kind, Statement::Text);
        if (s.kind == Statement::Sphere && !isWhite(s))
            centres.push_back({s.numbers[0], s.numbers[1], s.numbers[3], colourKey(s)});
    }
    ASSERT_EQ(centres.size(), communityCount);

    // Vertices: the coloured spheres of scene 1, grouped by colour.
    std::map<std::string, std::vector<const Statement*>> members;
    std::size_t vertices = 0;
    for (const Statement& s : scene1.statements) {
        if (s.kind != Statement::Sphere || isWhite(s)) continue;
        members[colourKey(s)].push_back(&s);
        ++vertices;
    }
    EXPECT_EQ(vertices, vertexCount);
    ASSERT_EQ(members.size(), communityCount) << "a colour per community";

    std::vector<double> realSizes;
    for (const Centre& centre : centres) {
        ASSERT_TRUE(members.count(centre.colour)) << centre.colour;
        const std::vector<const Statement*>& group = members[centre.colour];
        double sum = 0, coreSum = 0, coreDepth = 0;
        for (const Statement* s : group) {
            sum += s->numbers[3] * s->numbers[3];
            coreDepth = std::min(coreDepth, s->numbers[2]);
        }
        for (const Statement* s : group)
            if (s->numbers[2] == coreDepth) coreSum += s->numbers[3] * s->numbers[3];
        const double realSize = std::sqrt(sum);
        const double rhoIn = std::sqrt(coreSum / sum);
        realSizes.push_back(realSize);
        // Within max(1, ρin + 0.2) × realSize of the centre; the numbers carry 5 decimals.
        const double bound = std::max(1.0, rhoIn + 0.2) * realSize * 1.001 + 1e-4;
        for (const Statement* s : group) {
            const double distance = std::hypot(s->numbers[0] - centre.x, s->numbers[1] - centre.y);
            EXPECT_LE(distance, bound) << centre.colour;
            if (s->numbers[2] != coreDepth) {
                EXPECT_GE(distance, std::min(1.0, rhoIn + 0.2) * realSize * 0.999 - 1e-4);
            }
        }
    }

    // Consecutive centres at D = 1.5 (Rp + Rc), R = max(real size, w × abstract size), within
    // the iteration's tolerance |dist² − D²| ≤ 0.1 D.
    for (std::size_t k = 1; k < centres.size(); ++k) {
        const double previous = std::max(realSizes[k - 1], centres[k - 1].radius);
        const double current = std::max(realSizes[k], centres[k].radius);
        const double D = 1.5 * (previous + current);
        const double gap =
            std::hypot(centres[k].x - centres[k - 1].x, centres[k].y - centres[k - 1].y);
        EXPECT_LE(std::fabs(gap * gap - D * D), 0.1 * D * 1.001 + 1e-3) << k;
    }

    // Every drawn edge runs between two vertex centres, behind them.
    std::vector<std::pair<double, double>> points;
    for (const auto& [colour, group] : members)
        for (const Statement* s : group) points.emplace_back(s->numbers[0], s->numbers[1]);
    auto onVertex = [&](double x, double y) {
        for (const auto& [px, py] : points)
            if (std::fabs(px - x) <= 2e-5 && std::fabs(py - y) <= 2e-5) return true;
        return false;
    };
    for (const Statement& s : scene1.statements) {
        if (s.kind != Statement::Cylinder) continue;
        EXPECT_TRUE(onVertex(s.numbers[0], s.numbers[1]));
        EXPECT_TRUE(onVertex(s.numbers[3], s.numbers[4]));
        EXPECT_EQ(s.numbers[2], 30.0);
    }
    // Both scenes frame the same scene radius.
    EXPECT_EQ(scene1.cameraZ, scene2.cameraZ);
}

// POV-Ray renders scene into a small PNG without any error.
void expectPovrayRenders(const RunDir& dir, const std::string& scene) {
    const std::string image = scene + ".png";
    const e2e::Result result = dir.runProgram(
        "povray", {"+I" + scene, "+O" + image, "+W200", "+H150", "-D", "+FN", "-GA"});
    EXPECT_EQ(result.status, 0) << scene << "\n" << result.err;
    EXPECT_EQ(result.err.find("Error"), std::string::npos) << result.err;
    const e2e::PngFacts png = e2e::inspectPng(dir / image);
    EXPECT_TRUE(png.decoded) << png.error;
    EXPECT_EQ(png.width, 200u);
    EXPECT_GT(png.distinctColours, 2u) << scene << " shows something";
}

// ---- The karate network with a fixed partition, composed in process ----

class KarateScenes : public ::testing::Test {
  protected:
    void SetUp() override {
        std::ifstream input(e2e::sourceDir() / "examples" / "karate.txt");
        Graph_builder_txt().readFile(input, network.graph, "karate.txt");
        std::vector<std::vector<VertexId>> parts(3);
        for (const auto& [id, vertex] : network.graph.vertexMap)
            parts[id < 10 ? 0 : id < 22 ? 1 : 2].push_back(id);
        partition = scene_test::formCommunities(network, parts);
    }

    // Writes both scenes into the run directory as the run does, one after the other.
  public:
    void compose(const std::string& name1, const std::string& name2) {
        std::srand(1);
        std::ofstream file1(dir / name1, std::ios::binary), file2(dir / name2, std::ios::binary);
        Povray engine1(file1, name1);
        Povray engine2(file2, name2);
        Graphics(&engine1, options).generateNetworkFile(partition.list, &network, false);
        Graphics(&engine2, options).generateNetworkFile(partition.list, &network, true);
    }

    SceneOptions options;
    RunDir dir;
    Network network;
    scene_test::Formed partition;
};

TEST_F(KarateScenes, ParseAsStatementsAndKeepTheirGeometry) {
    options.idsAsLabels = true;
    compose("k1.pov", "k2.pov");
    checkScenes(dir.read("k1.pov"), dir.read("k2.pov"), 34, 3);
    const ParsedScene scene1 = parsePov(dir.read("k1.pov"));
    std::size_t labels = 0;
    for (const Statement& s : scene1.statements) labels += s.kind == Statement::Text;
    EXPECT_GT(labels, 10u) << "vertex labels and the legend";
}

TEST_F(KarateScenes, PovrayRendersBothScenes) {
    options.idsAsLabels = true;
    // A name that must be escaped inside the POV-Ray string.
    network.graph.vertexMap.find(0)->name = "say \"hi\" \\o/";
    compose("k1.pov", "k2.pov");
    EXPECT_NE(dir.read("k1.pov").find("\"say \\\"hi\\\" \\\\o/\""), std::string::npos);
    expectPovrayRenders(dir, "k1.pov");
    expectPovrayRenders(dir, "k2.pov");
}

TEST_F(KarateScenes, TwoCompositionsAreByteIdentical) {
    compose("a1.pov", "a2.pov");
    compose("b1.pov", "b2.pov");
    EXPECT_EQ(dir.read("a1.pov"), dir.read("b1.pov"));
    EXPECT_EQ(dir.read("a2.pov"), dir.read("b2.pov"));
}

// ---- Whole runs ----

TEST(SceneRun, KarateRunWritesBothScenesAsStatements) {
    RunDir dir;
    dir.copyExample("karate.txt");
    const e2e::Result result = dir.run({"-input", "karate.txt", "-nographic"});
    ASSERT_EQ(result.status, 0) << result.out;
    const std::string text1 = dir.read("karate_col_b_800x6001.pov");
    const std::string text2 = dir.read("karate_col_b_800x6002.pov");
    std::size_t communities = 0;
    for (const Statement& s : parsePov(text2).statements)
        communities += s.kind == Statement::Sphere && !isWhite(s);
    EXPECT_GT(communities, 1u);
    checkScenes(text1, text2, 34, communities);
    expectPovrayRenders(dir, "karate_col_b_800x6001.pov");
    expectPovrayRenders(dir, "karate_col_b_800x6002.pov");
}

TEST(SceneRun, TwoRunsWriteByteIdenticalScenes) {
    RunDir first, second;
    for (const RunDir* dir : {&first, &second}) {
        dir->copyExample("karate.txt");
        ASSERT_EQ(dir->run({"-input", "karate.txt", "-nographic", "-names"}).status, 0);
    }
    for (const char* name : {"karate_col_b_800x600_names1.pov", "karate_col_b_800x600_names2.pov"})
        EXPECT_EQ(first.read(name), second.read(name)) << name;
}

TEST(SceneRun, DegenerateNetworksGiveFiniteScenesThatRender) {
    std::string matching, star;
    for (int k = 0; k < 20; ++k) {
        matching += std::to_string(2 * k) + " " + std::to_string(2 * k + 1) + "\n";
        star += "0 " + std::to_string(k + 1) + "\n";
    }
    const std::map<std::string, std::string> inputs = {
        {"edge", "4 9\n"}, {"matching", matching}, {"star", star}, {"loop", "3 3\n"}};
    for (const auto& [name, text] : inputs) {
        RunDir dir;
        dir.write(name + ".txt", text);
        const e2e::Result result = dir.run({"-input", name + ".txt", "-nographic", "-names"});
        ASSERT_EQ(result.status, 0) << name << result.out;
        for (const char* scene : {"1.pov", "2.pov"}) {
            const std::string file = name + "_col_b_800x600_names" + scene;
            const ParsedScene parsed = parsePov(dir.read(file));
            EXPECT_TRUE(parsed.unexpected.empty()) << name << " " << parsed.unexpected.front();
            for (const Statement& s : parsed.statements)
                for (double value : s.numbers) EXPECT_TRUE(std::isfinite(value)) << name;
            expectPovrayRenders(dir, file);
        }
    }
}

TEST(SceneRun, FailingRendererKeepsTheCompleteScenes) {
    // The scenes are whole before rendering starts; a renderer missing here can still be
    // run on them elsewhere.
    RunDir dir;
    dir.copyExample("karate.txt");
    dir.write("bin/povray", "#!/bin/sh\nexit 3\n");
    std::filesystem::permissions(dir / "bin/povray", std::filesystem::perms::owner_all);
    const e2e::Result result =
        dir.run({"-input", "karate.txt"}, {{"PATH", (dir / "bin").string()}, {"HOME", "/root"}});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find("ERROR: Error rendering image."), std::string::npos);
    RunDir reference;
    reference.copyExample("karate.txt");
    ASSERT_EQ(reference.run({"-input", "karate.txt", "-nographic"}).status, 0);
    for (const char* scene : {"karate_col_b_800x6001.pov", "karate_col_b_800x6002.pov"})
        EXPECT_EQ(dir.read(scene), reference.read(scene)) << scene;
}

TEST(SceneRun, SecondSceneThatCannotBeCreatedRemovesTheFirst) {
    RunDir dir;
    dir.copyExample("karate.txt");
    std::filesystem::create_directory(dir / "out2.pov");
    const e2e::Result result = dir.run({"-input", "karate.txt", "-output", "out", "-nographic"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out,
              "\tBuilding graph...\n\tFinding communities...\n"
              "\tGenerating .pov file...\n"
              "ERROR: Scene file out2.pov cannot be written\n");
    EXPECT_FALSE(dir.exists("out1.pov"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "out2.pov"));
}

TEST(SceneRun, SceneNeverReplacesTheInput) {
    RunDir dir;
    dir.copyExample("karate.txt", "net1.pov");
    const std::string before = dir.read("net1.pov");
    const e2e::Result result = dir.run({"-input", "net1.pov", "-output", "net", "-nographic"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "ERROR: Scene file net1.pov would overwrite the input file\n");
    EXPECT_EQ(dir.read("net1.pov"), before);
    EXPECT_FALSE(dir.exists("net2.pov"));
}

TEST(SceneRun, SvgRunWritesTwoWellFormedDocuments) {
    RunDir dir;
    dir.copyExample("karate.txt");
    ASSERT_EQ(dir.run({"-input", "karate.txt", "-nographic", "-render", "svg"}).status, 0);
    for (const char* name : {"karate_col_b_800x600_1.svg", "karate_col_b_800x600_2.svg"}) {
        const std::string text = dir.read(name);
        EXPECT_EQ(text.rfind("<?xml", 0), 0u) << name;
        EXPECT_TRUE(text.ends_with("</svg>\n")) << name;
        if (std::filesystem::exists("/usr/bin/xmllint")) {
            const e2e::Result lint = dir.runProgram("xmllint", {"--noout", name});
            EXPECT_EQ(lint.status, 0) << lint.err;
        }
    }
}

}  // namespace
