// GraphML, GML, Pajek and NCOL through igraph's C library (0.10): vertices are numbered as
// igraph numbers them (declaration order; NCOL: order of first appearance), directed graphs
// are read as undirected, and igraph's graph is freed before the network is handed back.
// Labels: GraphML and GML the `label` attribute, else `name`, else the file's node id;
// Pajek the vertex names, else the vertex's number in the file; NCOL the names.
// Pajek vertex lines with coordinates and a shape (`1 "a" 0.0 0.0 ellipse`, as networkx
// writes them) are read; parameters Pajek does not know (`color "red"`) are an error.
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
