// Writes a scene as an SVG 1.1 document: the z coordinate is dropped, y is negated, and
// later elements paint over earlier ones, so the call order is the stacking order.
#pragma once

#include <iosfwd>
#include <string>

#include "engines/engine.h"

class Svg : public Engine {
  public:
    // Writes into out (the file the driver opened, or a test's string); name appears in
    // error messages.
    Svg(std::ostream& out, const std::string& name, EngineOptions options = {});

    void addHeaders(int light, float unitLength, float sceneRadius) override;
    void addHost(float x, float y, float z, float radius, tColor fill, tColor ring,
                 float opacity) override;
    void addBlock(float x, float y, float z, float halfSide, tColor colour) override;
    void addCylinder(float x1, float y1, float z1, float x2, float y2, float z2, tColor colour,
                     float opacity, float radius) override;
    void addText(const std::string& text, tColor colour, float size, float x, float y,
                 const std::string& align) override;
    void addCircle(float x, float y, float radius, tColor colour) override;
    // Appends the closing tag and ends the file; throws Fatal when it could not be written.
    void close() override;

    std::unique_ptr<Engine> forBlock(std::ostream& out) const override;
    bool drawsBlocks() const override { return true; }
    void endBlock() override { file.flush(); }
    void append(std::string_view text) override { file.text(text); }

    SceneFile file;
    EngineOptions options;

  private:
    // The three components as integers 0..255 (unclamped), separated by commas.
    void rgb(tColor colour);
    void component(float value);
};

// The label as SVG character data: "&", "<" and ">" as entities, control characters other
// than the tab left out, and every byte outside a valid UTF-8 sequence of an XML character
// replaced by "?", so the document stays well-formed whatever the label holds.
std::string svgText(const std::string& text);
