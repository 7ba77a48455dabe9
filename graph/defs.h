// Widths of ids and counters, and the one error type of the program.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

// Vertex ids are the non-negative ints of the input file (at most 2,147,483,647).
using VertexId = std::int32_t;
// Positions and counts of vertices and adjacency entries; 32 bits keep per-edge memory small.
using Index = std::uint32_t;

// A fatal condition: the place that detects it throws, and only main catches it, prints
// the message (which already ends with its line break) to standard output and exits with 1.
class Fatal : public std::runtime_error {
  public:
    explicit Fatal(const std::string& message) : std::runtime_error(message) {}
};
