// Scene composition: community colours, sizes and spiral placement, and the two pictures of
// a run (the vertex scene and the community scene), described as drawing operations on an
// output engine.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "analysis/community.h"
#include "analysis/cores.h"
#include "analysis/network.h"
#include "analysis/partition.h"
#include "engines/engine.h"
#include "graph/vertex.h"
#include "scene/types.h"

// What scene composition takes from the command line.
struct SceneOptions {
    // Palette: "col" (rainbow), "bw" (grey scale), "bwi" (grey scale, interlaced).
    std::string color = "col";
    // "black" or "white": decides the colour of labels and of the legend.
    std::string bckgnd = "black";
    // Share of the edges drawn, and the number drawn at least (in expectation).
    float edges = 0.0f;
    int minEdges = 1000;
    // The image size and the font zoom size the label grid and the labels.
    int width = 800;
    int height = 600;
    float font = 1.0f;
    // Scale of vertex radii (and of the camera).
    float unitLength = 1.0f;
    float opacity = 0.2f;
    // Vertex sizes follow strength (a weighted network that is not a multigraph), else degree.
    bool sizesByStrength = false;
    // Whether a vertex without a name is labelled with its id (named ones always are).
    bool idsAsLabels = false;
};

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

// Everything the two scenes draw, computed once from the partition and the shells inside
// the communities; each scene is then written from it. The positions also stay in the
// vertices and communities it lists (x, y, size, fillColor; rho, theta, x, y, realSize,
// abstractSize, maxShell), as composition has always left them.
struct Layout {
    struct VertexPlace {
        float x = 0.0f;
        float y = 0.0f;
        float size = 0.0f;    // radius before the unit length
        int shell = 0;        // inside its community: the depth it is drawn at
        Index community = 0;  // partition place: its colour
    };
    struct CommunityPlace {
        float x = 0.0f;
        float y = 0.0f;
        float realSize = 0.0f;      // the disc its members lie in
        float abstractSize = 0.0f;  // internal adjacency entries
        tColor colour;
    };
    // A sampled edge of the vertex scene (its ends as places in `walk`), in its colour and
    // opacity.
    struct DrawnEdge {
        Index from = 0;
        Index to = 0;
        tColor colour;
        float opacity = 0.0f;
    };
    // A label placed in the vertex scene: its anchor and size in label units, aligned
    // leftwards from the anchor (the text ends there) or rightwards.
    struct PlacedLabel {
        Index vertex = 0;
        float size = 0.0f;
        float x = 0.0f;
        float y = 0.0f;
        bool right = false;
    };

    SpiralLayout spiral;
    // Partition places in drawing order: most edge ends leaving first (a stable sort).
    std::vector<Index> order;
    // By partition place.
    std::vector<CommunityPlace> communities;
    std::vector<Community*> partition;
    // The vertex scene's part (empty for a layout of the communities only): the vertices in
    // drawing order (community by community, members in member order) as positions, and
    // where each is drawn (in the same order, so drawing reads memory in sequence); the
    // sampled edges (those between communities first) and the labels that fit.
    std::vector<Index> walk;
    std::vector<VertexPlace> vertices;
    std::vector<DrawnEdge> edges;
    std::vector<PlacedLabel> labels;
    // Vertices that have a label to draw.
    std::size_t labelsAsked = 0;
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
    // The composer draws through engine (which it does not own; null for a composer that
    // only lays out) with the given options, which must outlive it.
    explicit Graphics(Engine* engine);
    Graphics(Engine* engine, const SceneOptions& options);

    // The componentwise blend (1 − t)·c1 + t·c2.
    static tColor interpolate(tColor c1, float t, tColor c2);
    // The colour of position level (1-based, taken mod 20 by the caller) in a sequence of
    // numLevels under the palette scheme ("col" walks the rainbow palette and shades odd and
    // even levels apart; every other scheme walks the grey palette, "bwi" interlacing the two
    // parities).
    static tColor computeHostColor(int numLevels, int level, const std::string& scheme = "col");

    // Writes every member vertex's size and every community's realSize. O(total members).
    void compute_sizes_for_real_communities(const std::list<Community*>& communities,
                                            Network* network);
    // Writes every community's abstractSize (its internal adjacency entries).
    void compute_sizes_for_abstract_communities(const std::list<Community*>& communities,
                                                Network* network);
    // Places the sorted communities on the spiral (rho, theta, x, y of each), consecutive
    // centres 1.5 × the sum of their effective radii apart, the first one in the middle.
    SpiralLayout placeCommunities(const std::list<Community*>& sorted);

    // The layout of both scenes: sizes, the spiral, colours, and with shells the vertex
    // scene's part (every vertex placed in its community's disc, the sampled edges, the
    // labels). Draws the random numbers of the vertex scene: two per vertex, then one per
    // adjacency entry for the edges between communities and one more for those inside.
    // Time O(V + E + communities · log).
    Layout layOut(const Partition& partition, const CommunityShells* shells, const Graph& graph);
    // Writes one whole scene from a layout and closes the engine.
    void drawVertexScene(const Layout& layout, const Graph& graph);
    void drawCommunityScene(const Layout& layout);

    // Kept for the call sequence of older drivers; does nothing.
    void generateNetworkFile(std::vector<Network*> networks);
    // Lays out and writes one whole scene: the vertex scene (communityScene false) or the
    // community scene (true) of the communities listed, in list order as detection leaves
    // them. Writes layout fields into the shared communities and vertices, and, for the
    // vertex scene, every vertex's shell index inside its own community.
    void generateNetworkFile(std::list<Community*> communities, Network* network,
                             bool communityScene);

    // Draws the sampled edges of v, those inside a community when drawInner, those between
    // communities when drawOuter. Draws one random number per adjacency entry whatever is
    // drawn. unitLength and sceneRadius are not used.
    void drawEdge(Vertex* v, float unitLength, float sceneRadius, Network* network, bool drawInner,
                  bool drawOuter);
    // Labels v (its name, or its id when ids are asked as labels) at the least crowded of
    // six places around it, if that place is free enough, and marks the grid cells the label
    // covers. charHeight and network are not used.
    void drawText(Vertex* v, float unitLength, tColor colour, float charHeight, float charWidth,
                  float sceneRadius, Network* network);

    // Sizes the label grid from the image size and font zoom, every cell free (the first
    // step of a layout).
    void resetGrid();
    // Occupancy of label cell (column, row); 0 outside the grid.
    int cell(int column, int row) const;

    // The label grid's dimensions: one column per 10 and one row per 12 pixels of image
    // size at font zoom 1.
    int columns = 1;
    int rows = 1;
    Engine* engine;
    const SceneOptions& options;

    // Scenes whose members have at least this many adjacency entries compute the shells
    // inside the communities on two threads (generateNetworkFile); tests lower it.
    static inline std::size_t shellsOnTwoThreadsFrom = std::size_t{1} << 18;

  private:
    void realSizes(const std::list<Community*>& communities, const Graph& graph);
    // The sampled edges of v (see drawEdge), handed to draw(from, to, colour, opacity).
    template <class Draw>
    void sampleEdges(const Vertex* v, const Graph& graph, bool drawInner, bool drawOuter,
                     Draw&& draw);
    // The label of v and where it goes, or false when it has none or no room.
    bool placeLabel(const Vertex* v, float unitLength, float charWidth, float sceneRadius,
                    std::string* text, Layout::PlacedLabel* placed);
    void layOutVertices(Layout& layout, const Partition& partition, const CommunityShells& shells,
                        const Graph& graph);
    void placeVertices(Community* community, Index place, tColor colour, Vertex* const* members,
                       const int* shell, std::size_t count, const std::vector<Index>& topCore,
                       int maxShell, const Graph& graph, Layout::VertexPlace* places);
    void drawLegend(float sceneRadius, const Graph& graph);
    long long scoreOf(const tLetra& candidate, float size, float N, long long length) const;
    long long columnOf(double x, float N) const;
    long long rowOf(double y, float N) const;

    // columns × rows counters, column-major ([column][row] is column * rows + row), made on
    // the first label. A counter stops at 255: a label is accepted only with a score of at
    // most 1, so counters beyond 2 never change a decision.
    std::vector<std::uint8_t> grid;
    bool gridMade = false;
};

// The text of a label: the vertex's name, else its id when ids are asked as labels, else
// none (empty).
std::string labelOf(const Vertex& vertex, bool idsAsLabels);
