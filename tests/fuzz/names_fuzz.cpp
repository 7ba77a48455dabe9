// Fuzz target of the vertex-names reader. The input is read into a small graph and checked
// against a slow model of the record rules: either the same error line, or every vertex
// carries the last non-empty label given for its id (vertices never named keep none). Ids
// the graph lacks change nothing. The reader runs whole and in tiny blocks.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "auxiliary/graph_node_names.h"
#include "fuzz/fuzz_check.h"
#include "graph/graph.h"

namespace {

const std::string kName = "names.txt";

bool isWhite(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool modelId(std::string_view token, VertexId* id) {
    if (token.empty() || token.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    const std::size_t first = token.find_first_not_of('0');
    const std::string_view digits = first == std::string_view::npos ? "0" : token.substr(first);
    if (digits.size() > 10) return false;
    long long value = 0;
    for (char c : digits) value = value * 10 + (c - '0');
    if (value > 2147483647LL) return false;
    *id = static_cast<VertexId>(value);
    return true;
}

std::string shown(std::string_view token) {
    std::string text;
    for (std::size_t i = 0; i < token.size() && i < 64; ++i) {
        const unsigned char c = static_cast<unsigned char>(token[i]);
        if (c < 0x20 || c >= 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            text += hex;
        } else {
            text += static_cast<char>(c);
        }
    }
    if (token.size() > 64) text += "...";
    return text;
}

struct Outcome {
    std::map<VertexId, std::string> labels;  // the last non-empty label per id
    std::string error;
};

// Records are an id and a label separated by any whitespace. A label is a word, or from an
// opening quote to the closing quote on the same line (the rest of that line ignored), or to
// the end of the line without its trailing whitespace when the quote is never closed.
Outcome model(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    Outcome out;
    std::size_t i = 0;
    std::size_t line = 1;
    auto skip = [&] {
        for (; i < text.size() && isWhite(text[i]); ++i)
            if (text[i] == '\n') ++line;
    };
    auto word = [&] {
        const std::size_t start = i;
        while (i < text.size() && !isWhite(text[i])) ++i;
        return text.substr(start, i - start);
    };
    for (;;) {
        skip();
        if (i == text.size()) break;
        const std::size_t idLine = line;
        const std::string_view token = word();
        VertexId id = 0;
        if (!modelId(token, &id)) {
            out.labels.clear();
            out.error = "ERROR: " + kName + ":" + std::to_string(idLine) + ": '" + shown(token) +
                        "' is not a valid vertex id\n";
            return out;
        }
        skip();
        if (i == text.size()) break;
        std::string_view label;
        if (text[i] != '"') {
            label = word();
        } else {
            const std::size_t start = i + 1;
            const std::size_t lineEnd = std::min(text.find('\n', start), text.size());
            const std::size_t close = text.substr(start, lineEnd - start).find('"');
            if (close != std::string_view::npos) {
                label = text.substr(start, close);
            } else {
                std::size_t end = lineEnd;
                while (end > start && isWhite(text[end - 1])) --end;
                label = text.substr(start, end - start);
            }
            i = lineEnd;
        }
        if (!label.empty()) out.labels[id] = std::string(label);
    }
    return out;
}

// Vertices 0 to 15, one of the largest id and one far away, so short inputs name some.
Graph makeGraph() {
    Graph graph(true);
    std::vector<Edge> edges;
    for (VertexId v = 0; v < 16; ++v) edges.push_back({v, (v + 1) % 16});
    edges.push_back({2147483647, 1000000});
    graph.addEdges(std::move(edges));
    return graph;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const Outcome expected = model(text);

    // Whole, and in blocks small enough that records, quotes and the byte order mark are
    // cut across them.
    for (const std::size_t block : {std::size_t{1} << 20, 1 + size % 7}) {
        Graph graph = makeGraph();
        std::istringstream input(text);
        std::string error;
        try {
            Graph_node_names().readFile(input, graph, kName, block);
        } catch (const Fatal& fatal) {
            error = fatal.what();
            FUZZ_CHECK(fuzz::isOneErrorLine(error));
        }
        if (error != expected.error)
            std::fprintf(stderr, "reader: %s\nmodel:  %s\n", error.c_str(), expected.error.c_str());
        FUZZ_CHECK(error == expected.error);
        if (!error.empty()) continue;

        for (const Vertex* vertex : graph.vertices) {
            const auto label = expected.labels.find(vertex->id);
            FUZZ_CHECK(vertex->name == (label == expected.labels.end() ? "" : label->second));
        }
        FUZZ_CHECK(graph.vertices.size() == 18);
    }
    return 0;
}
