// The communities a run found, as a plain value: what every detector hands to the stages
// after it (shells, layout, scenes, exports), whichever detector it was.
#pragma once

#include <cstdint>
#include <list>
#include <vector>

#include "analysis/community.h"
#include "graph/defs.h"
#include "graph/log.h"
#include "graph/partition_reader.h"

class Graph;
struct Csr;

inline constexpr Index kNoCommunity = ~Index{0};

// Communities by place 0 … count − 1, in the order of the communities log (the community of
// line k + 1 is place k).
struct Partition {
    // A community next to another (its place) and the edges between them.
    struct Link {
        Index to = 0;
        std::uint32_t cut = 0;
    };

    // By vertex position: the place of the vertex's community.
    std::vector<Index> communityOf;
    // The members of community k as vertex positions, in the order its detector gives them
    // (greedy agglomeration: the order of its merges; a membership: ascending id):
    // members[begin[k]] … members[begin[k + 1] − 1]. The stages after detection walk them in
    // this order.
    std::vector<Index> members;
    std::vector<Index> begin{0};
    // By place: e_ii (adjacency entries inside: 2 per edge, 1 per self-loop) and the degree sum.
    std::vector<std::uint32_t> internal;
    std::vector<std::uint32_t> degreeSum;
    // The communities next to community k, in its detector's order, with the edges to each:
    // links[linkBegin[k]] … links[linkBegin[k + 1] − 1]. Greedy agglomeration keeps the
    // community itself there when it started from a vertex with a self-loop.
    std::vector<Link> links;
    std::vector<Index> linkBegin{0};

    Index count() const { return static_cast<Index>(begin.size() - 1); }
    Index size(Index k) const { return begin[k + 1] - begin[k]; }
};

// The partition of the listed communities, in list order: each one's members looked up by id
// in member order (ids of no vertex are passed over), its sums, and its neighbours that are
// listed, as places, in the order of its lists. Vertices in none of them keep kNoCommunity.
Partition partitionOf(const std::list<Community*>& communities, const Graph& graph);

// The partition a membership describes: communityOf gives, by vertex position, the place of
// the vertex's community, places 0 … count − 1 in their final (log) order, every place used.
// Members in ascending id, or with rank (by vertex position; ~0 for none) in ascending rank
// and then id, so that a partition written with its members' ranks comes back in its own
// order; the neighbours in order of first contact along the members' adjacency. Throws Fatal
// when a place is out of range or unused. Time O(V + E + count), O(V log V) with ranks.
// Graphs of at least twoThreadsFrom vertices have their links listed on two threads when
// the graph's bound allows; the result is the same.
Partition partitionFromMembership(const Graph& graph, const std::vector<Index>& communityOf,
                                  Index count, const std::vector<Index>* rank = nullptr,
                                  std::size_t twoThreadsFrom = std::size_t{1} << 16);
// The same with the adjacency read from the graph's CSR (csrOf: 4 bytes an entry, read in
// order, where the lists send every entry to a vertex object), whose lists may be lent out
// meanwhile (AdjacencyLoan); the result is the same.
Partition partitionFromMembership(const Graph& graph, const Csr& csr,
                                  const std::vector<Index>& communityOf, Index count,
                                  std::size_t twoThreadsFrom = std::size_t{1} << 16);

// Lays each community's links out in the order the rows give them (a links table that
// -export csv wrote beside the vertices table, so that a partition read back draws as the
// exporting run drew it). Only when the rows describe exactly the links partition already has
// (self links aside, which they add) with ranks 0, 1, 2, ... per community; otherwise
// partition stays as it is and the result is false. O(L log L) for L links.
bool orderLinks(Partition& partition, const std::vector<LinkRank>& rows);

// "log/communities.log": a header, then per community its running number, size, e_ii, the
// entries leaving it (a_ij) and its degree sum.
void logCommunities(const Partition& partition, Log& log);
