// What a run found and drew, gathered for the writers that take it away (the tables, the
// GEXF file, the summary, the interactive page). Plain values: the writers know nothing of
// detection or of the scene engines, and the graph is only read for ids, degrees, labels
// and adjacency.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/cores.h"
#include "analysis/partition.h"
#include "graph/colour.h"
#include "graph/defs.h"
#include "graph/vertex_data.h"
#include "scene/layout.h"

class Graph;

struct RunResults {
    // One community, in the order of the communities log (its number there is place + 1).
    struct Community {
        Index size = 0;
        std::uint32_t internal = 0;   // e_ii: adjacency entries inside
        std::uint32_t external = 0;   // a_ij: adjacency entries leaving
        std::uint32_t degreeSum = 0;  // internal + external
        int maxShell = 0;             // its top shell
        float x = 0.0f;               // centre of its disc in the vertex scene
        float y = 0.0f;
        float radius = 0.0f;       // radius of that disc (the members lie inside it)
        float sphere = 0.0f;       // radius of its sphere in the community scene
        tColor colour;             // fill colour of its vertices and of its sphere
        double strengthSum = 0.0;  // its members' strengths (the degree sum without weights)
    };
    // Two adjacent communities (places, a < b) and the number of edges between them.
    struct Link {
        Index a = 0;
        Index b = 0;
        std::uint32_t edges = 0;
        double weightSum = 0.0;  // the edges' weights (their number without weights)
        // Where each end lists the other among its links (0, 1, 2, ...): the order the
        // community scene draws them in, which the detector gave.
        Index sourceRank = 0;
        Index targetRank = 0;
    };
    // A community's link to itself, which greedy agglomeration keeps for a community that
    // started from a vertex with a self-loop: its cut and its place among the links.
    struct SelfLink {
        Index community = 0;
        std::uint32_t edges = 0;
        Index rank = 0;
    };
    // An edge the vertex scene draws, its ends as vertex positions.
    using DrawnEdge = ::DrawnEdge;

    // The graph the run read: vertex ids, degrees, labels (Vertex::name) and adjacency.
    // Vertex positions below are places in graph->vertices.
    const Graph* graph = nullptr;

    // By vertex position.
    std::vector<Index> community;  // place in `communities`
    std::vector<int> shell;        // k-shell index inside its community
    std::vector<int> coreness;     // k-core number in the whole graph
    std::vector<float> x;          // centre in the vertex scene
    std::vector<float> y;
    std::vector<float> radius;  // radius as drawn, unit length applied
    // Vertex positions in ascending id.
    std::vector<Index> byId;
    // By vertex position: the sum of its adjacency entries' weights (its degree without
    // weights), and its place among its community's members in the order its detector gives
    // them (0, 1, 2, ...).
    std::vector<double> strength;
    std::vector<Index> memberRank;

    // What the file said of its vertices (null for an edge list): the file id, label and
    // attributes of every declared vertex, by vertex id, those without an edge included.
    const DeclaredVertices* declared = nullptr;
    // The adjacency's weights with -weighted (null without), in the graph's order.
    const std::vector<double>* weights = nullptr;
    // The modularity's weights are the file's; detection used them (Leiden, a partition
    // file) or not (the greedy detector).
    bool weightedDetection = false;

    std::vector<Community> communities;
    // Ascending (a, b).
    std::vector<Link> links;
    // Ascending community.
    std::vector<SelfLink> selfLinks;
    // In drawing order (edges between communities first, then those inside).
    std::vector<DrawnEdge> drawnEdges;

    // Whether labels are drawn (names given); a vertex without a name then shows its id
    // when ids are asked as labels.
    bool labelsShown = false;
    bool idsAsLabels = false;
    std::size_t labelsAsked = 0;  // vertices with a label to draw
    std::size_t labelsDrawn = 0;  // labels the layout placed in the vertex scene

    // Looks of the scenes that a page drawn from these results repeats.
    std::string background = "black";  // "black" or "white"
    float opacity = 0.2f;              // edge opacity
    float font = 1.0f;                 // label zoom
};

// The results of a run gathered from its stages: the graph, the partition, the shells inside
// the communities, the core numbers, and the layout the scenes were drawn from (with the
// options it was drawn with). labelsShown tells whether labels were asked for. O(V + links).
RunResults collectResults(const Graph& graph, const Partition& partition,
                          const CommunityShells& shells, const std::vector<int>& coreness,
                          const Layout& layout, const SceneOptions& options, bool labelsShown,
                          const DeclaredVertices* declared = nullptr,
                          const std::vector<double>* weights = nullptr);
