// The modularity of a partition, one definition for every caller (the detectors' reports, the
// summary, the benchmarks):
//     Q = Σ_c [ e_c / A − γ (d_c / A)² ],
// e_c the adjacency entries inside community c (2 per edge inside, 1 per self-loop), d_c the
// sum of its members' degrees, A the sum of all degrees, γ the resolution. The sums are exact
// integers; 0 when A = 0. O(V + E + largest community number).
#pragma once

#include <vector>

#include "graph/defs.h"

class Graph;

// Over an adjacency in CSR form (offsets: n + 1 entries; targets: vertex positions), with
// community[v] the community of vertex v (any numbers below 2^32 − 1).
double modularity(const std::vector<Index>& offsets, const std::vector<Index>& targets,
                  const std::vector<Index>& community, double resolution = 1.0);
// Over the graph's adjacency, with community by vertex position.
double modularity(const Graph& graph, const std::vector<Index>& community, double resolution = 1.0);
