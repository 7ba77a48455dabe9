// One vertex of a graph: its input id, its adjacency in the order the links were made, the
// shell index and the layout fields that scene composition writes.
#pragma once

#include <list>
#include <string>
#include <string_view>
#include <vector>

#include "graph/colour.h"
#include "graph/defs.h"

class Community;
class Component;

class Vertex {
  public:
    explicit Vertex(VertexId id);
    // A copy for another graph: position and looks, without adjacency or analysis results.
    explicit Vertex(const Vertex* source);

    // No duplicate check; the graph decides what is linked.
    void addNeighbour(Vertex* vertex) {
        neighbours.push_back(vertex);
        ++degree;
    }
    // Linear search of the adjacency.
    bool hasNeighbour(const Vertex* vertex) const;

    int getDegree() const { return degree; }
    // Every link has weight 1, so no weight is stored.
    float getWeight(int) const { return 1.0f; }
    float getStrength() const { return static_cast<float>(degree); }

    void setShellIndex(int shell) { shellIndex = shell; }
    void setComponent(Component* owner) { component = owner; }
    void setCluster(std::list<Vertex*>* members) { cluster = members; }

    VertexId id;
    int degree = 0;
    int shellIndex = 0;
    // Position in its graph's `vertices` (creation order); lets algorithms keep per-vertex
    // state in plain arrays. Next to `shellIndex`, so peeling reads one cache line.
    Index index = 0;
    int componentLevel = 0;
    float x = 0.0f;
    float y = 0.0f;
    float size = 0.0f;
    float triangleScore = 0.0f;
    tColor fillColor;
    tColor ringColor;
    Component* component = nullptr;
    Community* community = nullptr;
    std::list<Vertex*>* cluster = nullptr;
    // A self-loop is the vertex itself in this list.
    std::vector<Vertex*> neighbours;
    // The vertex's label; its bytes are kept by the graph (Graph::addName).
    std::string_view name;
};
