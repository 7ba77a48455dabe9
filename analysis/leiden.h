// Community detection by the Leiden algorithm (Traag, Waltman and van Eck, "From Louvain to
// Leiden: guaranteeing well-connected communities", Scientific Reports 9:5233, 2019) for
// modularity with a resolution γ, on the adjacency in CSR form (analysis/csr.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/partition.h"
#include "graph/defs.h"
#include "graph/progress.h"

class Graph;

struct LeidenOptions {
    // γ: finite and greater than 0; larger values give more, smaller communities.
    double resolution = 1.0;
    // Every random choice is a hash of the seed, the level (and round) and a vertex.
    std::uint64_t seed = 1;
    // Threads taking part, the caller included (0 counts as 1). The result does not depend
    // on it.
    unsigned threads = 1;
    // Vertices per chunk of the parallel loops; a loop runs on one thread below four chunks.
    // The result does not depend on it either; tests lower it so that small graphs take the
    // parallel paths.
    std::size_t chunk = 1024;
    // Shown the level and the vertices moved; may be null.
    Progress* progress = nullptr;
};

// The communities of the graph with this adjacency (offsets: n + 1 entries; targets: vertex
// positions; an edge between distinct vertices in both lists, a self-loop once in its own
// list; so a vertex's degree is its list's length and A = offsets[n]), found by maximising
//     Q = Σ_c [ e_c / A − γ (d_c / A)² ],
// e_c the adjacency entries inside c (2 per internal edge, 1 per self-loop) and d_c the sum
// of the degrees of c. Returns the community of every vertex, 0 … C − 1, numbered in order
// of each community's smallest vertex position. Without edges every vertex is a community of
// its own.
//
// Guarantees: every community is connected; no vertex can raise Q by moving to a
// neighbouring community (beyond rounding); the same adjacency, γ and seed give the same
// result for every thread count and on every run.
//
// The method: levels of (1) local moving (rounds over a queue of vertices to revisit, each
// vertex moving to the neighbouring community of largest gain), (2) refinement (inside every
// community, vertices merge from singletons into well-connected sub-communities, at random
// among the merges that do not lower Q, favouring the better ones), (3) aggregation (every
// sub-community becomes a vertex of the next level, which starts from the communities of
// (1)), while the levels shrink the graph; then a polish: local moving on the input graph
// until no vertex gains by moving, splitting a community that a move leaves disconnected.
// Parallel and deterministic: in every round the vertices decide in sub-rounds fixed by a
// hash, each against the partition as the sub-round found it, and the moves are made after;
// each community is refined on its own; each aggregated row is built from its members alone.
// Time O(E) per round of local moving and per level of refinement and aggregation, with few
// rounds and levels in practice; memory O(V + E) besides the input, plus O(V) per thread.
//
// With weights (one per adjacency entry, in the order of targets; the two entries of an edge
// equal), Q is taken in weights: e_c the weight of the entries inside c, d_c the sum of its
// members' strengths (the weights of their entries), A the sum of all weights; so
// modularity(offsets, targets, result, γ, weights) is the Q maximised. The guarantees are the
// same (an entry of weight 0 counts for nothing but connectedness). The weighted run works in
// double precision throughout (the unweighted one in exact integers, and its results do not
// change with this input); its sub-round's moves are applied in order on one thread, since
// floating-point sums added in another order would round differently. The refinement's
// randomness is in units of the mean weight of an entry, so multiplying every weight by one
// factor changes nothing but rounding (and nothing at all for a power of 2). Memory besides
// the input: about 32 more bytes per vertex (strengths, sums and decisions in double) and 4
// more per entry of every aggregated level. Throws std::invalid_argument when weights does
// not have one weight per entry, when a weight is negative or not finite, or when their sum
// is not finite.
std::vector<Index> leidenCommunities(const std::vector<Index>& offsets,
                                     const std::vector<Index>& targets,
                                     const LeidenOptions& options,
                                     const std::vector<double>* weights = nullptr);

// Leiden on the graph (its CSR made with the same threads), as the run's partition:
// communities ordered by their smallest vertex id, members in ascending id. Weights, when
// given, are one per adjacency entry in the order of the vertices' positions and of each
// one's neighbours (the CSR's order; the readers' adjacency weights), as above. The graph
// lends its adjacency lists meanwhile (AdjacencyLoan) and has them back, as they were, on return.
Partition leidenPartition(Graph& graph, const LeidenOptions& options,
                          const std::vector<double>* weights = nullptr);
