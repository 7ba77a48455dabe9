#include "graph/formats/network_reader.h"

#include <memory>
#include <utility>

#include "graph/defs.h"
#include "graph/formats/csv_reader.h"
#include "graph/formats/gexf_reader.h"
#include "graph/formats/igraph_reader.h"
#include "graph/formats/input_bytes.h"
#include "graph/formats/reading_hints.h"
#include "graph/formats/token_guard.h"
#include "graph/formats/xml_guard.h"
#include "graph/graph_builder_txt.h"
#include "graph/text.h"

namespace {

// Looks at the first kDetectionBytes, and at more while they end inside a preamble.
InputFormat detect(InputBytes& bytes, const std::string& name) {
    for (std::size_t window = kDetectionBytes;; window *= 4) {
        const std::string_view head = bytes.peek(window);
        const bool complete = head.size() < window || window >= kMostDetectionBytes;
        if (const std::optional<InputFormat> format = detectInputFormat(head, name, complete))
            return *format;
    }
}

// The scanner that keeps a library's parser linear in the file's size (token_guard.h).
std::unique_ptr<GuardScanner> guardOf(InputFormat format, const std::string& name) {
    switch (format) {
        case InputFormat::graphml:
            return xmlScanner(name, {.token = kLongestLibraryToken, .collectedText = true});
        case InputFormat::gexf:
            return xmlScanner(name, {.token = kLongestToken});
        default:
            return lexicalScanner(format, name, kLongestLibraryToken);
    }
}

// The formats the libraries read get their bytes through the guard, without a byte order mark
// (igraph's lexers would take it for a character of the file).
NamedNetwork readNamed(InputFormat format, InputBytes& bytes, const std::string& name,
                       bool weighted) {
    if (format == InputFormat::csv) {
        std::istream stream(&bytes);
        stream.exceptions(std::ios::badbit);
        return readCsv(stream, name, weighted);
    }
    if (bytes.peek(3) == "\xEF\xBB\xBF")
        for (int k = 0; k < 3; ++k) bytes.sbumpc();
    TokenGuard guard(bytes, guardOf(format, name));
    std::istream stream(&guard);
    stream.exceptions(std::ios::badbit);
    return format == InputFormat::gexf ? readGexf(stream, name, weighted)
                                       : readWithIgraph(format, stream, name, weighted);
}

// Where each text of a block ends, as DeclaredVertices keeps them.
std::vector<std::uint64_t> endsOf(const Labels& texts) {
    std::vector<std::uint64_t> ends;
    ends.reserve(texts.size());
    std::uint64_t end = 0;
    for (std::size_t k = 0; k < texts.size(); ++k) ends.push_back(end += texts[k].size());
    return ends;
}

// The graph of the network's edges and, asked for, the weights of its adjacency entries.
void build(NamedNetwork& network, Graph& graph, bool weighted, InputRead& read) {
    if (!weighted) {
        graph.addEdges(std::move(network.edges));
        return;
    }
    // A file that gives no weights weighs every edge 1.
    if (network.weights.empty()) network.weights.assign(network.edges.size(), 1.0);
    read.adjacencyWeights =
        graph.addWeightedEdges(std::move(network.edges), std::move(network.weights));
}

// What the file says of its vertices. The labels' bytes are kept once, by the graph, whose
// vertices they name unless the file's ids are synthetic ones (then the vertices are
// unlabelled, as an edge list's, though the ids are still the file's).
void declare(NamedNetwork& network, Graph& graph, InputRead& read) {
    DeclaredVertices& declared = read.declared;
    if (network.fileIds.size() == 0) {
        declared.fileIdEnds = endsOf(network.labels);
        declared.fileIdBytes = std::string(network.labels.bytesAt(0, network.labels.byteCount()));
    } else {
        declared.fileIdEnds = endsOf(network.fileIds);
        declared.fileIdBytes = network.fileIds.takeBytes();
        if (network.unlabelled) {
            // Unlabelled vertices are known by their numbers, as an edge list's, in every
            // output; the synthetic ids stay the file ids.
            const std::size_t count = network.labels.size();
            network.labels = Labels();
            for (std::size_t k = 0; k < count; ++k) network.labels.push(std::to_string(k));
        }
    }
    declared.labelEnds = endsOf(network.labels);
    declared.labelBytes = graph.keepNames(network.labels.takeBytes());
    declared.attributes = std::move(network.attributes);
    read.labelled = !network.unlabelled;
    if (network.unlabelled) return;
    for (std::size_t k = 0; k < declared.labelEnds.size(); ++k)
        graph.setName(static_cast<VertexId>(k), declared.label(k));
}

}  // namespace

InputRead buildNamedNetwork(NamedNetwork&& network, Graph& graph, const std::string& name,
                            bool weighted) {
    if (network.edges.empty()) throw Fatal("ERROR: Input file " + name + " contains no edges\n");
    InputRead read;
    build(network, graph, weighted, read);
    read.weightsMissing = network.weightsMissing;
    read.isolatedDeclared = network.labels.size() - graph.vertices.size();
    declare(network, graph, read);
    return read;
}

namespace {

// The bytes a reading error's hint looks at: enough for any preamble a tool writes.
constexpr std::size_t kHintBytes = std::size_t{1} << 16;

InputRead readFrom(InputBytes& bytes, Graph& graph, const std::string& name,
                   const ReadOptions& options) {
    InputRead read;
    read.compressed = bytes.compressed();
    read.format = options.format ? *options.format : detect(bytes, name);
    if (read.format == InputFormat::edges) {
        std::istream stream(&bytes);
        stream.exceptions(std::ios::badbit);
        if (options.weighted)
            read.adjacencyWeights = Graph_builder_txt().readWeightedFile(stream, graph, name);
        else
            Graph_builder_txt().readFile(stream, graph, name);
        return read;
    }

    InputRead named = buildNamedNetwork(readNamed(read.format, bytes, name, options.weighted),
                                        graph, name, options.weighted);
    named.format = read.format;
    named.compressed = read.compressed;
    return named;
}

}  // namespace

InputRead readNetwork(std::istream& input, Graph& graph, const std::string& name,
                      const ReadOptions& options) {
    InputBytes bytes(input, name);
    bytes.watch(options.progress, options.fileSize);
    const std::string head(bytes.peek(kHintBytes));
    try {
        return readFrom(bytes, graph, name, options);
    } catch (const Fatal& error) {
        const InputFormat readAs = options.format ? *options.format : detectInputFormat(head, name);
        throw Fatal(withHint(error.what(), readingHint(error.what(), readAs,
                                                       options.format.has_value(), head, name)));
    }
}
