#include "analysis/csr.h"

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

AdjacencyLoan::AdjacencyLoan(Graph& graph, const Csr& csr) : graph_(graph), csr_(csr) {
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
    graph_.restoreAdjacency(csr_.offsets, csr_.targets);
}
