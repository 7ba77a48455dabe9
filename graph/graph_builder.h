// A reader that fills a graph from an input stream.
#pragma once

#include <istream>
#include <string>

#include "graph/graph.h"

class Graph_builder {
  public:
    virtual ~Graph_builder();
    // Reads the whole input into the graph. name is the input's name as the user gave it,
    // used in messages. Throws Fatal on bad input or a read error.
    virtual void readFile(std::istream& input, Graph& graph, const std::string& name) = 0;
};
