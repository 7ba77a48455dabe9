// Maximum flow between two vertices of a graph by breadth-first augmenting paths
// (Edmonds-Karp), on a flow network made from the graph's adjacency.
#pragma once

#include <vector>

#include "graph/vertex.h"

struct flow_edge;

// One entry of the flow network: a vertex, its search marks and its outgoing edges.
struct node_detail {
    int id = -1;      // vertex id
    int index = 0;    // own position in the entry array
    int state = 0;    // search mark: 0 unseen, 1 queued, 2 done
    int parent = -1;  // entry the search came from, −1 when none
    flow_edge* edges = nullptr;
    flow_edge* via = nullptr;  // edge from `parent` the search came along
};

// Residual capacity is capacity − flow; a reverse edge carries negative flow back.
struct flow_edge {
    int capacity = 0;
    int flow = 0;
    node_detail* target = nullptr;
    flow_edge* next = nullptr;
    flow_edge* reverse = nullptr;  // the edge from target back to the owner
};

// The entries (one per vertex with neighbours, numbered in order of first appearance) and
// every edge, owned together. Each entry's edges run in ascending target index; every edge
// has a reverse edge (capacity 0 when the other side lists no link back). The edge storage is
// sized once, so the list pointers stay valid; moving the network keeps them valid too.
class FlowNetwork {
  public:
    FlowNetwork() = default;
    FlowNetwork(FlowNetwork&&) noexcept = default;
    FlowNetwork& operator=(FlowNetwork&&) noexcept = default;
    FlowNetwork(const FlowNetwork&) = delete;
    FlowNetwork& operator=(const FlowNetwork&) = delete;

    int size() const { return static_cast<int>(nodes.size()); }

    std::vector<node_detail> nodes;
    std::vector<flow_edge> edges;
};

// Builds the flow network of a vertex list: a vertex gets an entry when first seen as an owner
// or a neighbour (vertices without neighbours get none); each adjacency entry adds 1 to the
// capacity of its ordered pair, so an undirected link gets capacity 1 both ways. n is the
// number of entries the caller expects; it is raised to the number actually needed. O(E log E).
FlowNetwork read_input_file(const std::vector<Vertex*>& vertices, int& n);
// Every flow back to 0.
void limpiar(FlowNetwork& network);
// One breadth-first search for a path with residual capacity from s to t; marks `state` and
// `parent`. True when t was reached. O(V + E).
bool bfs(int s, int t, FlowNetwork& network);
// Maximum flow from entry s to entry t on top of the current flows. Afterwards the entries
// with state other than 0 form the source side of a minimum cut. 0 when s equals t (no search
// is run). O(F × (V + E)) for a flow of value F.
double Ford_Fulkerson(int s, int t, FlowNetwork& network);
// The first edge of u's list that leads to entry v, or null.
flow_edge* find_edge(int u, int v, FlowNetwork& network);
