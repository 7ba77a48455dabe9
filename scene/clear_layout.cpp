#include "scene/clear_layout.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "graph/text.h"

namespace {

using Box = Layout::Box;

float smallestSize(const Box& frame, int width);

Box empty() {
    constexpr float kBig = std::numeric_limits<float>::max();
    return {kBig, kBig, -kBig, -kBig};
}

void include(Box& box, float x, float y, float radius) {
    box.left = std::min(box.left, x - radius);
    box.right = std::max(box.right, x + radius);
    box.bottom = std::min(box.bottom, y - radius);
    box.top = std::max(box.top, y + radius);
}

void include(Box& box, const Box& other) {
    box.left = std::min(box.left, other.left);
    box.right = std::max(box.right, other.right);
    box.bottom = std::min(box.bottom, other.bottom);
    box.top = std::max(box.top, other.top);
}

bool overlaps(const Box& a, const Box& b) {
    return a.left < b.right && b.left < a.right && a.bottom < b.top && b.bottom < a.top;
}

bool inside(const Box& inner, const Box& outer) {
    return inner.left >= outer.left && inner.right <= outer.right && inner.bottom >= outer.bottom &&
           inner.top <= outer.top;
}

// Whether a disc touches a box.
bool discMeetsBox(float x, float y, float radius, const Box& box) {
    const float dx = std::max({box.left - x, 0.0f, x - box.right});
    const float dy = std::max({box.bottom - y, 0.0f, y - box.top});
    return dx * dx + dy * dy < radius * radius;
}

// The frame of the image's aspect ratio in which content fills kFill of the limiting
// dimension, centred on it.
Box frameAround(const Box& content, int width, int height) {
    const float aspect = float(width) / float(height);
    // A drawing without extent still gets a frame of some size.
    const float w = std::max(content.right - content.left, 1e-6f);
    const float h = std::max(content.top - content.bottom, 1e-6f);
    const float frameWidth = std::max(w, h * aspect) / kFill;
    const float frameHeight = frameWidth / aspect;
    const float cx = 0.5f * (content.left + content.right);
    const float cy = 0.5f * (content.bottom + content.top);
    return {cx - 0.5f * frameWidth, cy - 0.5f * frameHeight, cx + 0.5f * frameWidth,
            cy + 0.5f * frameHeight};
}

// ---- The legend ----

struct LegendEntry {
    std::string text;
    float radius;
};

// The values the legend shows, largest first, with the radius a vertex of that value has.
std::vector<LegendEntry> legendEntries(const Graph& graph, const SceneOptions& options) {
    std::vector<LegendEntry> entries;
    const float u = options.unitLength;
    if (!options.sizesByStrength) {
        const int largest = std::max(graph.maxDegree, 0);
        int previous = -1;
        for (int k = 1; k <= 5; ++k) {
            const int value = static_cast<int>(std::ceil(largest / std::pow(4.0, k - 1)));
            if (value <= 1 || value == previous) continue;
            previous = value;
            entries.push_back({std::to_string(value),
                               clearVertexRadius(float(vertexSizeRule(value, largest)), u)});
        }
        if (entries.empty() && largest >= 1)
            entries.push_back({std::to_string(largest),
                               clearVertexRadius(float(vertexSizeRule(largest, largest)), u)});
        return entries;
    }
    const float largest = graph.maxStrength;
    for (int k = 1; k <= 5; ++k) {
        const float value = float(largest / std::pow(4.0, k - 1));
        if (!(value > 0.0f)) continue;
        char text[32];
        std::snprintf(text, sizeof text, "%g", double(value));
        entries.push_back({text, clearVertexRadius(float(vertexSizeRule(value, largest)), u)});
    }
    return entries;
}

// The legend's strip placed to the right of the drawing, its entries centred on the
// drawing's height: markers in a column, their values beside them, the caption above.
Box placeLegend(Layout& layout, const std::vector<LegendEntry>& entries, const char* caption,
                const Box& drawing, float textHeight) {
    layout.legendMarkers.clear();
    layout.legendTexts.clear();
    if (entries.empty()) return empty();
    float largest = 0.0f;
    float widest = textWidth(caption, textHeight);
    for (const LegendEntry& e : entries) {
        largest = std::max(largest, e.radius);
        widest = std::max(widest, 2 * largest + 0.5f * textHeight + textWidth(e.text, textHeight));
    }
    const float step = std::max(2.4f * largest, 1.6f * textHeight);
    const float height = 1.6f * textHeight + step * float(entries.size());
    const float left = drawing.right + 2.0f * textHeight;
    float y = 0.5f * (drawing.bottom + drawing.top) + 0.5f * height;
    layout.legendTexts.push_back({caption, left, y - textHeight, textHeight});
    y -= 1.6f * textHeight;
    for (const LegendEntry& e : entries) {
        const float cy = y - 0.5f * step;
        layout.legendMarkers.push_back({left + largest, cy, e.radius});
        layout.legendTexts.push_back(
            {e.text, left + 2 * largest + 0.5f * textHeight, cy - 0.35f * textHeight, textHeight});
        y -= step;
    }
    return {left, y, left + widest, y + height};
}

// ---- The labels ----

// The vertices' discs on a uniform grid, for the questions a label asks of its surroundings.
class DiscGrid {
  public:
    DiscGrid(const Layout& layout, const Box& area, float cell, float unit)
        : layout_(layout), area_(area), unit_(unit) {
        cell_ = std::max(cell, 1e-6f);
        columns_ = cellsAlong(area.right - area.left);
        rows_ = cellsAlong(area.top - area.bottom);
        start_.assign(std::size_t(columns_) * rows_ + 1, 0);
        // Each disc in every cell its bounding square covers: a counting sort.
        for (int pass = 0; pass < 2; ++pass) {
            if (pass == 1) {
                for (std::size_t k = 1; k < start_.size(); ++k) start_[k] += start_[k - 1];
                items_.resize(start_.back());
                fill_.assign(start_.begin(), start_.end() - 1);
            }
            for (Index i = 0; i < layout.vertices.size(); ++i) {
                forCells(discBox(i), [&](std::size_t c) {
                    if (pass == 0)
                        ++start_[c + 1];
                    else
                        items_[fill_[c]++] = i;
                });
            }
        }
    }

    // Whether a disc other than own's meets the box.
    bool anyDiscMeets(const Box& box, Index own) const {
        bool met = false;
        forCells(box, [&](std::size_t c) {
            for (Index k = start_[c]; k < start_[c + 1] && !met; ++k) {
                const Index i = items_[k];
                if (i == own) continue;
                const Layout::VertexPlace& v = layout_.vertices[i];
                met = discMeetsBox(v.x, v.y, radius(i), box);
            }
        });
        return met;
    }

    // Whether a vertex other than own has its centre within distance of (x, y).
    bool anyCentreWithin(float x, float y, float distance, Index own) const {
        bool found = false;
        const Box around{x - distance, y - distance, x + distance, y + distance};
        forCells(around, [&](std::size_t c) {
            for (Index k = start_[c]; k < start_[c + 1] && !found; ++k) {
                const Index i = items_[k];
                if (i == own) continue;
                const float dx = layout_.vertices[i].x - x, dy = layout_.vertices[i].y - y;
                found = dx * dx + dy * dy <= distance * distance;
            }
        });
        return found;
    }

    float radius(Index i) const { return clearVertexRadius(layout_.vertices[i].size, unit_); }

  private:
    int cellsAlong(float length) const {
        return std::clamp(static_cast<int>(std::ceil(length / cell_)), 1, 4096);
    }
    Box discBox(Index i) const {
        const Layout::VertexPlace& v = layout_.vertices[i];
        const float r = radius(i);
        return {v.x - r, v.y - r, v.x + r, v.y + r};
    }
    int column(float x) const {
        return std::clamp(static_cast<int>((x - area_.left) / cell_), 0, columns_ - 1);
    }
    int row(float y) const {
        return std::clamp(static_cast<int>((y - area_.bottom) / cell_), 0, rows_ - 1);
    }
    template <class Visit>
    void forCells(const Box& box, Visit&& visit) const {
        const int c0 = column(box.left), c1 = column(box.right);
        const int r0 = row(box.bottom), r1 = row(box.top);
        for (int c = c0; c <= c1; ++c)
            for (int r = r0; r <= r1; ++r) visit(std::size_t(c) * rows_ + std::size_t(r));
    }

    const Layout& layout_;
    Box area_;
    float unit_;
    float cell_ = 1.0f;
    int columns_ = 1;
    int rows_ = 1;
    std::vector<Index> start_;
    std::vector<Index> items_;
    std::vector<Index> fill_;
};

// Where a label of this width may go around a disc, nearest first: on the disc when it is
// wide enough, beside it, above and below, then at the four corners, each at two distances.
std::vector<Box> labelPlaces(float x, float y, float r, float width, float h) {
    std::vector<Box> places;
    // On a disc wide enough to hold it, the label goes on the disc itself.
    if (width <= 2.0f * r)
        places.push_back({x - 0.5f * width, y - 0.5f * h, x + 0.5f * width, y + 0.5f * h});
    for (const float gap : {0.25f * h, 0.9f * h}) {
        const float d = r + gap;
        // The corners: the box's nearest corner on the diagonal at distance d.
        const float c = d * 0.70710678f;
        places.push_back({x + d, y - 0.5f * h, x + d + width, y + 0.5f * h});
        places.push_back({x - d - width, y - 0.5f * h, x - d, y + 0.5f * h});
        places.push_back({x - 0.5f * width, y + d, x + 0.5f * width, y + d + h});
        places.push_back({x - 0.5f * width, y - d - h, x + 0.5f * width, y - d});
        places.push_back({x + c, y + c, x + c + width, y + c + h});
        places.push_back({x - c - width, y + c, x - c, y + c + h});
        places.push_back({x + c, y - c - h, x + c + width, y - c});
        places.push_back({x - c - width, y - c - h, x - c, y - c});
    }
    return places;
}

// Labels in order of degree as far as space allows (see the header).
void placeLabels(Layout& layout, const Graph& graph, const SceneOptions& options,
                 const Box& margins, float textHeight) {
    std::vector<Index> order;  // places in the walk of the vertices that have a label
    for (Index i = 0; i < layout.walk.size(); ++i)
        if (!labelOf(*graph.vertices[layout.walk[i]], options.idsAsLabels).empty())
            order.push_back(i);
    auto degreeOf = [&](Index i) { return graph.vertices[layout.walk[i]]->degree; };
    auto idOf = [&](Index i) { return graph.vertices[layout.walk[i]]->id; };
    std::sort(order.begin(), order.end(), [&](Index a, Index b) {
        return degreeOf(a) != degreeOf(b) ? degreeOf(a) > degreeOf(b) : idOf(a) < idOf(b);
    });
    const DiscGrid discs(layout, margins, 2.0f * textHeight, options.unitLength);
    std::vector<Box> placed;
    for (const Layout::Marker& m : layout.legendMarkers)
        placed.push_back({m.x - m.radius, m.y - m.radius, m.x + m.radius, m.y + m.radius});
    for (const Layout::Text& t : layout.legendTexts)
        placed.push_back({t.x, t.y, t.x + textWidth(t.text, t.height), t.y + t.height});
    // Every label tried at most once; past this many tries in a row without a place the
    // picture is full.
    constexpr std::size_t kFruitless = 20000;
    std::size_t fruitless = 0;
    for (const Index i : order) {
        if (fruitless >= kFruitless) break;
        const Vertex& vertex = *graph.vertices[layout.walk[i]];
        const std::string text = labelOf(vertex, options.idsAsLabels);
        const float width = textWidth(text, textHeight);
        const Layout::VertexPlace& v = layout.vertices[i];
        const float r = discs.radius(i);
        bool done = false;
        for (const Box& box : labelPlaces(v.x, v.y, r, width, textHeight)) {
            const bool onDisc = box.left >= v.x - r && box.right <= v.x + r;
            if (!inside(box, margins) || (!onDisc && discMeetsBox(v.x, v.y, r, box))) continue;
            // The anchor: the point of the box nearest the vertex's centre.
            const float ax = std::clamp(v.x, box.left, box.right);
            const float ay = std::clamp(v.y, box.bottom, box.top);
            const float own = std::hypot(ax - v.x, ay - v.y);
            if (discs.anyCentreWithin(ax, ay, own, i)) continue;
            if (std::any_of(placed.begin(), placed.end(),
                            [&](const Box& other) { return overlaps(box, other); }))
                continue;
            if (discs.anyDiscMeets(box, i)) continue;
            placed.push_back(box);
            layout.clearLabels.push_back({text, box.left, box.bottom, textHeight});
            layout.labelVertices.push_back(vertex.index);
            done = true;
            break;
        }
        fruitless = done ? 0 : fruitless + 1;
    }
}

void layOutVertexPicture(Layout& layout, const Graph& graph, const SceneOptions& options) {
    Box drawing = empty();
    for (const Layout::VertexPlace& v : layout.vertices)
        include(drawing, v.x, v.y, clearVertexRadius(v.size, options.unitLength));
    if (layout.vertices.empty()) drawing = {-1, -1, 1, 1};
    // Texts need an image of some size: below it the picture has no legend nor labels.
    const float pixelsOfText = kTextPixels * std::max(1.0f, std::trunc(options.font));
    const bool texts =
        float(options.width) >= 20 * pixelsOfText && float(options.height) >= 10 * pixelsOfText;
    const std::vector<LegendEntry> entries =
        texts ? legendEntries(graph, options) : std::vector<LegendEntry>();
    const char* caption = options.sizesByStrength ? "strength" : "degree";
    // The text's size in scene units follows the frame, which the legend widens: a few
    // rounds settle both.
    Box frame = frameAround(drawing, options.width, options.height);
    Box legend;
    for (int round = 0; round < 4; ++round) {
        const float textHeight = pixelsOfText * (frame.top - frame.bottom) / float(options.height);
        legend = placeLegend(layout, entries, caption, drawing, textHeight);
        Box content = drawing;
        if (!layout.legendMarkers.empty()) include(content, legend);
        frame = frameAround(content, options.width, options.height);
    }
    layout.frame = frame;
    layout.pixel = smallestSize(frame, options.width);
    const float textHeight = pixelsOfText * (frame.top - frame.bottom) / float(options.height);
    legend = placeLegend(layout, entries, caption, drawing, textHeight);
    // Labels keep inside the drawing's margins: the frame less a fifth of its free border.
    const float mx = 0.4f * (1 - kFill) * (frame.right - frame.left);
    const float my = 0.4f * (1 - kFill) * (frame.top - frame.bottom);
    const Box margins{frame.left + mx, frame.bottom + my, frame.right - mx, frame.top - my};
    if (texts) placeLabels(layout, graph, options, margins, textHeight);
    // The labels reach past the discs: the frame is fitted again to all that is drawn, so
    // the drawing stays centred (the labels keep their places, a shade smaller on screen).
    Box content = drawing;
    if (!layout.legendMarkers.empty()) include(content, legend);
    for (const Layout::Text& t : layout.clearLabels)
        include(content, {t.x, t.y, t.x + textWidth(t.text, t.height), t.y + t.height});
    layout.frame = frameAround(content, options.width, options.height);
    layout.pixel = smallestSize(layout.frame, options.width);
}

void layOutCommunityPicture(Layout& layout, const SceneOptions& options) {
    const float w = layout.spiral.w;
    // Spheres of at least a pixel: the pixel follows the frame the spheres decide.
    float pixel = 0.0f;
    Box frame;
    for (int round = 0; round < 3; ++round) {
        Box drawing = empty();
        for (const Layout::CommunityPlace& c : layout.communities)
            include(drawing, c.x, c.y, clearSphereRadius(w, c.abstractSize, pixel));
        if (layout.communities.empty()) drawing = {-1, -1, 1, 1};
        frame = frameAround(drawing, options.width, options.height);
        pixel = smallestSize(frame, options.width);
    }
    layout.communityFrame = frame;
    layout.communityPixel = pixel;
}

}  // namespace

float clearSphereRadius(float w, float abstractSize, float pixel) {
    return std::max(w * abstractSize, pixel);
}

float clearLinkRadius(float w, std::uint32_t cut, float smallerSphere, float pixel) {
    return std::min(std::max(w * float(cut), 0.5f * pixel), smallerSphere);
}

namespace {

// The pixel as the clear pictures' smallest sizes take it: never more than a hundredth of
// the frame's smaller side, so that a tiny image still shows the drawing whole.
float smallestSize(const Box& frame, int width) {
    const float w = frame.right - frame.left, h = frame.top - frame.bottom;
    return std::min(w / float(width), 0.01f * std::min(w, h));
}

}  // namespace

void layOutClear(Layout& layout, const Partition&, const Graph& graph,
                 const SceneOptions& options) {
    layOutCommunityPicture(layout, options);
    if (!layout.walk.empty() || !layout.vertices.empty())
        layOutVertexPicture(layout, graph, options);
}
