#include "scene/layout.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>

#include "scene/clear_layout.h"
#include "scene/espiral.h"

namespace {

// Lower and upper end of every random draw.
constexpr std::pair<float, float> uniform{0.0f, 1.0f};

// Effective radius of a community: its real size, or its scaled abstract size when larger.
float effectiveRadius(const Layout::CommunityPlace& community, float w) {
    return max(community.realSize, w * community.abstractSize);
}

// A grid coordinate: halves away from zero; positions far outside (or undefined) give a
// coordinate outside every grid, so a label there only collects the outside score.
long long gridCoordinate(double position) {
    constexpr double kFar = 1e15;
    if (!(position > -kFar)) return -1;
    if (!(position < kFar)) return static_cast<long long>(kFar);
    return std::llround(position);
}

template <std::size_t N>
tColor lookUp(const std::array<tStop, N>& palette, float g) {
    if (g < palette.front().position) return palette.front().colour;
    if (g > palette.back().position) return palette.back().colour;
    for (std::size_t k = 0; k + 1 < N; ++k) {
        const tStop& p = palette[k];
        const tStop& q = palette[k + 1];
        if (p.position <= g && g <= q.position)
            return blend(p.colour, (g - p.position) / (q.position - p.position), q.colour);
    }
    return palette.back().colour;  // not reached: the stops cover [first, last]
}

}  // namespace

float uniformDraw() {
    const float draw = float(std::rand() / 2147483648.0);
    return uniform.first + (uniform.second - uniform.first) * draw;
}

double vertexSizeRule(double value, double largest) {
    const double denominator = largest > 1.0 ? std::log(largest) : std::log(2.0);
    return std::log(value + 1) / denominator * 0.029 * 15 + 0.0007;
}

float vertexSize(const Vertex& vertex, const Graph& graph, bool byStrength) {
    if (byStrength) return float(vertexSizeRule(vertex.getStrength(), graph.maxStrength));
    return float(vertexSizeRule(vertex.getDegree(), graph.maxDegree));
}

std::string labelOf(const Vertex& vertex, bool idsAsLabels) {
    if (!vertex.name.empty()) return std::string(vertex.name);
    return idsAsLabels ? std::to_string(vertex.id) : std::string();
}

// ---- Colours ----

tColor blend(tColor c1, float t, tColor c2) {
    return {(1 - t) * c1.r + t * c2.r, (1 - t) * c1.g + t * c2.g, (1 - t) * c1.b + t * c2.b};
}

tColor hostColour(int numLevels, int level, const std::string& scheme) {
    const bool rainbowScheme = scheme == "col";
    tColor colour = red;  // a single level has no position to look up
    if (numLevels != 1) {
        float g;
        if (rainbowScheme || scheme == "bw") {
            g = float(level - 1) / float(numLevels - 1);
        } else if (scheme == "bwi" && (numLevels % 2 == 0) == (level % 2 == 0)) {
            // Interlaced: one parity takes the upper half of the grey scale.
            g = float((level - 1) + (numLevels - 1)) / float(2 * (numLevels - 1));
        } else {
            g = float(level - 1) / float(2 * (numLevels - 1));
        }
        colour = rainbowScheme ? lookUp(rainbow, g) : lookUp(blackwhite, g);
    }

    if (rainbowScheme) {
        const double shade = (level % 2) * 0.5 + 0.7;
        colour = {float(colour.r * shade), float(colour.g * shade), float(colour.b * shade)};
    }
    return colour;
}

// ---- The spiral ----

SpiralLayout placeOnSpiral(std::vector<Layout::CommunityPlace>& places,
                           const std::vector<Index>& order) {
    SpiralLayout layout;
    if (order.empty()) return layout;
    // The scale comes from the first community that has internal edges; without one every
    // effective radius is the real size.
    for (const Index k : order) {
        if (places[k].abstractSize > 0.0f) {
            layout.w = places[k].realSize / places[k].abstractSize;
            break;
        }
    }
    const float w = layout.w;

    const Layout::CommunityPlace* previous = nullptr;
    for (const Index k : order) {
        Layout::CommunityPlace& community = places[k];
        float rho;
        if (!previous) {
            const float radius = effectiveRadius(community, w);
            rho = radius;
            layout.a = float(1.5 * std::sqrt(double(2 / pi)) * double(radius + rho));
        } else {
            const float previousRadius = max(previous->realSize, w * previous->abstractSize);
            const float currentRadius = max(w * community.abstractSize, community.realSize);
            const float distance = float(1.5 * double(previousRadius + currentRadius));
            rho =
                calcularRho(layout.a, previous->rho, previousRadius, currentRadius, distance, 0.5f);
        }
        // A spiral without extent (a first community of no size) leaves every angle at 0.
        community.theta = layout.a > 0.0f ? float(std::pow(double(rho / layout.a), 2.0)) : 0.0f;
        community.rho = rho;
        community.x = float(std::cos(double(community.theta)) * double(rho));
        community.y = float(std::sin(double(community.theta)) * double(rho));
        previous = &community;
    }
    layout.sceneRadius = previous->rho;
    return layout;
}

// ---- Labels ----

LabelGrid::LabelGrid(const SceneOptions& options) : font_(options.font), width_(options.width) {
    const float f = std::trunc(options.font);
    columns = static_cast<int>(std::lround(double(float(options.width) / (10 * f))));
    rows = static_cast<int>(std::lround(double(float(options.height) / (12 * f))));
}

int LabelGrid::cell(int column, int row) const {
    if (!made_ || column < 0 || column >= columns || row < 0 || row >= rows) return 0;
    return grid_[std::size_t(column) * std::size_t(rows) + std::size_t(row)];
}

long long LabelGrid::columnOf(double x, float N) const {
    return gridCoordinate(columns / 2.0 + columns * x / (2.0 * N));
}

long long LabelGrid::rowOf(double y, float N) const {
    return gridCoordinate(rows / 2.0 + rows * y / (2.0 * N));
}

// Crowding of a candidate: over its length + 1 cells, 3 for a cell outside the columns, else
// the counters of its row and the rows above and below (1 for a row that is not usable).
long long LabelGrid::scoreOf(const tLetra& candidate, float size, float N, long long length) const {
    const long long c0 = columnOf(candidate.x * size, N);
    const long long r = rowOf(candidate.y * size, N);
    long long score = 0;
    for (long long i = 0; i <= length; ++i) {
        const long long c = c0 + candidate.direction * i;
        if (c <= 0 || c >= columns) {
            score += 3;
            continue;
        }
        score += (0 < r && r < rows) ? cell(int(c), int(r)) : 1;
        score += (r >= 0 && r + 1 < rows) ? cell(int(c), int(r + 1)) : 1;
        score += (r >= 2 && r <= rows) ? cell(int(c), int(r - 1)) : 1;
    }
    return score;
}

bool LabelGrid::place(float x, float y, float radius, long long length, float unitLength,
                      float charWidth, float sceneRadius, Layout::PlacedLabel* placed) {
    const float N = sceneRadius * unitLength;
    const float f = std::trunc(font_);
    const float size = float(0.05 * 800 * N * f / width_);
    const float d = float(1.2 * radius);
    const tLetra candidates[6] = {
        {(x + d) / size, y / size, +1}, {(x - d) / size, y / size, -1},
        {x / size, (y + d) / size, +1}, {x / size, (y + d) / size, -1},
        {x / size, (y - d) / size, +1}, {x / size, (y - d) / size, -1},
    };

    if (!made_) {
        grid_.assign(std::size_t(std::max(columns, 0)) * std::size_t(std::max(rows, 0)), 0);
        made_ = true;
    }
    const tLetra* chosen = &candidates[0];
    long long best = scoreOf(candidates[0], size, N, length);
    for (int k = 1; k < 6; ++k) {
        const long long score = scoreOf(candidates[k], size, N, length);
        if (score < best) {
            best = score;
            chosen = &candidates[k];
        }
    }
    if (!(best <= 1 && double(best) / double(length) <= 0.4)) return false;

    placed->size = size;
    placed->y = chosen->y;
    placed->right = chosen->direction < 0;
    placed->x = chosen->x;
    if (placed->right)
        placed->x -= float(2 * (length + 1)) * (charWidth / float(width_)) * N / size;

    const long long c0 = columnOf(chosen->x * size, N);
    const long long r = rowOf(chosen->y * size, N);
    if (!(0 < r && r < rows)) return true;
    for (long long i = 0; i <= length; ++i) {
        const long long c = c0 + chosen->direction * i;
        if (0 < c && c < columns) {
            std::uint8_t& counter = grid_[std::size_t(c) * std::size_t(rows) + std::size_t(r)];
            if (counter < std::numeric_limits<std::uint8_t>::max()) ++counter;
        }
    }
    return true;
}

// ---- The layout ----

namespace {

// The vertex scene's layout builder: the layout so far and what its steps share.
class VertexLayout {
  public:
    VertexLayout(Layout& layout, const Partition& partition, const CommunityShells& shells,
                 const Graph& graph, const SceneOptions& options, const std::vector<float>& sizeOf)
        : layout_(layout),
          partition_(partition),
          shells_(shells),
          graph_(graph),
          options_(options),
          sizeOf_(sizeOf) {}

    void run() {
        placeAll();
        sampleAll();
        labelAll();
    }

  private:
    // Every community's members, community by community in drawing order.
    void placeAll() {
        const std::size_t count = partition_.members.size();
        layout_.walk.reserve(count);
        layout_.vertices.resize(count);
        if (options_.progress) options_.progress->start("Laying out", count);
        for (const Index k : layout_.order) {
            advance(options_.progress, layout_.walk.size());
            const Index from = partition_.begin[k], to = partition_.begin[k + 1];
            placeVertices(k, from, to, layout_.vertices.data() + layout_.walk.size());
            layout_.walk.insert(layout_.walk.end(), partition_.members.begin() + from,
                                partition_.members.begin() + to);
        }
    }

    // The innermost core is scattered over the inner disc, the rest over the ring around it.
    void placeVertices(Index k, Index from, Index to, Layout::VertexPlace* places) {
        const Layout::CommunityPlace& community = layout_.communities[k];
        const int* shell = shells_.shell.data() + from;
        const int maxShell = shells_.maxShell[k];
        float rhoIn = 0.0f;
        {
            float coreSum = 0.0f;
            for (const Index at : shells_.topCore[k]) {
                const float size = sizeOf_[partition_.members[from + at]];
                coreSum += size * size;
            }
            if (community.realSize > 0.0f) {
                const float share =
                    float(double(coreSum) / std::pow(double(community.realSize), 2.0) * S);
                rhoIn = float(std::sqrt(double(share)));
            }
        }
        for (Index i = 0; i < to - from; ++i) {
            const float u1 = uniformDraw();
            float r;
            if (shell[i] == maxShell) {
                r = rhoIn * u1;
            } else {
                const float lo = float(rhoIn + 0.2);
                r = lo + (1 - lo) * u1;
            }
            const float u2 = uniformDraw();
            const float phi = 2 * pi * u2;
            float x = float(r * std::cos(double(phi)));
            float y = float(r * std::sin(double(phi)));
            x = float(community.realSize * x + community.rho * std::cos(double(community.theta)));
            y = float(community.realSize * y + community.rho * std::sin(double(community.theta)));
            places[i] = {x, y, sizeOf_[partition_.members[from + i]], shell[i], k};
        }
    }

    // Edges between communities first, then those inside; ends named by place in the walk.
    void sampleAll() {
        std::vector<Index> walkPlace(graph_.vertices.size(), 0);
        for (Index i = 0; i < layout_.walk.size(); ++i) walkPlace[layout_.walk[i]] = i;
        const std::vector<Index>& communityOf = partition_.communityOf;
        auto same = [&](const Vertex* a, const Vertex* b) {
            return communityOf[a->index] == communityOf[b->index];
        };
        auto colourOf = [&](const Vertex* v) {
            return layout_.communities[communityOf[v->index]].colour;
        };
        // The walk reaches the vertex objects all over memory: their pointers are asked for
        // sixteen places ahead, the objects eight, or every vertex waits on both in turn.
        const std::vector<Index>& walk = layout_.walk;
        const std::size_t count = walk.size();
        for (const bool inner : {false, true})
            for (std::size_t i = 0; i < count; ++i) {
                if (i + 16 < count) __builtin_prefetch(&graph_.vertices[walk[i + 16]]);
                if (i + 8 < count) __builtin_prefetch(&graph_.vertices[walk[i + 8]]->neighbours);
                sampleEdges(
                    graph_.vertices[walk[i]], graph_, options_, inner, !inner, same, colourOf,
                    [&](const Vertex* from, const Vertex* to, tColor colour, float opacity) {
                        layout_.edges.push_back(
                            {walkPlace[from->index], walkPlace[to->index], colour, opacity});
                    });
            }
    }

    void labelAll() {
        // The clear style places its labels itself (layOutClear); it only needs the count.
        if (options_.style == Style::clear) {
            for (const Index p : layout_.walk)
                if (!labelOf(*graph_.vertices[p], options_.idsAsLabels).empty())
                    ++layout_.labelsAsked;
            return;
        }
        LabelGrid grid(options_);
        const float sceneRadius = layout_.spiral.sceneRadius;
        for (Index i = 0; i < layout_.walk.size(); ++i) {
            const Vertex& vertex = *graph_.vertices[layout_.walk[i]];
            const std::string text = labelOf(vertex, options_.idsAsLabels);
            if (text.empty()) continue;
            ++layout_.labelsAsked;
            const Layout::VertexPlace& at = layout_.vertices[i];
            Layout::PlacedLabel placed;
            placed.vertex = vertex.index;
            if (grid.place(at.x, at.y, at.size, static_cast<long long>(text.size()),
                           options_.unitLength, 10.0f, sceneRadius, &placed))
                layout_.labels.push_back(placed);
        }
    }

    Layout& layout_;
    const Partition& partition_;
    const CommunityShells& shells_;
    const Graph& graph_;
    const SceneOptions& options_;
    const std::vector<float>& sizeOf_;
};

}  // namespace

Layout layOut(const Partition& partition, const CommunityShells* shells, const Graph& graph,
              const SceneOptions& options) {
    Layout layout;
    const Index count = partition.count();
    // Sizes: every member's radius factor, each community's disc holding their areas.
    std::vector<float> sizeOf(graph.vertices.size(), 0.0f);
    layout.communities.resize(count);
    for (Index k = 0; k < count; ++k) {
        float sum = 0.0f;
        for (Index i = partition.begin[k]; i < partition.begin[k + 1]; ++i) {
            const Index p = partition.members[i];
            sizeOf[p] = vertexSize(*graph.vertices[p], graph, options.sizesByStrength);
            sum += sizeOf[p] * sizeOf[p];
        }
        layout.communities[k].realSize = float(std::sqrt(double(sum)) * S);
        layout.communities[k].abstractSize = static_cast<float>(partition.internal[k]);
    }
    // The drawing order, as places: communities keep their place in a stable sort.
    layout.order.resize(count);
    for (Index k = 0; k < count; ++k) layout.order[k] = k;
    std::stable_sort(layout.order.begin(), layout.order.end(), [&](Index a, Index b) {
        return leavingEnds(partition.degreeSum[a], partition.internal[a]) >
               leavingEnds(partition.degreeSum[b], partition.internal[b]);
    });
    layout.spiral = placeOnSpiral(layout.communities, layout.order);
    const int levels = static_cast<int>(min(static_cast<float>(count), 20.0f));
    for (std::size_t i = 0; i < layout.order.size(); ++i)
        layout.communities[layout.order[i]].colour =
            hostColour(levels, static_cast<int>((i + 1) % 20), options.color);
    if (shells) VertexLayout(layout, partition, *shells, graph, options, sizeOf).run();
    if (options.style == Style::clear) layOutClear(layout, partition, graph, options);
    return layout;
}
