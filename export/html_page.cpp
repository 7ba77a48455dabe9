// The page's data block, one JSON object inside <script type="application/json">:
//
//   format, title, vertices (V), communities (C), edges (E, the drawn ones), links (L)
//   background, foreground        "#rrggbb": the scene's background and its label colour
//   opacity, font                 edge opacity and label zoom of the scenes
//   edgeWidth                     drawn edges' width in scene units
//   scale                         community-scene units per internal adjacency entry
//   radiusMax                     the largest vertex radius
//   labelsShown, idsAsLabels, labelsAsked
//   colours                       ["#rrggbb", ...]: the communities' palette
//   edgeStyles                    [["#rrggbb", opacity], ...]: the drawn edges' palette
//   arrays                        {name: [type, base64], ...}, type one of u8, u16, u32,
//                                 i32, f32, little-endian; unsigned arrays take the
//                                 narrowest type that holds their largest value
//   labels                        [string × V] in vertex order, or [] without any name
//   file                          what the file said of its vertices, only when it did
//                                 (format in page_file_data.cpp)
//
// Nothing in it depends on the image size (-W, -H): the page fills the window and places its
// own labels, so the labels the vertex scene's layout fitted into the image are left out.
//
// Vertices are listed community by community (in community order), ascending id inside a
// community, so a community's members are one run and no per-vertex community is stored.
//   id (i32), shell, core, degree
//   x, y (u16): offsets from the community's centre, value q standing for
//       centre + (2q / 65535 − 1) · half; half is the community's largest member offset
//   r (u16): radius, q standing for q / 65535 · radiusMax
// Communities, in the order of the communities log (number = place + 1):
//   size, cx, cy (f32), half (f32), radius (f32: the vertex scene's disc), sphere (f32: the
//   community scene's), maxShell, colour (index into colours)
// Drawn edges, in drawing order: from, to (vertex places), style (index into edgeStyles).
// Links between communities: la < lb (community places), lw (edges between them).
//
// Quantised positions keep a large community's members to within 1/65535 of its extent,
// far below a vertex's radius, while costing 4 bytes a vertex instead of 8.
#include "export/html_page.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <map>
#include <ostream>
#include <utility>
#include <vector>

#include "export/page_assets.h"
#include "export/page_encoding.h"
#include "export/page_file_data.h"
#include "export/results.h"
#include "export/text_output.h"
#include "graph/graph.h"
#include "graph/output_file.h"

namespace {

// The vertex scene draws every edge as a cylinder of radius 0.0264.
constexpr double kEdgeWidth = 2 * 0.0264;

[[noreturn]] void inconsistent(const std::string& what) {
    throw Fatal("ERROR: The results cannot be drawn as a page: " + what + "\n");
}

// A colour as a JSON string.
void appendQuotedColour(std::string& out, std::uint32_t rgb) {
    out += '"';
    appendHexColour(out, rgb);
    out += '"';
}

template <class Value>
PageArray fixedArray(const char* name, const char* type, int width, std::size_t count,
                     Value&& value) {
    PageArray array{name, type, std::vector<unsigned char>(count * std::size_t(width))};
    for (std::size_t k = 0; k < count; ++k)
        putLittleEndian(array.bytes.data() + k * std::size_t(width), value(k), width);
    return array;
}

template <class Value>
PageArray floatArray(const char* name, std::size_t count, Value&& value) {
    return fixedArray(name, "f32", 4, count,
                      [&](std::size_t k) { return std::bit_cast<std::uint32_t>(value(k)); });
}

std::uint32_t nonNegative(int value) {
    return value > 0 ? std::uint32_t(value) : 0;
}

// q in 0 … 65535 standing for centre + (2q / 65535 − 1) · half.
std::uint32_t quantiseOffset(float value, float centre, float half) {
    if (!(half > 0.0f)) return 0;
    const double q = std::round((double(value - centre) / double(half) + 1.0) * 32767.5);
    if (!(q > 0.0)) return 0;
    return q >= 65535.0 ? 65535 : static_cast<std::uint32_t>(q);
}

// Everything the arrays are made from, in the page's orders.
class PageData {
  public:
    explicit PageData(const RunResults& results) : r(results) {
        check();
        orderVertices();
        measureCommunities();
        makePalettes();
    }

    void writeJson(TextSink& sink, std::string_view title) const;

  private:
    void check() const;
    void orderVertices();
    void measureCommunities();
    void makePalettes();
    void writeMeta(std::string& out, std::string_view title) const;
    void writeArrays(TextSink& sink) const;
    void writeLabels(TextSink& sink) const;
    const Vertex& vertexAt(Index place) const { return *r.graph->vertices[order[place]]; }

    const RunResults& r;
    std::size_t vertexCount = 0;
    std::size_t communityCount = 0;
    // order[place] is the vertex position listed at that place; pageOf is its inverse.
    std::vector<Index> order;
    std::vector<Index> pageOf;
    std::vector<Index> start;  // the members of community c are places start[c] … start[c+1]
    std::vector<float> half;
    float radiusMax = 0.0f;
    double scale = 0.0;
    std::vector<std::uint32_t> colours;  // 0xRRGGBB, first-seen order
    std::vector<std::uint32_t> communityColour;
    std::vector<std::pair<std::uint32_t, float>> edgeStyles;
    std::vector<std::uint32_t> edgeStyle;
};

void PageData::check() const {
    if (!r.graph) inconsistent("no graph");
    const std::size_t V = r.graph->vertices.size();
    const std::size_t C = r.communities.size();
    if (r.community.size() != V || r.shell.size() != V || r.coreness.size() != V ||
        r.x.size() != V || r.y.size() != V || r.radius.size() != V || r.byId.size() != V)
        inconsistent("per-vertex arrays do not match the graph's vertices");
    if (V > 0x7FFFFFFF || C > 0x7FFFFFFF) inconsistent("too many vertices");
    for (const Index c : r.community)
        if (c >= C) inconsistent("a vertex of no listed community");
    for (const Index position : r.byId)
        if (position >= V) inconsistent("a vertex place out of range");
    for (const RunResults::DrawnEdge& edge : r.drawnEdges)
        if (edge.from >= V || edge.to >= V) inconsistent("an edge of unknown vertices");
    for (const RunResults::Link& link : r.links)
        if (link.a >= C || link.b >= C) inconsistent("a link of unknown communities");
    if (r.declared && r.declared->labelEnds.size() != r.declared->size())
        inconsistent("declared vertices without a label each");
}

// Community by community, ascending id inside each: a counting sort of byId. O(V + C).
void PageData::orderVertices() {
    vertexCount = r.graph->vertices.size();
    communityCount = r.communities.size();
    start.assign(communityCount + 1, 0);
    for (const Index c : r.community) ++start[c + 1];
    for (std::size_t c = 0; c < communityCount; ++c) start[c + 1] += start[c];
    std::vector<Index> next(start.begin(), start.end() - 1);
    order.resize(vertexCount);
    pageOf.assign(vertexCount, Index(vertexCount));  // vertexCount: not listed yet
    for (const Index position : r.byId) {
        const Index c = r.community[position];
        if (pageOf[position] != vertexCount || next[c] == start[c + 1])
            inconsistent("byId does not list every vertex once");
        const Index place = next[c]++;
        order[place] = position;
        pageOf[position] = place;
    }
}

void PageData::measureCommunities() {
    half.assign(communityCount, 0.0f);
    for (std::size_t position = 0; position < vertexCount; ++position) {
        const RunResults::Community& community = r.communities[r.community[position]];
        const float offset = std::max(std::fabs(r.x[position] - community.x),
                                      std::fabs(r.y[position] - community.y));
        float& h = half[r.community[position]];
        if (offset > h) h = offset;  // a NaN offset never widens it
        if (r.radius[position] > radiusMax) radiusMax = r.radius[position];
    }
    // The community scene's sphere is scale × internal entries; the community with the most
    // entries gives it with the least rounding.
    std::uint32_t most = 0;
    for (const RunResults::Community& community : r.communities) {
        if (community.internal > most) {
            most = community.internal;
            scale = double(community.sphere) / double(community.internal);
        }
    }
}

void PageData::makePalettes() {
    std::map<std::uint32_t, std::uint32_t> colourIndex;
    for (const RunResults::Community& community : r.communities) {
        const std::uint32_t rgb = rgbOf(community.colour);
        auto [at, added] = colourIndex.try_emplace(rgb, std::uint32_t(colours.size()));
        if (added) colours.push_back(rgb);
        communityColour.push_back(at->second);
    }
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::uint32_t> styleIndex;
    edgeStyle.reserve(r.drawnEdges.size());
    for (const RunResults::DrawnEdge& edge : r.drawnEdges) {
        const std::uint32_t rgb = rgbOf(edge.colour);
        const float opacity = std::isfinite(edge.opacity) ? edge.opacity : 0.0f;
        auto [at, added] = styleIndex.try_emplace({rgb, std::bit_cast<std::uint32_t>(opacity)},
                                                  std::uint32_t(edgeStyles.size()));
        if (added) edgeStyles.emplace_back(rgb, opacity);
        edgeStyle.push_back(at->second);
    }
}

void PageData::writeJson(TextSink& sink, std::string_view title) const {
    writeMeta(sink.text(), title);
    sink.spill();
    writeArrays(sink);
    writeLabels(sink);
    writePageFileData(sink, r, order);
    sink.text() += '}';
}

void PageData::writeMeta(std::string& out, std::string_view title) const {
    const bool white = r.background == "white";
    out += "{\"format\":1,\"title\":";
    appendLabelJson(out, title);
    const std::pair<const char*, std::size_t> counts[] = {{"vertices", vertexCount},
                                                          {"communities", communityCount},
                                                          {"edges", r.drawnEdges.size()},
                                                          {"links", r.links.size()},
                                                          {"labelsAsked", r.labelsAsked}};
    for (const auto& [name, count] : counts) {
        out += ",\"";
        out += name;
        out += "\":";
        appendInteger(out, count);
    }
    out += ",\"background\":";
    appendQuotedColour(out, white ? 0xFFFFFF : 0);
    out += ",\"foreground\":";
    appendQuotedColour(out, white ? 0 : 0xFFFFFF);
    out += ",\"opacity\":";
    appendFloat(out, r.opacity);
    out += ",\"font\":";
    appendFloat(out, r.font);
    out += ",\"edgeWidth\":";
    appendNumber(out, kEdgeWidth);
    out += ",\"scale\":";
    appendNumber(out, scale);
    out += ",\"radiusMax\":";
    appendFloat(out, radiusMax);
    out += r.labelsShown ? ",\"labelsShown\":true" : ",\"labelsShown\":false";
    out += r.idsAsLabels ? ",\"idsAsLabels\":true" : ",\"idsAsLabels\":false";
    out += ",\"colours\":[";
    for (std::size_t k = 0; k < colours.size(); ++k) {
        if (k > 0) out += ',';
        appendQuotedColour(out, colours[k]);
    }
    out += "],\"edgeStyles\":[";
    for (std::size_t k = 0; k < edgeStyles.size(); ++k) {
        out += k > 0 ? ",[" : "[";
        appendQuotedColour(out, edgeStyles[k].first);
        out += ',';
        appendFloat(out, edgeStyles[k].second);
        out += ']';
    }
    out += "],\"arrays\":{";
}

void writeArray(TextSink& sink, PageArray&& array, bool first) {
    std::string& out = sink.text();
    out += first ? "\"" : ",\"";
    out += array.name;
    out += "\":";
    writeTypedArray(sink, std::move(array));
}

// Each array is made, written and released before the next, so the writer's memory beyond
// the results stays about one array's size.
void PageData::writeArrays(TextSink& sink) const {
    const std::size_t V = vertexCount, C = communityCount, E = r.drawnEdges.size();
    const std::size_t L = r.links.size();
    const auto& c = r.communities;
    // The community place of every vertex place, for the offsets.
    auto communityAt = [&](std::size_t place) { return r.community[order[place]]; };
    auto offset = [&](const std::vector<float>& of, float RunResults::Community::*centre) {
        return [&, centre](std::size_t place) {
            const Index k = communityAt(place);
            return quantiseOffset(of[order[place]], c[k].*centre, half[k]);
        };
    };
    writeArray(sink,
               fixedArray("id", "i32", 4, V,
                          [&](std::size_t k) { return std::uint32_t(vertexAt(Index(k)).id); }),
               true);
    writeArray(sink, fixedArray("x", "u16", 2, V, offset(r.x, &RunResults::Community::x)), false);
    writeArray(sink, fixedArray("y", "u16", 2, V, offset(r.y, &RunResults::Community::y)), false);
    writeArray(sink,
               fixedArray("r", "u16", 2, V,
                          [&](std::size_t k) {
                              const double q =
                                  std::round(double(r.radius[order[k]]) / radiusMax * 65535);
                              return q > 0.0 ? std::uint32_t(std::min(q, 65535.0)) : 0u;
                          }),
               false);
    writeArray(
        sink,
        unsignedArray("shell", V, [&](std::size_t k) { return nonNegative(r.shell[order[k]]); }),
        false);
    writeArray(
        sink,
        unsignedArray("core", V, [&](std::size_t k) { return nonNegative(r.coreness[order[k]]); }),
        false);
    writeArray(sink,
               unsignedArray("degree", V,
                             [&](std::size_t k) { return nonNegative(vertexAt(Index(k)).degree); }),
               false);
    writeArray(sink,
               unsignedArray("size", C, [&](std::size_t k) { return start[k + 1] - start[k]; }),
               false);
    writeArray(sink, floatArray("cx", C, [&](std::size_t k) { return c[k].x; }), false);
    writeArray(sink, floatArray("cy", C, [&](std::size_t k) { return c[k].y; }), false);
    writeArray(sink, floatArray("half", C, [&](std::size_t k) { return half[k]; }), false);
    writeArray(sink, floatArray("radius", C, [&](std::size_t k) { return c[k].radius; }), false);
    writeArray(sink, floatArray("sphere", C, [&](std::size_t k) { return c[k].sphere; }), false);
    writeArray(
        sink,
        unsignedArray("maxShell", C, [&](std::size_t k) { return nonNegative(c[k].maxShell); }),
        false);
    writeArray(sink, unsignedArray("colour", C, [&](std::size_t k) { return communityColour[k]; }),
               false);
    const auto& e = r.drawnEdges;
    writeArray(sink, unsignedArray("from", E, [&](std::size_t k) { return pageOf[e[k].from]; }),
               false);
    writeArray(sink, unsignedArray("to", E, [&](std::size_t k) { return pageOf[e[k].to]; }), false);
    writeArray(sink, unsignedArray("style", E, [&](std::size_t k) { return edgeStyle[k]; }), false);
    const auto& l = r.links;
    writeArray(sink, unsignedArray("la", L, [&](std::size_t k) { return l[k].a; }), false);
    writeArray(sink, unsignedArray("lb", L, [&](std::size_t k) { return l[k].b; }), false);
    writeArray(sink, unsignedArray("lw", L, [&](std::size_t k) { return l[k].edges; }), false);
    sink.text() += '}';
}

void PageData::writeLabels(TextSink& sink) const {
    std::string& out = sink.text();
    out += ",\"labels\":[";
    bool named = false;
    for (const Vertex* vertex : r.graph->vertices) named = named || !vertex->name.empty();
    if (named) {
        for (std::size_t k = 0; k < vertexCount; ++k) {
            if (k > 0) out += ',';
            appendLabelJson(out, vertexAt(Index(k)).name);
            sink.spill();
        }
    }
    out += ']';
}

// The script may run only if it is exactly ours: the page's content security policy names
// its hash, so neither an injected script nor a request to anywhere can run.
std::string scriptHash(std::string_view hex) {
    unsigned char digest[32] = {};
    for (std::size_t k = 0; k < 32 && 2 * k + 1 < hex.size(); ++k)
        std::from_chars(hex.data() + 2 * k, hex.data() + 2 * k + 2, digest[k], 16);
    std::string hash = "sha256-";
    appendBase64(hash, digest, sizeof digest);
    return hash;
}

}  // namespace

void writeHtmlPage(const RunResults& results, std::string_view title, std::ostream& out) {
    const PageData data(results);
    // Only a page with the file's data runs the script that reads it; every other page keeps
    // the script it always had.
    const bool fileData = results.declared != nullptr;
    const std::string_view script = fileData ? pageFileScript() : pageScript();
    TextSink sink(out);
    std::string_view rest = pageTemplate();
    for (;;) {
        const std::size_t open = rest.find('@');
        const std::size_t close = open == rest.npos ? rest.npos : rest.find('@', open + 1);
        if (close == rest.npos) {
            sink.text() += rest;
            break;
        }
        const std::string_view marker = rest.substr(open + 1, close - open - 1);
        sink.text() += rest.substr(0, open);
        if (marker == "SCRIPT_HASH")
            sink.text() += scriptHash(fileData ? pageFileScriptSha256() : pageScriptSha256());
        else if (marker == "STYLE")
            sink.text() += pageStyle();
        else if (marker == "DATA")
            data.writeJson(sink, title);
        else if (marker == "SCRIPT")
            sink.text() += script;
        else
            sink.text() += rest.substr(open, close - open + 1);
        rest.remove_prefix(close + 1);
    }
}

void writeHtmlPage(const RunResults& results, std::string_view title, const std::string& fileName,
                   TemporaryFiles* temporaries) {
    FileSet files("Page file", temporaries);
    files.write(fileName, [&](std::ostream& out) { writeHtmlPage(results, title, out); });
    files.commit();
}
