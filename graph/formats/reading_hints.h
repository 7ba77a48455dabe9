// What a reading error adds when the file is plainly something else than it was read as: the
// format it was read as, what its first bytes look like, and the option or name that reads it.
// The error's own text stays whole at the start of its line, the hint follows it in
// parentheses, so scripts that match the messages still do.
#pragma once

#include <string>
#include <string_view>

#include "graph/formats/input_format.h"

// The hint for an error met reading the file name as readAs (forced: -format named it), whose
// first bytes (decompressed) are head; empty when the bytes show nothing more. Edge-list
// hints (a CSV without its suffix, names, JSON, an image) are given only for an error on the
// file's first record, which is where a misread file fails.
std::string readingHint(const std::string& error, InputFormat readAs, bool forced,
                        std::string_view head, const std::string& name);

// error ("ERROR: ...\n") with " (hint)" before its line break; error itself without a hint.
std::string withHint(const std::string& error, const std::string& hint);
