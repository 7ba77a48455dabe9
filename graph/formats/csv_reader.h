// The CSV edge-list reader (RFC 4180): fields separated by commas, records by LF or CR LF;
// a field in double quotes may hold commas, line breaks and quotes written twice. The first
// record is a header that names a `source` and a `target` column (any case, blanks around
// a name ignored; the header is read whole, however many fields it has, one field in memory
// at a time); a `weight` column holds plain decimals, as the edge list's third column, or
// nothing: an empty field, NA or NaN (how pandas and R write a missing value) is an edge
// without a weight, which weighs 1 and is counted in weightsMissing. The weights are read
// when asked for (then each must be positive, and a file without the column weighs every
// edge 1), checked otherwise; all other columns are ignored. Blank lines are skipped, a
// UTF-8 byte order mark at the start too. Vertices are numbered 0, 1, 2, ... in order of first
// appearance; their names are their labels. Read in blocks, one pass, each name hashed once.
//
// Errors (Fatal, exact text; LINE is the physical line where the record starts):
//   "ERROR: NAME:1: no source and target columns\n"
//   "ERROR: NAME:LINE: expected N fields, found M\n" (N the header's; a record needs only
//                                                    as many as its last column read)
//   "ERROR: NAME:LINE: empty vertex name\n"
//   "ERROR: NAME:LINE: 'TOKEN' is not a valid weight\n"
//   "ERROR: NAME:LINE: 'TOKEN' is not a positive weight\n" (weights asked for: zero, negative,
//                                                      nan, inf, beyond a double's range)
//   "ERROR: NAME:LINE: unterminated quoted field\n" (LINE where the quote opens)
//   "ERROR: NAME:LINE: text after a closing quote\n" (LINE where the quote closes)
//   "ERROR: NAME:LINE: field longer than 1 MiB\n" (LINE where the field passes 1 MiB)
#pragma once

#include <istream>
#include <string>

#include "graph/formats/named_network.h"

NamedNetwork readCsv(std::istream& input, const std::string& name, bool weighted = false);
