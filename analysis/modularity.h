// The modularity of a partition, one definition for every caller (the detectors' reports, the
// summary, the benchmarks):
//     Q = Σ_c [ e_c / A − γ (d_c / A)² ],
// e_c the adjacency entries inside community c (2 per edge inside, 1 per self-loop), d_c the
// sum of its members' degrees, A the sum of all degrees, γ the resolution. The sums are exact
// integers; 0 when A = 0. O(V + E + largest community number).
#pragma once

#include <cstdint>
#include <vector>

#include "graph/defs.h"

class Graph;

// Over an adjacency in CSR form (offsets: n + 1 entries; targets: vertex positions), with
// community[v] the community of vertex v (any numbers below 2^32 − 1). With weights (one
// per adjacency entry, in the same order), e_c is the weight of the entries inside c, d_c
// the sum of its members' strengths and A the sum of all weights, in double precision; on a
// graph without self-loops this is networkx's modularity(G, parts, weight="weight").
double modularity(const std::vector<Index>& offsets, const std::vector<Index>& targets,
                  const std::vector<Index>& community, double resolution = 1.0,
                  const std::vector<double>* weights = nullptr);
// Over the graph's adjacency, with community by vertex position (weights in the order of
// the vertices' positions and each one's neighbours).
double modularity(const Graph& graph, const std::vector<Index>& community, double resolution = 1.0,
                  const std::vector<double>* weights = nullptr);
// From the sums alone: inside = Σ e_c, arcs = A, squares = Σ d_c². Every function above ends
// here, so a caller that holds a partition's counts gets their value bit for bit without
// reading the adjacency again (a cache miss or two per entry on large graphs).
double modularityOfCounts(std::uint64_t inside, std::uint64_t arcs, std::uint64_t squares,
                          double resolution = 1.0);
