#include "e2e/png_check.h"

#include <png.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <unordered_set>

namespace e2e {

namespace {

std::uint32_t bigEndian(const unsigned char* bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | bytes[3];
}

// Reads the header by hand, so that a file libpng rejects still tells what it claims.
void readHeader(const std::filesystem::path& file, PngFacts& facts) {
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    std::ifstream in(file, std::ios::binary);
    unsigned char bytes[8 + 8 + 13] = {};
    in.read(reinterpret_cast<char*>(bytes), sizeof bytes);
    if (in.gcount() < 8) return;
    facts.signature = std::equal(std::begin(kSignature), std::end(kSignature), bytes);
    if (!facts.signature || in.gcount() < static_cast<std::streamsize>(sizeof bytes)) return;
    facts.header = bigEndian(bytes + 8) == 13 && std::string(bytes + 12, bytes + 16) == "IHDR";
    if (!facts.header) return;
    facts.width = bigEndian(bytes + 16);
    facts.height = bigEndian(bytes + 20);
}

}  // namespace

PngFacts inspectPng(const std::filesystem::path& file) {
    PngFacts facts;
    readHeader(file, facts);

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, file.c_str())) {
        facts.error = image.message;
        png_image_free(&image);
        return facts;
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> bytes(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) {
        facts.error = image.message;
        png_image_free(&image);
        return facts;
    }
    facts.decoded = true;
    Picture& picture = facts.picture;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.pixels.reserve(bytes.size() / 3);
    for (std::size_t i = 0; i + 2 < bytes.size(); i += 3)
        picture.pixels.push_back((std::uint32_t{bytes[i]} << 16) |
                                 (std::uint32_t{bytes[i + 1]} << 8) | bytes[i + 2]);
    facts.distinctColours =
        std::unordered_set<std::uint32_t>(picture.pixels.begin(), picture.pixels.end()).size();
    return facts;
}

bool writePng(const std::filesystem::path& file, const Picture& picture) {
    std::vector<png_byte> bytes;
    bytes.reserve(picture.pixels.size() * 3);
    for (std::uint32_t pixel : picture.pixels) {
        bytes.push_back(static_cast<png_byte>(pixel >> 16));
        bytes.push_back(static_cast<png_byte>(pixel >> 8));
        bytes.push_back(static_cast<png_byte>(pixel));
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = PNG_FORMAT_RGB;
    bool written = png_image_write_to_file(&image, file.c_str(), 0, bytes.data(), 0, nullptr);
    png_image_free(&image);
    return written;
}

}  // namespace e2e
