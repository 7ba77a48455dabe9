// The communities a run found, as a plain value for the stages after detection.
#pragma once

#include <list>
#include <vector>

#include "analysis/community.h"
#include "graph/defs.h"
#include "graph/memory.h"

class Graph;

struct Partition {
    // In the order of the communities log: the community of line k + 1 is communities[k].
    std::vector<Community*> communities;
    // By vertex position: the place of the vertex's community in `communities`.
    std::vector<Index> communityOf;
    // The members of community k as vertex positions, in the order of its member list:
    // members[begin[k]] … members[begin[k + 1] − 1]. The stages after detection walk them
    // without looking ids up again.
    std::vector<Index> members;
    std::vector<Index> begin{0};
};

// The partition of the graph's vertices into the listed communities, in list order, each
// with its members looked up by id (ids of no vertex are passed over). Vertices in none of
// them keep the place kNoCommunity.
Partition partitionOf(const std::list<Community*>& communities, const Graph& graph);

inline constexpr Index kNoCommunity = ~Index{0};

// The partition a membership describes, as the stages after detection take it: communityOf
// gives, by vertex position, the place of the vertex's community, places 0 … count − 1 in
// their final (log) order, every place used. The communities are made in store (which must
// outlive the partition), community k with creation index k, and hold what detection would
// leave in them: the members in ascending id, size, e_ii (internalDegree: adjacency entries
// inside, a self-loop 1), degreeSum, and the adjacent communities with the edges to each
// (neighbours and cuts, in order of first contact along the members' adjacency, members in
// ascending id). Vertices' `community` fields are not touched. Throws Fatal when a place is
// out of range or unused. Time O(V + E + count), memory O(V + count) besides the result.
Partition partitionFromMembership(const Graph& graph, const std::vector<Index>& communityOf,
                                  Index count, Arena<Community>& store);
