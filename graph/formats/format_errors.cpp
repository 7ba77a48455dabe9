#include "graph/formats/format_errors.h"

#include <algorithm>

#include "graph/defs.h"
#include "graph/graph_builder_txt.h"

namespace {

constexpr std::size_t kShownBytes = 256;
// The edge-list escaper shows a token's first 64 bytes; longer text goes through in pieces.
constexpr std::size_t kPiece = 64;

}  // namespace

std::string describeText(std::string_view text) {
    const std::string_view shown = text.substr(0, kShownBytes);
    std::string described;
    for (std::size_t at = 0; at < shown.size(); at += kPiece)
        described += Graph_builder_txt::describeToken(shown.substr(at, kPiece));
    if (text.size() > kShownBytes) described += "...";
    return described;
}

void failReading(const std::string& name, std::uint64_t line, const std::string& reason) {
    const std::string where = line == 0 ? name : name + ":" + std::to_string(line);
    throw Fatal("ERROR: " + where + ": " + reason + "\n");
}
