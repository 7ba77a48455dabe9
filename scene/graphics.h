// Scene composition: community colours, sizes and spiral placement, and the two pictures of
// a run (the vertex scene and the community scene), described as drawing operations on an
// output engine.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "analysis/community.h"
#include "analysis/network.h"
#include "engines/engine.h"
#include "graph/vertex.h"
#include "scene/types.h"

// One candidate place of a vertex label: the anchor in units of the label size, and +1 when
// the text runs rightwards from it, −1 when leftwards.
struct tLetra {
    float x = 0.0f;
    float y = 0.0f;
    int direction = 1;
};

// Orders communities by the number of edge ends leaving them, most first. The key is taken
// in unsigned 32-bit arithmetic (a count that wraps sorts first); with std::list::sort, which
// is stable, equal keys keep their order.
struct CompareCommunitiesSize {
    static std::uint32_t key(const Community* community) {
        return community->degreeSum - community->internalDegree;
    }
    bool operator()(const Community* a, const Community* b) const { return key(a) > key(b); }
};

// What the spiral placement yields for the whole scene.
struct SpiralLayout {
    // Scale from abstract sizes (internal adjacency entries) to scene units.
    float w = 0.0f;
    // Coefficient of the spiral ρ = a·√θ.
    float a = 0.0f;
    // ρ of the last community placed; 0 without communities.
    float sceneRadius = 0.0f;
};

// The uniform number of every random draw of the scenes: the C library's rand(), never
// seeded, scaled to [0, 1] in single precision.
float uniformDraw();

// Radius factor of a vertex of this degree (or strength) in a graph whose largest is
// largest: ln(value + 1) / ln(largest) × 0.029 × 15 + 0.0007, with ln 2 in place of
// ln(largest) when largest is at most 1. In double; the callers round where they store.
double vertexSizeRule(double value, double largest);

class Graphics {
  public:
    // The composer draws through engine, which it does not own.
    explicit Graphics(Engine* engine);

    // The componentwise blend (1 − t)·c1 + t·c2.
    static tColor interpolate(tColor c1, float t, tColor c2);
    // The colour of position level (1-based, taken mod 20 by the caller) in a sequence of
    // numLevels under the scheme parameters.color: "col" walks the rainbow palette and shades
    // odd and even levels apart; every other scheme walks the grey palette ("bwi" interlacing
    // the two parities).
    static tColor computeHostColor(int numLevels, int level);

    // Writes every member vertex's size and every community's realSize. O(total members).
    void compute_sizes_for_real_communities(const std::list<Community*>& communities,
                                            Network* network);
    // Writes every community's abstractSize (its internal adjacency entries).
    void compute_sizes_for_abstract_communities(const std::list<Community*>& communities,
                                                Network* network);
    // Places the sorted communities on the spiral (rho, theta, x, y of each), consecutive
    // centres 1.5 × the sum of their effective radii apart, the first one in the middle.
    SpiralLayout placeCommunities(const std::list<Community*>& sorted);

    // Kept for the call sequence of older drivers; does nothing.
    void generateNetworkFile(std::vector<Network*> networks);
    // Writes one whole scene and closes the engine: the vertex scene (communityScene false)
    // or the community scene (true). The list is the composer's own copy and is sorted.
    // Writes layout fields into the shared communities and vertices, and, for the vertex
    // scene, every vertex's shell index inside its own community. Time and memory
    // O(V + E + number of communities · log) for the vertex scene: one induced sub-network
    // per community, each released before the next is built.
    void generateNetworkFile(std::list<Community*> communities, Network* network,
                             bool communityScene);

    // Draws the sampled edges of v, those inside a community when drawInner, those between
    // communities when drawOuter. Draws one random number per adjacency entry whatever is
    // drawn. unitLength and sceneRadius are not used.
    void drawEdge(Vertex* v, float unitLength, float sceneRadius, Network* network, bool drawInner,
                  bool drawOuter);
    // Labels v (its name, or its id when -names was given without a file) at the least
    // crowded of six places around it, if that place is free enough, and marks the grid
    // cells the label covers. charHeight and network are not used.
    void drawText(Vertex* v, float unitLength, tColor colour, float charHeight, float charWidth,
                  float sceneRadius, Network* network);

    // Sizes the label grid from the image size and font zoom, every cell free (the first
    // step of generateNetworkFile).
    void resetGrid();
    // Occupancy of label cell (column, row); 0 outside the grid.
    int cell(int column, int row) const;

    // The label grid's dimensions: one column per 10 and one row per 12 pixels of image
    // size at font zoom 1.
    int columns = 1;
    int rows = 1;
    Engine* engine;

    // Scenes whose members have at least this many adjacency entries compute the shells
    // inside the communities on two threads; tests lower it.
    static inline std::size_t shellsOnTwoThreadsFrom = std::size_t{1} << 18;

  private:
    void drawCommunityScene(const std::list<Community*>& sorted, const std::vector<tColor>& colours,
                            const SpiralLayout& layout);
    void drawVertexScene(const std::list<Community*>& sorted, const std::vector<tColor>& colours,
                         const SpiralLayout& layout, Network* network);
    // Sets the members' shells inside each community (walk[begin[k], begin[k + 1]) are the
    // members of communities[k]) and the communities' maxShell; returns each community's
    // innermost core as places among its members.
    static std::vector<std::vector<Index>> computeShells(const std::vector<Community*>& communities,
                                                         const std::vector<Vertex*>& walk,
                                                         const std::vector<std::size_t>& begin,
                                                         const Graph& graph);
    void placeVertices(Community* community, tColor colour, Vertex* const* members,
                       std::size_t count, const std::vector<Index>& topCore, const Graph& graph);
    void drawLegend(float sceneRadius, Network* network);
    long long scoreOf(const tLetra& candidate, float size, float N, long long length) const;
    long long columnOf(double x, float N) const;
    long long rowOf(double y, float N) const;

    // columns × rows counters, column-major ([column][row] is column * rows + row), made on
    // the first label. A counter stops at 255: a label is accepted only with a score of at
    // most 1, so counters beyond 2 never change a decision.
    std::vector<std::uint8_t> grid;
    bool gridMade = false;
};
