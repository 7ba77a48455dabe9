// A greedy cover of a graph's vertices by cliques, grown from the vertices that lie on the most
// triangles within one shell.
#pragma once

#include <vector>

#include "graph/graph.h"

class Clique {
  public:
    // Replaces the cliques by a partition of the graph's vertices: repeatedly the unplaced
    // vertex of highest triangle score starts a clique, which takes its unplaced neighbours in
    // descending score when adjacent to every member so far. Each clique is sorted by id.
    // Writes `triangleScore` of every vertex. O(Σ degree²) time.
    void buildCliques(Graph& graph, int shell);
    // True when the vertex is not waiting for a clique in the build under way (always true
    // outside a build).
    bool not_exist_l(const Vertex* vertex) const;

    std::vector<std::vector<Vertex*>> cliques;

  private:
    // The vertices not yet placed, in descending score; `placed_` by vertex position.
    std::vector<Vertex*> l_;
    std::vector<char> placed_;
    const Graph* graph_ = nullptr;
};

// Entries of a that also occur in b (each entry of a counted once per occurrence in a).
int intersection(const std::vector<Vertex*>& a, const std::vector<Vertex*>& b);
// Descending triangle score.
bool comp(const Vertex* a, const Vertex* b);
// Ascending id.
bool compareHosts(const Vertex* a, const Vertex* b);
