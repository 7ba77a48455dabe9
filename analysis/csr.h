// The graph's adjacency as two flat arrays (compressed sparse rows), the form the parallel
// analyses work on.
#pragma once

#include <vector>

#include "graph/defs.h"

class Graph;

// Vertex p's neighbours are targets[offsets[p]] … targets[offsets[p + 1] − 1], as positions
// (Vertex::index), in the order of the vertex's adjacency. An edge between distinct vertices
// appears in both lists, a self-loop once in its own list: a vertex's degree is its list's
// length as the program counts it, and offsets[n] (A) is the sum of all degrees. 4 bytes per
// adjacency entry and per vertex; rows are found in O(1) and read sequentially.
struct Csr {
    std::vector<Index> offsets{0};
    std::vector<Index> targets;

    Index vertexCount() const { return static_cast<Index>(offsets.size() - 1); }
};

// The adjacency of graph in CSR form. O(V + E) time; the lists are copied by up to `threads`
// threads (the result does not depend on their number).
Csr csrOf(const Graph& graph, unsigned threads = 1);
