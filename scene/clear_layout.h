// The clear style's part of the layout: the frame that fits and centres each picture, the
// legend in a strip of its own beside the vertex picture, and the labels by degree. All of
// it in scene units (x to the right, y up), in the Layout's clear fields.
//
// Composition: the drawing (every vertex disc, the legend strip, every label; the community
// spheres) fills kFill of the frame in its limiting dimension and is centred in it; the frame
// has the image's aspect ratio. Labels go to the vertices in order of degree (highest first,
// ties by id) as far as space allows: a label's box covers no other vertex's disc, no other
// label and nothing of the legend, stays inside the drawing's margins, and its anchor (the
// point of the box nearest its vertex's centre) is nearer to that centre than to any other
// vertex's centre.
#pragma once

#include <cstdint>
#include <string_view>

#include "graph/text.h"
#include "scene/layout.h"

// The share of the frame the drawing fills in its limiting dimension: margins of 3 % a side.
inline constexpr float kFill = 0.94f;

// The label and legend text height in pixels at font zoom 1.
inline constexpr float kTextPixels = 11.0f;

// The radius a vertex is drawn at in the clear vertex picture: smaller than the classic
// picture's, so that the members of a community overlap less and their labels find room.
inline constexpr float kClearVertexScale = 0.5f;
inline float clearVertexRadius(float size, float unitLength) {
    return kClearVertexScale * unitLength * size;
}

// The clear community picture's sphere radius (never below a pixel) and the radius of the one
// bar of a link of cut edges: scaled as the classic picture scales it, at least half a pixel
// (so the bar is a pixel wide) and at most the smaller sphere's radius.
float clearSphereRadius(float w, float abstractSize, float pixel);
float clearLinkRadius(float w, std::uint32_t cut, float smallerSphere, float pixel);

// Fills the clear fields of a layout made by layOut: the frames and pixel sizes, and, when
// the layout has the vertex picture's part, the legend and the labels. O(V + L·k) for L
// labels tried, k the vertices near each.
void layOutClear(Layout& layout, const Partition& partition, const Graph& graph,
                 const SceneOptions& options);
