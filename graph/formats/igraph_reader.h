// GraphML, GML, Pajek and NCOL through igraph's C library (0.10): vertices are numbered as
// igraph numbers them (declaration order; NCOL: order of first appearance), directed graphs
// are read as undirected, and igraph's graph is freed before the network is handed back.
// Labels: GraphML and GML the `label` attribute, else `name`, else the file's node id;
// Pajek the vertex names, else the vertex's number in the file; NCOL the names.
// Pajek vertex lines are read by a filter in front of igraph (igraph_filters.h): coordinates,
// a shape and KEY VALUE pairs (`1 "a" 0.0 0.0 ellipse club "Mr. Hi"`, as networkx writes
// them) are read, the pairs as text attributes.
// Strings are as the writing tool meant them: GML's character and named references decoded,
// GraphML node ids freed of libxml2's `&#38;` (igraph_filters.h says why).
//
// File ids: the GraphML or GML node id (a GML id as its integer's text), the Pajek vertex's
// number; NCOL gives none (fileIds empty: the names are the ids). Attributes: every vertex
// attribute igraph keeps but the id and a value that labels its vertex (a `name` stays an
// attribute where a `label` labels), typed: strings text, booleans boolean, numbers integer
// or real as GraphML's key declarations or GML's value syntax say (real when not known);
// numbers are printed as the shortest text that reads back the same double; a NaN or an empty
// string is no value. GraphML ids n0, n1, ... with no label or name attribute make the network
// unlabelled.
// Weights (weighted only): the edges' `weight` attribute (Pajek's and NCOL's third column),
// 1 where an edge has none; each must be a positive finite number, else
//   "ERROR: NAME: the edge from 'A' to 'B' has weight W, not a positive weight\n"
// (A, B labels; igraph keeps no line).
//
// igraph reports through process-wide handlers; while a file is read they collect its
// messages instead of printing them or aborting, and the first becomes the error line:
//   "ERROR: NAME:LINE: REASON\n" where igraph names the line, "ERROR: NAME: REASON\n" else,
//   "ERROR: Out of memory\n".
// The file is handed to igraph as a FILE* whose reads come from the input stream, so
// compressed input reaches igraph decompressed.
#pragma once

#include <istream>
#include <string>
#include <vector>

#include "graph/formats/input_format.h"
#include "graph/formats/named_network.h"

// format: graphml, gml, pajek or ncol.
NamedNetwork readWithIgraph(InputFormat format, std::istream& input, const std::string& name,
                            bool weighted = false);

// The error line of igraph's messages, in the order it gave them (the first names the cause;
// a later one may name the line, as "Parse error in NCOL file, line 2 (failed)" does).
std::string igraphErrorLine(const std::string& name, const std::vector<std::string>& messages);
