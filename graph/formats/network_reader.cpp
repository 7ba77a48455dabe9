#include "graph/formats/network_reader.h"

#include <utility>

#include "graph/defs.h"
#include "graph/formats/csv_reader.h"
#include "graph/formats/gexf_reader.h"
#include "graph/formats/igraph_reader.h"
#include "graph/formats/input_bytes.h"
#include "graph/graph_builder_txt.h"

namespace {

NamedNetwork readNamed(InputFormat format, std::istream& input, const std::string& name) {
    switch (format) {
        case InputFormat::csv:
            return readCsv(input, name);
        case InputFormat::gexf:
            return readGexf(input, name);
        default:
            return readWithIgraph(format, input, name);
    }
}

}  // namespace

InputRead readNetwork(std::istream& input, Graph& graph, const std::string& name,
                      std::optional<InputFormat> format, Progress* progress,
                      std::uint64_t fileSize) {
    InputBytes bytes(input, name);
    bytes.watch(progress, fileSize);
    InputRead read;
    read.compressed = bytes.compressed();
    read.format = format ? *format : detectInputFormat(bytes.peek(kDetectionBytes), name);
    std::istream stream(&bytes);
    stream.exceptions(std::ios::badbit);
    if (read.format == InputFormat::edges) {
        Graph_builder_txt().readFile(stream, graph, name);
        return read;
    }

    NamedNetwork network = readNamed(read.format, stream, name);
    if (network.edges.empty()) throw Fatal("ERROR: Input file " + name + " contains no edges\n");
    graph.addEdges(std::move(network.edges));
    read.labelled = true;
    read.isolatedDeclared = network.labels.size() - graph.vertices.size();
    // The labels stay in the block they were read into, not a string each.
    const std::string_view kept = graph.keepNames(network.labels.takeBytes());
    for (std::size_t k = 0; k < network.labels.size(); ++k)
        graph.setName(static_cast<VertexId>(k), network.labels.labelIn(kept, k));
    return read;
}
