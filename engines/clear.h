// The clear style's scene writers, one for each format. Each picture shows exactly the frame
// it is given (addFrame, in place of addHeaders), colours are clamped to their range, and
// every kind of object is written short and quick to render. In POV-Ray: spheres with a
// declared texture a colour (shorter and faster to parse than a macro call), edges and links
// as flat bands in meshes, which POV-Ray traces fast, a key light above left in front of the
// picture and a weaker fill light, labels in a TrueType font with wide coverage (charset
// utf8). In SVG: plain shapes without group opacity, labels fitted to the width the layout
// gave them, groups as classes.
//
// Coordinates as every engine takes them: x to the right, y up, z the depth (smaller is
// nearer the viewer). A text is placed by the lower left corner of its box and drawn at the
// box's height; a cylinder's opacity blends it with the background.
#pragma once

#include <array>
#include <iosfwd>
#include <string>
#include <vector>

#include "engines/engine.h"

// The fonts the clear POV-Ray scene names, from Debian's fonts-dejavu-core (Latin, Greek,
// Cyrillic and more) and fonts-droid-fallback (Chinese, Japanese, Korean).
inline constexpr const char* kClearFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
inline constexpr const char* kWideFont =
    "/usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf";

// Whether a label is drawn with the wide font: it holds a character of the scripts only that
// font covers (CJK ideographs, kana, hangul, full-width forms).
bool needsWideFont(const std::string& text);

class PovrayClear : public Engine {
  public:
    PovrayClear(std::ostream& out, const std::string& name, EngineOptions options = {});

    void addHeaders(int light, float unitLength, float sceneRadius) override;
    void addHost(float x, float y, float z, float radius, tColor fill, tColor ring,
                 float opacity) override;
    void addBlock(float x, float y, float z, float halfSide, tColor colour) override;
    void addCylinder(float x1, float y1, float z1, float x2, float y2, float z2, tColor colour,
                     float opacity, float radius) override;
    void addText(const std::string& text, tColor colour, float size, float x, float y,
                 const std::string& align) override;
    void addCircle(float x, float y, float radius, tColor colour) override;
    void close() override;
    void addFrame(float left, float bottom, float right, float top) override;

    SceneFile file;
    EngineOptions options;

  private:
    // A flat band of an edge or a link, drawn as two triangles of a mesh.
    struct Band {
        float x1, y1, x2, y2, radius;
    };
    // The bands of one colour and depth, written as one mesh when full and at the end: a
    // mesh's triangles are found through its own tree, where cylinders spanning the picture
    // would each be tried by most rays.
    struct Bands {
        tColor colour;
        float z;
        std::vector<Band> bands;
    };

    void colour(tColor c);
    tColor background() const;
    // The name of the texture of this colour, declared before its first use.
    std::string texture(tColor c, bool flat);
    void writeMesh(const Bands& bands);

    // Depth of the texts: in front of every vertex, behind the camera.
    float textDepth_ = -1000.0f;
    // The longest piece of a band (a thirty-second of the frame).
    float pieceLength_ = 1.0f;
    std::vector<std::pair<std::array<float, 4>, std::string>> textures_;
    std::vector<Bands> bands_;
};

class SvgClear : public Engine {
  public:
    SvgClear(std::ostream& out, const std::string& name, EngineOptions options = {});

    void addHeaders(int light, float unitLength, float sceneRadius) override;
    void addHost(float x, float y, float z, float radius, tColor fill, tColor ring,
                 float opacity) override;
    void addBlock(float x, float y, float z, float halfSide, tColor colour) override;
    void addCylinder(float x1, float y1, float z1, float x2, float y2, float z2, tColor colour,
                     float opacity, float radius) override;
    void addText(const std::string& text, tColor colour, float size, float x, float y,
                 const std::string& align) override;
    void addCircle(float x, float y, float radius, tColor colour) override;
    void close() override;
    void addFrame(float left, float bottom, float right, float top) override;
    void beginGroup(const std::string& name) override;
    void endGroup() override;

    SceneFile file;
    EngineOptions options;

  private:
    void colour(tColor c);
    // ' class="NAME"' inside a group, else nothing.
    void classAttribute();
    std::vector<std::string> groups_;
};
