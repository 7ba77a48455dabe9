#include "scene/graphics.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <deque>
#include <map>
#include <random>
#include <sstream>

#include "engines/povray.h"
#include "engines/svg.h"
#include "scene/espiral.h"
#include "scene/test_scene.h"

using scene_test::Call;
using scene_test::formCommunities;
using scene_test::Formed;
using scene_test::networkOf;
using scene_test::RecordingEngine;
using scene_test::sameColour;
using ::testing::ElementsAre;

namespace {

// Every test starts from the default options and the unseeded random sequence.
class SceneTest : public ::testing::Test {
  protected:
    void SetUp() override { std::srand(1); }

    SceneOptions options;
};

tColor grey(float level) {
    return {level, level, level};
}

void expectColourNear(tColor actual, tColor expected, const std::string& what) {
    EXPECT_NEAR(actual.r, expected.r, 1e-4) << what;
    EXPECT_NEAR(actual.g, expected.g, 1e-4) << what;
    EXPECT_NEAR(actual.b, expected.b, 1e-4) << what;
}

// ---- Colours ----

using ColourTest = SceneTest;

TEST_F(ColourTest, WorkedExamplesOfEveryScheme) {
    struct Case {
        const char* scheme;
        int levels;
        int level;
        tColor expected;
    };
    const Case cases[] = {
        {"col", 20, 10, {0.14f, 0.7f, 0.2382f}},  // between cyan and green, darkened
        {"col", 20, 1, {1.2f, 0.24f, 1.2f}},      // below the first stop: magenta, brightened
        {"col", 20, 0, {0.7f, 0.14f, 0.7f}},      // the 20th community: magenta, darkened
        {"col", 1, 1, {1.2f, 0.24f, 0.24f}},      // a single level is red
        {"col", 3, 2, {0.14f, 0.7f, 0.14f}},      // exactly on the green stop
        {"col", 2, 2, {0.7f, 0.14f, 0.14f}},      // above the last stop: red
        {"bw", 5, 1, grey(1.1595f)},              // between white and grey, above 1
        {"bw", 5, 3, grey(0.6232f)},
        {"bw", 5, 5, grey(0.1963f)},
        {"bwi", 5, 3, grey(0.4098f)},       // same parity: upper half of the scale
        {"bwi", 5, 2, grey(1.0194f)},       // other parity: lower half
        {"bwi", 1, 1, {1.0f, 0.2f, 0.2f}},  // red, without shading
        {"other", 5, 3, grey(0.87931f)},    // g = 0.25, no parity shift, no shading
    };
    for (const Case& c : cases) {
        expectColourNear(
            Graphics::computeHostColor(c.levels, c.level, c.scheme), c.expected,
            std::string(c.scheme) + " " + std::to_string(c.levels) + "/" + std::to_string(c.level));
    }
}

TEST_F(ColourTest, InterpolateBlendsEveryComponent) {
    const tColor mixed = Graphics::interpolate({0, 1, 2}, 0.25f, {4, 5, -2});
    EXPECT_FLOAT_EQ(mixed.r, 1.0f);
    EXPECT_FLOAT_EQ(mixed.g, 2.0f);
    EXPECT_FLOAT_EQ(mixed.b, 1.0f);
    EXPECT_TRUE(sameColour(Graphics::interpolate(cyan, 1.0f, green), green));
}

// ---- Sizes, order and placement ----

using LayoutTest = SceneTest;

//   1   2
//    \ /
//     0      a star: maxDegree 4
//    / \.
//   3   4
TEST_F(LayoutTest, VertexSizesFollowTheLogarithmOfTheDegree) {
    auto network = networkOf({{0, 1}, {0, 2}, {0, 3}, {0, 4}});
    Formed partition = formCommunities(*network, {{0, 1, 2, 3, 4}});
    RecordingEngine engine;
    Graphics graphics(&engine, options);
    graphics.compute_sizes_for_real_communities(partition.list, network.get());

    const float centre = float(std::log(5.0) / std::log(4.0) * 0.029 * 15 + 0.0007);
    const float leaf = float(0.5 * 0.029 * 15 + 0.0007);
    EXPECT_FLOAT_EQ(network->graph.vertexMap.find(0)->size, centre);
    EXPECT_NEAR(centre, 0.5057194f, 1e-6);
    EXPECT_FLOAT_EQ(network->graph.vertexMap.find(3)->size, leaf);
    EXPECT_NEAR(partition.list.front()->realSize, std::sqrt(centre * centre + 4 * leaf * leaf),
                1e-6);
}

TEST_F(LayoutTest, GraphOfDegreeOneUsesLnTwoAndStaysFinite) {
    auto network = networkOf({{0, 1}, {2, 3}});
    Formed partition = formCommunities(*network, {{0, 1}, {2, 3}});
    RecordingEngine engine;
    Graphics graphics(&engine, options);
    graphics.compute_sizes_for_real_communities(partition.list, network.get());
    EXPECT_FLOAT_EQ(network->graph.vertexMap.find(2)->size, 0.4357f);
}

TEST_F(LayoutTest, WeightedSizesFollowStrengthWithTheSameNumbers) {
    auto network = networkOf({{0, 1}, {0, 2}, {0, 3}, {0, 4}});
    Formed partition = formCommunities(*network, {{0, 1, 2, 3, 4}});
    RecordingEngine engine;
    Graphics graphics(&engine, options);
    graphics.compute_sizes_for_real_communities(partition.list, network.get());
    const float byDegree = network->graph.vertexMap.find(0)->size;
    options.sizesByStrength = true;
    network->graph.vertexMap.find(0)->size = 0.0f;
    graphics.compute_sizes_for_real_communities(partition.list, network.get());
    EXPECT_EQ(network->graph.vertexMap.find(0)->size, byDegree);
}

TEST_F(LayoutTest, SortIsStableAndDescendingInUnsignedArithmetic) {
    std::vector<Community> store(4);
    store[0].degreeSum = 5, store[0].internalDegree = 4;  // key 1
    store[1].degreeSum = 9, store[1].internalDegree = 2;  // key 7
    store[2].degreeSum = 3, store[2].internalDegree = 2;  // key 1
    store[3].degreeSum = 1, store[3].internalDegree = 2;  // wraps: the largest key
    std::list<Community*> list = {&store[0], &store[1], &store[2], &store[3]};
    list.sort(CompareCommunitiesSize());
    EXPECT_THAT(std::vector<Community*>(list.begin(), list.end()),
                ElementsAre(&store[3], &store[1], &store[0], &store[2]));
}

TEST_F(LayoutTest, OneCommunitySitsAtTenDegreesAndGivesTheSceneRadius) {
    std::vector<Community> store(1);
    store[0].realSize = 2.0f;
    store[0].abstractSize = 6.0f;
    RecordingEngine engine;
    Graphics graphics(&engine, options);
    const SpiralLayout layout = graphics.placeCommunities({&store[0]});
    EXPECT_FLOAT_EQ(layout.w, 2.0f / 6.0f);
    EXPECT_FLOAT_EQ(store[0].rho, 2.0f);
    EXPECT_NEAR(store[0].theta, pi / 18, 1e-6);
    EXPECT_FLOAT_EQ(layout.sceneRadius, 2.0f);
    EXPECT_NEAR(store[0].x, 2 * std::cos(pi / 18), 1e-6);
    EXPECT_NEAR(store[0].y, 2 * std::sin(pi / 18), 1e-6);
}

TEST_F(LayoutTest, EmptyListPlacesNothing) {
    RecordingEngine engine;
    Graphics graphics(&engine, options);
    const SpiralLayout layout = graphics.placeCommunities({});
    EXPECT_EQ(layout.sceneRadius, 0.0f);
    EXPECT_EQ(layout.w, 0.0f);
}

TEST_F(LayoutTest, ScaleComesFromTheFirstCommunityWithInternalEdges) {
    std::vector<Community> store(3);
    store[0].realSize = 1.0f, store[0].abstractSize = 0.0f;
    store[1].realSize = 3.0f, store[1].abstractSize = 4.0f;
    store[2].realSize = 0.0f, store[2].abstractSize = 8.0f;  // no members: radius w × 8
    RecordingEngine engine;
    Graphics graphics(&engine, options);
    const SpiralLayout layout = graphics.placeCommunities({&store[0], &store[1], &store[2]});
    EXPECT_FLOAT_EQ(layout.w, 0.75f);
    // The first community keeps its real size; the last is sized by its internal edges.
    EXPECT_FLOAT_EQ(store[0].rho, 1.0f);
    const float distance = 1.5f * (3.0f + 6.0f);
    const double gap = std::hypot(store[2].x - store[1].x, store[2].y - store[1].y);
    EXPECT_NEAR(gap * gap, distance * distance, 0.1 * distance);
}

TEST_F(LayoutTest, WithoutInternalEdgesEveryRadiusIsTheRealSize) {
    std::vector<Community> store(3);
    for (Community& c : store) c.realSize = 0.5f, c.abstractSize = 0.0f;
    RecordingEngine engine;
    Graphics graphics(&engine, options);
    const SpiralLayout layout = graphics.placeCommunities({&store[0], &store[1], &store[2]});
    EXPECT_EQ(layout.w, 0.0f);
    for (int k = 1; k < 3; ++k) {
        const double gap = std::hypot(store[k].x - store[k - 1].x, store[k].y - store[k - 1].y);
        EXPECT_NEAR(gap * gap, 1.5 * 1.5, 0.15) << k;
    }
}

// Consecutive centres lie at D = 1.5 (Rp + Rc) within the iteration's tolerance
// |dist² − D²| ≤ 0.1 D, for spirals of many communities of mixed sizes.
TEST_F(LayoutTest, ConsecutiveCentresLieAtTheirDistance) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> members(1.0f, 40.0f);
    std::vector<Community> store(300);
    for (Community& c : store) {
        const float n = std::floor(members(random));
        c.realSize = std::sqrt(n) * 0.3f;
        c.abstractSize = 2 * n;
    }
    std::list<Community*> list;
    for (Community& c : store) list.push_back(&c);
    RecordingEngine engine;
    Graphics graphics(&engine, options);
    const SpiralLayout layout = graphics.placeCommunities(list);
    int outside = 0;
    for (std::size_t k = 1; k < store.size(); ++k) {
        const Community& p = store[k - 1];
        const Community& c = store[k];
        const float D = 1.5f * (max(p.realSize, layout.w * p.abstractSize) +
                                max(c.realSize, layout.w * c.abstractSize));
        const double gap = std::hypot(double(c.x) - p.x, double(c.y) - p.y);
        if (std::fabs(gap * gap - double(D) * D) > 0.1 * D) ++outside;
        EXPECT_GT(c.rho, p.rho) << k;
    }
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(layout.sceneRadius, store.back().rho);
}

// ---- The two scenes, on small networks ----

//   0 --- 1 --- 2 --- 3      communities {0, 1} and {2, 3}
std::unique_ptr<Network> path4() {
    return networkOf({{0, 1}, {1, 2}, {2, 3}});
}

using SceneOutputTest = SceneTest;

// The community scene of two communities joined by one edge, number for number: the
// values follow from the sizes (ln 3 / ln 2 for the middle vertices), the spiral and the
// colours by hand. The first bar switches the writer to fixed notation for good.
TEST_F(SceneOutputTest, CommunitySceneOfTwoCommunitiesExactly) {
    auto network = path4();
    Formed partition = formCommunities(*network, {{0, 1}, {2, 3}});
    std::ostringstream out;
    Povray povray(out, "scene2.pov");
    Graphics graphics(&povray, options);
    graphics.generateNetworkFile(partition.list, network.get(), true);

    std::string text = out.str();
    const std::string body = text.substr(text.find("global_settings { ambient_light"));
    EXPECT_NE(text.find("camera { orthographic location <0, 0, -6.38185> look_at  <0, 0, 0> }\n"),
              std::string::npos);
    EXPECT_EQ(body,
              "global_settings { ambient_light rgb<0.8, 0.8, 0.8> }\n"
              "sphere { <0.803783, 0.141729, 0>, 0.816182 pigment { rgb <1.2, 0.24, 1.2> }  }\n"
              "sphere { <0.803783, 0.141729, 0>, 0.408091 pigment { rgb <2, 2, 2> }  }\n"
              "sphere { <-0.0189593, 2.45449, 0>, 0.408091 pigment { rgb <2, 2, 2> }  }\n"
              "cylinder { <0.80378, 0.14173, 0.00000>, <-0.01896, 2.45449, 0.00000> 0.40809 "
              "open texture { pigment { color rgbf <2.00000, 2.00000, 2.00000> } } }\n"
              "sphere { <-0.01896, 2.45449, 0.00000>, 0.81618 pigment { rgb <0.70000, 0.14000, "
              "0.14000> }  }\n"
              "sphere { <-0.01896, 2.45449, 0.00000>, 0.40809 pigment { rgb <2.00000, 2.00000, "
              "2.00000> }  }\n"
              "sphere { <0.80378, 0.14173, 0.00000>, 0.40809 pigment { rgb <2.00000, 2.00000, "
              "2.00000> }  }\n"
              "cylinder { <-0.01896, 2.45449, 0.00000>, <0.80378, 0.14173, 0.00000> 0.40809 "
              "open texture { pigment { color rgbf <2.00000, 2.00000, 2.00000> } } }\n");
}

// The call sequence of the vertex scene: header, edges between communities, edges inside,
// one vertex each in community order, then the legend, then close.
TEST_F(SceneOutputTest, VertexSceneDrawsInItsLayerOrder) {
    auto network = path4();
    Formed partition = formCommunities(*network, {{0, 1}, {2, 3}});
    RecordingEngine engine;
    Graphics graphics(&engine, options);
    graphics.generateNetworkFile(partition.list, network.get(), false);

    std::vector<Call::Kind> kinds;
    for (const Call& call : engine.calls) kinds.push_back(call.kind);
    // p = 1000 / 6 ≥ 1: every edge is drawn, the one between communities first. The legend
    // has one entry (maxDegree 2).
    EXPECT_THAT(kinds, ElementsAre(Call::Headers, Call::Cylinder, Call::Cylinder, Call::Cylinder,
                                   Call::Host, Call::Host, Call::Host, Call::Host, Call::Host,
                                   Call::Text, Call::Close));
    const std::vector<Call> edges = engine.of(Call::Cylinder);
    EXPECT_TRUE(sameColour(edges[0].colour, white));
    EXPECT_FLOAT_EQ(edges[0].numbers[6], 0.2f / 3);
    EXPECT_FLOAT_EQ(edges[1].numbers[6], 0.2f);
    EXPECT_EQ(edges[1].numbers[7], 0.0264f);
    EXPECT_EQ(edges[1].numbers[2], 30.0f);
    // Inside a community the edge takes the colour of its end with the smaller id.
    EXPECT_TRUE(sameColour(edges[1].colour, network->graph.vertexMap.find(0)->fillColor));
    EXPECT_TRUE(sameColour(edges[2].colour, network->graph.vertexMap.find(2)->fillColor));
}

TEST_F(SceneOutputTest, VerticesSitInTheirDiscsAtTheDepthOfTheirShell) {
    //   A K4 {0..3} with a tail 3-4-5 and a pendant 6 on 0 form one community; a triangle
    //   {7, 8, 9} with a self-loop on 9 another, joined to the first by 5-7; vertex 10 with
    //   only a self-loop a third.
    auto network = networkOf({{0, 1},
                              {0, 2},
                              {0, 3},
                              {1, 2},
                              {1, 3},
                              {2, 3},
                              {3, 4},
                              {4, 5},
                              {0, 6},
                              {5, 7},
                              {7, 8},
                              {8, 9},
                              {9, 7},
                              {9, 9},
                              {10, 10}});
    Formed partition = formCommunities(*network, {{0, 1, 2, 3, 4, 5, 6}, {7, 8, 9}, {10}});
    RecordingEngine engine;
    Graphics graphics(&engine, options);
    graphics.generateNetworkFile(partition.list, network.get(), false);

    std::map<VertexId, int> shells;
    for (const auto& [id, vertex] : network->graph.vertexMap) shells[id] = vertex->shellIndex;
    // Shells inside each community. A self-loop gives its vertex two entries for itself in
    // the community's copy, so the lone self-loop vertex 10 is in shell 2.
    EXPECT_EQ(shells, (std::map<VertexId, int>{{0, 3},
                                               {1, 3},
                                               {2, 3},
                                               {3, 3},
                                               {4, 1},
                                               {5, 1},
                                               {6, 1},
                                               {7, 2},
                                               {8, 2},
                                               {9, 2},
                                               {10, 2}}));
    EXPECT_EQ(partition.list.front()->maxShell, 3);

    const std::vector<Call> hosts = engine.of(Call::Host);
    ASSERT_GE(hosts.size(), 11u);
    const VertexMap& byId = network->graph.vertexMap;
    std::size_t at = 0;
    for (const Community* community : partition.list) {
        float coreSum = 0.0f;
        for (VertexId id : community->members) {
            const Vertex* v = byId.find(id);
            if (v->shellIndex == community->maxShell) coreSum += v->size * v->size;
        }
        const float rhoIn = std::sqrt(coreSum) / community->realSize;
        for (VertexId id : community->members) {
            const Vertex* v = byId.find(id);
            const Call& host = hosts[at++];
            EXPECT_EQ(host.numbers[0], v->x);
            EXPECT_EQ(host.numbers[2], float(v->shellIndex) / -10.0f) << id;
            EXPECT_TRUE(sameColour(host.colour, host.ring)) << "no halo, vertex " << id;
            const double distance =
                std::hypot(v->x - community->x, v->y - community->y) / community->realSize;
            if (v->shellIndex == community->maxShell) {
                EXPECT_LE(distance, rhoIn * 1.0001) << id;
            } else {
                // Between 1 and ρin + 0.2, whichever is larger: a large core pushes the rest
                // beyond the disc.
                const float lo = rhoIn + 0.2f;
                EXPECT_GE(distance, std::min(1.0f, lo) * 0.9999) << id;
                EXPECT_LE(distance, std::max(1.0f, lo) * 1.0001) << id;
            }
        }
    }
}

TEST_F(SceneOutputTest, BothScenesPlaceEveryCommunityAtTheSameCentre) {
    auto network = networkOf({{0, 1},
                              {1, 2},
                              {2, 0},
                              {2, 3},
                              {3, 4},
                              {4, 5},
                              {5, 3},
                              {5, 6},
                              {6, 7},
                              {7, 8},
                              {8, 6},
                              {8, 9}});
    Formed partition = formCommunities(*network, {{0, 1, 2}, {3, 4, 5}, {6, 7, 8}, {9}});
    RecordingEngine vertexEngine, communityEngine;
    Graphics first(&vertexEngine, options);
    first.generateNetworkFile(partition.list, network.get(), false);
    std::vector<std::pair<float, float>> centres;
    for (const Community* c : partition.list) centres.emplace_back(c->x, c->y);
    Graphics second(&communityEngine, options);
    second.generateNetworkFile(partition.list, network.get(), true);
    for (std::size_t k = 0; k < centres.size(); ++k) {
        const Community* c = *std::next(partition.list.begin(), long(k));
        EXPECT_EQ(c->x, centres[k].first) << k;
        EXPECT_EQ(c->y, centres[k].second) << k;
    }
    EXPECT_EQ(vertexEngine.calls.front().numbers, communityEngine.calls.front().numbers);
}

// Colours repeat with period 20 along the sorted order; the 20th takes level 0.
TEST_F(SceneOutputTest, CommunityColoursRepeatEveryTwentyCommunities) {
    std::vector<Edge> edges;
    for (VertexId k = 0; k < 25; ++k) edges.push_back({2 * k, 2 * k + 1});
    auto network = networkOf(edges);
    std::vector<std::vector<VertexId>> parts;
    for (VertexId k = 0; k < 25; ++k) parts.push_back({2 * k, 2 * k + 1});
    Formed partition = formCommunities(*network, parts);
    RecordingEngine engine;
    Graphics graphics(&engine, options);
    graphics.generateNetworkFile(partition.list, network.get(), true);
    const std::vector<Call> spheres = engine.of(Call::Host);
    ASSERT_EQ(spheres.size(), 25u);
    EXPECT_TRUE(sameColour(spheres[19].colour, Graphics::computeHostColor(20, 0)));
    EXPECT_TRUE(sameColour(spheres[20].colour, spheres[0].colour));
    EXPECT_FALSE(sameColour(spheres[1].colour, spheres[0].colour));
}

// Degenerate inputs: every number that reaches the engine is finite.
TEST_F(SceneOutputTest, DegenerateNetworksGiveFiniteScenes) {
    struct Case {
        const char* name;
        std::vector<Edge> edges;
        std::vector<std::vector<VertexId>> parts;
    };
    std::vector<Edge> matching, star;
    std::vector<std::vector<VertexId>> matchingParts, starAlone;
    for (VertexId k = 0; k < 30; ++k) {
        matching.push_back({2 * k, 2 * k + 1});
        matchingParts.push_back({2 * k, 2 * k + 1});
        star.push_back({0, k + 1});
        starAlone.push_back({k + 1});
    }
    starAlone.push_back({0});
    std::vector<VertexId> wholeStar;
    for (VertexId k = 0; k <= 30; ++k) wholeStar.push_back(k);
    const Case cases[] = {
        {"single edge", {{4, 9}}, {{4, 9}}},
        {"single edge split", {{4, 9}}, {{4}, {9}}},
        {"matching", matching, matchingParts},
        {"star, one community", star, {wholeStar}},
        {"star, singletons", star, starAlone},
        {"lone self-loop", {{3, 3}}, {{3}}},
        {"no internal edge", {{0, 1}, {1, 2}}, {{0, 2}, {1}}},
    };
    for (const Case& c : cases) {
        for (bool communityScene : {false, true}) {
            std::srand(1);
            auto network = networkOf(c.edges);
            Formed partition = formCommunities(*network, c.parts);
            options.idsAsLabels = true;
            RecordingEngine engine;
            Graphics graphics(&engine, options);
            graphics.generateNetworkFile(partition.list, network.get(), communityScene);
            std::size_t hosts = 0;
            for (const Call& call : engine.calls) {
                hosts += call.kind == Call::Host;
                for (float value : call.numbers)
                    EXPECT_TRUE(std::isfinite(value)) << c.name << " " << call.kind;
                for (float value : {call.colour.r, call.colour.g, call.colour.b})
                    EXPECT_TRUE(std::isfinite(value)) << c.name;
            }
            EXPECT_GE(hosts, partition.list.size()) << c.name;
        }
    }
}

TEST_F(SceneOutputTest, TwoRunsWriteIdenticalScenes) {
    auto network = networkOf({{0, 1}, {1, 2}, {2, 0}, {2, 3}, {3, 4}, {4, 5}, {5, 3}, {1, 6}});
    Formed partition = formCommunities(*network, {{0, 1, 2, 6}, {3, 4, 5}});
    options.idsAsLabels = true;
    std::string texts[2];
    for (std::string& text : texts) {
        std::srand(1);
        std::ostringstream first, second;
        Povray vertexScene(first, "1.pov"), communityScene(second, "2.pov");
        Graphics(&vertexScene, options).generateNetworkFile(partition.list, network.get(), false);
        Graphics(&communityScene, options).generateNetworkFile(partition.list, network.get(), true);
        text = first.str() + second.str();
    }
    EXPECT_EQ(texts[0], texts[1]);
    EXPECT_NE(texts[0].find("sphere"), std::string::npos);
}

// Sixty blocks of varied size and density, a few edges between them, and self-loops, as
// parts of the network (vertices without an edge left out).
struct BlockNetwork {
    std::unique_ptr<Network> network;
    std::vector<std::vector<VertexId>> parts;
};
BlockNetwork blockNetwork() {
    std::mt19937 random(11);
    std::vector<Edge> edges;
    std::vector<std::vector<VertexId>> parts;
    VertexId next = 0;
    for (int block = 0; block < 60; ++block) {
        const int size = 3 + static_cast<int>(random() % 30);
        std::vector<VertexId> part;
        for (int i = 0; i < size; ++i) part.push_back(next++);
        for (int e = static_cast<int>(random() % (3 * size)); e > 0; --e)
            edges.push_back({part[random() % size], part[random() % size]});
        edges.push_back({part[0], static_cast<VertexId>(random() % (next + 1))});
        parts.push_back(part);
    }
    auto network = networkOf(edges);
    for (auto& part : parts)
        std::erase_if(part, [&](VertexId id) { return !network->graph.vertexMap.find(id); });
    std::erase_if(parts, [](const std::vector<VertexId>& part) { return part.empty(); });
    return {std::move(network), std::move(parts)};
}

TEST_F(SceneOutputTest, ShellsOnTwoThreadsGiveTheSameScene) {
    // The vertex scene with the shells shared between two threads must be the one-thread
    // scene byte for byte, shells and maxShell included.
    auto [network, parts] = blockNetwork();
    Formed partition = formCommunities(*network, parts);
    std::string texts[2];
    std::map<VertexId, int> shells[2];
    std::vector<int> maxShells[2];
    for (int run = 0; run < 2; ++run) {
        SceneOptions twoThreads = options;
        twoThreads.shellsOnTwoThreadsFrom = run == 0 ? ~std::size_t{0} : 0;
        std::srand(1);
        std::ostringstream out;
        Povray scene(out, "1.pov");
        Graphics(&scene, twoThreads).generateNetworkFile(partition.list, network.get(), false);
        texts[run] = out.str();
        for (const auto& [id, vertex] : network->graph.vertexMap)
            shells[run][id] = vertex->shellIndex;
        for (const Community* community : partition.list)
            maxShells[run].push_back(community->maxShell);
        for (const auto& [id, vertex] : network->graph.vertexMap) vertex->shellIndex = -1;
    }
    EXPECT_EQ(texts[0], texts[1]);
    EXPECT_EQ(shells[0], shells[1]);
    EXPECT_EQ(maxShells[0], maxShells[1]);
    EXPECT_GT(*std::max_element(maxShells[0].begin(), maxShells[0].end()), 1);
}

TEST_F(SceneOutputTest, ScenesWrittenInBlocksOnTwoThreadsAreTheOneThreadScenes) {
    // Blocks of one operation up to many, in both formats and both scenes: POV-Ray's number
    // format changes at the first cylinder, in whichever block that falls. Two and three
    // threads: rounds of four and six blocks, each appended while the next round is drawn.
    auto [network, parts] = blockNetwork();
    Formed partition = formCommunities(*network, parts);
    struct Drawing {
        unsigned threads;
        std::size_t block;
    };
    const Drawing drawings[] = {{1, 0},    {2, 1}, {2, 2}, {2, 7},
                                {2, 1000}, {3, 1}, {3, 5}, {3, 100000}};
    for (const bool povray : {true, false}) {
        for (const bool communityScene : {false, true}) {
            std::string first;
            for (const auto [threads, block] : drawings) {
                SceneOptions drawing = options;
                drawing.threads = threads;
                drawing.operationsInBlock = block;
                std::srand(1);
                std::ostringstream out;
                std::unique_ptr<Engine> engine;
                if (povray)
                    engine = std::make_unique<Povray>(out, "s");
                else
                    engine = std::make_unique<Svg>(out, "s");
                Graphics(engine.get(), drawing)
                    .generateNetworkFile(partition.list, network.get(), communityScene);
                if (block == 0) {
                    first = out.str();
                    EXPECT_GT(first.size(), 10000u);
                } else {
                    EXPECT_TRUE(out.str() == first) << povray << communityScene << " blocks of "
                                                    << block << " on " << threads << " threads";
                }
            }
        }
    }
}

// ---- Edge sampling ----

using EdgeTest = SceneTest;

// The sampling threshold max(edges, minEdges / numArcs) against one draw per entry: the
// leaves of a star each have one entry, towards the hub (a smaller id), which draws exactly
// when the threshold exceeds its draw.
TEST_F(EdgeTest, SamplingThresholdDecidesEveryEntry) {
    std::vector<Edge> edges;
    for (VertexId k = 1; k <= 200; ++k) edges.push_back({0, k});  // 400 adjacency entries
    auto network = networkOf(edges);
    std::vector<VertexId> all;
    for (VertexId k = 0; k <= 200; ++k) all.push_back(k);
    Formed partition = formCommunities(*network, {all});

    struct Case {
        float edges;
        int minEdges;
        float threshold;
    };
    const Case cases[] = {
        {0.0f, 100, 0.25f},                   // minEdges / numArcs = 100 / 400
        {0.5f, 100, 0.5f},                    // the fraction wins
        {0.0f, 1000, 2.5f},                   // the default minimum: every edge
        {1.0f, 0, 1.0f},    {0.0f, 0, 0.0f},  // nothing
    };
    for (const Case& c : cases) {
        options.edges = c.edges;
        options.minEdges = c.minEdges;
        std::srand(5);
        std::vector<VertexId> expected;
        for (VertexId k = 1; k <= 200; ++k)
            if (c.threshold > float(std::rand() / 2147483648.0)) expected.push_back(k);

        RecordingEngine engine;
        Graphics graphics(&engine, options);
        std::srand(5);
        std::vector<VertexId> drawn;
        for (VertexId k = 1; k <= 200; ++k) {
            const std::size_t before = engine.calls.size();
            graphics.drawEdge(network->graph.vertexMap.find(k), 1, 1, network.get(), true, true);
            if (engine.calls.size() > before) drawn.push_back(k);
        }
        EXPECT_EQ(drawn, expected) << c.edges << " " << c.minEdges;
        if (c.threshold == 0.25f) {
            EXPECT_NEAR(double(drawn.size()), 50.0, 20.0);
        }
        // The hub has the smallest id: none of its 200 entries draws.
        graphics.drawEdge(network->graph.vertexMap.find(0), 1, 1, network.get(), true, true);
        EXPECT_EQ(engine.calls.size(), drawn.size());
    }
}

TEST_F(EdgeTest, EveryEntryConsumesOneDrawWhateverIsDrawn) {
    auto network = networkOf({{0, 1}, {1, 2}, {1, 3}, {3, 3}, {5, 6}});
    Formed partition = formCommunities(*network, {{0, 1}, {2, 3}, {5, 6}});
    (void)partition;
    RecordingEngine engine;
    Graphics graphics(&engine, options);
    Vertex* v = network->graph.vertexMap.find(3);  // two entries: 1 and itself
    std::srand(9);
    graphics.drawEdge(v, 1, 1, network.get(), false, false);
    graphics.drawEdge(network->graph.vertexMap.find(1), 1, 1, network.get(), false, false);
    const int after = std::rand();
    std::srand(9);
    for (int k = 0; k < 2 + 3; ++k) std::rand();
    EXPECT_EQ(after, std::rand());
    EXPECT_TRUE(engine.calls.empty());
    // With both kinds asked for, the edge 3–1 is drawn (between communities) and the
    // self-loop never.
    options.edges = 1.0f;
    graphics.drawEdge(v, 1, 1, network.get(), true, true);
    ASSERT_EQ(engine.calls.size(), 1u);
    EXPECT_TRUE(sameColour(engine.calls[0].colour, white));
}

TEST_F(EdgeTest, EdgesBetweenCommunitiesComeFirstInTheVertexScene) {
    auto network = networkOf({{0, 1}, {1, 2}, {2, 3}, {3, 0}});
    Formed partition = formCommunities(*network, {{0, 1}, {2, 3}});
    options.edges = 1.0f;
    RecordingEngine engine;
    Graphics graphics(&engine, options);
    graphics.generateNetworkFile(partition.list, network.get(), false);
    const std::vector<Call> edges = engine.of(Call::Cylinder);
    ASSERT_EQ(edges.size(), 4u);
    EXPECT_TRUE(sameColour(edges[0].colour, white));
    EXPECT_TRUE(sameColour(edges[1].colour, white));
    EXPECT_FALSE(sameColour(edges[2].colour, white));
    EXPECT_FALSE(sameColour(edges[3].colour, white));
}

// ---- Legend ----

using LegendTest = SceneTest;

struct LegendEntry {
    std::string text;
    float radius;
};

std::vector<LegendEntry> legendOf(const std::vector<Edge>& edges) {
    auto network = networkOf(edges);
    RecordingEngine engine;
    Graphics graphics(&engine);
    graphics.generateNetworkFile({}, network.get(), false);
    std::vector<LegendEntry> entries;
    const std::vector<Call> hosts = engine.of(Call::Host);
    const std::vector<Call> texts = engine.of(Call::Text);
    EXPECT_EQ(hosts.size(), texts.size());
    for (std::size_t k = 0; k < texts.size() && k < hosts.size(); ++k)
        entries.push_back({texts[k].text, hosts[k].numbers[3]});
    return entries;
}

std::vector<Edge> starOf(int leaves) {
    std::vector<Edge> edges;
    for (int k = 1; k <= leaves; ++k) edges.push_back({0, k});
    return edges;
}

TEST_F(LegendTest, DegreeLegendSkipsValuesOfOne) {
    struct Case {
        int maxDegree;
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        {5, {"5", "2"}},
        {3, {"3"}},
        {1, {}},
        {100, {"100", "25", "7", "2"}},
        {1000, {"1000", "250", "63", "16", "4"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> texts;
        for (const LegendEntry& entry : legendOf(starOf(c.maxDegree))) {
            texts.push_back(entry.text);
            const int value = std::stoi(entry.text);
            EXPECT_FLOAT_EQ(
                entry.radius,
                float(std::log(value + 1.0) / std::log(double(c.maxDegree)) * 0.029 * 15 + 0.0007));
        }
        EXPECT_EQ(texts, c.texts) << c.maxDegree;
    }
}

TEST_F(LegendTest, LegendColoursAndPlacementFollowTheBackground) {
    auto network = networkOf(starOf(5));
    for (const char* background : {"black", "white"}) {
        options.bckgnd = background;
        RecordingEngine engine;
        Graphics graphics(&engine, options);
        graphics.generateNetworkFile({}, network.get(), false);
        const std::vector<Call> hosts = engine.of(Call::Host);
        const std::vector<Call> texts = engine.of(Call::Text);
        ASSERT_EQ(hosts.size(), 2u);
        const bool onBlack = std::string(background) == "black";
        EXPECT_TRUE(sameColour(hosts[0].colour, onBlack ? white : gray));
        EXPECT_TRUE(sameColour(texts[0].colour, onBlack ? white : black));
        // Scene radius 0: the unit is the size of the largest vertex × 1.5.
        const float U = float((std::log(6.0) / std::log(5.0) * 0.029 * 15 + 0.0007) * 1.5);
        EXPECT_TRUE(std::signbit(hosts[0].numbers[0]));  // L = −u × 0
        EXPECT_FLOAT_EQ(hosts[1].numbers[1], 3 * U * 2);
        EXPECT_FLOAT_EQ(texts[0].numbers[0], 2 * U);
        EXPECT_FLOAT_EQ(texts[0].numbers[1], 0.5f);
        EXPECT_FLOAT_EQ(texts[0].numbers[2], float((3 * U - 1.5 * U) / (2 * U)));
        EXPECT_EQ(texts[0].align, "left");
    }
}

TEST_F(LegendTest, StrengthLegendHasFiveEntriesOfRadiusZero) {
    options.sizesByStrength = true;
    auto network = networkOf(starOf(10));
    RecordingEngine engine;
    Graphics graphics(&engine, options);
    graphics.generateNetworkFile({}, network.get(), false);
    std::vector<std::string> texts;
    for (const Call& text : engine.of(Call::Text)) texts.push_back(text.text);
    EXPECT_THAT(texts, ElementsAre("10", "2.5", "0.625", "0.15625", "0.0390625"));
    const float V = float((std::log(11.0) / std::log(10.0) * 0.029 + 0.0007) * 1.5 * 15);
    const std::vector<Call> hosts = engine.of(Call::Host);
    ASSERT_EQ(hosts.size(), 5u);
    for (int j = 0; j < 5; ++j) {
        EXPECT_EQ(hosts[j].numbers[3], 0.0f);
        EXPECT_FLOAT_EQ(hosts[j].numbers[1], 3 * V * (j + 1) + float(-1.0f * 15 * 0.5));
    }
    // A multigraph keeps the degree legend.
    options.sizesByStrength = false;
    RecordingEngine degreeEngine;
    Graphics(&degreeEngine, options).generateNetworkFile({}, network.get(), false);
    EXPECT_EQ(degreeEngine.of(Call::Text).size(), 2u);
}

TEST_F(LegendTest, StrengthLegendOfASingleEdgeUsesLnTwo) {
    options.sizesByStrength = true;
    auto network = networkOf({{0, 1}});
    RecordingEngine engine;
    Graphics(&engine, options).generateNetworkFile({}, network.get(), false);
    for (const Call& call : engine.calls)
        for (float value : call.numbers) EXPECT_TRUE(std::isfinite(value));
    EXPECT_EQ(engine.of(Call::Text).front().text, "1");
}

// ---- Labels ----

// A label grid of 80 × 50 cells over the square −10 … 10 (scene radius 10, unit 1): column
// lround(40 + 4x), row lround(25 + 2.5y); labels are 0.5 high.
class LabelTest : public SceneTest {
  protected:
    void SetUp() override {
        SceneTest::SetUp();
        graphics.resetGrid();
    }
    // A vertex at (x, y) of size factor size, named name (no name: labelled by id, if at all).
    Vertex& vertex(float x, float y, float size, std::string_view name = "") {
        Vertex& v = vertices.emplace_back(VertexId(vertices.size()));
        v.x = x, v.y = y, v.size = size, v.name = name;
        return v;
    }
    // Labels v; the label call it made, if any.
    const Call* label(Vertex& v) {
        const std::size_t before = engine.calls.size();
        graphics.drawText(&v, 1.0f, black, 12.0f, 10.0f, 10.0f, nullptr);
        return engine.calls.size() > before ? &engine.calls.back() : nullptr;
    }

    std::deque<Vertex> vertices;
    RecordingEngine engine;
    Graphics graphics{&engine, options};
};

TEST_F(LabelTest, GridFollowsImageSizeAndTruncatedFontZoom) {
    EXPECT_EQ(graphics.columns, 80);
    EXPECT_EQ(graphics.rows, 50);
    options.font = 1.5f;
    graphics.resetGrid();
    EXPECT_EQ(graphics.columns, 80);
    EXPECT_EQ(graphics.rows, 50);
    options.font = 2.0f;
    options.width = 1000;
    graphics.resetGrid();
    EXPECT_EQ(graphics.columns, 50);
    EXPECT_EQ(graphics.rows, 25);
    options.font = 1e30f;  // far beyond any image: no cell at all, and no label
    graphics.resetGrid();
    EXPECT_EQ(graphics.columns, 0);
    options.idsAsLabels = true;
    EXPECT_EQ(label(vertex(0, 0, 0.5f)), nullptr);
}

TEST_F(LabelTest, WithoutNamesNothingIsLabelledAndTheGridStaysFree) {
    EXPECT_EQ(label(vertex(0, 0, 0.5f)), nullptr);
    EXPECT_EQ(graphics.cell(42, 25), 0);
    options.idsAsLabels = false;  // a names file gives only the names it holds
    EXPECT_EQ(label(vertex(0, 0, 0.5f)), nullptr);
    EXPECT_NE(label(vertex(0, 0, 0.5f, "hub")), nullptr);
}

TEST_F(LabelTest, LabelsTakeTheFirstFreePlaceAroundTheirVertex) {
    options.idsAsLabels = true;
    // d = 1.2 × 0.5: right of the vertex the anchor is x = 0.6, column 42, row 25.
    const Call* first = label(vertex(0, 0, 0.5f));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->text, "0");
    EXPECT_EQ(first->align, "left");
    EXPECT_THAT(first->numbers, ElementsAre(0.5f, 1.2f, 0.0f));
    EXPECT_EQ(graphics.cell(42, 25), 1);
    EXPECT_EQ(graphics.cell(43, 25), 1);
    EXPECT_EQ(graphics.cell(44, 25), 0);

    // The same place again: the right scores 2, the left (columns 38, 37) is free. The
    // text is moved left by the width of two characters: 2 × 2 × (10 / 800) × 10 / 0.5.
    const Call* second = label(vertex(0, 0, 0.5f));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->align, "right");
    EXPECT_FLOAT_EQ(second->numbers[1], -1.2f - 1.0f);
    EXPECT_EQ(graphics.cell(38, 25), 1);
    EXPECT_EQ(graphics.cell(37, 25), 1);

    // Third: above, on row lround(26.5) = 27, running right from column 40.
    const Call* third = label(vertex(0, 0, 0.5f));
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third->align, "left");
    EXPECT_THAT(third->numbers, ElementsAre(0.5f, 0.0f, 1.2f));
    EXPECT_EQ(graphics.cell(40, 27), 1);
    EXPECT_EQ(graphics.cell(41, 27), 1);
}

TEST_F(LabelTest, CrowdedPlaceDropsTheLabelWithoutMarking) {
    options.idsAsLabels = true;
    // A vertex of tiny size: all six candidates start on column 40, row 25.
    ASSERT_NE(label(vertex(0, 0, 0.0001f)), nullptr);
    // Rightwards the two marks score 2, leftwards column 40 scores 1: too much for one
    // character.
    EXPECT_EQ(label(vertex(0, 0, 0.0001f)), nullptr);
    EXPECT_EQ(graphics.cell(40, 25), 1);
    EXPECT_EQ(graphics.cell(41, 25), 1);
    EXPECT_EQ(graphics.cell(39, 25), 0);
}

TEST_F(LabelTest, LabelsLeavingTheGridOrOnItsEdgeRowsAreDropped) {
    options.idsAsLabels = true;
    struct Case {
        float x, y;
        bool drawn;
    };
    const Case cases[] = {
        {12.0f, 0.0f, false},  // every candidate outside the columns
        {9.8f, 0.0f, true},    // right side outside, the leftward label fits
        {0.0f, -9.6f, false},  // row 1: the row below is not usable
        {0.0f, 9.6f, false},   // row 49 = rows − 1: the row above is not usable
        {0.0f, -9.2f, true},   // row 2
        {0.0f, 9.2f, true},    // row 48
    };
    for (const Case& c : cases) {
        graphics.resetGrid();
        const Call* call = label(vertex(c.x, c.y, 0.0001f));
        EXPECT_EQ(call != nullptr, c.drawn) << c.x << " " << c.y;
    }
}

// A label of len bytes is accepted with a crowding score of at most 1 and score / len at
// most 0.4: one marked cell in its way stops a label of two bytes but not one of three. The
// length counts bytes before escaping.
TEST_F(LabelTest, AcceptanceDependsOnTheLabelLengthInBytes) {
    struct Case {
        std::string name;
        bool drawn;
    };
    const Case cases[] = {
        {"ab", false},
        {"abc", true},
        {"a\"", false},
        {"a\"b", true},
        {"\xC3\xA9", false},  // one character, two bytes
        {"\xC3\xA9\xC3\xA9", true},
    };
    for (const Case& c : cases) {
        graphics.resetGrid();
        // A one-character label just right of x = 9 marks columns 76 and 77.
        ASSERT_NE(label(vertex(9.0f, 0.0f, 0.001f, "q")), nullptr);
        ASSERT_EQ(graphics.cell(76, 25), 1);
        ASSERT_EQ(graphics.cell(77, 25), 1);
        // At the same place, rightward candidates cross both marks; leftward ones only the
        // one in column 76.
        const Call* call = label(vertex(9.0f, 0.0f, 0.001f, c.name));
        EXPECT_EQ(call != nullptr, c.drawn) << c.name;
        if (call) {
            EXPECT_EQ(call->align, "right");
            EXPECT_EQ(call->text, c.name);
            const float len = float(c.name.size());
            const float anchor = (9.0f - float(1.2 * 0.001f)) / 0.5f;
            EXPECT_FLOAT_EQ(call->numbers[1], anchor - 2 * (len + 1) * (10.0f / 800) * 10 / 0.5f);
        }
    }
}

TEST_F(LabelTest, FontZoomOfTwoDoublesTheLabelSize) {
    options.idsAsLabels = true;
    options.font = 2.0f;
    graphics.resetGrid();
    const Call* call = label(vertex(0, 0, 0.5f));
    ASSERT_NE(call, nullptr);
    EXPECT_EQ(call->numbers[0], 1.0f);
    // Column lround(20 + 2 × 0.6) = 21 of 40.
    EXPECT_EQ(graphics.cell(21, 12), 0);
    EXPECT_EQ(graphics.cell(21, 13), 1);
}

}  // namespace
