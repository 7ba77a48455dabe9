// The formats a network file may be in, and how a file's own bytes tell which.
#pragma once

#include <optional>
#include <string>
#include <string_view>

enum class InputFormat { edges, graphml, gexf, gml, pajek, ncol, csv };

// The format a word of `-format` names ("edges", "graphml", ...), or nothing.
std::optional<InputFormat> inputFormatNamed(std::string_view word);
const char* inputFormatName(InputFormat format);

// How many bytes of the start of a file detection looks at; a file whose preamble (comments,
// an XML prolog, GML's key-value pairs) runs longer is read as an edge list.
constexpr std::size_t kDetectionBytes = std::size_t{1} << 16;

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
InputFormat detectInputFormat(std::string_view head, const std::string& fileName);
