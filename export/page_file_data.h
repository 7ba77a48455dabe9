// What the page carries of the file's own data about its vertices: file ids, attributes and
// the vertices declared without an edge (format in page_file_data.cpp).
#pragma once

#include <cstddef>
#include <vector>

#include "graph/defs.h"

struct RunResults;
class TextSink;

// A file value longer than this many bytes goes into the page cut there (at a character's
// start) and ended with "…": the tooltip shows it, and no value can swell the page.
inline constexpr std::size_t kPageValueBytes = 256;
// The page shows this many of the file's attributes at most, the first ones.
inline constexpr std::size_t kPageAttributes = 8;

// Appends ,"file":{...} to the data block when the results have the file's data (declared),
// and nothing otherwise. order lists the drawn vertices' positions in the page's order.
// O(declared vertices × attributes shown + their bytes).
void writePageFileData(TextSink& sink, const RunResults& results, const std::vector<Index>& order);
