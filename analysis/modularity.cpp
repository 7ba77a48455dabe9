#include "analysis/modularity.h"

#include <algorithm>
#include <cstdint>

#include "graph/graph.h"

namespace {

// Q of n vertices whose adjacency forEachEntry(v, visit) hands over (visit(target) once per
// entry of v).
template <class ForEachEntry>
double modularityOf(std::size_t n, ForEachEntry&& forEachEntry, const std::vector<Index>& community,
                    double resolution) {
    if (n == 0) return 0.0;
    const Index largest = *std::max_element(community.begin(), community.begin() + n);
    std::vector<std::uint64_t> degreeSum(std::size_t{largest} + 1, 0);
    std::uint64_t inside = 0;
    std::uint64_t arcs = 0;
    for (std::size_t v = 0; v < n; ++v) {
        std::uint64_t degree = 0;
        forEachEntry(v, [&](Index target) {
            ++degree;
            inside += community[target] == community[v];
        });
        degreeSum[community[v]] += degree;
        arcs += degree;
    }
    if (arcs == 0) return 0.0;
    std::uint64_t squares = 0;  // at most A² < 2^64
    for (const std::uint64_t d : degreeSum) squares += d * d;
    const long double a = arcs;
    return static_cast<double>(inside / a - resolution * (squares / (a * a)));
}

}  // namespace

double modularity(const std::vector<Index>& offsets, const std::vector<Index>& targets,
                  const std::vector<Index>& community, double resolution) {
    return modularityOf(
        offsets.size() - 1,
        [&](std::size_t v, auto&& visit) {
            for (Index k = offsets[v]; k < offsets[v + 1]; ++k) visit(targets[k]);
        },
        community, resolution);
}

double modularity(const Graph& graph, const std::vector<Index>& community, double resolution) {
    return modularityOf(
        graph.vertices.size(),
        [&](std::size_t v, auto&& visit) {
            for (const Vertex* neighbour : graph.vertices[v]->neighbours) visit(neighbour->index);
        },
        community, resolution);
}
