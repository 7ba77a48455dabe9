// What every reader of the program shares: the grammar of vertex ids and of plain decimals,
// tokens and arguments made safe to repeat in a message, and input files opened or refused.
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

// The file opened for binary reading. Throws Fatal("ERROR: WHAT NAME cannot be opened\n")
// when it cannot be (missing, a directory, a name too long for the file system); what is,
// for example, "Input file".
std::ifstream openForReading(const std::string& name, const char* what);
