// The vertex-names reader: labels for vertex ids, from a text file of records.
//
// A record is a vertex id (ASCII digits, at most 2,147,483,647, the edge-list rule) and a label,
// separated by any whitespace (line breaks included). A label is one word, or, when it starts
// with a double quote, the text up to the closing quote on the same line (blanks included; an
// unterminated quote runs to the end of the line, and text after the closing quote up to the
// end of the line is ignored). A quote inside an unquoted word is part of the label. An empty
// label ("") gives no name; a later record for the same id replaces the earlier name. A UTF-8
// byte order mark at the start is skipped; the last record needs no final line break.
//
// Errors (Fatal, exact text):
//   "ERROR: NAME:LINE: 'TOKEN' is not a valid vertex id\n" (also for an id token of more than
//       1 MiB: only its start is shown)
//   "ERROR: NAME:LINE: label longer than 1 MiB\n"
//   "ERROR: Names file NAME cannot be opened\n"
#pragma once

#include <cstddef>
#include <istream>
#include <string>

#include "graph/graph.h"

class Graph_node_names {
  public:
    // Opens the file and reads it.
    void readFile(Graph& graph, const std::string& fileName) const;
    // Hands every record with a label to Graph::addName, in file order. O(file size) time;
    // memory a block (blockSize bytes) and the longest token, at most 1 MiB.
    void readFile(std::istream& input, Graph& graph, const std::string& name,
                  std::size_t blockSize = std::size_t{1} << 20) const;
};
