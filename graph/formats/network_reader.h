// Reading a network file in any of the formats: the one call the driver makes to build the
// graph from its input.
//
// The input is decompressed on the fly when it starts with the gzip magic bytes; its format
// is the forced one or the one its first bytes show (detectInputFormat). Edge lists go to the
// edge-list reader as they always have; the name-based formats give vertices numbered 0, 1,
// 2, ... (declaration order, or first appearance for CSV and NCOL) whose labels become the
// vertices' names, as a names file's would, unless the file's ids are synthetic ones (n0,
// n1, ... without a label): such vertices are unlabelled, as an edge list's. Vertices declared
// without an edge keep their number but are not vertices of the graph; they are counted. Every
// reader's temporary structures (igraph's graph, the name tables) are gone when this returns.
//
// GraphML, GEXF, GML, Pajek and NCOL are read by libraries (igraph, libxml2): their bytes
// reach the parser without a leading UTF-8 byte order mark and through a guard that refuses,
// with one error line, the tokens and entity references that would cost the parser more than
// linear time (token_guard.h, xml_guard.h). The edge list and CSV readers skip a byte order
// mark and cap their tokens themselves.
//
// Errors (Fatal): those of the readers and of the decompression, and
//   "ERROR: Input file NAME contains no edges\n" for a network without edges.
#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "graph/formats/input_format.h"
#include "graph/formats/named_network.h"
#include "graph/graph.h"
#include "graph/progress.h"
#include "graph/vertex_data.h"

// What reading found besides the graph.
struct InputRead {
    InputFormat format = InputFormat::edges;
    bool compressed = false;
    // The vertices carry labels from the file: the run draws them without -names.
    bool labelled = false;
    // Vertices the file declares without any edge (numbered, but not in the graph).
    std::uint64_t isolatedDeclared = 0;
    // The vertices a name-based file declares (none for an edge list): file ids, labels,
    // attributes, those without an edge included.
    DeclaredVertices declared;
    // With ReadOptions::weighted: one weight per adjacency entry of the graph, in the order
    // of the vertices' positions and of each one's neighbours (a self-loop's entry once);
    // repeated lines of one pair add their weights. Empty otherwise.
    std::vector<double> adjacencyWeights;
    // Edges of a CSV weight column without a weight (an empty field, NA or NaN), each
    // counted as 1.
    std::uint64_t weightsMissing = 0;
};

// How to read: the format (nothing detects it when given), whether the edges' weights are
// wanted (and checked: each must be a finite positive number), and a progress that watches
// the bytes read of a file of fileSize bytes (0: unknown).
struct ReadOptions {
    std::optional<InputFormat> format;
    bool weighted = false;
    Progress* progress = nullptr;
    std::uint64_t fileSize = 0;
};

// Reads input, named name in messages, into the empty graph.
InputRead readNetwork(std::istream& input, Graph& graph, const std::string& name,
                      const ReadOptions& options = {});

// The step of readNetwork after a name-based reader: the empty graph built from network,
// and what the network declares (the format and compression left at their defaults).
InputRead buildNamedNetwork(NamedNetwork&& network, Graph& graph, const std::string& name,
                            bool weighted);
