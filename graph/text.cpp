#include "graph/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Bytes of a token, and of other text, that a message shows.
constexpr std::size_t kShownBytes = 64;
constexpr std::size_t kShownTextBytes = 256;

}  // namespace

const char* parseId(const char* p, const char* limit, VertexId* id) {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(p, limit, value);
    if (error != std::errc() || end == p ||
        value > static_cast<std::uint32_t>(std::numeric_limits<VertexId>::max()) ||
        static_cast<std::size_t>(end - p) > kLongestToken)
        return nullptr;
    *id = static_cast<VertexId>(value);
    return end;
}

bool parseId(std::string_view token, VertexId* id) {
    const char* end = token.data() + token.size();
    return !token.empty() && parseId(token.data(), end, id) == end;
}

std::size_t plainDecimalLength(std::string_view text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    auto digits = [&] {
        const std::size_t start = i;
        while (i < n && isDigit(text[i])) ++i;
        return i - start;
    };
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t mantissa = digits();
    if (i < n && text[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return 0;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < n && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < n && isDigit(text[j])) {
            i = j;
            digits();
        }
    }
    return i;
}

WeightToken readWeight(std::string_view token, double* weight) {
    if (token.empty() || token.size() > kLongestToken) return WeightToken::invalid;
    std::string_view magnitude = token;
    if (token[0] == '+' || token[0] == '-') magnitude.remove_prefix(1);
    if (plainDecimalLength(token) != token.size()) {
        auto is = [&magnitude](std::string_view word) {
            return magnitude.size() == word.size() &&
                   std::equal(word.begin(), word.end(), magnitude.begin(), [](char a, char b) {
                       return a == (b >= 'A' && b <= 'Z' ? b - 'A' + 'a' : b);
                   });
        };
        return is("nan") || is("inf") || is("infinity") ? WeightToken::notPositive
                                                        : WeightToken::invalid;
    }
    if (token[0] == '-') return WeightToken::notPositive;
    double value = 0;
    const auto [end, error] =
        std::from_chars(magnitude.data(), magnitude.data() + magnitude.size(), value);
    // Out of range: too large for a double, or so small that it rounds to zero.
    if (error != std::errc() || !(value > 0) || !std::isfinite(value))
        return WeightToken::notPositive;
    *weight = value;
    return WeightToken::positive;
}

std::string escaped(std::string_view text, Escape rule) {
    static const char* const kHex = "0123456789ABCDEF";
    const bool token = rule != Escape::Argument;
    const std::size_t shown = rule == Escape::Token  ? std::min(text.size(), kShownBytes)
                              : rule == Escape::Text ? std::min(text.size(), kShownTextBytes)
                                                     : text.size();
    std::string out;
    out.reserve(shown + 3);
    for (std::size_t i = 0; i < shown; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F || (token && c > 0x7F)) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    if (shown < text.size()) out += "...";
    return out;
}

std::size_t decodeUtf8(std::string_view text, std::size_t i, char32_t& point) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length;
    char32_t minimum;
    if (lead < 0x80) {
        point = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, minimum = 0x80, point = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, minimum = 0x800, point = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, minimum = 0x10000, point = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() - i < length) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        point = (point << 6) | (byte(i + k) & 0x3F);
    }
    if (point < minimum || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return 0;
    return length;
}

std::ifstream openForReading(const std::string& name, const char* what) {
    std::error_code error;
    std::ifstream input;
    if (!std::filesystem::is_directory(name, error)) input.open(name, std::ios::binary);
    if (!input.is_open())
        throw Fatal("ERROR: " + std::string(what) + " " + name + " cannot be opened\n");
    return input;
}

const char* xmlTextEscape(char32_t point) {
    switch (point) {
        case '&':
            return "&amp;";
        case '<':
            return "&lt;";
        case '>':
            return "&gt;";
        default:
            return nullptr;
    }
}

const char* xmlAttributeEscape(char32_t point) {
    if (point == '"') return "&quot;";
    if (point == '\t') return "&#9;";
    return xmlTextEscape(point);
}

float textWidth(std::string_view text, float height) {
    float ems = 0.0f;
    std::size_t i = 0;
    while (i < text.size()) {
        char32_t point = 0;
        const std::size_t length = decodeUtf8(text, i, point);
        i += length == 0 ? 1 : length;
        if (length == 0) {
            ems += 0.7f;  // shown as a replacement character
        } else if (point >= 0x1100) {
            ems += 1.0f;  // CJK and other wide scripts
        } else if (point == ' ' || point == '\t') {
            ems += 0.35f;
        } else if ((point >= 'A' && point <= 'Z') || point == 'm' || point == 'w' ||
                   point >= 0x80) {
            ems += 0.8f;
        } else {
            ems += 0.65f;
        }
    }
    return ems * height;
}
