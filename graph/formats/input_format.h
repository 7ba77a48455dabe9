// The formats a network file may be in, and how a file's own bytes tell which.
#pragma once

#include <optional>
#include <string>
#include <string_view>

enum class InputFormat { edges, graphml, gexf, gml, pajek, ncol, csv };

// The format a word of `-format` names ("edges", "graphml", ...), or nothing.
std::optional<InputFormat> inputFormatNamed(std::string_view word);
const char* inputFormatName(InputFormat format);

// How many bytes of the start of a file detection looks at first. While they end inside a
// preamble that more bytes could complete (an XML prolog, GML's comments and key-value pairs,
// Pajek's comment lines, a CSV header's first field), detection looks at four times as many,
// up to kMostDetectionBytes; a preamble longer than that is read as an edge list. The bound
// keeps the memory of a hostile file small (the bytes looked at stay buffered until read)
// and is far beyond what a preamble holds: a few hundred bytes in the files of networkx,
// igraph, Gephi and yEd, and at most one field of 1 MiB before a CSV header's first comma.
constexpr std::size_t kDetectionBytes = std::size_t{1} << 16;
constexpr std::size_t kMostDetectionBytes = std::size_t{1} << 24;

// The format of a file from its first bytes (decompressed) and its name, so that every file
// that reads as an edge list keeps reading as one (none of them can start like another
// format):
//   GraphML / GEXF  the first element, after the XML prolog, comments and a document type,
//                   is <graphml ...> / <gexf ...>;
//   GML             after '#' comment lines and top-level key-value pairs (Creator "...",
//                   Version 1) comes the key graph and then '[';
//   Pajek           before any other line but blank lines, '%' comments and *Network, a
//                   line starts with *Vertices, *Edges or *Arcs (any case);
//   CSV             the name ends in .csv (any case, after a final .gz) and the first line
//                   holds a comma (and is not an edge-list comment);
//   edges           anything else. NCOL is never detected: its lines look like an edge list's.
// complete: head is the whole file. Otherwise nothing is returned when head ends inside a
// preamble that more bytes could still make one of the formats.
std::optional<InputFormat> detectInputFormat(std::string_view head, const std::string& fileName,
                                             bool complete);
// The same with head taken as all there is to see: always a format.
InputFormat detectInputFormat(std::string_view head, const std::string& fileName);
