// The encodings of the interactive page's data: texts as JSON strings that stay inert inside
// an HTML script element, and binary arrays as base64.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "export/text_output.h"

// Appends label as a JSON string literal, quotes included. The label is first cleaned as the
// SVG scene cleans it (every byte outside a valid UTF-8 sequence becomes "?", control
// characters other than the tab are left out, U+FFFE and U+FFFF become "?"), so the page
// shows the same text; then '"' and '\' are escaped, the tab becomes \t, and "<", ">", "&",
// U+2028 and U+2029 become \u escapes, so no label can end the script element, open an
// HTML comment in it, or break a JavaScript string.
void appendLabelJson(std::string& out, std::string_view label);

// Appends text cleaned and escaped as appendLabelJson does, without the quotes. Returns its
// length in UTF-16 code units: the length of the string the page's script reads, which
// offsets into a string of many texts are counted in.
std::size_t appendJsonText(std::string& out, std::string_view text);

// Appends the standard base64 text (RFC 4648 alphabet, "=" padding) of size bytes.
void appendBase64(std::string& out, const unsigned char* bytes, std::size_t size);

// One array of the data block: its name, its type (u8, u16, u32, i32 or f32) and its values'
// little-endian bytes.
struct PageArray {
    const char* name;
    const char* type;
    std::vector<unsigned char> bytes;
};

inline void putLittleEndian(unsigned char* at, std::uint32_t value, int width) {
    for (int k = 0; k < width; ++k) at[k] = static_cast<unsigned char>(value >> (8 * k));
}

// value(k) for k < count, in the narrowest unsigned type that holds the largest.
template <class Value>
PageArray unsignedArray(const char* name, std::size_t count, Value&& value) {
    std::uint32_t largest = 0;
    for (std::size_t k = 0; k < count; ++k) largest = std::max(largest, value(k));
    const int width = largest <= 0xFF ? 1 : largest <= 0xFFFF ? 2 : 4;
    PageArray array{name, width == 1 ? "u8" : width == 2 ? "u16" : "u32", {}};
    array.bytes.resize(count * std::size_t(width));
    for (std::size_t k = 0; k < count; ++k)
        putLittleEndian(array.bytes.data() + k * std::size_t(width), value(k), width);
    return array;
}

// Writes ["type","base64"] and releases the array's bytes. The base64 goes out in pieces, so
// the sink's buffer stays a few megabytes whatever the array's size.
void writeTypedArray(TextSink& sink, PageArray&& array);
