// The partition reader (-partition FILE): the community of every vertex of a graph, computed
// elsewhere (another tool, a cluster job) or edited by hand, read instead of detected.
//
// Input, one of two forms:
//   - lines "id community", the community any token of at most 1 MiB (an integer of any
//     size, or a string). The id is matched against the vertices' ids in the file the graph
//     came from first (an edge list's integer, a named format's node id or name, a Pajek
//     vertex's 1-based number: `declared`), then, when the graph has labels (a named format,
//     or -names), against their labels. Tokens, comments ('#' or '%' first on a line), CR LF,
//     a byte order mark and a last line without a line break as in the edge-list reader;
//   - RFC 4180 CSV, recognised by a first line that is a comma-separated header naming "Id"
//     and "community" (in any letter case), as -export csv writes STEM_vertices.csv: quoted
//     fields may hold commas, quotes and line breaks; those two columns are used, and
//     "member_rank" when the header names it, the others skipped; blank lines are skipped; no
//     comment lines. An Id that is a number is the vertex's (the table's own); another is
//     matched as a line's id is. A row with an empty community whose id is no vertex of the
//     graph (a declared vertex without an edge) is skipped. member_rank, when given, orders
//     the members of each community (Membership::rank).
// One community per distinct token. When every community token is a decimal integer (an
// optional '-', then digits, of any length), tokens are compared by value ("7" and "07" are
// one community) and communities are ordered by value; otherwise tokens are compared as
// strings and communities are ordered by their smallest vertex id. A vertex the file does
// not list forms a community of its own, after the listed ones, in ascending id. An id that
// is no vertex of the graph is skipped (its line still has to be well-formed). An id listed
// twice with the same community is fine.
//
// Errors (Fatal, exact text; LINE a physical line, that of the record's start):
//   "ERROR: Partition file NAME cannot be opened\n"
//   "ERROR: NAME:LINE: 'TOKEN' is not a valid vertex id\n" (the token as the edge-list
//       messages write it; only when the graph has neither file ids nor labels)
//   "ERROR: NAME:LINE: 'TOKEN' is the label of more than one vertex\n"
//   "ERROR: NAME:LINE: vertex ID has two communities\n" (ID a number, or 'TOKEN')
//   "ERROR: NAME:LINE: 'TOKEN' is not a valid member rank\n"
//   "ERROR: NAME:LINE: expected an id and a community\n" (one token on a line, or more than
//       two; in CSV, a record without both fields or with an empty community)
//   "ERROR: NAME:LINE: 'TOKEN' is not a valid community\n" (a token longer than 1 MiB)
#pragma once

#include <cstddef>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "graph/defs.h"
#include "graph/graph.h"
#include "graph/vertex_data.h"

// A vertex the file gives no member rank.
inline constexpr Index kNoRank = ~Index{0};

// The community of every vertex of a graph, as places in the final order of the
// communities.
struct Membership {
    // By vertex position: the place of its community, 0 … communities − 1, every place used.
    std::vector<Index> communityOf;
    Index communities = 0;
    // Vertices the file does not list (each a community of its own, the last places).
    std::size_t unassigned = 0;
    // Distinct ids of the file that are no vertex of the graph (skipped).
    std::size_t unknownIds = 0;
    // By vertex position, the member_rank the file gives (kNoRank where none); empty when
    // the file has no such column.
    std::vector<Index> rank;
};

// Reads the partition of graph's vertices from input; name is the file's name in messages.
// One pass over the input in blocks, O(input + V) time, memory O(V + distinct tokens).
// declared: what the graph's file said of its vertices (null or empty for an edge list).
Membership readPartition(std::istream& input, const std::string& name, const Graph& graph,
                         const DeclaredVertices* declared = nullptr);

// The same from the file fileName (Fatal "Partition file NAME cannot be opened" when it
// cannot be).
Membership readPartitionFile(const std::string& fileName, const Graph& graph,
                             const DeclaredVertices* declared = nullptr);

// A row of the links table -export csv writes beside the vertices table (STEM_links.csv):
// two communities as places (running number less one), the edges between them, and where
// each lists the other among its links (a = b: a community's link to itself).
struct LinkRank {
    Index a = 0;
    Index b = 0;
    std::uint32_t edges = 0;
    Index aRank = 0;
    Index bRank = 0;
};

// The rows of a links table, or nothing when input is not one with ranks: a header naming
// Source, Target, Weight, source_rank and target_rank (in any order, among others), then
// one row of numbers per line, each line at most 255 bytes; nothing either when it has more
// than maxRows rows (more than the partition it belongs to can have). O(rows) time and
// memory.
std::optional<std::vector<LinkRank>> readLinkRanks(std::istream& input,
                                                   std::size_t maxRows = ~std::size_t{0});
