// What the writers of export/ share: text gathered in a large buffer and handed to the stream
// a few megabytes at a time, numbers written with std::to_chars, colours as "#rrggbb".
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>

#include "graph/colour.h"

// The output as it grows: append to text(), then call spill(); the destructor hands over
// the rest (a failure shows in the stream's state).
class TextSink {
  public:
    explicit TextSink(std::ostream& out) : out_(out) { buffer_.reserve(kChunk + kChunk / 2); }
    ~TextSink() { flush(); }
    TextSink(const TextSink&) = delete;
    TextSink& operator=(const TextSink&) = delete;

    std::string& text() { return buffer_; }
    void spill() {
        if (buffer_.size() >= kChunk) flush();
    }
    void flush() {
        out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        buffer_.clear();
    }

    static constexpr std::size_t kChunk = std::size_t{4} << 20;

  private:
    std::ostream& out_;
    std::string buffer_;
};

void appendInteger(std::string& out, std::uint64_t value);
void appendSigned(std::string& out, std::int64_t value);
// The shortest text that reads back as the same value; 0 for a value that is not finite.
void appendNumber(std::string& out, double value);
// Floats in their own shortest form ("0.2", not the double nearest to 0.2f).
void appendFloat(std::string& out, float value);

// A colour as 0xRRGGBB, each component value × 255 rounded and clamped to 0–255 (the
// scenes' white is 2, 2, 2).
std::uint32_t rgbOf(tColor colour);
// "#rrggbb", lower-case hexadecimal.
void appendHexColour(std::string& out, std::uint32_t rgb);
