#include "scene/graphics.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <utility>

#include "analysis/workers.h"
#include "scene/clear_layout.h"

namespace {

// The options of a composer made without any.
const SceneOptions kDefaultOptions;

std::string decimal(double value) {
    char text[maxNumberLength];
    return std::string(text, formatNumber(text, value, false));
}

// The text of items [from, to) drawn by draw(engine, item) on an engine for a block that
// starts in state, written into text (its memory kept from the block before: new memory for
// every block is zeroed by the system page by page); the state it ends in goes to *end.
template <class Draw>
void drawBlock(const Engine& engine, int state, std::size_t from, std::size_t to, const Draw& draw,
               std::string& text, int* end) {
    text.clear();
    std::ostringstream out;
    out.str(std::move(text));
    {
        const std::unique_ptr<Engine> block = engine.forBlock(out);
        block->setDrawingState(state);
        for (std::size_t item = from; item < to; ++item) draw(*block, item);
        block->endBlock();
        *end = block->drawingState();
    }
    text = std::move(out).str();
}

// Draws items 0 … count − 1 through draw(engine, item), in order. With two threads or more
// and an engine that draws blocks, the items go in rounds of two blocks per thread, each of
// about `operations` drawing operations (an item makes operationsOf(item)), drawn at once
// from the state the file is in; a block that follows one ending in another state is drawn
// again from that state, so the file is the one a single thread writes. While a round is
// drawn, one of its threads appends the round before to the file: the write is shared out
// with the drawing rather than waited for. done(items) after each round (items drawn so
// far).
template <class Operations, class Draw, class Done>
void drawInBlocks(Engine& engine, const SceneOptions& options, std::size_t count,
                  const Operations& operationsOf, const Draw& draw, const Done& done) {
    if (options.threads < 2 || count < 2 || !engine.drawsBlocks()) {
        for (std::size_t item = 0; item < count; ++item) draw(engine, item);
        done(count);
        return;
    }
    // Two rounds of two blocks a thread are held at once (a few megabytes a block); past
    // eight threads the one file being appended to is the limit, not the drawing.
    Workers team(std::min(options.threads, 8u));
    const std::size_t operations = std::max<std::size_t>(options.operationsInBlock, 1);
    const std::size_t blocks = 2 * std::size_t{team.count()};
    // The texts of the round being drawn and of the one being appended.
    std::vector<std::string> texts[2] = {std::vector<std::string>(blocks),
                                         std::vector<std::string>(blocks)};
    std::vector<std::size_t> bounds(blocks + 1, 0);
    std::vector<int> end(blocks);
    std::size_t unwritten = 0;  // blocks of the round before, not yet appended
    for (int round = 0; bounds[blocks] < count || unwritten > 0; round ^= 1) {
        std::vector<std::string>& text = texts[round];
        const std::vector<std::string>& before = texts[round ^ 1];
        bounds[0] = bounds[blocks];
        std::size_t drawn = 0;
        for (std::size_t b = 1; b <= blocks; ++b) {
            std::size_t item = bounds[b - 1], made = 0;
            while (item < count && made < operations) made += operationsOf(item++);
            bounds[b] = item;
            if (item > bounds[b - 1]) drawn = b;
        }
        const int start = engine.drawingState();
        // Task 0 appends the round before, tasks 1 … drawn draw this round's blocks.
        team.forEach(1 + drawn, [&](std::size_t task, unsigned) {
            if (task == 0) {
                for (std::size_t b = 0; b < unwritten; ++b) engine.append(before[b]);
                return;
            }
            const std::size_t b = task - 1;
            drawBlock(engine, start, bounds[b], bounds[b + 1], draw, text[b], &end[b]);
        });
        int state = start;
        for (std::size_t b = 0; b < drawn; ++b) {
            if (state != start)
                drawBlock(engine, state, bounds[b], bounds[b + 1], draw, text[b], &end[b]);
            state = end[b];
        }
        engine.setDrawingState(state);
        unwritten = drawn;
        if (drawn > 0) done(bounds[drawn]);
    }
}

}  // namespace

Graphics::Graphics(Engine* engine) : Graphics(engine, kDefaultOptions) {}

Graphics::Graphics(Engine* engine, const SceneOptions& options)
    : engine(engine), options(options), grid(options) {
    columns = grid.columns;
    rows = grid.rows;
}

// ---- Composition on the objects of a network ----

void Graphics::compute_sizes_for_real_communities(const std::list<Community*>& communities,
                                                  Network* network) {
    const Graph& graph = network->graph;
    for (Community* community : communities) {
        float sum = 0.0f;
        for (VertexId id : community->members) {
            Vertex* vertex = graph.vertexMap.find(id);
            if (!vertex) continue;
            vertex->size = vertexSize(*vertex, graph, options.sizesByStrength);
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
    std::vector<Layout::CommunityPlace> places;
    std::vector<Index> order;
    for (const Community* community : sorted) {
        Layout::CommunityPlace place;
        place.realSize = community->realSize;
        place.abstractSize = community->abstractSize;
        order.push_back(static_cast<Index>(places.size()));
        places.push_back(place);
    }
    const SpiralLayout layout = placeOnSpiral(places, order);
    std::size_t k = 0;
    for (Community* community : sorted) {
        community->rho = places[k].rho;
        community->theta = places[k].theta;
        community->x = places[k].x;
        community->y = places[k].y;
        ++k;
    }
    return layout;
}

void Graphics::generateNetworkFile(std::list<Community*> communities, Network* network,
                                   bool communityScene) {
    Graph& graph = network->graph;
    const Partition partition = partitionOf(communities, graph);
    CommunityShells shells;
    if (!communityScene)
        shells = computeCommunityShells(partition, graph, options.threads,
                                        options.shellsOnTwoThreadsFrom);
    const Layout layout = layOut(partition, communityScene ? nullptr : &shells, graph, options);
    if (communityScene)
        drawCommunityScene(layout, partition);
    else
        drawVertexScene(layout, graph);

    // The layout stays in the objects it was made for.
    std::size_t k = 0;
    for (Community* community : communities) {
        const Layout::CommunityPlace& place = layout.communities[k];
        community->realSize = place.realSize;
        community->abstractSize = place.abstractSize;
        community->rho = place.rho;
        community->theta = place.theta;
        community->x = place.x;
        community->y = place.y;
        if (!communityScene) community->maxShell = shells.maxShell[k];
        ++k;
    }
    for (std::size_t i = 0; i < layout.walk.size(); ++i) {
        Vertex* vertex = graph.vertices[layout.walk[i]];
        const Layout::VertexPlace& place = layout.vertices[i];
        vertex->x = place.x;
        vertex->y = place.y;
        vertex->size = place.size;
        vertex->fillColor = vertex->ringColor = layout.communities[place.community].colour;
        vertex->setShellIndex(place.shell);
    }
}

// ---- The scenes ----

void Graphics::drawCommunityScene(const Layout& layout, const Partition& partition) {
    if (options.progress) options.progress->start("Writing the community scene");
    if (options.style == Style::clear) {
        drawClearCommunityScene(layout, partition);
        return;
    }
    engine->addHeaders(-1, options.unitLength, layout.spiral.sceneRadius);
    const float w = layout.spiral.w;
    const float opacity = options.opacity;
    const auto operationsOf = [&](std::size_t i) {
        const Index k = layout.order[i];
        return 1 + 3 * std::size_t{partition.linkBegin[k + 1] - partition.linkBegin[k]};
    };
    const auto draw = [&](Engine& to, std::size_t i) {
        const Index k = layout.order[i];
        const Layout::CommunityPlace& community = layout.communities[k];
        to.addHost(float(community.rho * std::cos(double(community.theta))),
                   float(community.rho * std::sin(double(community.theta))), 0,
                   w * community.abstractSize, community.colour, community.colour, 1.0f);
        for (Index j = partition.linkBegin[k]; j < partition.linkBegin[k + 1]; ++j) {
            const Layout::CommunityPlace& neighbour = layout.communities[partition.links[j].to];
            const float thickness = static_cast<float>(partition.links[j].cut) * w;
            to.addHost(community.x, community.y, 0, thickness, white, white, opacity);
            to.addHost(neighbour.x, neighbour.y, 0, thickness, white, white, opacity);
            to.addCylinder(community.x, community.y, 0, neighbour.x, neighbour.y, 0, white, opacity,
                           thickness);
        }
    };
    drawInBlocks(*engine, options, layout.order.size(), operationsOf, draw, [](std::size_t) {});
    engine->close();
}

void Graphics::drawVertexScene(const Layout& layout, const Graph& graph) {
    if (options.style == Style::clear) {
        drawClearVertexScene(layout);
        return;
    }
    const float u = options.unitLength;
    engine->addHeaders(-1, u, layout.spiral.sceneRadius);
    const auto one = [](std::size_t) { return std::size_t{1}; };
    const auto drawEdge = [&](Engine& on, std::size_t i) {
        const DrawnEdge& edge = layout.edges[i];
        const Layout::VertexPlace& from = layout.vertices[edge.from];
        const Layout::VertexPlace& to = layout.vertices[edge.to];
        on.addCylinder(from.x, from.y, 30, to.x, to.y, 30, edge.colour, edge.opacity, 0.0264f);
    };
    drawInBlocks(*engine, options, layout.edges.size(), one, drawEdge, [](std::size_t) {});
    if (options.progress)
        options.progress->start("Writing the vertex scene", layout.vertices.size());
    const auto drawVertex = [&](Engine& on, std::size_t i) {
        const Layout::VertexPlace& place = layout.vertices[i];
        const tColor colour = layout.communities[place.community].colour;
        on.addHost(place.x, place.y, static_cast<float>(place.shell) / -10.0f, u * place.size,
                   colour, colour, 1.0f);
    };
    drawInBlocks(*engine, options, layout.vertices.size(), one, drawVertex,
                 [&](std::size_t drawn) { advance(options.progress, drawn); });
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

// ---- The clear style ----

void Graphics::drawClearVertexScene(const Layout& layout) {
    const Layout::Box& f = layout.frame;
    engine->addFrame(f.left, f.bottom, f.right, f.top);
    const float u = options.unitLength;
    // Edges a little over a pixel wide, so that every one shows and none hides a vertex.
    const float edgeRadius = 0.6f * layout.pixel;
    for (const DrawnEdge& edge : layout.edges) {
        const Layout::VertexPlace& from = layout.vertices[edge.from];
        const Layout::VertexPlace& to = layout.vertices[edge.to];
        engine->addCylinder(from.x, from.y, 30, to.x, to.y, 30, edge.colour, edge.opacity,
                            edgeRadius);
    }
    if (options.progress)
        options.progress->start("Writing the vertex scene", layout.vertices.size());
    std::uint64_t written = 0;
    for (const Layout::VertexPlace& place : layout.vertices) {
        const tColor colour = layout.communities[place.community].colour;
        engine->addHost(place.x, place.y, static_cast<float>(place.shell) / -10.0f,
                        clearVertexRadius(place.size, u), colour, colour, 1.0f);
        advance(options.progress, ++written);
    }
    const bool onBlack = options.bckgnd == "black";
    const tColor text = onBlack ? white : black;
    for (const Layout::Text& label : layout.clearLabels)
        engine->addText(label.text, text, label.height, label.x, label.y, "left");
    engine->beginGroup("legend");
    const tColor marker = onBlack ? tColor{0.85f, 0.85f, 0.85f} : gray;
    for (const Layout::Marker& m : layout.legendMarkers)
        engine->addHost(m.x, m.y, 0, m.radius, marker, marker, 1.0f);
    for (const Layout::Text& t : layout.legendTexts)
        engine->addText(t.text, text, t.height, t.x, t.y, "left");
    engine->endGroup();
    engine->close();
}

void Graphics::drawClearCommunityScene(const Layout& layout, const Partition& partition) {
    const Layout::Box& f = layout.communityFrame;
    engine->addFrame(f.left, f.bottom, f.right, f.top);
    const float w = layout.spiral.w;
    const float pixel = layout.communityPixel;
    auto sphere = [&](Index k) {
        return clearSphereRadius(w, layout.communities[k].abstractSize, pixel);
    };
    // Each pair once, behind the spheres, which hide the bars' ends.
    const tColor bar = options.bckgnd == "black" ? tColor{0.8f, 0.8f, 0.8f} : gray;
    engine->beginGroup("link");
    for (const Index a : layout.order) {
        for (Index j = partition.linkBegin[a]; j < partition.linkBegin[a + 1]; ++j) {
            const Index b = partition.links[j].to;
            if (!(a < b)) continue;
            const Layout::CommunityPlace& p = layout.communities[a];
            const Layout::CommunityPlace& q = layout.communities[b];
            engine->addCylinder(
                p.x, p.y, 1, q.x, q.y, 1, bar, 0.6f,
                clearLinkRadius(w, partition.links[j].cut, min(sphere(a), sphere(b)), pixel));
        }
    }
    engine->endGroup();
    for (const Index k : layout.order) {
        const Layout::CommunityPlace& c = layout.communities[k];
        engine->addHost(c.x, c.y, 0, sphere(k), c.colour, c.colour, 1.0f);
    }
    engine->close();
}

// ---- Edges and labels of single vertices ----

void Graphics::drawEdge(Vertex* v, float, float, Network* network, bool drawInner, bool drawOuter) {
    sampleEdges(
        v, network->graph, options, drawInner, drawOuter,
        [](const Vertex* a, const Vertex* b) { return a->community == b->community; },
        [](const Vertex* to) { return to->fillColor; },
        [&](const Vertex* from, const Vertex* to, tColor colour, float opacity) {
            engine->addCylinder(from->x, from->y, 30, to->x, to->y, 30, colour, opacity, 0.0264f);
        });
}

void Graphics::resetGrid() {
    grid = LabelGrid(options);
    columns = grid.columns;
    rows = grid.rows;
}

void Graphics::drawText(Vertex* v, float unitLength, tColor colour, float, float charWidth,
                        float sceneRadius, Network*) {
    const std::string text = labelOf(*v, options.idsAsLabels);
    if (text.empty()) return;
    Layout::PlacedLabel placed;
    if (grid.place(v->x, v->y, v->size, static_cast<long long>(text.size()), unitLength, charWidth,
                   sceneRadius, &placed))
        engine->addText(text, colour, placed.size, placed.x, placed.y,
                        placed.right ? "right" : "left");
}
