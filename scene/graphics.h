// The two pictures of a run (the vertex scene and the community scene) drawn from a layout
// (scene/layout.h) as drawing operations on an output engine; and the composition operations
// on community and vertex objects that lay out and draw in one go, writing the layout into
// the objects they are given.
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
#include "scene/layout.h"
#include "scene/types.h"

// Orders communities by the number of edge ends leaving them, most first (leavingEnds); with
// std::list::sort, which is stable, equal keys keep their order.
struct CompareCommunitiesSize {
    static std::uint32_t key(const Community* community) {
        return leavingEnds(community->degreeSum, community->internalDegree);
    }
    bool operator()(const Community* a, const Community* b) const { return key(a) > key(b); }
};

class Graphics {
  public:
    // The composer draws through engine (which it does not own) with the given options,
    // which must outlive it.
    explicit Graphics(Engine* engine);
    Graphics(Engine* engine, const SceneOptions& options);

    // blend and hostColour (scene/layout.h), under the names the composer gives them.
    static tColor interpolate(tColor c1, float t, tColor c2) { return blend(c1, t, c2); }
    static tColor computeHostColor(int numLevels, int level, const std::string& scheme = "col") {
        return hostColour(numLevels, level, scheme);
    }

    // Writes one whole scene from a layout and closes the engine. The community scene draws
    // each community's links as the partition lists them.
    void drawVertexScene(const Layout& layout, const Graph& graph);
    void drawCommunityScene(const Layout& layout, const Partition& partition);

    // ---- Composition on the objects of a network ----

    // Writes every member vertex's size and every community's realSize. O(total members).
    void compute_sizes_for_real_communities(const std::list<Community*>& communities,
                                            Network* network);
    // Writes every community's abstractSize (its internal adjacency entries).
    void compute_sizes_for_abstract_communities(const std::list<Community*>& communities,
                                                Network* network);
    // Places the sorted communities on the spiral (rho, theta, x, y of each), consecutive
    // centres 1.5 × the sum of their effective radii apart, the first one in the middle.
    SpiralLayout placeCommunities(const std::list<Community*>& sorted);
    // Lays out and writes one whole scene: the vertex scene (communityScene false) or the
    // community scene (true) of the communities listed, in list order as detection leaves
    // them. Writes the layout into the communities (sizes, rho, theta, x, y, maxShell) and
    // the vertices (x, y, size, colours and, for the vertex scene, the shell index inside
    // their own community).
    void generateNetworkFile(std::list<Community*> communities, Network* network,
                             bool communityScene);

    // Draws the sampled edges of v (sampleEdges, the communities and colours those of the
    // vertices), those inside a community when drawInner, those between communities when
    // drawOuter. Draws one random number per adjacency entry whatever is drawn. unitLength
    // and sceneRadius are not used.
    void drawEdge(Vertex* v, float unitLength, float sceneRadius, Network* network, bool drawInner,
                  bool drawOuter);
    // Labels v (its name, or its id when ids are asked as labels) at the least crowded of
    // six places around it, if that place is free enough, and marks the grid cells the label
    // covers. charHeight and network are not used.
    void drawText(Vertex* v, float unitLength, tColor colour, float charHeight, float charWidth,
                  float sceneRadius, Network* network);

    // Sizes the label grid from the image size and font zoom, every cell free.
    void resetGrid();
    // Occupancy of label cell (column, row); 0 outside the grid.
    int cell(int column, int row) const { return grid.cell(column, row); }

    // The label grid's dimensions (LabelGrid).
    int columns = 1;
    int rows = 1;
    Engine* engine;
    const SceneOptions& options;

  private:
    void drawLegend(float sceneRadius, const Graph& graph);
    void drawClearVertexScene(const Layout& layout);
    void drawClearCommunityScene(const Layout& layout, const Partition& partition);

    LabelGrid grid;
};
