// Reading PNG files in tests: the signature and IHDR header as bytes, the pixels through
// libpng, and writing small pictures for the viewer to show.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace e2e {

// Pixels as 0xRRGGBB, row by row from the top left corner.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

struct PngFacts {
    bool signature = false;   // the eight PNG signature bytes
    bool header = false;      // an IHDR chunk of 13 bytes right after them
    std::uint32_t width = 0;  // from IHDR
    std::uint32_t height = 0;
    bool decoded = false;  // libpng read every pixel
    Picture picture;       // the decoded pixels, alpha dropped
    std::size_t distinctColours = 0;
    std::string error;  // why decoding failed
};

PngFacts inspectPng(const std::filesystem::path& file);

// Writes picture as an 8-bit RGB PNG; false when libpng cannot.
bool writePng(const std::filesystem::path& file, const Picture& picture);

}  // namespace e2e
