// Greedy modularity agglomeration as a detector: from the finished graph to its partition.
// Every vertex starts as a community of its own; the optimizer (SolutionSubmodular) merges
// the best-ranked adjacent pairs step by step while a step is worth at least the threshold.
#pragma once

#include <cstddef>
#include <list>
#include <vector>

#include "analysis/community.h"
#include "analysis/partition.h"
#include "analysis/solution_submodular.h"
#include "graph/graph.h"
#include "graph/memory.h"
#include "graph/progress.h"

struct GreedyOptions {
    // Merges go on while a step is worth at least this (1: while modularity does not fall);
    // a NaN value stops at once.
    float threshold = 1.0f;
    // The optimizer's settings, its thread bound included (which also bounds the making of
    // the starting communities).
    OptimizerSettings optimizer;
    // Graphs with at least this many adjacency entries make their starting communities on two
    // threads; tests lower it.
    std::size_t startOnTwoThreadsFrom = std::size_t{1} << 18;
    // Shown the merges done of the most there can be; may be null.
    Progress* progress = nullptr;
};

// One singleton community per vertex of the graph, by vertex position, kept in store: the
// vertex's adjacency as its links (cut 1 each), numbered in vertex order from the next
// available number. One pass over the adjacency (on two threads for large graphs). Without
// withLists the member and link lists stay empty (the sums are set all the same): an
// optimizer made with the graph takes both from it, and their copies here would only add
// to the peak.
std::vector<Community*> makeStartingCommunities(const Graph& graph, Arena<Community>& store,
                                                const GreedyOptions& options = {},
                                                bool withLists = true);

// Merges the listed communities while a step is worth at least options.threshold and leaves
// the survivors in the list with their lists published. starting, when given, holds every
// starting community by vertex position (see SolutionSubmodular). A step costs its merges
// (linear in the two merged communities' lists) and O(log V) for every community whose best
// candidate it changes.
// With linksFrom, the starting communities were made without links and every one of them is
// listed: the optimizer takes their links from that graph's CSR.
void agglomerate(std::list<Community*>& communities, const std::vector<Community*>* starting,
                 const GreedyOptions& options, const LinksFrom* linksFrom = nullptr);

// The communities of the graph by greedy agglomeration from its singletons, in the order the
// optimizer leaves them (the communities log's), each one's members in the order of its
// merges. The optimizer's communities are gone when this returns. The graph lends its
// adjacency lists while the communities merge (AdjacencyLoan) and has them back, as they
// were, on return.
Partition greedyPartition(Graph& graph, const GreedyOptions& options = {});
