// What the readers of the name-based formats hand back: edges between vertex numbers
// 0, 1, 2, ... and the label of every number, as plain values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "graph/graph.h"

// The labels of vertices 0, 1, 2, ... in one block of bytes: the labels' bytes plus 8 bytes a
// vertex, where a string each would cost 32 bytes and an allocation.
class Labels {
  public:
    // The label of the next vertex.
    void push(std::string_view label) {
        bytes_.append(label);
        ends_.push_back(bytes_.size());
    }
    // Replaces the label of the last vertex.
    void replaceLast(std::string_view label);
    std::string_view operator[](std::size_t k) const {
        const std::size_t begin = k == 0 ? 0 : ends_[k - 1];
        return std::string_view(bytes_).substr(begin, ends_[k] - begin);
    }
    std::size_t size() const { return ends_.size(); }

  private:
    std::string bytes_;
    std::vector<std::uint64_t> ends_;
};

// Names numbered 0, 1, 2, ... in order of first sight (CSV vertex names, GEXF node ids).
// Open addressing with linear probing over 8-byte slots (a 32-bit hash and the number),
// at most half full; the names themselves are kept once, in a Labels block, so a look-up
// costs one probe sequence and one comparison of bytes.
class NameNumbers {
  public:
    static constexpr std::uint32_t kAbsent = UINT32_MAX;

    // The number of name, which becomes the next number when the name is new.
    std::uint32_t number(std::string_view name);
    // The number of name, or kAbsent.
    std::uint32_t find(std::string_view name) const;
    std::size_t size() const { return names_.size(); }
    // The names by number; the table is left empty.
    Labels release();

  private:
    // The slot holding name, or the free slot where it belongs.
    std::size_t slotOf(std::string_view name, std::uint64_t hash) const;
    void grow();

    Labels names_;
    // High 32 bits: the name's hash; low 32 bits: its number + 1 (0 marks a free slot).
    std::vector<std::uint64_t> slots_;
};

// A network read from a name-based file. Every number in `edges` is below labels.size();
// numbers without an edge are vertices the file declares alone.
struct NamedNetwork {
    std::vector<Edge> edges;
    Labels labels;
};
