// The output back end of the scene composer, and what both scene writers share: number
// formatting that matches the standard stream's output, and a buffered scene file that
// reports every failure to create, write or close it.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

#include "graph/colour.h"

// What the scene writers take from the command line.
struct EngineOptions {
    // "white" or "black".
    std::string bckgnd = "black";
    // The part of the frame an SVG scene shows (-window): fractions of its width and height.
    float hstart = 0.0f;
    float hend = 1.0f;
    float vstart = 0.0f;
    float vend = 1.0f;
    // The image size in pixels (the clear style's SVG states it).
    int width = 800;
    int height = 600;
};

// One scene file format. The composer describes a scene as these drawing operations, in
// stacking order; an engine turns each into text appended to its file at once.
class Engine {
  public:
    virtual void addHeaders(int light, float unitLength, float sceneRadius) = 0;
    virtual void addHost(float x, float y, float z, float radius, tColor fill, tColor ring,
                         float opacity) = 0;
    virtual void addBlock(float x, float y, float z, float halfSide, tColor colour) = 0;
    virtual void addCylinder(float x1, float y1, float z1, float x2, float y2, float z2,
                             tColor colour, float opacity, float radius) = 0;
    virtual void addText(const std::string& text, tColor colour, float size, float x, float y,
                         const std::string& align) = 0;
    virtual void addCircle(float x, float y, float radius, tColor colour) = 0;
    virtual void close() = 0;

    // Declared after the operations so that they keep the first seven slots; it lets the
    // driver own an engine through a pointer to this class.
    virtual ~Engine() = default;

    // ---- What the clear style adds; the classic writers take none of it ----

    // The rectangle of the scene plane the picture shows exactly (x to the right, y up); a
    // clear writer writes its header here, in place of addHeaders.
    virtual void addFrame(float left, float bottom, float right, float top) {
        (void)left, (void)bottom, (void)right, (void)top;
    }
    // The elements until endGroup belong to a group of that class (SVG: class="name").
    virtual void beginGroup(const std::string& name) { (void)name; }
    virtual void endGroup() {}

    // ---- Drawing on several threads ----

    // An engine of the same kind and options that writes the drawing operations it is given
    // to out as this one would (no header, no closing; endBlock hands the rest over), so that
    // a run of operations can be written on another thread and appended in its place. Null
    // when this engine draws on one thread only. Safe to call from several threads at once.
    virtual std::unique_ptr<Engine> forBlock(std::ostream& out) const {
        (void)out;
        return nullptr;
    }
    // Whether forBlock gives an engine.
    virtual bool drawsBlocks() const { return false; }
    virtual void endBlock() {}
    // What an operation may change and later ones depend on (the number format): a block
    // engine starts in the state given and the composer carries it from block to block.
    virtual int drawingState() const { return 0; }
    virtual void setDrawingState(int state) { (void)state; }
    // Text a block engine wrote, appended where its operations belong.
    virtual void append(std::string_view text) { (void)text; }
};

// Longest text formatNumber can produce: a double near its maximum in fixed notation with
// five decimals (sign, 309 digits, point, 5 decimals), rounded up.
inline constexpr std::size_t maxNumberLength = 324;

// Writes value at first as the standard stream would with its default format (%g with
// precision 6) or, when fixed is set, with std::fixed and precision 5 (%.5f). Returns the
// end of the text; first must have room for maxNumberLength characters.
char* formatNumber(char* first, double value, bool fixed);

// A scene under construction. Text and numbers are collected in a large buffer and handed
// to the stream (the scene file the driver opened, or a test's string) a megabyte at a
// time, so formatting costs no per-call stream overhead. A failure to write or to finish
// it is remembered and thrown by close(), the one point where a scene is declared
// complete: Fatal("ERROR: Scene file NAME cannot be written\n").
class SceneFile {
  public:
    // Writes into a stream the caller keeps alive; name is used in the error message.
    SceneFile(std::ostream& stream, std::string name);
    // Without close(), what is buffered is still handed over, but failures go unreported.
    ~SceneFile();
    SceneFile(const SceneFile&) = delete;
    SceneFile& operator=(const SceneFile&) = delete;

    void text(std::string_view piece) {
        if (piece.size() > capacity - used) {
            writeLarge(piece);
            return;
        }
        piece.copy(buffer.get() + used, piece.size());
        used += piece.size();
    }
    void character(char c) {
        if (used == capacity) flushBuffer();
        buffer[used++] = c;
    }
    // In the current number format: general, or fixed with 5 decimals once fixed is set.
    void number(double value) {
        if (capacity - used < maxNumberLength) flushBuffer();
        used = static_cast<std::size_t>(formatNumber(buffer.get() + used, value, fixed) -
                                        buffer.get());
    }
    void integer(long long value);

    // Hands over what is buffered without ending the file (tests read the text as it grows).
    void flush() { flushBuffer(); }

    // Hands over the rest and closes the file. Throws Fatal when any write, the flush or
    // the close failed. Later calls and later text are without effect.
    void close();

    const std::string& name() const { return fileName; }

    // The number format: general until set, fixed with 5 decimals afterwards.
    bool fixed = false;

  private:
    static constexpr std::size_t capacity = std::size_t(1) << 20;

    void flushBuffer();
    void writeLarge(std::string_view piece);
    void deliver(const char* data, std::size_t size);
    bool finish();

    std::string fileName;
    std::unique_ptr<char[]> buffer;
    std::size_t used = 0;
    std::ostream* stream = nullptr;
    bool failed = false;
    bool closed = false;
};
