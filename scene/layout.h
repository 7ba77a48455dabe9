// The layout of a run's two pictures, as a function of the partition, the shells inside the
// communities, the graph and the scene options: community sizes, the spiral, colours, every
// vertex placed in its community's disc, the sampled edges and the labels that fit. The
// scene writers (Graphics) only draw it; no vertex or community object is written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/cores.h"
#include "analysis/partition.h"
#include "graph/colour.h"
#include "graph/graph.h"
#include "graph/progress.h"
#include "scene/types.h"

// The look of the pictures: the classic one, or the clear one (fitted to the frame, lit from
// the viewer's side, labels by degree, a legend of its own, each link drawn once).
enum class Style { classic, clear };

// What scene composition takes from the command line.
struct SceneOptions {
    Style style = Style::classic;
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
    // The composition operations that compute the shells inside the communities themselves
    // (Graphics::generateNetworkFile) use at most this many threads, two when members with at
    // least shellsOnTwoThreadsFrom adjacency entries make it worth it; tests lower it.
    unsigned threads = 2;
    std::size_t shellsOnTwoThreadsFrom = std::size_t{1} << 18;
    // The scenes' long runs of lines are written on two threads in blocks of about this
    // many drawing operations (tests lower it).
    std::size_t operationsInBlock = std::size_t{1} << 15;
    // Shown the vertices laid out and drawn; may be null.
    Progress* progress = nullptr;
};

// One candidate place of a vertex label: the anchor in units of the label size, and +1 when
// the text runs rightwards from it, −1 when leftwards.
struct tLetra {
    float x = 0.0f;
    float y = 0.0f;
    int direction = 1;
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

// An edge drawn in the vertex picture: its ends (vertex positions in the graph for the
// exports, places in the layout's walk for the scenes), its colour and opacity.
struct DrawnEdge {
    Index from = 0;
    Index to = 0;
    tColor colour;
    float opacity = 0.0f;
};

// Everything the two scenes draw, computed once.
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
        float rho = 0.0f;  // its centre on the spiral, in polar form
        float theta = 0.0f;
        float realSize = 0.0f;      // the disc its members lie in
        float abstractSize = 0.0f;  // internal adjacency entries
        tColor colour;
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
    // The vertex scene's part (empty for a layout of the communities only): the vertices in
    // drawing order (community by community, members in member order) as positions, and
    // where each is drawn (in the same order, so drawing reads memory in sequence); the
    // sampled edges (those between communities first, ends as places in `walk`) and the
    // labels that fit.
    std::vector<Index> walk;
    std::vector<VertexPlace> vertices;
    std::vector<DrawnEdge> edges;
    std::vector<PlacedLabel> labels;
    // Vertices that have a label to draw.
    std::size_t labelsAsked = 0;

    // ---- The clear style's part (scene units; see scene/clear_layout.h) ----

    // A rectangle of the scene plane: x to the right, y up.
    struct Box {
        float left = 0.0f;
        float bottom = 0.0f;
        float right = 0.0f;
        float top = 0.0f;
    };
    // A text of the clear pictures: its box's lower left corner and its height (the font's
    // size); a label's vertex, or the legend's entry.
    struct Text {
        std::string text;
        float x = 0.0f;
        float y = 0.0f;
        float height = 0.0f;
    };
    // A marker of the legend: a disc of a vertex's size.
    struct Marker {
        float x = 0.0f;
        float y = 0.0f;
        float radius = 0.0f;
    };
    // What each picture shows exactly (the drawing centred, with its margins).
    Box frame;
    Box communityFrame;
    // The legend beside the vertex picture: its caption and entries, and the values' texts.
    std::vector<Marker> legendMarkers;
    std::vector<Text> legendTexts;
    // The labels of the clear vertex picture (labels above stays empty then), each with the
    // vertex it names in `labelVertices`.
    std::vector<Text> clearLabels;
    std::vector<Index> labelVertices;
    // The scene unit of one pixel of the image, in each picture.
    float pixel = 0.0f;
    float communityPixel = 0.0f;

    // The labels the vertex picture draws, in either style.
    std::size_t labelsDrawn() const { return labels.size() + clearLabels.size(); }
};

// The uniform number of every random draw of the scenes: the C library's rand(), never
// seeded, scaled to [0, 1] in single precision.
float uniformDraw();

// Radius factor of a vertex of this degree (or strength) in a graph whose largest is
// largest: ln(value + 1) / ln(largest) × 0.029 × 15 + 0.0007, with ln 2 in place of
// ln(largest) when largest is at most 1. In double; the callers round where they store.
double vertexSizeRule(double value, double largest);
// The radius factor of a vertex, by degree or (byStrength) by strength.
float vertexSize(const Vertex& vertex, const Graph& graph, bool byStrength);

// The componentwise blend (1 − t)·c1 + t·c2.
tColor blend(tColor c1, float t, tColor c2);
// The colour of position level (1-based, taken mod 20 by the caller) in a sequence of
// numLevels under the palette scheme ("col" walks the rainbow palette and shades odd and
// even levels apart; every other scheme walks the grey palette, "bwi" interlacing the two
// parities).
tColor hostColour(int numLevels, int level, const std::string& scheme);

// Orders communities by the number of edge ends leaving them (degree sum − e_ii), most first.
// The key is taken in unsigned 32-bit arithmetic (a count that wraps sorts first); equal keys
// keep their order in a stable sort.
inline std::uint32_t leavingEnds(std::uint32_t degreeSum, std::uint32_t internal) {
    return degreeSum - internal;
}

// Places the communities of `order` on the spiral, consecutive centres 1.5 × the sum of their
// effective radii apart, the first one in the middle: reads realSize and abstractSize of each
// place and writes its rho, theta, x and y.
SpiralLayout placeOnSpiral(std::vector<Layout::CommunityPlace>& places,
                           const std::vector<Index>& order);

// The grid of label cells: one column per 10 and one row per 12 pixels of image size at
// font zoom 1 (the whole part of the zoom counts). A label takes the least crowded of six
// places around its vertex if that place is free enough, and marks the cells it covers.
class LabelGrid {
  public:
    explicit LabelGrid(const SceneOptions& options);

    // Occupancy of cell (column, row); 0 outside the grid.
    int cell(int column, int row) const;
    // Where a label of length bytes goes for a vertex drawn at (x, y) with radius size, or
    // false when no place is free enough.
    bool place(float x, float y, float size, long long length, float unitLength, float charWidth,
               float sceneRadius, Layout::PlacedLabel* placed);

    int columns = 1;
    int rows = 1;

  private:
    long long scoreOf(const tLetra& candidate, float size, float N, long long length) const;
    long long columnOf(double x, float N) const;
    long long rowOf(double y, float N) const;

    float font_;
    int width_;
    // columns × rows counters, column-major ([column][row] is column * rows + row), made on
    // the first label. A counter stops at 255: a label is accepted only with a score of at
    // most 1, so counters beyond 2 never change a decision.
    std::vector<std::uint8_t> grid_;
    bool made_ = false;
};

// The text of a label: the vertex's name, else its id when ids are asked as labels, else
// none (empty).
std::string labelOf(const Vertex& vertex, bool idsAsLabels);

// The sampled edges of v: for each adjacency entry one draw, kept when below the share
// drawn (options.edges, at least options.minEdges of all entries); each edge from its end
// with the larger id (a self-loop never); those inside a community (sameCommunity(from, to))
// when drawInner, in colourOf(to) at the edge opacity, those between communities when
// drawOuter, white at a third of it. draw(from, to, colour, opacity) takes each.
template <class SameCommunity, class ColourOf, class Draw>
void sampleEdges(const Vertex* v, const Graph& graph, const SceneOptions& options, bool drawInner,
                 bool drawOuter, SameCommunity&& sameCommunity, ColourOf&& colourOf, Draw&& draw) {
    if (v->neighbours.empty()) return;
    const float p = max(options.edges, float(double(options.minEdges) / double(graph.numArcs)));
    for (const Vertex* w : v->neighbours) {
        const float x = uniformDraw();
        if (!(p > x)) continue;
        if (!(w->id < v->id)) continue;
        const Vertex* from = graph.vertexMap.find(v->id);
        const Vertex* to = graph.vertexMap.find(w->id);
        if (!from || !to) continue;
        if (sameCommunity(from, to)) {
            if (drawInner) draw(from, to, colourOf(to), options.opacity);
        } else {
            if (drawOuter) draw(from, to, white, options.opacity / 3);
        }
    }
}

// The layout of both scenes: sizes, the spiral, colours, and with shells the vertex scene's
// part (every vertex placed in its community's disc, the sampled edges, the labels). Draws
// the random numbers of the vertex scene: two per vertex, then one per adjacency entry for
// the edges between communities and one more for those inside. Time O(V + E +
// communities · log).
Layout layOut(const Partition& partition, const CommunityShells* shells, const Graph& graph,
              const SceneOptions& options);
