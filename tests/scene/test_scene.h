// Test support for scene composition: communities formed from a given partition (as
// detection leaves them), and an engine that records every drawing operation.
#pragma once

#include <list>
#include <memory>
#include <string>
#include <vector>

#include "analysis/community.h"
#include "analysis/network.h"
#include "engines/engine.h"
#include "graph/defs.h"

namespace scene_test {

// Communities over a network's vertices, one per part, in part order. Each has its members
// in the given order, degreeSum, internalDegree and size, and its neighbours with cuts in
// order of first contact along the members' adjacency; every member's `community` is set.
struct Formed {
    std::vector<std::unique_ptr<Community>> owned;
    std::list<Community*> list;
};
Formed formCommunities(Network& network, const std::vector<std::vector<VertexId>>& parts);

// A network built edge by edge.
std::unique_ptr<Network> networkOf(const std::vector<Edge>& edges);

// Every id of the network in one part each ("every vertex its own community").
std::vector<std::vector<VertexId>> singletons(const Network& network);

struct Call {
    enum Kind { Headers, Host, Block, Cylinder, Text, Circle, Close };
    Kind kind;
    // The numeric arguments in call order (colours apart).
    std::vector<float> numbers;
    tColor colour;
    tColor ring;
    std::string text;
    std::string align;
};

class RecordingEngine : public Engine {
  public:
    void addHeaders(int light, float unitLength, float sceneRadius) override;
    void addHost(float x, float y, float z, float radius, tColor fill, tColor ring,
                 float opacity) override;
    void addBlock(float x, float y, float z, float halfSide, tColor colour) override;
    void addCylinder(float x1, float y1, float z1, float x2, float y2, float z2, tColor colour,
                     float opacity, float radius) override;
    void addText(const std::string& text, tColor colour, float size, float x, float y,
                 const std::string& align) override;
    void addCircle(float x, float y, float radius, tColor colour) override;
    void close() override;

    std::vector<Call> of(Call::Kind kind) const;
    std::vector<Call> calls;
};

bool sameColour(tColor a, tColor b);

}  // namespace scene_test
