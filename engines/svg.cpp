#include "engines/svg.h"

#include <cmath>
#include <cstddef>
#include <utility>

#include "graph/text.h"

std::string svgText(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    appendCleanText(escaped, text, xmlTextEscape);
    return escaped;
}

Svg::Svg(std::ostream& out, const std::string& name, EngineOptions options)
    : file(out, name), options(std::move(options)) {}

// Nearest integer to value × 255 in single precision, halves away from zero, unclamped.
void Svg::component(float value) {
    float scaled = std::round(value * 255.0f);
    if (scaled > -9.2e18f && scaled < 9.2e18f) {
        file.integer(static_cast<long long>(scaled));
    } else {
        // Beyond any integer type, infinite or NaN: as the stream shows the number.
        file.number(scaled);
    }
}

void Svg::rgb(tColor colour) {
    component(colour.r);
    file.character(',');
    component(colour.g);
    file.character(',');
    component(colour.b);
}

void Svg::addHeaders(int, float unitLength, float sceneRadius) {
    float S = float(double(2.0f * unitLength) * 1.3 * double(sceneRadius));
    double W = 1.2 * double(S);
    double H = 0.9 * double(S);
    float Wf = float(W);
    float Hf = float(H);
    const EngineOptions& p = options;

    file.text(
        "<?xml version=\"1.0\" standalone=\"no\"?>\n"
        "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\"\n"
        "\"http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd\">\n"
        "<svg width=\"800\" height=\"600\" viewBox=\"");
    file.number(-0.6 * double(S) + double(Wf * p.hstart));
    file.character(' ');
    file.number(-0.45 * double(S) + double(Hf * p.vstart));
    file.character(' ');
    file.number((p.hend - p.hstart) * Wf);
    file.character(' ');
    file.number((p.vend - p.vstart) * Hf);
    file.text(
        "\" version=\"1.1\"\n"
        "xmlns=\"http://www.w3.org/2000/svg\">\n");

    if (p.bckgnd == "white") return;
    // The background covers the whole frame, not only the window.
    file.text("<rect x=\"-");
    file.number(0.6 * double(S));
    file.text("\" y=\"-");
    file.number(0.45 * double(S));
    file.text("\" width=\"");
    file.number(W);
    file.text("\" height=\"");
    file.number(H);
    file.text("\" fill=\"rgb(0,0,0)\"/>\n");
}

void Svg::addHost(float x, float y, float, float radius, tColor fill, tColor ring, float opacity) {
    // The halo goes first and 10 % larger, so it shows as a ring around the vertex.
    bool halo = fill.r != ring.r || fill.g != ring.g || fill.b != ring.b;
    for (int pass = halo ? 0 : 1; pass < 2; ++pass) {
        file.text("<circle cx=\"");
        file.number(x);
        file.text("\" cy=\"");
        file.number(-y);
        file.text("\" fill=\"rgb(");
        rgb(pass == 0 ? ring : fill);
        file.text(")\" r=\"");
        file.number(pass == 0 ? 1.1 * double(radius) : double(radius));
        file.text("\" opacity=\"");
        file.number(opacity);
        file.text("\"/>\n");
    }
}

void Svg::addBlock(float x, float y, float, float halfSide, tColor colour) {
    file.text("<rect x=\"");
    file.number(x - halfSide);
    file.text("\" y=\"");
    file.number(-y - halfSide);
    file.text("\" fill=\"rgb(");
    rgb(colour);
    file.text(")\" width=\"");
    file.number(2 * halfSide);
    file.text("\" height=\"");
    file.number(2 * halfSide);
    file.text("\"/>\n");
}

void Svg::addCylinder(float x1, float y1, float, float x2, float y2, float, tColor colour,
                      float opacity, float radius) {
    // Ends on the same point after rounding to three decimals draw nothing visible.
    auto cell = [](float v) { return std::floor((double(v) + 0.0005) * 1000); };
    if (cell(x1) == cell(x2) && cell(y1) == cell(y2)) return;
    file.text("<line x1=\"");
    file.number(x1);
    file.text("\" x2=\"");
    file.number(x2);
    file.text("\" y1=\"");
    file.number(-y1);
    file.text("\" y2=\"");
    file.number(-y2);
    file.text("\" stroke=\"rgb(");
    rgb(colour);
    file.text(")\" stroke-width=\"");
    file.number(2 * radius);
    file.text("\" opacity=\"");
    file.number(opacity);
    file.text("\"/>\n");
}

void Svg::addText(const std::string& text, tColor colour, float size, float x, float y,
                  const std::string&) {
    float scaledY = y * size;
    file.text("<text x=\"");
    file.number(x * size);
    file.text("\" y=\"");
    // The baseline sits 0.65 character heights above the anchor.
    file.number(double(-scaledY) - 0.65 * double(size));
    file.text("\" font-family=\"Verdana\" font-size=\"");
    file.number(size);
    file.text("\" fill=\"rgb(");
    rgb(colour);
    file.text(")\">");
    file.text(svgText(text));
    file.text("</text>\n");
}

void Svg::addCircle(float x, float y, float radius, tColor colour) {
    file.text("<circle cx=\"");
    file.number(x);
    file.text("\" cy=\"");
    file.number(-y);
    file.text("\" border=\"rgb(");
    rgb(colour);
    file.text(")\" r=\"");
    file.number(radius);
    file.text("\" fill=\"rgb(60,40,0)\"/>\n");
}

std::unique_ptr<Engine> Svg::forBlock(std::ostream& out) const {
    return std::make_unique<Svg>(out, file.name(), options);
}

void Svg::close() {
    file.text("</svg>\n");
    file.close();
}
