// What every reader of the program shares: the grammar of vertex ids and of plain decimals,
// tokens and arguments made safe to repeat in a message, and input files opened or refused;
// and what every writer of labels shares: the one rule that cleans a label for a text format.
#pragma once

#include <cstddef>
#include <fstream>
#include <string>
#include <string_view>

#include "graph/defs.h"

// A token longer than this is neither an id nor a weight (it could only be one by a
// megabyte of leading zeros), so a reader never has to hold more of it than a message shows.
inline constexpr std::size_t kLongestToken = std::size_t{1} << 20;

// Reads a vertex id (ASCII digits, value at most 2^31 − 1, at most kLongestToken digits) at
// the start of [p, limit): where the digits end, or null when there are none or the value
// is too large.
const char* parseId(const char* p, const char* limit, VertexId* id);
// Whether the whole token is a vertex id, and which.
bool parseId(std::string_view token, VertexId* id);

// Length of the longest prefix of text that is a plain decimal: an optional sign, digits
// with an optional fraction (at least one digit in all), and an optional exponent that has
// digits; 0 when there is none.
std::size_t plainDecimalLength(std::string_view text);

// A weight token read by a reader asked for weights.
enum class WeightToken {
    // A plain decimal whose value is a finite positive double.
    positive,
    // A number that is not: zero, negative, beyond a double's range (1e999, 1e-999), or NaN
    // or infinity as a word ("nan", "-inf", "Infinity", any case).
    notPositive,
    // Anything else.
    invalid,
};
// Reads a weight token (a token of kLongestToken bytes at most); its value in *weight when
// positive.
WeightToken readWeight(std::string_view token, double* weight);

// How text is made safe for a one-line message.
enum class Escape {
    // A token read from a file: bytes below 0x20 and from 0x7F written as \xHH, cut to 64
    // bytes followed by "..." when longer.
    Token,
    // An argument repeated by an option error: bytes below 0x20 and 0x7F written as \xHH,
    // never cut.
    Argument,
    // Text of a file or a library in a reader's message (a node id, a parser's reason): as a
    // token, but cut to 256 bytes.
    Text,
};
std::string escaped(std::string_view text, Escape rule);

// Length of the valid UTF-8 sequence at text[i] and its code point, or 0 when the bytes
// there are not one (stray continuation byte, truncated or overlong sequence, surrogate,
// beyond U+10FFFF).
std::size_t decodeUtf8(std::string_view text, std::size_t i, char32_t& point);

// Control characters (C0 but the tab, DEL, C1) carry nothing a label could show.
inline bool isControlCharacter(char32_t point) {
    return (point < 0x20 && point != '\t') || (point >= 0x7F && point <= 0x9F);
}

// What XML character data cannot hold as itself, for appendCleanText; null otherwise.
const char* xmlTextEscape(char32_t point);
// What an XML attribute value in double quotes cannot hold: the above, the quote, and the
// tab as a reference (a parser turns a literal one into a blank).
const char* xmlAttributeEscape(char32_t point);

// Appends a label cleaned as every writer of the program shows it: each byte outside a valid
// UTF-8 sequence becomes "?", U+FFFE and U+FFFF (no XML document may hold them) become "?",
// control characters other than the tab are left out, and every other character is kept,
// written as escapeOf(point) names it (a C string) or as itself when that gives null. Labels
// are read as they are, so this is where the scenes, the page and the tables make them safe
// for their formats; one rule means every output shows the same text. Runs of plain
// printable ASCII that need no escape, the common case, are copied in one go.
template <class EscapeOf>
void appendCleanText(std::string& out, std::string_view text, EscapeOf&& escapeOf) {
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t plain = i;
        while (plain < text.size()) {
            const unsigned char c = static_cast<unsigned char>(text[plain]);
            if (c < 0x20 || c >= 0x7F || escapeOf(char32_t{c})) break;
            ++plain;
        }
        out.append(text, i, plain - i);
        i = plain;
        if (i == text.size()) break;

        char32_t point = 0;
        const std::size_t length = decodeUtf8(text, i, point);
        if (length == 0 || point == 0xFFFE || point == 0xFFFF) {
            out += '?';
            i += length == 0 ? 1 : length;
            continue;
        }
        if (const char* escape = escapeOf(point))
            out += escape;
        else if (!isControlCharacter(point))
            out.append(text, i, length);
        i += length;
    }
}

// The width of a text of this height as a sans-serif font draws it: an estimate by character
// class that errs wide (the clear SVG pictures fit the glyphs to exactly this width).
float textWidth(std::string_view text, float height);

// The file opened for binary reading. Throws Fatal("ERROR: WHAT NAME cannot be opened\n")
// when it cannot be (missing, a directory, a name too long for the file system); what is,
// for example, "Input file".
std::ifstream openForReading(const std::string& name, const char* what);
