// The partition reader (-partition FILE): the community of every vertex of a graph, computed
// elsewhere (another tool, a cluster job) or edited by hand, read instead of detected.
//
// Input, one of two forms:
//   - lines "id community": the id as in the edge list (ASCII digits, at most 2^31 − 1), the
//     community any token of at most 1 MiB (an integer of any size, or a string). Tokens,
//     comments ('#' or '%' first on a line), CR LF, a byte order mark and a last line
//     without a line break as in the edge-list reader;
//   - RFC 4180 CSV, recognised by a first line that is a comma-separated header naming "Id"
//     and "community" (in any letter case), as -export csv writes STEM_vertices.csv: quoted
//     fields may hold commas, quotes and line breaks; those two columns are used, the others
//     skipped; blank lines are skipped; no comment lines.
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
//       messages write it)
//   "ERROR: NAME:LINE: vertex ID has two communities\n"
//   "ERROR: NAME:LINE: expected an id and a community\n" (one token on a line, or more than
//       two; in CSV, a record without both fields or with an empty community)
//   "ERROR: NAME:LINE: 'TOKEN' is not a valid community\n" (a token longer than 1 MiB)
#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <vector>

#include "graph/defs.h"
#include "graph/graph.h"

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
};

// Reads the partition of graph's vertices from input; name is the file's name in messages.
// One pass over the input in blocks, O(input + V) time, memory O(V + distinct tokens).
Membership readPartition(std::istream& input, const std::string& name, const Graph& graph);

// The same from the file fileName (Fatal "Partition file NAME cannot be opened" when it
// cannot be).
Membership readPartitionFile(const std::string& fileName, const Graph& graph);
