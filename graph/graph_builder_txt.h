// The edge-list reader.
//
// Input: integer vertex ids separated by any whitespace, in groups of two (u v) or three
// (u v w, the weight checked and discarded unless weights are asked for; then a two-column
// list weighs every edge 1). The first line that holds a token decides: two
// tokens mean pairs, three triples, anything else is an error; after it line breaks carry no
// meaning. Lines whose first non-blank character is '#' or '%' are comments. A UTF-8 byte
// order mark at the start is skipped. The last group counts even without a final line
// break; a group cut short by the end of the input is ignored (its tokens are still checked).
// A token longer than 1 MiB is never a valid id or weight; only its first bytes are kept,
// for the message, so memory stays small whatever the lines.
//
// Errors (Fatal, exact text):
//   "ERROR: NAME:LINE: 'TOKEN' is not a valid vertex id\n" (or "... is not a valid weight\n")
//   "ERROR: NAME:LINE: 'TOKEN' is not a positive weight\n" (weights asked for: zero, negative,
//                                                      nan, inf, beyond a double's range)
//   "ERROR: NAME:LINE: expected 2 or 3 columns, found N\n"
//   "ERROR: Input file NAME contains no edges\n"
//   "ERROR: Input file NAME cannot be opened\n" (a read error in the middle of the input)
#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "graph/graph.h"
#include "graph/graph_builder.h"

class Graph_builder_txt : public Graph_builder {
  public:
    // blockSize: bytes read from the stream at a time (tests use tiny blocks to put tokens
    // across block boundaries).
    explicit Graph_builder_txt(std::size_t blockSize = std::size_t{1} << 20);

    // readEdges, then the graph built from them in one go.
    void readFile(std::istream& input, Graph& graph, const std::string& name) override;
    // The same with the weights: the weight of each adjacency entry of the graph
    // (Graph::addWeightedEdges).
    std::vector<double> readWeightedFile(std::istream& input, Graph& graph,
                                         const std::string& name);

    // The edges of the input in file order, repeats included, and, given weights, the weight
    // of each edge in the same order. One pass over the input in blocks, numbers converted
    // with std::from_chars; with two threads or more, the pairs after the first line are
    // parsed in batches of whole lines (eight blocks), each batch in two halves at once.
    // threads: the bound of the reading stage (see prepareFreshMemory).
    std::vector<Edge> readEdges(std::istream& input, const std::string& name, unsigned threads = 1,
                                std::vector<double>* weights = nullptr) const;

    // A plain decimal: optional sign, digits, optional fraction and exponent; at most 1 MiB.
    static bool isWeight(std::string_view token);

  private:
    std::size_t blockSize_;
};
