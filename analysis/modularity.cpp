#include "analysis/modularity.h"

#include <algorithm>
#include <cstdint>

#include "graph/graph.h"

double modularityOfCounts(std::uint64_t inside, std::uint64_t arcs, std::uint64_t squares,
                          double resolution) {
    if (arcs == 0) return 0.0;
    const long double a = arcs;
    return static_cast<double>(inside / a - resolution * (squares / (a * a)));
}

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
    std::uint64_t squares = 0;  // at most A² < 2^64
    for (const std::uint64_t d : degreeSum) squares += d * d;
    return modularityOfCounts(inside, arcs, squares, resolution);
}

// The same with weights: forEachEntry(v, visit) calls visit(target, weight).
template <class ForEachEntry>
double weightedModularityOf(std::size_t n, ForEachEntry&& forEachEntry,
                            const std::vector<Index>& community, double resolution) {
    if (n == 0) return 0.0;
    const Index largest = *std::max_element(community.begin(), community.begin() + n);
    std::vector<double> strengthSum(std::size_t{largest} + 1, 0.0);
    double inside = 0.0;
    double total = 0.0;
    for (std::size_t v = 0; v < n; ++v) {
        double strength = 0.0;
        forEachEntry(v, [&](Index target, double weight) {
            strength += weight;
            if (community[target] == community[v]) inside += weight;
        });
        strengthSum[community[v]] += strength;
        total += strength;
    }
    if (!(total > 0.0)) return 0.0;
    double squares = 0.0;
    for (const double d : strengthSum) squares += (d / total) * (d / total);
    return inside / total - resolution * squares;
}

}  // namespace

double modularity(const std::vector<Index>& offsets, const std::vector<Index>& targets,
                  const std::vector<Index>& community, double resolution,
                  const std::vector<double>* weights) {
    if (weights)
        return weightedModularityOf(
            offsets.size() - 1,
            [&](std::size_t v, auto&& visit) {
                for (Index k = offsets[v]; k < offsets[v + 1]; ++k)
                    visit(targets[k], (*weights)[k]);
            },
            community, resolution);
    return modularityOf(
        offsets.size() - 1,
        [&](std::size_t v, auto&& visit) {
            for (Index k = offsets[v]; k < offsets[v + 1]; ++k) visit(targets[k]);
        },
        community, resolution);
}

double modularity(const Graph& graph, const std::vector<Index>& community, double resolution,
                  const std::vector<double>* weights) {
    if (weights) {
        std::size_t entry = 0;
        return weightedModularityOf(
            graph.vertices.size(),
            [&](std::size_t v, auto&& visit) {
                for (const Vertex* neighbour : graph.vertices[v]->neighbours)
                    visit(neighbour->index, (*weights)[entry++]);
            },
            community, resolution);
    }
    return modularityOf(
        graph.vertices.size(),
        [&](std::size_t v, auto&& visit) {
            for (const Vertex* neighbour : graph.vertices[v]->neighbours) visit(neighbour->index);
        },
        community, resolution);
}
