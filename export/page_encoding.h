// The two encodings of the interactive page's data: labels as JSON strings that stay inert
// inside an HTML script element, and binary arrays as base64.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Appends label as a JSON string literal, quotes included. The label is first cleaned as the
// SVG scene cleans it (every byte outside a valid UTF-8 sequence becomes "?", control
// characters other than the tab are left out, U+FFFE and U+FFFF become "?"), so the page
// shows the same text; then '"' and '\' are escaped, the tab becomes \t, and "<", ">", "&",
// U+2028 and U+2029 become \u escapes, so no label can end the script element, open an
// HTML comment in it, or break a JavaScript string.
void appendLabelJson(std::string& out, std::string_view label);

// Appends the standard base64 text (RFC 4648 alphabet, "=" padding) of size bytes.
void appendBase64(std::string& out, const unsigned char* bytes, std::size_t size);
