#include "graph/graph_builder_txt.h"

#include <algorithm>
#include <cstdint>

#include "graph/text.h"
#include "graph/token_scanner.h"

namespace {

// Bytes from the current position to the end, or 0 when the stream cannot tell (a pipe).
std::uint64_t remainingBytes(std::istream& input) {
    const std::istream::pos_type start = input.tellg();
    if (start == std::istream::pos_type(-1)) {
        input.clear();
        return 0;
    }
    input.seekg(0, std::ios::end);
    const std::istream::pos_type end = input.tellg();
    input.clear();
    input.seekg(start);
    return end > start ? static_cast<std::uint64_t>(end - start) : 0;
}

constexpr std::size_t kSample = 1 << 16;

// The third column's token at line: checked as a plain decimal, and, when weights are
// wanted, read into them as a positive weight.
void takeWeight(const TokenScanner& scanner, std::uint64_t line, std::string_view token,
                std::vector<double>* weights, const std::string& name) {
    if (!weights) {
        if (!Graph_builder_txt::isWeight(token)) scanner.failAt(line, token, "weight");
        return;
    }
    double weight = 0;
    switch (readWeight(token, &weight)) {
        case WeightToken::positive:
            weights->push_back(weight);
            return;
        case WeightToken::notPositive:
            throw Fatal("ERROR: " + name + ":" + std::to_string(line) + ": '" +
                        escaped(token, Escape::Token) + "' is not a positive weight\n");
        case WeightToken::invalid:
            break;
    }
    scanner.failAt(line, token, "weight");
}

}  // namespace

Graph_builder_txt::Graph_builder_txt(std::size_t blockSize)
    : blockSize_(std::max<std::size_t>(blockSize, 1)) {}

void Graph_builder_txt::readFile(std::istream& input, Graph& graph, const std::string& name) {
    graph.addEdges(readEdges(input, name, graph.threads));
}

std::vector<double> Graph_builder_txt::readWeightedFile(std::istream& input, Graph& graph,
                                                        const std::string& name) {
    std::vector<double> weights;
    std::vector<Edge> edges = readEdges(input, name, graph.threads, &weights);
    return graph.addWeightedEdges(std::move(edges), std::move(weights));
}

std::vector<Edge> Graph_builder_txt::readEdges(std::istream& input, const std::string& name,
                                               unsigned threads,
                                               std::vector<double>* weights) const {
    const std::uint64_t size = remainingBytes(input);
    TokenScanner scanner(input, name, blockSize_);
    std::vector<Edge> edges;
    if (!scanner.nextToken()) throw Fatal("ERROR: Input file " + name + " contains no edges\n");

    // The first line that holds a token sets the number of columns; its tokens are checked
    // once that number is known.
    const std::uint64_t firstLine = scanner.line();
    std::vector<std::string> first;
    std::size_t count = 0;
    bool more = true;
    while (more && scanner.line() == firstLine) {
        const std::string_view text = scanner.takeText();
        if (count < 3) first.emplace_back(text);
        ++count;
        more = scanner.nextToken();
    }
    if (count != 2 && count != 3)
        throw Fatal("ERROR: " + name + ":" + std::to_string(firstLine) +
                    ": expected 2 or 3 columns, found " + std::to_string(count) + "\n");
    const std::size_t columns = count;
    VertexId ids[2];
    for (std::size_t i = 0; i < 2; ++i) {
        const std::string& text = first[i];
        const char* end = parseId(text.data(), text.data() + text.size(), &ids[i]);
        if (end != text.data() + text.size()) scanner.failAt(firstLine, text, "vertex id");
    }
    if (columns == 3) takeWeight(scanner, firstLine, first[2], weights, name);
    // Without a weight column every edge weighs 1.
    const bool unitWeights = weights && columns == 2;
    if (unitWeights) weights->push_back(1.0);
    edges.push_back({ids[0], ids[1]});

    std::size_t column = 0;
    for (; more; more = scanner.nextToken()) {
        if (column < 2) {
            ids[column] = scanner.takeId();
        } else {
            const std::string_view weight = scanner.takeText();
            takeWeight(scanner, scanner.line(), weight, weights, name);
        }
        if (++column == columns) {
            edges.push_back({ids[0], ids[1]});
            if (unitWeights) weights->push_back(1.0);
            column = 0;
            // Once a sample of the file is read, room for all of it (with a tenth to spare)
            // is reserved, sparing the copies of repeated doubling.
            if (edges.size() == kSample && size > 0) {
                const double perByte = static_cast<double>(kSample) / scanner.consumed();
                const std::size_t room = static_cast<std::size_t>(1.1 * perByte * size) + kSample;
                reserveBig(edges, room, threads);
                if (weights) reserveBig(*weights, room, threads);
            }
        }
    }
    return edges;
}

bool Graph_builder_txt::isWeight(std::string_view token) {
    return token.size() <= kLongestToken && !token.empty() &&
           plainDecimalLength(token) == token.size();
}
