// A synthetic run for the page's benchmarks: a graph of a given number of vertices in
// communities of falling sizes (one per 500 vertices), each vertex linked to four members
// of its own community and, one time in ten, to a vertex anywhere; communities on a spiral
// as the scene places them, members scattered over their disc, sizes by degree as the
// scene draws them, a sample of the edges drawn, and optionally a label for every vertex.
// Deterministic (its own generator), so two runs write the same page. The results are put
// together by the tests' builder (tests/export/synthetic_results.h), which the page's tests
// use too.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "export/results.h"
#include "graph/graph.h"
#include "scene/graphics.h"
#include "support/seeded_random.h"
#include "tests/export/synthetic_results.h"

namespace bench {

// splitmix64.
struct SyntheticRun {
    Graph graph{true};
    RunResults results;

    SyntheticRun(std::uint32_t vertices, std::size_t drawnEdges, bool labels) {
        SeededRandom random(20);
        const std::vector<std::uint32_t> first = communitySizes(vertices);
        const std::size_t C = first.size() - 1;
        std::vector<Edge> edges;
        edges.reserve(std::size_t(vertices) * 9 / 2);
        // Vertex v belongs to the community k with first[k] <= v < first[k + 1].
        for (std::size_t k = 0; k < C; ++k) {
            const std::uint32_t size = first[k + 1] - first[k];
            for (std::uint32_t v = first[k]; v < first[k + 1]; ++v) {
                for (int j = 0; j < 2; ++j)
                    edges.push_back({VertexId(v), VertexId(first[k] + random.next() % size)});
                if (random.next() % 10 == 0)
                    edges.push_back({VertexId(v), VertexId(random.next() % vertices)});
            }
        }
        graph.addEdges(std::move(edges));
        if (labels)
            for (std::uint32_t v = 0; v < vertices; ++v)
                graph.addName(VertexId(v), "vertex-" + std::to_string(v));
        fill(first, random, drawnEdges);
    }

  private:
    static std::vector<std::uint32_t> communitySizes(std::uint32_t vertices) {
        const std::size_t C = std::max<std::uint32_t>(1, vertices / 500);
        double total = 0;
        for (std::size_t k = 0; k < C; ++k) total += 1.0 / double(k + 1);
        std::vector<std::uint32_t> first = {0};
        for (std::size_t k = 0; k + 1 < C; ++k) {
            const auto size =
                std::max<std::uint32_t>(2, std::uint32_t(vertices / total / double(k + 1)));
            first.push_back(std::min(vertices, first.back() + size));
        }
        first.push_back(vertices);
        return first;
    }

    // The communities on the spiral ρ = a·√θ as the scene lays them out, consecutive centres
    // 1.5 × the sum of their radii apart, each disc as large as its members' discs together
    // (area: the sum of their squared radii).
    static std::vector<RunResults::Community> spiral(const std::vector<float>& area) {
        const std::size_t C = area.size();
        std::vector<RunResults::Community> communities(C);
        double rho = 0, theta = 0, a = 0, previous = 0;
        const int levels = int(std::min<std::size_t>(C, 20));
        for (std::size_t k = 0; k < C; ++k) {
            RunResults::Community& c = communities[k];
            c.radius = std::sqrt(area[k]);
            c.sphere = c.radius;
            c.maxShell = 5;
            c.colour = Graphics::computeHostColor(levels, int((k + 1) % 20));
            if (k == 0) {
                a = 1.5 * std::sqrt(2 / 3.14159265) * 2 * c.radius;
                rho = c.radius;
            } else {
                theta += 1.5 * (previous + c.radius) / rho;
                rho = a * std::sqrt(theta);
            }
            previous = c.radius;
            c.x = float(rho * std::cos(theta));
            c.y = float(rho * std::sin(theta));
        }
        return communities;
    }

    // Vertex v of community k with first[k] <= v < first[k + 1], sized by its degree as the
    // scene sizes it, anywhere on its community's disc; about drawnEdges edges drawn.
    void fill(const std::vector<std::uint32_t>& first, SeededRandom& random,
              std::size_t drawnEdges) {
        auto communityOf = [&](const Vertex& v) {
            return Index(std::upper_bound(first.begin(), first.end(), std::uint32_t(v.id)) -
                         first.begin() - 1);
        };
        auto radiusOf = [&](const Vertex& v) {
            return float(vertexSizeRule(v.degree, graph.maxDegree));
        };
        std::vector<float> area(first.size() - 1, 0.0f);
        for (const Vertex* v : graph.vertices) area[communityOf(*v)] += radiusOf(*v) * radiusOf(*v);
        const std::vector<RunResults::Community> communities = spiral(area);
        results = synthetic::resultsFor(graph, communities, [&](const Vertex& v) {
            const Index k = communityOf(v);
            const double radius = communities[k].radius * std::sqrt(random.unit());
            const double angle = 6.283185307 * random.unit();
            const int shell = 1 + int(random.next() % 5);
            return synthetic::Place{k,
                                    float(communities[k].x + radius * std::cos(angle)),
                                    float(communities[k].y + radius * std::sin(angle)),
                                    radiusOf(v),
                                    shell,
                                    std::min(v.degree, shell + 2)};
        });
        for (RunResults::Community& c : results.communities) c.internal = 4 * c.size;
        const double p = double(drawnEdges) / std::max<double>(1, graph.numArcs / 2.0);
        synthetic::drawEdges(results, [&](Index, Index) { return random.unit() < p; });
        results.labelsDrawn = std::min<std::size_t>(results.labelsAsked, 400);
    }
};

}  // namespace bench
