#include "export/page_encoding.h"

#include <cstdint>

namespace {

// Length of the valid UTF-8 sequence at text[i] and its code point, or 0 when the bytes
// there are not one (stray continuation byte, truncated or overlong sequence, surrogate,
// beyond U+10FFFF). The rule of the SVG scene's label cleaning, so both show the same text.
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

bool isControl(char32_t point) {
    return (point < 0x20 && point != '\t') || (point >= 0x7F && point <= 0x9F);
}

// Characters a label keeps but that must not appear as themselves in the page's script
// element: the JSON string's own quote and escape, markup openers, and the line separators
// that older JavaScript parsers end a string at.
const char* escapeOf(char32_t point) {
    switch (point) {
        case '"':
            return "\\\"";
        case '\\':
            return "\\\\";
        case '\t':
            return "\\t";
        case '<':
            return "\\u003c";
        case '>':
            return "\\u003e";
        case '&':
            return "\\u0026";
        case 0x2028:
            return "\\u2028";
        case 0x2029:
            return "\\u2029";
        default:
            return nullptr;
    }
}

}  // namespace

void appendLabelJson(std::string& out, std::string_view label) {
    out += '"';
    std::size_t i = 0;
    while (i < label.size()) {
        // Runs of plain printable ASCII, the common case, are copied in one go.
        std::size_t plain = i;
        while (plain < label.size()) {
            const unsigned char c = static_cast<unsigned char>(label[plain]);
            if (c < 0x20 || c >= 0x7F || c == '"' || c == '\\' || c == '<' || c == '>' || c == '&')
                break;
            ++plain;
        }
        out.append(label, i, plain - i);
        i = plain;
        if (i == label.size()) break;

        char32_t point = 0;
        const std::size_t length = decodeUtf8(label, i, point);
        if (length == 0 || point == 0xFFFE || point == 0xFFFF) {
            out += '?';
            i += length == 0 ? 1 : length;
            continue;
        }
        if (const char* escape = escapeOf(point))
            out += escape;
        else if (!isControl(point))
            out.append(label, i, length);
        i += length;
    }
    out += '"';
}

void appendBase64(std::string& out, const unsigned char* bytes, std::size_t size) {
    static constexpr char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const std::size_t start = out.size();
    out.resize(start + (size + 2) / 3 * 4);
    char* text = out.data() + start;
    std::size_t i = 0;
    for (; i + 3 <= size; i += 3) {
        const std::uint32_t n = std::uint32_t(bytes[i]) << 16 | std::uint32_t(bytes[i + 1]) << 8 |
                                std::uint32_t(bytes[i + 2]);
        *text++ = alphabet[n >> 18];
        *text++ = alphabet[(n >> 12) & 63];
        *text++ = alphabet[(n >> 6) & 63];
        *text++ = alphabet[n & 63];
    }
    if (i == size) return;
    const bool two = size - i == 2;
    const std::uint32_t n = std::uint32_t(bytes[i]) << 16 | (two ? bytes[i + 1] << 8 : 0);
    *text++ = alphabet[n >> 18];
    *text++ = alphabet[(n >> 12) & 63];
    *text++ = two ? alphabet[(n >> 6) & 63] : '=';
    *text = '=';
}
