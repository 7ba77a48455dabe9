// Fuzz target of the edge-list reader. Every input is read twice, with the normal block size
// and with a tiny one (tokens and comments then fall across block boundaries), and checked
// against a slow line-by-line model of the format: the same edges or the same error line.
// A graph built from the edges must keep its counters in agreement with its adjacency, and
// edge-by-edge insertion must build exactly the graph the bulk build makes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "analysis/greedy.h"
#include "analysis/network.h"
#include "fuzz/fuzz_check.h"
#include "graph/graph.h"
#include "graph/graph_builder_txt.h"

namespace {

const std::string kName = "fuzz.txt";

struct Outcome {
    std::vector<std::pair<VertexId, VertexId>> edges;
    std::string error;  // empty when the input was read
};

// ---- the model: lines, blanks, tokens, written for clarity rather than speed ----

bool isWhite(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool allDigits(std::string_view s, std::size_t from, std::size_t to) {
    if (from >= to) return false;
    for (std::size_t i = from; i < to; ++i)
        if (s[i] < '0' || s[i] > '9') return false;
    return true;
}

// A token over 1 MiB is neither an id nor a weight.
constexpr std::size_t kLongestToken = std::size_t{1} << 20;

bool modelId(std::string_view token, VertexId* id) {
    if (token.size() > kLongestToken || !allDigits(token, 0, token.size())) return false;
    std::size_t first = token.find_first_not_of('0');
    std::string_view digits = first == std::string_view::npos ? "0" : token.substr(first);
    if (digits.size() > 10) return false;
    long long value = 0;
    for (char c : digits) value = value * 10 + (c - '0');
    if (value > 2147483647LL) return false;
    *id = static_cast<VertexId>(value);
    return true;
}

// [sign] (digits [. digits?] | . digits) [(e|E) [sign] digits]
bool modelWeight(std::string_view token) {
    if (token.size() > kLongestToken) return false;
    std::size_t i = 0;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
    std::size_t intStart = i;
    while (i < token.size() && token[i] >= '0' && token[i] <= '9') ++i;
    bool intDigits = i > intStart;
    bool fracDigits = false;
    if (i < token.size() && token[i] == '.') {
        std::size_t fracStart = ++i;
        while (i < token.size() && token[i] >= '0' && token[i] <= '9') ++i;
        fracDigits = i > fracStart;
    }
    if (!intDigits && !fracDigits) return false;
    if (i < token.size() && (token[i] == 'e' || token[i] == 'E')) {
        ++i;
        if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
        if (!allDigits(token, i, token.size())) return false;
        return true;
    }
    return i == token.size();
}

std::string shown(std::string_view token) {
    std::string text;
    for (std::size_t i = 0; i < token.size() && i < 64; ++i) {
        unsigned char c = static_cast<unsigned char>(token[i]);
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

std::string invalid(std::size_t line, std::string_view token, const char* what) {
    return "ERROR: " + kName + ":" + std::to_string(line) + ": '" + shown(token) +
           "' is not a valid " + what + "\n";
}

Outcome model(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    // Every token with its line, comment lines left out.
    std::vector<std::pair<std::string_view, std::size_t>> tokens;
    std::size_t lineNumber = 1;
    while (true) {
        std::size_t lineEnd = text.find('\n');
        std::string_view line = text.substr(0, lineEnd);
        std::size_t firstNonBlank = line.find_first_not_of(" \t");
        bool comment = firstNonBlank != std::string_view::npos &&
                       (line[firstNonBlank] == '#' || line[firstNonBlank] == '%');
        if (!comment) {
            std::size_t i = 0;
            while (i < line.size()) {
                if (isWhite(line[i])) {
                    ++i;
                    continue;
                }
                std::size_t start = i;
                while (i < line.size() && !isWhite(line[i])) ++i;
                tokens.emplace_back(line.substr(start, i - start), lineNumber);
            }
        }
        if (lineEnd == std::string_view::npos) break;
        text.remove_prefix(lineEnd + 1);
        ++lineNumber;
    }

    Outcome out;
    if (tokens.empty()) {
        out.error = "ERROR: Input file " + kName + " contains no edges\n";
        return out;
    }
    const std::size_t firstLine = tokens[0].second;
    std::size_t columns = 0;
    while (columns < tokens.size() && tokens[columns].second == firstLine) ++columns;
    if (columns != 2 && columns != 3) {
        out.error = "ERROR: " + kName + ":" + std::to_string(firstLine) +
                    ": expected 2 or 3 columns, found " + std::to_string(columns) + "\n";
        return out;
    }
    VertexId ids[2] = {0, 0};
    for (std::size_t k = 0; k < tokens.size(); ++k) {
        const std::size_t column = k % columns;
        const auto& [token, line] = tokens[k];
        if (column < 2) {
            if (!modelId(token, &ids[column])) return {{}, invalid(line, token, "vertex id")};
        } else if (!modelWeight(token)) {
            return {{}, invalid(line, token, "weight")};
        }
        if (column == columns - 1) out.edges.emplace_back(ids[0], ids[1]);
    }
    return out;
}

// ---- the reader under test ----

Outcome read(const std::string& text, std::size_t blockSize) {
    std::istringstream input(text);
    Outcome out;
    try {
        for (const Edge& edge : Graph_builder_txt(blockSize).readEdges(input, kName))
            out.edges.emplace_back(edge.u, edge.v);
    } catch (const Fatal& error) {
        out.error = error.what();
        FUZZ_CHECK(fuzz::isOneErrorLine(out.error));
        FUZZ_CHECK(out.edges.empty());
    }
    return out;
}

// ---- the graph ----

// Counters against adjacency, symmetry, no repeated edge, the id map, the starting
// communities, and the edge set against the distinct pairs of the list.
void checkGraph(const Graph& graph, const std::vector<std::pair<VertexId, VertexId>>& edges) {
    std::set<std::pair<VertexId, VertexId>> pairs;
    std::vector<VertexId> firstSeen;
    std::set<VertexId> ids;
    for (auto [u, v] : edges) {
        pairs.emplace(std::min(u, v), std::max(u, v));
        for (VertexId id : {u, v})
            if (ids.insert(id).second) firstSeen.push_back(id);
    }

    FUZZ_CHECK(graph.vertices.size() == firstSeen.size());
    FUZZ_CHECK(graph.numVertices == graph.vertices.size());
    FUZZ_CHECK(graph.vertexMap.size() == graph.vertices.size());
    Arena<Community> store;
    const std::vector<Community*> starting = makeStartingCommunities(graph, store);
    FUZZ_CHECK(starting.size() == graph.vertices.size());

    std::uint64_t arcs = 0;
    std::int64_t squares = 0;
    int maxDegree = -1;
    std::set<std::pair<VertexId, VertexId>> linked;
    for (std::size_t k = 0; k < graph.vertices.size(); ++k) {
        const Vertex* vertex = graph.vertices[k];
        FUZZ_CHECK(vertex->id == firstSeen[k]);
        FUZZ_CHECK(vertex->index == k);
        FUZZ_CHECK(graph.vertexMap.find(vertex->id) == vertex);
        FUZZ_CHECK(vertex->degree == static_cast<int>(vertex->neighbours.size()));
        arcs += vertex->neighbours.size();
        squares += std::int64_t{vertex->degree} * vertex->degree;
        maxDegree = std::max(maxDegree, vertex->degree);

        std::set<const Vertex*> distinct;
        int selfEntries = 0;
        for (std::size_t j = 0; j < vertex->neighbours.size(); ++j) {
            const Vertex* other = vertex->neighbours[j];
            FUZZ_CHECK(distinct.insert(other).second);  // no repeated edge
            FUZZ_CHECK(graph.vertexMap.find(other->id) == other);
            const auto& back = other->neighbours;
            FUZZ_CHECK(std::find(back.begin(), back.end(), vertex) != back.end());
            linked.emplace(std::min(vertex->id, other->id), std::max(vertex->id, other->id));
            // addEdge's running sum counts a self-loop's entry twice.
            if (other == vertex) {
                squares += 2 * static_cast<std::int64_t>(j) + 1;
                ++selfEntries;
            }
        }

        const Community* community = starting[k];
        FUZZ_CHECK(community->members.size() == 1 && community->members.front() == vertex->id);
        FUZZ_CHECK(community->neighbours.size() == vertex->neighbours.size());
        FUZZ_CHECK(community->cuts.size() == vertex->neighbours.size());
        for (std::size_t j = 0; j < vertex->neighbours.size(); ++j) {
            FUZZ_CHECK(community->neighbours[j] == starting[vertex->neighbours[j]->index]);
            FUZZ_CHECK(community->cuts[j] == 1);
        }
        FUZZ_CHECK(community->degreeSum == static_cast<Index>(vertex->degree));
        FUZZ_CHECK(community->internalDegree == static_cast<Index>(selfEntries));
    }
    FUZZ_CHECK(arcs == graph.numArcs);
    FUZZ_CHECK(maxDegree == graph.maxDegree);
    FUZZ_CHECK(squares == graph.degreeSquares);
    FUZZ_CHECK(linked == pairs);

    // Iteration by id: ascending, every vertex once.
    std::size_t seen = 0;
    VertexId previous = -1;
    for (const auto& [id, vertex] : graph.vertexMap) {
        FUZZ_CHECK(id > previous);
        FUZZ_CHECK(vertex->id == id);
        previous = id;
        ++seen;
    }
    FUZZ_CHECK(seen == graph.vertices.size());
}

void checkSameGraph(const Graph& a, const Graph& b) {
    FUZZ_CHECK(a.vertices.size() == b.vertices.size());
    FUZZ_CHECK(a.numArcs == b.numArcs);
    FUZZ_CHECK(a.maxDegree == b.maxDegree);
    FUZZ_CHECK(a.degreeSquares == b.degreeSquares);
    for (std::size_t k = 0; k < a.vertices.size(); ++k) {
        const Vertex* x = a.vertices[k];
        const Vertex* y = b.vertices[k];
        FUZZ_CHECK(x->id == y->id);
        FUZZ_CHECK(x->neighbours.size() == y->neighbours.size());
        for (std::size_t j = 0; j < x->neighbours.size(); ++j)
            FUZZ_CHECK(x->neighbours[j]->id == y->neighbours[j]->id);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    // A block of 8 KiB holds the whole of most inputs, as the default megabyte holds most files.
    const Outcome whole = read(text, std::size_t{1} << 13);
    const Outcome small = read(text, 1 + size % 7);
    FUZZ_CHECK(whole.error == small.error);
    FUZZ_CHECK(whole.edges == small.edges);

    const Outcome expected = model(text);
    if (whole.error != expected.error)
        std::fprintf(stderr, "reader: %s\nmodel:  %s\n", whole.error.c_str(),
                     expected.error.c_str());
    FUZZ_CHECK(whole.error == expected.error);
    FUZZ_CHECK(whole.edges == expected.edges);
    if (!whole.error.empty()) return 0;

    std::vector<Edge> list;
    for (auto [u, v] : whole.edges) list.push_back({u, v});
    Graph bulk(true);
    bulk.addEdges(std::move(list));
    checkGraph(bulk, whole.edges);

    Graph single(true);
    for (auto [u, v] : whole.edges) single.addEdge(u, v);
    checkGraph(single, whole.edges);
    checkSameGraph(bulk, single);

    // readFile is readEdges followed by the bulk build.
    std::istringstream input(text);
    Graph viaFile(true);
    Graph_builder_txt(std::size_t{1} << 13).readFile(input, viaFile, kName);
    checkSameGraph(bulk, viaFile);
    return 0;
}
