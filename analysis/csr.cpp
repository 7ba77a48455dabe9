#include "analysis/csr.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "analysis/workers.h"
#include "graph/graph.h"

namespace {

// How many vertices ahead the copy asks for the memory it will read: the vertex record and
// its list are scattered (positions follow the order of first appearance, the records lie in
// id order), and so are the neighbours' records.
constexpr std::size_t kAhead = 8;

// Asks for vertex p + 2·kAhead's record, p + kAhead's list and the records of its neighbours.
// Always inlined: GCC drops the prefetches of such a helper when it keeps it as a function.
[[gnu::always_inline]] inline void prefetchVertex(const std::vector<Vertex*>& vertices,
                                                  std::size_t p, std::size_t end) {
    if (p + 2 * kAhead < end) __builtin_prefetch(&vertices[p + 2 * kAhead]->neighbours);
    if (p + kAhead < end) {
        const std::vector<Vertex*>& list = vertices[p + kAhead]->neighbours;
        for (std::size_t k = 0; k < list.size(); k += 16) __builtin_prefetch(list.data() + k);
    }
    if (p + kAhead / 2 < end)
        for (const Vertex* neighbour : vertices[p + kAhead / 2]->neighbours)
            __builtin_prefetch(&neighbour->index);
}

}  // namespace

Csr csrOf(const Graph& graph, unsigned threads) {
    const std::vector<Vertex*>& vertices = graph.vertices;
    Csr csr;
    csr.offsets = bigVector<Index>(vertices.size() + 1, 0, threads);
    for (std::size_t p = 0; p < vertices.size(); ++p)
        csr.offsets[p + 1] = csr.offsets[p] + static_cast<Index>(vertices[p]->neighbours.size());
    csr.targets = bigVector<Index>(csr.offsets.back(), 0, threads);
    Workers workers(threads);
    forRange(workers, vertices.size(), 4096, 16384,
             [&](std::size_t begin, std::size_t end, unsigned) {
                 for (std::size_t p = begin; p < end; ++p) {
                     prefetchVertex(vertices, p, end);
                     Index* out = csr.targets.data() + csr.offsets[p];
                     for (const Vertex* neighbour : vertices[p]->neighbours)
                         *out++ = neighbour->index;
                 }
             });
    return csr;
}

void Csr::pack() {
    if (packedBits != 0 || targets.empty()) return;
    const unsigned bits = std::max(1u, static_cast<unsigned>(std::bit_width(vertexCount() - 1)));
    const std::size_t count = targets.size();
    const std::size_t words = (count * bits + 63) / 64;
    // Below this it saves little, and the last word might not fit where the targets lay.
    if (bits > 28 || words * 8 > count * sizeof(Index)) return;
    // Word w is written once targets up to 2w + 1, the ones it lies over, have been read.
    char* bytes = reinterpret_cast<char*>(targets.data());
    std::uint64_t pending = 0;
    unsigned filled = 0;
    std::size_t written = 0;
    for (std::size_t k = 0; k < count; ++k) {
        Index value;
        std::memcpy(&value, bytes + k * sizeof(Index), sizeof value);
        pending |= std::uint64_t{value} << filled;
        filled += bits;
        if (filled >= 64) {
            std::memcpy(bytes + 8 * written++, &pending, 8);
            filled -= 64;
            pending = filled ? std::uint64_t{value} >> (bits - filled) : 0;
        }
    }
    if (filled) std::memcpy(bytes + 8 * written++, &pending, 8);
    packedBits = bits;
    giveBackPages(bytes + 8 * written, count * sizeof(Index) - 8 * written);
}

void Csr::unpack() {
    if (packedBits == 0) return;
    // From the last target down: target k is read before its own 4 bytes are written, and
    // those lie over no bits of an earlier one.
    const unsigned bits = packedBits;
    const std::uint64_t mask = (std::uint64_t{1} << bits) - 1;
    char* bytes = reinterpret_cast<char*>(targets.data());
    const std::size_t packedBytes = (targets.size() * bits + 63) / 64 * 8;
    for (std::size_t k = targets.size(); k-- > 0;) {
        const std::size_t bit = k * bits;
        std::uint64_t word = 0;
        std::memcpy(&word, bytes + bit / 8, std::min<std::size_t>(8, packedBytes - bit / 8));
        const Index value = static_cast<Index>((word >> (bit % 8)) & mask);
        std::memcpy(bytes + k * sizeof(Index), &value, sizeof value);
    }
    packedBits = 0;
}

AdjacencyLoan::AdjacencyLoan(Graph& graph, Csr& csr) : graph_(graph), csr_(csr) {
    graph_.releaseAdjacency();
    lent_ = true;
}

AdjacencyLoan::~AdjacencyLoan() {
    if (!lent_) return;
    try {
        giveBack();
    } catch (...) {
        // Unwinding already from the stage's own failure, which is the one to report.
    }
}

void AdjacencyLoan::giveBack() {
    if (!lent_) return;
    lent_ = false;
    csr_.unpack();
    graph_.restoreAdjacency(csr_.offsets, csr_.targets);
}
