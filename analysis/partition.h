// The communities a run found, as a plain value for the stages after detection.
#pragma once

#include <list>
#include <vector>

#include "analysis/community.h"
#include "graph/defs.h"

class Graph;

struct Partition {
    // In the order of the communities log: the community of line k + 1 is communities[k].
    std::vector<Community*> communities;
    // By vertex position: the place of the vertex's community in `communities`.
    std::vector<Index> communityOf;
};

// The partition of the graph's vertices into the listed communities, in list order, each
// with its members looked up by id (ids of no vertex are passed over). Vertices in none of
// them keep the place kNoCommunity.
Partition partitionOf(const std::list<Community*>& communities, const Graph& graph);

inline constexpr Index kNoCommunity = ~Index{0};
