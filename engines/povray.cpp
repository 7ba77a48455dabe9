#include "engines/povray.h"

#include <cmath>
#include <utility>

namespace {

// A cylinder coordinate on the grid of 0.00001, in single precision: halves away from zero.
float gridStep(float value) {
    return std::round(value * 100000.0f);
}
float onGrid(float value) {
    return gridStep(value) / 100000.0f;
}

}  // namespace

std::string povrayString(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        if (c == '"' || c == '\\') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

Povray::Povray(std::ostream& out, const std::string& name, EngineOptions options)
    : file(out, name), options(std::move(options)) {}

void Povray::numbers3(double a, double b, double c, const char* separator) {
    file.number(a);
    file.text(separator);
    file.number(b);
    file.text(separator);
    file.number(c);
}

void Povray::colour3(tColor colour, const char* separator) {
    numbers3(colour.r, colour.g, colour.b, separator);
}

void Povray::addHeaders(int light, float unitLengthValue, float sceneRadiusValue) {
    file.text(
        "#include \"colors.inc\"\n"
        "#include \"stones.inc\"\n"
        "#include \"textures.inc\"\n"
        "#include \"shapes.inc\"\n"
        "#include \"glass.inc\"\n"
        "#include \"metals.inc\"\n"
        "#include \"woods.inc\"\n"
        "global_settings { max_trace_level 10 }\n"
        "global_settings { assumed_gamma 1.8 }\n"
        "camera { orthographic location <0, 0, ");
    file.number(double(-2.0f * unitLengthValue) * 1.3 * double(sceneRadiusValue));
    file.text("> look_at  <0, 0, 0> }\n");
    unitLength = unitLengthValue;
    sceneRadius = sceneRadiusValue;

    file.text("light_source { < ");
    file.integer(light);
    file.text(", ");
    file.integer(light);
    file.text(", ");
    // Negated in double: the int negation of the lowest int would overflow.
    file.number(-double(light) / 0.3);
    file.text(
        "> color rgb <1.3, 1.3, 1.3>}\n"
        "global_settings { ambient_light rgb<0.8, 0.8, 0.8> }\n");
    if (options.bckgnd == "white") file.text("background { color rgb <5, 5, 5> }\n");
}

void Povray::addHost(float x, float y, float z, float radius, tColor fill, tColor ring, float) {
    file.text("sphere { <");
    numbers3(x, y, z, ", ");
    file.text(">, ");
    file.number(radius);
    file.text(" pigment { rgb <");
    colour3(fill, ", ");
    file.text("> }  }\n");

    // A halo only when every component differs (NaN compares as different).
    if (fill.r == ring.r || fill.g == ring.g || fill.b == ring.b) return;
    double back = double(z) + double(radius);
    float zNear = onGrid(float(back + 0.1));
    float zFar = onGrid(float(back + 0.2));
    float gx = onGrid(x);
    float gy = onGrid(y);
    file.fixed = true;
    file.text("cylinder { <");
    numbers3(gx, gy, zNear, ", ");
    file.text(">, <");
    numbers3(gx, gy, zFar, ", ");
    file.text("> ");
    file.number(1.5 * double(radius));
    file.text(" texture { pigment { color rgbf <");
    colour3(ring, ", ");
    file.text("> } } }\n");
}

void Povray::addBlock(float x, float y, float z, float halfSide, tColor colour) {
    file.text("box { <");
    numbers3(x - halfSide, y - halfSide, z, ", ");
    file.text(">, <");
    file.number(x + halfSide);
    file.text(", ");
    file.number(y + halfSide);
    file.text(", 0 > pigment { rgb <");
    colour3(colour, ", ");
    file.text("> }  }\n");
}

void Povray::addCylinder(float x1, float y1, float z1, float x2, float y2, float z2, tColor colour,
                         float, float radius) {
    // Ends on the same grid point in all three coordinates would make a zero-length
    // cylinder, which POV-Ray rejects.
    if (gridStep(x1) == gridStep(x2) && gridStep(y1) == gridStep(y2) &&
        gridStep(z1) == gridStep(z2)) {
        return;
    }
    file.fixed = true;
    file.text("cylinder { <");
    numbers3(onGrid(x1), onGrid(y1), onGrid(z1), ", ");
    file.text(">, <");
    numbers3(onGrid(x2), onGrid(y2), onGrid(z2), ", ");
    file.text("> ");
    file.number(radius);
    file.text(" open texture { pigment { color rgbf <");
    colour3(colour, ", ");
    file.text("> } } }\n");
}

void Povray::addText(const std::string& text, tColor colour, float size, float x, float y,
                     const std::string&) {
    file.text("text { ttf \"cyrvetic.ttf\" \"");
    file.text(povrayString(text));
    file.text("\" 0.37, 0 pigment { color rgbf < ");
    colour3(colour, " , ");
    file.text("> } translate < ");
    file.number(x);
    file.text(" , ");
    file.number(y);
    file.text(" , ");
    // Halfway between camera and origin once scaled by size, in front of every vertex.
    file.number(1.3 * double(-unitLength) * double(sceneRadius) / double(size));
    file.text(" > scale < ");
    file.number(size);
    file.text(" , ");
    file.number(size);
    file.text(", ");
    file.number(size);
    file.text(" >  }\n");
}

void Povray::addCircle(float x, float y, float radius, tColor colour) {
    file.text("torus { ");
    file.number(radius);
    file.text(" 0.02 rotate -90*x translate <");
    file.number(x);
    file.character(',');
    file.number(y);
    file.text(",0> pigment { rgb <");
    colour3(colour, ", ");
    file.text("> } }\n");
}

std::unique_ptr<Engine> Povray::forBlock(std::ostream& out) const {
    auto block = std::make_unique<Povray>(out, file.name(), options);
    block->file.fixed = file.fixed;
    block->unitLength = unitLength;
    block->sceneRadius = sceneRadius;
    return block;
}

void Povray::close() {
    file.close();
}
