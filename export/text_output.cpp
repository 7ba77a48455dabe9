#include "export/text_output.h"

#include <charconv>
#include <cmath>

void appendInteger(std::string& out, std::uint64_t value) {
    char text[24];
    out.append(text, std::to_chars(text, text + sizeof text, value).ptr);
}

void appendSigned(std::string& out, std::int64_t value) {
    char text[24];
    out.append(text, std::to_chars(text, text + sizeof text, value).ptr);
}

void appendNumber(std::string& out, double value) {
    if (!std::isfinite(value)) value = 0;
    char text[32];
    out.append(text, std::to_chars(text, text + sizeof text, value).ptr);
}

void appendFloat(std::string& out, float value) {
    if (!std::isfinite(value)) value = 0;
    char text[32];
    out.append(text, std::to_chars(text, text + sizeof text, value).ptr);
}

namespace {

std::uint32_t component(float value) {
    const float scaled = std::round(value * 255.0f);
    if (!(scaled > 0.0f)) return 0;
    return scaled >= 255.0f ? 255 : static_cast<std::uint32_t>(scaled);
}

}  // namespace

std::uint32_t rgbOf(tColor colour) {
    return component(colour.r) << 16 | component(colour.g) << 8 | component(colour.b);
}

void appendHexColour(std::string& out, std::uint32_t rgb) {
    static constexpr char digits[] = "0123456789abcdef";
    out += '#';
    for (int shift = 20; shift >= 0; shift -= 4) out += digits[(rgb >> shift) & 15];
}
