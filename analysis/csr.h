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
    // While a stage keeps the CSR without reading its targets (a detector has made its own
    // lists from them, the graph's are lent out), pack() holds them in as few bits each as
    // the vertex count needs (21 rather than 32 for two million vertices), in place, and
    // hands the pages that frees back to the system; unpack() makes them whole again. The
    // bits per target while packed, 0 when whole; targets must not be read meanwhile.
    unsigned packedBits = 0;

    Index vertexCount() const { return static_cast<Index>(offsets.size() - 1); }
    void pack();
    void unpack();
};

// The adjacency of graph in CSR form. O(V + E) time; the lists are copied by up to `threads`
// threads (the result does not depend on their number).
Csr csrOf(const Graph& graph, unsigned threads = 1);

// Lends the graph's adjacency to a stage that reads only its CSR copy: the graph's lists give
// their memory back while the loan lasts (the adjacency is then held once, not twice), and are
// made again from the copy, as they were, by giveBack(). Should the stage fail, the end of the
// loan gives them back as well, as far as memory allows.
class AdjacencyLoan {
  public:
    // csr must be csrOf(graph) and outlive the loan; it may be packed meanwhile (giveBack
    // unpacks it).
    AdjacencyLoan(Graph& graph, Csr& csr);
    AdjacencyLoan(Graph& graph, Csr&& csr) = delete;  // the copy must outlive the loan
    ~AdjacencyLoan();
    AdjacencyLoan(const AdjacencyLoan&) = delete;
    AdjacencyLoan& operator=(const AdjacencyLoan&) = delete;
    void giveBack();

  private:
    Graph& graph_;
    Csr& csr_;
    bool lent_ = false;
};
