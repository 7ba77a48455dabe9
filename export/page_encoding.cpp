#include "export/page_encoding.h"

#include <algorithm>
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

std::size_t appendJsonText(std::string& out, std::string_view text) {
    const std::size_t begin = out.size();
    appendCleanText(out, text, escapeOf);
    // What was appended is valid UTF-8 and escapes: an escape (a backslash and a character,
    // or \uXXXX) is one unit, a character one, or two beyond U+FFFF (a 4-byte sequence).
    std::size_t units = 0;
    for (std::size_t i = begin; i < out.size();) {
        const unsigned char c = static_cast<unsigned char>(out[i]);
        if (c == '\\') {
            i += out[i + 1] == 'u' ? 6 : 2;
            ++units;
            continue;
        }
        if ((c & 0xC0) != 0x80) units += c >= 0xF0 ? 2 : 1;
        ++i;
    }
    return units;
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

void writeTypedArray(TextSink& sink, PageArray&& array) {
    std::string& out = sink.text();
    out += "[\"";
    out += array.type;
    out += "\",\"";
    // Pieces of a multiple of 3 bytes each, so that they join into one base64 text.
    constexpr std::size_t kPiece = 3 * (std::size_t{1} << 20);
    for (std::size_t at = 0; at < array.bytes.size(); at += kPiece) {
        appendBase64(out, array.bytes.data() + at, std::min(kPiece, array.bytes.size() - at));
        sink.spill();
    }
    out += "\"]";
    std::vector<unsigned char>().swap(array.bytes);
}
