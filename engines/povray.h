// Writes a scene as a POV-Ray scene description: a fixed header, then one statement per
// line for every drawing operation, seen by an orthographic camera on the negative z axis.
#pragma once

#include <iosfwd>
#include <string>

#include "engines/engine.h"

class Povray : public Engine {
  public:
    // Writes into out (the file the driver opened, or a test's string); name appears in
    // error messages.
    Povray(std::ostream& out, const std::string& name, EngineOptions options = {});

    void addHeaders(int light, float unitLength, float sceneRadius) override;
    void addHost(float x, float y, float z, float radius, tColor fill, tColor ring,
                 float opacity) override;
    void addBlock(float x, float y, float z, float halfSide, tColor colour) override;
    void addCylinder(float x1, float y1, float z1, float x2, float y2, float z2, tColor colour,
                     float opacity, float radius) override;
    void addText(const std::string& text, tColor colour, float size, float x, float y,
                 const std::string& align) override;
    void addCircle(float x, float y, float radius, tColor colour) override;
    // Nothing to append; throws Fatal when the file could not be written completely.
    void close() override;

    std::unique_ptr<Engine> forBlock(std::ostream& out) const override;
    bool drawsBlocks() const override { return true; }
    void endBlock() override { file.flush(); }
    void append(std::string_view text) override { file.text(text); }
    // General number format until the first cylinder, fixed after it.
    int drawingState() const override { return file.fixed ? 1 : 0; }
    void setDrawingState(int state) override { file.fixed = state != 0; }

    SceneFile file;
    EngineOptions options;
    // Copied by addHeaders; addText puts labels in front of the scene with them.
    float unitLength = 0.0f;
    float sceneRadius = 0.0f;

  private:
    void numbers3(double a, double b, double c, const char* separator);
    void colour3(tColor colour, const char* separator);
};

// The label as the body of a POV-Ray string: a double quote or backslash is escaped.
std::string povrayString(const std::string& text);
