#include "scene/test_scene.h"

#include <unordered_map>

namespace scene_test {

Formed formCommunities(Network& network, const std::vector<std::vector<VertexId>>& parts) {
    Formed partition;
    std::unordered_map<VertexId, Community*> owner;
    for (const std::vector<VertexId>& part : parts) {
        auto community = std::make_unique<Community>();
        community->members = part;
        community->size = static_cast<int>(part.size());
        for (VertexId id : part) owner[id] = community.get();
        partition.list.push_back(community.get());
        partition.owned.push_back(std::move(community));
    }
    for (Community* community : partition.list) {
        std::unordered_map<Community*, std::size_t> position;
        for (VertexId id : community->members) {
            Vertex* vertex = network.graph.vertexMap.find(id);
            vertex->community = community;
            community->degreeSum += static_cast<std::uint32_t>(vertex->degree);
            for (const Vertex* neighbour : vertex->neighbours) {
                Community* other = owner.at(neighbour->id);
                if (other == community) {
                    ++community->internalDegree;
                    continue;
                }
                auto [at, inserted] = position.try_emplace(other, community->neighbours.size());
                if (inserted) {
                    community->neighbours.push_back(other);
                    community->cuts.push_back(0);
                }
                ++community->cuts[at->second];
            }
        }
    }
    return partition;
}

std::unique_ptr<Network> networkOf(const std::vector<Edge>& edges) {
    auto network = std::make_unique<Network>();
    for (const Edge& edge : edges) network->graph.addEdge(edge.u, edge.v);
    return network;
}

std::vector<std::vector<VertexId>> singletons(const Network& network) {
    std::vector<std::vector<VertexId>> parts;
    for (const auto& [id, vertex] : network.graph.vertexMap) parts.push_back({id});
    return parts;
}

void RecordingEngine::addHeaders(int light, float unitLength, float sceneRadius) {
    calls.push_back({Call::Headers, {float(light), unitLength, sceneRadius}, {}, {}, "", ""});
}

void RecordingEngine::addHost(float x, float y, float z, float radius, tColor fill, tColor ring,
                              float opacity) {
    calls.push_back({Call::Host, {x, y, z, radius, opacity}, fill, ring, "", ""});
}

void RecordingEngine::addBlock(float x, float y, float z, float halfSide, tColor colour) {
    calls.push_back({Call::Block, {x, y, z, halfSide}, colour, {}, "", ""});
}

void RecordingEngine::addCylinder(float x1, float y1, float z1, float x2, float y2, float z2,
                                  tColor colour, float opacity, float radius) {
    calls.push_back(
        {Call::Cylinder, {x1, y1, z1, x2, y2, z2, opacity, radius}, colour, {}, "", ""});
}

void RecordingEngine::addText(const std::string& text, tColor colour, float size, float x, float y,
                              const std::string& align) {
    calls.push_back({Call::Text, {size, x, y}, colour, {}, text, align});
}

void RecordingEngine::addCircle(float x, float y, float radius, tColor colour) {
    calls.push_back({Call::Circle, {x, y, radius}, colour, {}, "", ""});
}

void RecordingEngine::close() {
    calls.push_back({Call::Close, {}, {}, {}, "", ""});
}

std::vector<Call> RecordingEngine::of(Call::Kind kind) const {
    std::vector<Call> selected;
    for (const Call& call : calls)
        if (call.kind == kind) selected.push_back(call);
    return selected;
}

bool sameColour(tColor a, tColor b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

}  // namespace scene_test
