// A synthetic run for the page's benchmarks: a graph of a given number of vertices in
// communities of falling sizes (one per 500 vertices), each vertex linked to four members
// of its own community and, one time in ten, to a vertex anywhere; communities on a spiral
// as the scene places them, members scattered over their disc, sizes by degree as the
// scene draws them, a sample of the edges drawn, and optionally a label for every vertex.
// Deterministic (its own generator), so two runs write the same page.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "export/results.h"
#include "graph/graph.h"
#include "scene/graphics.h"

namespace bench {

// splitmix64.
class PageRandom {
  public:
    explicit PageRandom(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double unit() { return double(next() >> 11) / 9007199254740992.0; }
    std::uint32_t below(std::uint32_t n) { return std::uint32_t(next() % n); }

  private:
    std::uint64_t state_;
};

struct SyntheticRun {
    Graph graph{true};
    RunResults results;

    SyntheticRun(std::uint32_t vertices, std::size_t drawnEdges, bool labels) {
        PageRandom random(20);
        const std::vector<std::uint32_t> first = communitySizes(vertices);
        const std::size_t C = first.size() - 1;
        std::vector<Edge> edges;
        edges.reserve(std::size_t(vertices) * 9 / 2);
        // Vertex v belongs to the community k with first[k] <= v < first[k + 1].
        for (std::size_t k = 0; k < C; ++k) {
            const std::uint32_t size = first[k + 1] - first[k];
            for (std::uint32_t v = first[k]; v < first[k + 1]; ++v) {
                for (int j = 0; j < 2; ++j)
                    edges.push_back({VertexId(v), VertexId(first[k] + random.below(size))});
                if (random.below(10) == 0)
                    edges.push_back({VertexId(v), VertexId(random.below(vertices))});
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

    void fill(const std::vector<std::uint32_t>& first, PageRandom& random, std::size_t drawnEdges) {
        RunResults& r = results;
        r.graph = &graph;
        const std::size_t V = graph.vertices.size();
        const std::size_t C = first.size() - 1;
        r.community.resize(V);
        r.shell.resize(V);
        r.coreness.resize(V);
        r.x.resize(V);
        r.y.resize(V);
        r.radius.resize(V);
        r.byId.resize(V);
        r.communities.resize(C);
        std::vector<float> realSize(C, 0.0f);
        for (const Vertex* v : graph.vertices) {
            const Index k =
                Index(std::upper_bound(first.begin(), first.end(), std::uint32_t(v->id)) -
                      first.begin() - 1);
            r.community[v->index] = k;
            r.byId[v->id] = v->index;
            r.radius[v->index] = float(vertexSizeRule(v->degree, graph.maxDegree));
            r.shell[v->index] = 1 + int(random.below(5));
            r.coreness[v->index] = std::min(v->degree, r.shell[v->index] + 2);
            realSize[k] += r.radius[v->index] * r.radius[v->index];
            ++r.communities[k].size;
        }
        // The spiral ρ = a·√θ, consecutive centres 1.5 × the sum of their radii apart.
        double rho = 0, theta = 0, a = 0, previous = 0;
        const int levels = int(std::min<std::size_t>(C, 20));
        for (std::size_t k = 0; k < C; ++k) {
            RunResults::Community& c = r.communities[k];
            c.radius = std::sqrt(realSize[k]);
            c.internal = 4 * c.size;
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
        for (std::size_t v = 0; v < V; ++v) {
            const RunResults::Community& c = r.communities[r.community[v]];
            const double radius = c.radius * std::sqrt(random.unit());
            const double angle = 6.283185307 * random.unit();
            r.x[v] = float(c.x + radius * std::cos(angle));
            r.y[v] = float(c.y + radius * std::sin(angle));
        }
        drawSample(drawnEdges, random);
        r.labelsShown = !graph.vertices.empty() && !graph.vertices[0]->name.empty();
        r.labelsAsked = r.labelsShown ? V : 0;
        r.labelsDrawn = std::min<std::size_t>(r.labelsAsked, 400);
    }

    // About drawnEdges edges, each from its end with the larger id, links counted.
    void drawSample(std::size_t drawnEdges, PageRandom& random) {
        RunResults& r = results;
        const double p = double(drawnEdges) / std::max<double>(1, graph.numArcs / 2.0);
        std::vector<std::vector<std::uint32_t>> cut(r.communities.size());
        for (const Vertex* v : graph.vertices) {
            for (const Vertex* w : v->neighbours) {
                if (!(w->id < v->id)) continue;
                const Index a = r.community[v->index];
                const Index b = r.community[w->index];
                if (a != b) {
                    auto& row = cut[std::min(a, b)];
                    if (row.size() <= std::max(a, b)) row.resize(std::max(a, b) + 1, 0);
                    ++row[std::max(a, b)];
                }
                if (random.unit() >= p) continue;
                r.drawnEdges.push_back({v->index, w->index,
                                        a == b ? r.communities[a].colour : white,
                                        a == b ? r.opacity : r.opacity / 3});
            }
        }
        for (Index a = 0; a < cut.size(); ++a)
            for (Index b = a + 1; b < cut[a].size(); ++b)
                if (cut[a][b] > 0) r.links.push_back({a, b, cut[a][b]});
    }
};

}  // namespace bench
