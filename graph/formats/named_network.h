// What the readers of the name-based formats hand back: edges between vertex numbers
// 0, 1, 2, ... and the label of every number, as plain values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "graph/graph.h"
#include "graph/open_table.h"
#include "graph/vertex_data.h"

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
    std::string_view operator[](std::size_t k) const { return labelIn(bytes_, k); }
    // Hands the labels' bytes over whole; labelIn finds each label in them wherever they go.
    std::string takeBytes() { return std::exchange(bytes_, {}); }
    std::string_view labelIn(std::string_view bytes, std::size_t k) const {
        const std::size_t begin = k == 0 ? 0 : ends_[k - 1];
        return bytes.substr(begin, ends_[k] - begin);
    }
    std::size_t size() const { return ends_.size(); }
    // All labels' bytes so far: where the next label will start.
    std::size_t byteCount() const { return bytes_.size(); }
    std::string_view bytesAt(std::size_t offset, std::size_t length) const {
        return std::string_view(bytes_).substr(offset, length);
    }

  private:
    std::string bytes_;
    std::vector<std::uint64_t> ends_;
};

// Names numbered 0, 1, 2, ... in order of first sight (CSV vertex names, GEXF node ids).
// Open addressing with linear probing, at most half full. The names are kept once, in a
// Labels block; a slot holds 32 bits of the name's hash, its number, and where its bytes lie
// in the block and how many there are, so a look-up of a name seen before costs the slot's
// cache miss and one of its bytes (the look-ups of a shuffled edge list are all misses).
class NameNumbers {
  public:
    static constexpr std::uint32_t kAbsent = UINT32_MAX;

    // The number of name, which becomes the next number when the name is new; hash is
    // hashOf(name).
    std::uint32_t number(std::string_view name, std::uint64_t hash);
    std::uint32_t number(std::string_view name) { return number(name, hashOf(name)); }
    static std::uint64_t hashOf(std::string_view name);
    // Hints that the name of this hash will be looked up soon: its slot is fetched into the
    // cache, and, once it is there, the bytes of the name the slot holds.
    void prefetchSlot(std::uint64_t hash) const;
    void prefetchBytes(std::uint64_t hash) const;
    // The number of name, or kAbsent.
    std::uint32_t find(std::string_view name) const;
    std::size_t size() const { return names_.size(); }
    // The names by number; the table is left empty.
    Labels release();

  private:
    struct Slot {
        // High 32 bits: the name's hash; low 32 bits: its number + 1 (0 marks a free slot).
        std::uint64_t key = 0;
        // The offset of its bytes in the block << 16 | their count (kLong: look it up).
        std::uint64_t place = 0;
        bool free() const { return key == 0; }
    };
    static constexpr std::uint64_t kLong = 0xFFFF;

    // The slot holding name, or the free slot where it belongs.
    std::size_t slotOf(std::string_view name, std::uint64_t hash) const;
    bool holds(const Slot& slot, std::string_view name) const;
    void grow();

    Labels names_;
    OpenTable<Slot> slots_;
};

// A network read from a name-based file. Every number in `edges` is below labels.size();
// numbers without an edge are vertices the file declares alone.
struct NamedNetwork {
    std::vector<Edge> edges;
    Labels labels;
    // The id each number has in the file (a node id, a Pajek vertex's number, a CSV or NCOL
    // name); empty when the ids are the labels.
    Labels fileIds;
    // The vertices' attributes other than the label, by number.
    AttributeTable attributes;
    // Asked for weights: the weight of each edge, in the order of `edges`. Empty otherwise.
    std::vector<double> weights;
    // Edges without a weight (a CSV's empty field, NA or NaN), each counted as 1.
    std::uint64_t weightsMissing = 0;
    // The ids are synthetic (n0, n1, ... with no label or name attribute): the vertices are
    // unlabelled, as an edge list's.
    bool unlabelled = false;
};
