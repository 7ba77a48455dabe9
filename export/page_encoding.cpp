#include "export/page_encoding.h"

#include <cstdint>

#include "graph/text.h"

namespace {

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
    appendCleanText(out, label, escapeOf);
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
