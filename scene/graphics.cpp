#include "scene/graphics.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>

#include "scene/espiral.h"

namespace {

// Lower and upper end of every random draw.
constexpr std::pair<float, float> uniform{0.0f, 1.0f};

float vertexSize(const Vertex* vertex, const Graph& graph, bool byStrength) {
    if (byStrength) return float(vertexSizeRule(vertex->getStrength(), graph.maxStrength));
    return float(vertexSizeRule(vertex->getDegree(), graph.maxDegree));
}

// The options of a composer made without any.
const SceneOptions kDefaultOptions;

// Effective radius of a community: its real size, or its scaled abstract size when larger.
float effectiveRadius(const Community* community, float w) {
    return max(community->realSize, w * community->abstractSize);
}

// A grid coordinate: halves away from zero; positions far outside (or undefined) give a
// coordinate outside every grid, so a label there only collects the outside score.
long long gridCoordinate(double position) {
    constexpr double kFar = 1e15;
    if (!(position > -kFar)) return -1;
    if (!(position < kFar)) return static_cast<long long>(kFar);
    return std::llround(position);
}

std::string decimal(double value) {
    char text[maxNumberLength];
    return std::string(text, formatNumber(text, value, false));
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

Graphics::Graphics(Engine* engine) : Graphics(engine, kDefaultOptions) {}

Graphics::Graphics(Engine* engine, const SceneOptions& options)
    : engine(engine), options(options) {}

std::string labelOf(const Vertex& vertex, bool idsAsLabels) {
    if (!vertex.name.empty()) return std::string(vertex.name);
    return idsAsLabels ? std::to_string(vertex.id) : std::string();
}

// ---- Colours ----

tColor Graphics::interpolate(tColor c1, float t, tColor c2) {
    return {(1 - t) * c1.r + t * c2.r, (1 - t) * c1.g + t * c2.g, (1 - t) * c1.b + t * c2.b};
}

namespace {

template <std::size_t N>
tColor lookUp(const std::array<tStop, N>& palette, float g) {
    if (g < palette.front().position) return palette.front().colour;
    if (g > palette.back().position) return palette.back().colour;
    for (std::size_t k = 0; k + 1 < N; ++k) {
        const tStop& p = palette[k];
        const tStop& q = palette[k + 1];
        if (p.position <= g && g <= q.position)
            return Graphics::interpolate(p.colour, (g - p.position) / (q.position - p.position),
                                         q.colour);
    }
    return palette.back().colour;  // not reached: the stops cover [first, last]
}

}  // namespace

tColor Graphics::computeHostColor(int numLevels, int level, const std::string& scheme) {
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

// ---- Sizes and placement ----

void Graphics::compute_sizes_for_real_communities(const std::list<Community*>& communities,
                                                  Network* network) {
    realSizes(communities, network->graph);
}

void Graphics::realSizes(const std::list<Community*>& communities, const Graph& graph) {
    for (Community* community : communities) {
        float sum = 0.0f;
        for (VertexId id : community->members) {
            Vertex* vertex = graph.vertexMap.find(id);
            if (!vertex) continue;
            vertex->size = vertexSize(vertex, graph, options.sizesByStrength);
            sum += vertex->size * vertex->size;
        }
        community->realSize = float(std::sqrt(double(sum)) * S);
    }
}

void Graphics::compute_sizes_for_abstract_communities(const std::list<Community*>& communities,
                                                      Network*) {
    for (Community* community : communities)
        community->abstractSize = static_cast<float>(community->internalDegree);
}

SpiralLayout Graphics::placeCommunities(const std::list<Community*>& sorted) {
    SpiralLayout layout;
    if (sorted.empty()) return layout;
    // The scale comes from the first community that has internal edges; without one every
    // effective radius is the real size.
    for (const Community* community : sorted) {
        if (community->abstractSize > 0.0f) {
            layout.w = community->realSize / community->abstractSize;
            break;
        }
    }
    const float w = layout.w;

    const Community* previous = nullptr;
    for (Community* community : sorted) {
        float rho;
        if (!previous) {
            const float radius = effectiveRadius(community, w);
            rho = radius;
            layout.a = float(1.5 * std::sqrt(double(2 / pi)) * double(radius + rho));
        } else {
            const float previousRadius = max(previous->realSize, w * previous->abstractSize);
            const float currentRadius = max(w * community->abstractSize, community->realSize);
            const float distance = float(1.5 * double(previousRadius + currentRadius));
            rho =
                calcularRho(layout.a, previous->rho, previousRadius, currentRadius, distance, 0.5f);
        }
        // A spiral without extent (a first community of no size) leaves every angle at 0.
        community->theta = layout.a > 0.0f ? float(std::pow(double(rho / layout.a), 2.0)) : 0.0f;
        community->rho = rho;
        community->x = float(std::cos(double(community->theta)) * double(rho));
        community->y = float(std::sin(double(community->theta)) * double(rho));
        previous = community;
    }
    layout.sceneRadius = previous->rho;
    return layout;
}

// ---- The layout ----

Layout Graphics::layOut(const Partition& partition, const CommunityShells* shells,
                        const Graph& graph) {
    resetGrid();
    Layout layout;
    layout.partition = partition.communities;
    std::list<Community*> communities(partition.communities.begin(), partition.communities.end());
    realSizes(communities, graph);
    compute_sizes_for_abstract_communities(communities, nullptr);
    // The drawing order, as places: communities keep their place in a stable sort.
    layout.order.resize(partition.communities.size());
    for (Index k = 0; k < layout.order.size(); ++k) layout.order[k] = k;
    std::stable_sort(layout.order.begin(), layout.order.end(), [&](Index a, Index b) {
        return CompareCommunitiesSize()(partition.communities[a], partition.communities[b]);
    });
    std::list<Community*> sorted;
    for (const Index k : layout.order) sorted.push_back(partition.communities[k]);
    layout.spiral = placeCommunities(sorted);

    layout.communities.resize(partition.communities.size());
    const int levels = static_cast<int>(min(static_cast<float>(layout.order.size()), 20.0f));
    for (std::size_t i = 0; i < layout.order.size(); ++i) {
        const Community* community = partition.communities[layout.order[i]];
        layout.communities[layout.order[i]] = {
            community->x, community->y, community->realSize, community->abstractSize,
            computeHostColor(levels, static_cast<int>((i + 1) % 20), options.color)};
    }
    if (shells) layOutVertices(layout, partition, *shells, graph);
    return layout;
}

void Graphics::layOutVertices(Layout& layout, const Partition& partition,
                              const CommunityShells& shells, const Graph& graph) {
    // Every pass walks the vertices in the same order, community by community and members
    // in order.
    const std::size_t count = partition.members.size();
    layout.walk.reserve(count);
    layout.vertices.resize(count);
    std::vector<Vertex*> members;
    for (const Index k : layout.order) {
        Community* community = partition.communities[k];
        community->maxShell = shells.maxShell[k];
        const Index from = partition.begin[k], to = partition.begin[k + 1];
        members.clear();
        for (Index i = from; i < to; ++i) {
            Vertex* vertex = graph.vertices[partition.members[i]];
            vertex->setShellIndex(shells.shell[i]);
            members.push_back(vertex);
        }
        placeVertices(community, k, layout.communities[k].colour, members.data(),
                      shells.shell.data() + from, members.size(), shells.topCore[k],
                      shells.maxShell[k], graph, layout.vertices.data() + layout.walk.size());
        layout.walk.insert(layout.walk.end(), partition.members.begin() + from,
                           partition.members.begin() + to);
    }
    // Sampled edges name their ends by place in the walk.
    std::vector<Index> walkPlace(graph.vertices.size(), 0);
    for (Index i = 0; i < layout.walk.size(); ++i) walkPlace[layout.walk[i]] = i;
    const float sceneRadius = layout.spiral.sceneRadius;
    for (const bool inner : {false, true})
        for (const Index p : layout.walk)
            sampleEdges(graph.vertices[p], graph, inner, !inner,
                        [&](const Vertex* from, const Vertex* to, tColor colour, float opacity) {
                            layout.edges.push_back(
                                {walkPlace[from->index], walkPlace[to->index], colour, opacity});
                        });
    std::string text;
    for (const Index p : layout.walk) {
        Layout::PlacedLabel placed;
        if (placeLabel(graph.vertices[p], options.unitLength, 10.0f, sceneRadius, &text, &placed))
            layout.labels.push_back(placed);
        if (!text.empty()) ++layout.labelsAsked;
    }
}

// The innermost core is scattered over the inner disc, the rest over the ring around it.
void Graphics::placeVertices(Community* community, Index place, tColor colour,
                             Vertex* const* members, const int* shell, std::size_t count,
                             const std::vector<Index>& topCore, int maxShell, const Graph& graph,
                             Layout::VertexPlace* places) {
    float rhoIn = 0.0f;
    {
        float coreSum = 0.0f;
        for (const Index at : topCore) {
            const float size = members[at]->size;
            coreSum += size * size;
        }
        if (community->realSize > 0.0f) {
            const float share =
                float(double(coreSum) / std::pow(double(community->realSize), 2.0) * S);
            rhoIn = float(std::sqrt(double(share)));
        }
    }

    for (std::size_t i = 0; i < count; ++i) {
        Vertex* v = members[i];
        v->fillColor = colour;
        // No halo: the ring takes the fill colour.
        v->ringColor = colour;
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
        v->x = float(r * std::cos(double(phi)));
        v->y = float(r * std::sin(double(phi)));
        v->size = vertexSize(v, graph, options.sizesByStrength);
        v->x =
            float(community->realSize * v->x + community->rho * std::cos(double(community->theta)));
        v->y =
            float(community->realSize * v->y + community->rho * std::sin(double(community->theta)));
        places[i] = {v->x, v->y, v->size, shell[i], place};
    }
}

// ---- The scenes ----

void Graphics::generateNetworkFile(std::vector<Network*>) {}

void Graphics::generateNetworkFile(std::list<Community*> communities, Network* network,
                                   bool communityScene) {
    const Graph& graph = network->graph;
    const Partition partition = partitionOf(communities, graph);
    if (communityScene) {
        drawCommunityScene(layOut(partition, nullptr, graph));
        return;
    }
    const CommunityShells shells = computeCommunityShells(partition, graph, shellsOnTwoThreadsFrom);
    drawVertexScene(layOut(partition, &shells, graph), graph);
}

void Graphics::drawCommunityScene(const Layout& layout) {
    engine->addHeaders(-1, options.unitLength, layout.spiral.sceneRadius);
    const float w = layout.spiral.w;
    for (const Index k : layout.order) {
        const Community* community = layout.partition[k];
        const tColor colour = layout.communities[k].colour;
        engine->addHost(float(community->rho * std::cos(double(community->theta))),
                        float(community->rho * std::sin(double(community->theta))), 0,
                        w * community->abstractSize, colour, colour, 1.0f);
        for (std::size_t j = 0; j < community->neighbours.size(); ++j) {
            const Community* neighbour = community->neighbours[j];
            const float thickness = static_cast<float>(community->cuts[j]) * w;
            engine->addHost(community->x, community->y, 0, thickness, white, white,
                            options.opacity);
            engine->addHost(neighbour->x, neighbour->y, 0, thickness, white, white,
                            options.opacity);
            engine->addCylinder(community->x, community->y, 0, neighbour->x, neighbour->y, 0, white,
                                options.opacity, thickness);
        }
    }
    engine->close();
}

void Graphics::drawVertexScene(const Layout& layout, const Graph& graph) {
    const float u = options.unitLength;
    engine->addHeaders(-1, u, layout.spiral.sceneRadius);
    for (const Layout::DrawnEdge& edge : layout.edges) {
        const Layout::VertexPlace& from = layout.vertices[edge.from];
        const Layout::VertexPlace& to = layout.vertices[edge.to];
        engine->addCylinder(from.x, from.y, 30, to.x, to.y, 30, edge.colour, edge.opacity, 0.0264f);
    }
    for (const Layout::VertexPlace& place : layout.vertices) {
        const tColor colour = layout.communities[place.community].colour;
        engine->addHost(place.x, place.y, static_cast<float>(place.shell) / -10.0f, u * place.size,
                        colour, colour, 1.0f);
    }
    const tColor labelColour = options.bckgnd == "black" ? white : black;
    for (const Layout::PlacedLabel& label : layout.labels)
        engine->addText(labelOf(*graph.vertices[label.vertex], options.idsAsLabels), labelColour,
                        label.size, label.x, label.y, label.right ? "right" : "left");
    drawLegend(layout.spiral.sceneRadius, graph);
    engine->close();
}

void Graphics::drawLegend(float sceneRadius, const Graph& graph) {
    const float u = options.unitLength;
    const bool onBlack = options.bckgnd == "black";
    const tColor marker = onBlack ? white : gray;
    const tColor text = onBlack ? white : black;
    const float L = -u * sceneRadius;

    if (!options.sizesByStrength) {
        const int largest = graph.maxDegree;
        const float U = max(sceneRadius / 25, float(vertexSizeRule(largest, largest) * 1.5));
        for (int k = 1; k <= 5; ++k) {
            const int value = static_cast<int>(std::ceil(largest / std::pow(4.0, k - 1)));
            if (value <= 1) continue;
            const float y = float(0.6 * L + 3 * U * k);
            engine->addHost(L, y, 0, float(vertexSizeRule(value, largest)), marker, marker, 1.0f);
            engine->addText(std::to_string(value), text, 2 * U, (L + U) / (2 * U),
                            float((y - 1.5 * U) / (2 * U)), "left");
        }
        return;
    }

    const float M = graph.maxStrength;
    const double lnM = M > 1.0f ? std::log(double(M)) : std::log(2.0);
    const float V = float((std::log(double(M) + 1) / lnM * 0.029 + 0.0007) * 1.5 * 15);
    const float B = float(-u * 15 * 0.5);
    for (int j = 1; j <= 5; ++j) {
        const float value = float(M / std::pow(4.0, j - 1));
        const float y = 3 * V * j + B;
        engine->addHost(L, y, 0, 0, marker, marker, 1.0f);
        engine->addText(decimal(value), text, 2 * V, (L + V) / (2 * V),
                        float((y - 0.5 * V) / (2 * V)), "left");
    }
}

// ---- Edges ----

template <class Draw>
void Graphics::sampleEdges(const Vertex* v, const Graph& graph, bool drawInner, bool drawOuter,
                           Draw&& draw) {
    if (v->neighbours.empty()) return;
    const float p = max(options.edges, float(double(options.minEdges) / double(graph.numArcs)));
    for (const Vertex* w : v->neighbours) {
        const float x = uniformDraw();
        if (!(p > x)) continue;
        // Each edge from its end with the larger id; a self-loop never.
        if (!(w->id < v->id)) continue;
        const Vertex* from = graph.vertexMap.find(v->id);
        const Vertex* to = graph.vertexMap.find(w->id);
        if (!from || !to) continue;
        if (from->community == to->community) {
            if (drawInner) draw(from, to, to->fillColor, options.opacity);
        } else {
            if (drawOuter) draw(from, to, white, options.opacity / 3);
        }
    }
}

void Graphics::drawEdge(Vertex* v, float, float, Network* network, bool drawInner, bool drawOuter) {
    sampleEdges(v, network->graph, drawInner, drawOuter,
                [&](const Vertex* from, const Vertex* to, tColor colour, float opacity) {
                    engine->addCylinder(from->x, from->y, 30, to->x, to->y, 30, colour, opacity,
                                        0.0264f);
                });
}

// ---- Labels ----

void Graphics::resetGrid() {
    const float f = std::trunc(options.font);
    columns = static_cast<int>(std::lround(double(float(options.width) / (10 * f))));
    rows = static_cast<int>(std::lround(double(float(options.height) / (12 * f))));
    grid.clear();
    grid.shrink_to_fit();
    gridMade = false;
}

int Graphics::cell(int column, int row) const {
    if (!gridMade || column < 0 || column >= columns || row < 0 || row >= rows) return 0;
    return grid[std::size_t(column) * std::size_t(rows) + std::size_t(row)];
}

long long Graphics::columnOf(double x, float N) const {
    return gridCoordinate(columns / 2.0 + columns * x / (2.0 * N));
}

long long Graphics::rowOf(double y, float N) const {
    return gridCoordinate(rows / 2.0 + rows * y / (2.0 * N));
}

// Crowding of a candidate: over its length + 1 cells, 3 for a cell outside the columns, else
// the counters of its row and the rows above and below (1 for a row that is not usable).
long long Graphics::scoreOf(const tLetra& candidate, float size, float N, long long length) const {
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

bool Graphics::placeLabel(const Vertex* v, float unitLength, float charWidth, float sceneRadius,
                          std::string* text, Layout::PlacedLabel* placed) {
    *text = labelOf(*v, options.idsAsLabels);
    if (text->empty()) return false;
    const long long length = static_cast<long long>(text->size());

    const float N = sceneRadius * unitLength;
    const float f = std::trunc(options.font);
    const float size = float(0.05 * 800 * N * f / options.width);
    const float d = float(1.2 * v->size);
    const tLetra candidates[6] = {
        {(v->x + d) / size, v->y / size, +1}, {(v->x - d) / size, v->y / size, -1},
        {v->x / size, (v->y + d) / size, +1}, {v->x / size, (v->y + d) / size, -1},
        {v->x / size, (v->y - d) / size, +1}, {v->x / size, (v->y - d) / size, -1},
    };

    if (!gridMade) {
        grid.assign(std::size_t(std::max(columns, 0)) * std::size_t(std::max(rows, 0)), 0);
        gridMade = true;
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

    placed->vertex = v->index;
    placed->size = size;
    placed->y = chosen->y;
    placed->right = chosen->direction < 0;
    placed->x = chosen->x;
    if (placed->right)
        placed->x -= float(2 * (length + 1)) * (charWidth / float(options.width)) * N / size;

    const long long c0 = columnOf(chosen->x * size, N);
    const long long r = rowOf(chosen->y * size, N);
    if (!(0 < r && r < rows)) return true;
    for (long long i = 0; i <= length; ++i) {
        const long long c = c0 + chosen->direction * i;
        if (0 < c && c < columns) {
            std::uint8_t& counter = grid[std::size_t(c) * std::size_t(rows) + std::size_t(r)];
            if (counter < std::numeric_limits<std::uint8_t>::max()) ++counter;
        }
    }
    return true;
}

void Graphics::drawText(Vertex* v, float unitLength, tColor colour, float, float charWidth,
                        float sceneRadius, Network*) {
    std::string text;
    Layout::PlacedLabel placed;
    if (placeLabel(v, unitLength, charWidth, sceneRadius, &text, &placed))
        engine->addText(text, colour, placed.size, placed.x, placed.y,
                        placed.right ? "right" : "left");
}
