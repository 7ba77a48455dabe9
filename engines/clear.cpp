#include "engines/clear.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "engines/svg.h"
#include "graph/text.h"

namespace {

float clamped(float value) {
    return value > 0.0f ? (value < 1.0f ? value : 1.0f) : 0.0f;
}

tColor clamped(tColor c) {
    return {clamped(c.r), clamped(c.g), clamped(c.b)};
}

// An edge's opacity as a blend with the background, which costs no transparency to render.
tColor blended(tColor c, tColor background, float opacity) {
    const float a = clamped(opacity);
    return {background.r + (c.r - background.r) * a, background.g + (c.g - background.g) * a,
            background.b + (c.b - background.b) * a};
}

// The body of a POV-Ray string: the label cleaned as every writer cleans it, a double quote
// and a backslash escaped.
std::string povrayLabel(const std::string& text) {
    std::string out;
    appendCleanText(out, text, [](char32_t point) -> const char* {
        return point == '"' ? "\\\"" : point == '\\' ? "\\\\" : nullptr;
    });
    return out;
}

}  // namespace

bool needsWideFont(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        char32_t point = 0;
        const std::size_t length = decodeUtf8(text, i, point);
        i += length == 0 ? 1 : length;
        if ((point >= 0x2E80 && point <= 0x9FFF) || (point >= 0xAC00 && point <= 0xD7AF) ||
            (point >= 0xF900 && point <= 0xFAFF) || (point >= 0xFF00 && point <= 0xFFEF) ||
            (point >= 0x20000 && point <= 0x3FFFF))
            return true;
    }
    return false;
}

// ---- POV-Ray ----

namespace {

// Bands a mesh holds at most: a mesh of a million triangles is parsed whole before use.
constexpr std::size_t kBandsPerMesh = 65536;

}  // namespace

PovrayClear::PovrayClear(std::ostream& out, const std::string& name, EngineOptions options)
    : file(out, name), options(std::move(options)) {}

tColor PovrayClear::background() const {
    return options.bckgnd == "white" ? tColor{1, 1, 1} : tColor{0, 0, 0};
}

void PovrayClear::colour(tColor c) {
    c = clamped(c);
    file.character('<');
    file.number(c.r);
    file.character(',');
    file.number(c.g);
    file.character(',');
    file.number(c.b);
    file.character('>');
}

std::string PovrayClear::texture(tColor c, bool flat) {
    c = clamped(c);
    const std::array<float, 4> key{c.r, c.g, c.b, flat ? 1.0f : 0.0f};
    for (const auto& [known, name] : textures_)
        if (known == key) return name;
    std::string name(1, 'T');  // (not "T" + ...: a false -Wrestrict in g++ 12)
    name += std::to_string(textures_.size());
    file.text("#declare ");
    file.text(name);
    file.text(" = texture { pigment { color rgb ");
    colour(c);
    file.text(flat ? " } finish { Flat } }\n" : " } finish { Lit } }\n");
    textures_.emplace_back(key, name);
    return name;
}

void PovrayClear::addHeaders(int, float, float) {}

void PovrayClear::addFrame(float left, float bottom, float right, float top) {
    const double cx = 0.5 * (double(left) + right), cy = 0.5 * (double(bottom) + top);
    const double size = std::max(double(right) - left, double(top) - bottom);
    // The camera and the lights far in front of everything drawn (depths from -shell/10 to
    // 30): at the distance of ten frames.
    const double far = 10 * size + 100;
    textDepth_ = float(-0.5 * far);
    pieceLength_ = float(size / 32);
    file.text(
        "#version 3.7;\nglobal_settings { charset utf8 assumed_gamma 1.0 }\nbackground { color "
        "rgb ");
    colour(background());
    file.text(" }\ncamera { orthographic location <");
    file.number(cx);
    file.character(',');
    file.number(cy);
    file.character(',');
    file.number(-far);
    file.text("> right <");
    file.number(double(right) - left);
    file.text(",0,0> up <0,");
    file.number(double(top) - bottom);
    file.text(",0> look_at <");
    file.number(cx);
    file.character(',');
    file.number(cy);
    file.text(",0> }\n");
    // A key light above left in front of the picture, a weaker fill from the lower right.
    const struct {
        double dx, dy;
        const char* colour;
    } lights[2] = {{-1.0, 1.0, "1"}, {1.0, -0.6, "0.4"}};
    for (const auto& light : lights) {
        file.text("light_source { <");
        file.number(cx + light.dx * far);
        file.character(',');
        file.number(cy + light.dy * far);
        file.character(',');
        file.number(-far);
        file.text("> color rgb ");
        file.text(light.colour);
        file.text(" shadowless }\n");
    }
    file.text(
        "#declare Lit = finish { ambient 0.25 diffuse 0.85 specular 0.35 roughness 0.03 }\n"
        "#declare Flat = finish { ambient 1 diffuse 0 }\n");
}

void PovrayClear::addHost(float x, float y, float z, float radius, tColor fill, tColor, float) {
    if (!(radius > 0.0f)) return;
    const std::string name = texture(fill, false);
    file.text("sphere{<");
    file.number(x);
    file.character(',');
    file.number(y);
    file.character(',');
    file.number(z);
    file.text(">,");
    file.number(radius);
    file.text(" texture{");
    file.text(name);
    file.text("}}\n");
}

void PovrayClear::addBlock(float x, float y, float z, float halfSide, tColor c) {
    const std::string name = texture(c, false);
    file.text("box{<");
    file.number(x - halfSide);
    file.character(',');
    file.number(y - halfSide);
    file.character(',');
    file.number(z);
    file.text(">,<");
    file.number(x + halfSide);
    file.character(',');
    file.number(y + halfSide);
    file.character(',');
    file.number(z);
    file.text("> texture{");
    file.text(name);
    file.text("}}\n");
}

void PovrayClear::addCylinder(float x1, float y1, float z1, float x2, float y2, float, tColor c,
                              float opacity, float radius) {
    if ((x1 == x2 && y1 == y2) || !(radius > 0.0f)) return;
    const tColor shown = clamped(blended(c, background(), opacity));
    auto same = [&](const Bands& b) {
        return b.z == z1 && b.colour.r == shown.r && b.colour.g == shown.g && b.colour.b == shown.b;
    };
    auto at = std::find_if(bands_.begin(), bands_.end(), same);
    if (at == bands_.end()) {
        bands_.push_back({shown, z1, {}});
        at = bands_.end() - 1;
    }
    // Long bands go in pieces: a triangle spanning the picture would be tried by most rays.
    const double length = std::hypot(double(x2) - x1, double(y2) - y1);
    const int pieces = std::clamp(static_cast<int>(std::ceil(length / pieceLength_)), 1, 64);
    for (int k = 0; k < pieces; ++k) {
        const float a = float(k) / float(pieces), b = float(k + 1) / float(pieces);
        at->bands.push_back({x1 + (x2 - x1) * a, y1 + (y2 - y1) * a, x1 + (x2 - x1) * b,
                             y1 + (y2 - y1) * b, radius});
        if (at->bands.size() == kBandsPerMesh) {
            writeMesh(*at);
            at->bands.clear();
        }
    }
}

void PovrayClear::writeMesh(const Bands& group) {
    if (group.bands.empty()) return;
    const std::string name = texture(group.colour, true);
    file.text("mesh2{vertex_vectors{");
    file.integer(static_cast<long long>(4 * group.bands.size()));
    for (const Band& b : group.bands) {
        const double dx = double(b.x2) - b.x1, dy = double(b.y2) - b.y1;
        const double length = std::hypot(dx, dy);
        const double nx = -dy / length * b.radius, ny = dx / length * b.radius;
        const double corners[4][2] = {{b.x1 + nx, b.y1 + ny},
                                      {b.x2 + nx, b.y2 + ny},
                                      {b.x2 - nx, b.y2 - ny},
                                      {b.x1 - nx, b.y1 - ny}};
        for (const auto& corner : corners) {
            file.text(",<");
            file.number(corner[0]);
            file.character(',');
            file.number(corner[1]);
            file.character(',');
            file.number(group.z);
            file.character('>');
        }
    }
    file.text("}\nface_indices{");
    file.integer(static_cast<long long>(2 * group.bands.size()));
    for (std::size_t k = 0; k < group.bands.size(); ++k) {
        const long long v = static_cast<long long>(4 * k);
        file.text(",<");
        file.integer(v);
        file.character(',');
        file.integer(v + 1);
        file.character(',');
        file.integer(v + 2);
        file.text(">,<");
        file.integer(v);
        file.character(',');
        file.integer(v + 2);
        file.character(',');
        file.integer(v + 3);
        file.character('>');
    }
    file.text("}\ntexture{");
    file.text(name);
    file.text("}}\n");
}

void PovrayClear::addText(const std::string& text, tColor c, float size, float x, float y,
                          const std::string&) {
    const std::string name = texture(c, true);
    file.text("text { ttf \"");
    file.text(needsWideFont(text) ? kWideFont : kClearFont);
    file.text("\" \"");
    file.text(povrayLabel(text));
    file.text("\" 0.01, 0 texture { ");
    file.text(name);
    file.text(" } scale ");
    file.number(size);
    file.text(" translate <");
    file.number(x);
    file.character(',');
    // The baseline a fifth of the height above the box's bottom, below it the descenders.
    file.number(double(y) + 0.22 * double(size));
    file.character(',');
    file.number(textDepth_);
    file.text("> }\n");
}

void PovrayClear::addCircle(float x, float y, float radius, tColor c) {
    const std::string name = texture(c, true);
    file.text("torus { ");
    file.number(radius);
    file.text(", ");
    file.number(0.02 * double(radius));
    file.text(" rotate -90*x translate <");
    file.number(x);
    file.character(',');
    file.number(y);
    file.text(",0> texture { ");
    file.text(name);
    file.text(" } }\n");
}

void PovrayClear::close() {
    for (const Bands& group : bands_) writeMesh(group);
    bands_.clear();
    file.close();
}

// ---- SVG ----

SvgClear::SvgClear(std::ostream& out, const std::string& name, EngineOptions options)
    : file(out, name), options(std::move(options)) {}

void SvgClear::colour(tColor c) {
    static constexpr char kDigits[] = "0123456789abcdef";
    c = clamped(c);
    file.character('#');
    for (const float v : {c.r, c.g, c.b}) {
        const int byte = static_cast<int>(std::lround(v * 255.0f));
        file.character(kDigits[byte >> 4]);
        file.character(kDigits[byte & 15]);
    }
}

void SvgClear::classAttribute() {
    if (groups_.empty()) return;
    file.text(" class=\"");
    file.text(groups_.back());
    file.character('"');
}

void SvgClear::addHeaders(int, float, float) {}

void SvgClear::addFrame(float left, float bottom, float right, float top) {
    file.text(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"");
    file.integer(options.width);
    file.text("\" height=\"");
    file.integer(options.height);
    file.text("\" viewBox=\"");
    file.number(left);
    file.character(' ');
    file.number(-top);
    file.character(' ');
    file.number(double(right) - left);
    file.character(' ');
    file.number(double(top) - bottom);
    file.text("\">\n<rect x=\"");
    file.number(left);
    file.text("\" y=\"");
    file.number(-top);
    file.text("\" width=\"");
    file.number(double(right) - left);
    file.text("\" height=\"");
    file.number(double(top) - bottom);
    file.text("\" fill=\"");
    colour(options.bckgnd == "white" ? tColor{1, 1, 1} : tColor{0, 0, 0});
    file.text("\"/>\n");
}

void SvgClear::addHost(float x, float y, float, float radius, tColor fill, tColor, float) {
    if (!(radius > 0.0f)) return;
    file.text("<circle");
    classAttribute();
    file.text(" cx=\"");
    file.number(x);
    file.text("\" cy=\"");
    file.number(-y);
    file.text("\" r=\"");
    file.number(radius);
    file.text("\" fill=\"");
    colour(fill);
    file.text("\"/>\n");
}

void SvgClear::addBlock(float x, float y, float, float halfSide, tColor c) {
    file.text("<rect");
    classAttribute();
    file.text(" x=\"");
    file.number(x - halfSide);
    file.text("\" y=\"");
    file.number(-y - halfSide);
    file.text("\" width=\"");
    file.number(2 * halfSide);
    file.text("\" height=\"");
    file.number(2 * halfSide);
    file.text("\" fill=\"");
    colour(c);
    file.text("\"/>\n");
}

void SvgClear::addCylinder(float x1, float y1, float, float x2, float y2, float, tColor c,
                           float opacity, float radius) {
    if (x1 == x2 && y1 == y2) return;
    file.text("<line");
    classAttribute();
    file.text(" x1=\"");
    file.number(x1);
    file.text("\" y1=\"");
    file.number(-y1);
    file.text("\" x2=\"");
    file.number(x2);
    file.text("\" y2=\"");
    file.number(-y2);
    file.text("\" stroke=\"");
    colour(c);
    file.text("\" stroke-width=\"");
    file.number(2 * radius);
    if (opacity < 1.0f) {
        file.text("\" stroke-opacity=\"");
        file.number(clamped(opacity));
    }
    file.text("\"/>\n");
}

void SvgClear::addText(const std::string& text, tColor c, float size, float x, float y,
                       const std::string&) {
    file.text("<text");
    classAttribute();
    file.text(" x=\"");
    file.number(x);
    file.text("\" y=\"");
    file.number(-(double(y) + 0.22 * double(size)));
    file.text("\" font-family=\"DejaVu Sans, Verdana, sans-serif\" font-size=\"");
    file.number(size);
    // The glyphs fitted to the width the layout reserved for them.
    file.text("\" textLength=\"");
    file.number(textWidth(text, size));
    file.text("\" lengthAdjust=\"spacingAndGlyphs");
    file.text("\" fill=\"");
    colour(c);
    file.text("\">");
    file.text(svgText(text));
    file.text("</text>\n");
}

void SvgClear::addCircle(float x, float y, float radius, tColor c) {
    file.text("<circle");
    classAttribute();
    file.text(" cx=\"");
    file.number(x);
    file.text("\" cy=\"");
    file.number(-y);
    file.text("\" r=\"");
    file.number(radius);
    file.text("\" fill=\"none\" stroke=\"");
    colour(c);
    file.text("\"/>\n");
}

void SvgClear::close() {
    while (!groups_.empty()) endGroup();
    file.text("</svg>\n");
    file.close();
}

void SvgClear::beginGroup(const std::string& name) {
    file.text("<g class=\"");
    file.text(name);
    file.text("\">\n");
    groups_.push_back(name);
}

void SvgClear::endGroup() {
    if (groups_.empty()) return;
    groups_.pop_back();
    file.text("</g>\n");
}
