// What reading costs in each network format, against the integer edge list of the same
// network, in one process and one sitting: every reader runs once per round, the rounds
// alternate them, and the best of the rounds is reported (the machine is shared).
//
//   formats_bench EDGE_LIST [ROUNDS]
//
// From the edge list it writes, next to it and once, the same network as
//   NAME.csv        source,target with names node_ID (15 bytes at most: no allocation each)
//   NAME_long.csv   the same with names https://example.org/people/ID (heap-allocated)
//   NAME.txt.gz     the edge list gzipped (level 6)
//   NAME.graphml    nodes n_ID declared in order of first appearance, then the edges
//   NAME.gml        the same as GML, with labels
// and prints, in seconds (best of ROUNDS, default 3):
//   edges, csv, csv-long, gz      readNetwork on each file (parse, build, labels): the run's
//                                 whole reading stage
//   zcat                          `zcat NAME.txt.gz > /dev/null`
//   graphml, gml                  readNetwork on the file
//   igraph-graphml, igraph-gml    igraph_read_graph_graphml / _gml alone (the library's own
//                                 speed, with the attribute table our reader uses), graph
//                                 destroyed
// and the memory the labels keep after reading (heap in use with the CSV's graph less heap in
// use with the edge list's graph) against the bound: the labels' bytes + 16 per vertex.
#include <igraph/igraph.h>
#include <malloc.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "bench/bench_common.h"
#include "graph/formats/network_reader.h"
#include "graph/graph_builder_txt.h"

namespace {

namespace fs = std::filesystem;
using bench::now;

std::vector<Edge> readEdgeList(const std::string& path) {
    std::ifstream input(path, std::ios::binary);
    return Graph_builder_txt().readEdges(input, path);
}

// Writes path with write(out) unless it exists.
void writeOnce(const std::string& path, const std::function<void(std::FILE*)>& write) {
    if (fs::exists(path)) return;
    const std::string partial = path + ".partial";
    std::FILE* out = std::fopen(partial.c_str(), "wb");
    if (!out) {
        std::perror(partial.c_str());
        std::exit(1);
    }
    write(out);
    std::fclose(out);
    fs::rename(partial, path);
}

// The ids in order of first appearance.
std::vector<VertexId> firstAppearance(const std::vector<Edge>& edges) {
    std::vector<VertexId> order;
    std::vector<bool> seen;
    for (const Edge& edge : edges)
        for (const VertexId id : {edge.u, edge.v}) {
            if (static_cast<std::size_t>(id) >= seen.size())
                seen.resize(id + std::size_t{1}, false);
            if (!seen[id]) {
                seen[id] = true;
                order.push_back(id);
            }
        }
    return order;
}

void writeFiles(const std::string& stem, const std::string& edgeList) {
    const std::vector<Edge> edges = readEdgeList(edgeList);
    auto csv = [&](const char* prefix) {
        return [&edges, prefix](std::FILE* out) {
            std::fputs("source,target\n", out);
            for (const Edge& e : edges) std::fprintf(out, "%s%d,%s%d\n", prefix, e.u, prefix, e.v);
        };
    };
    writeOnce(stem + ".csv", csv("node_"));
    writeOnce(stem + "_long.csv", csv("https://example.org/people/"));
    writeOnce(stem + ".graphml", [&](std::FILE* out) {
        std::fputs(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<graphml "
            "xmlns=\"http://graphml.graphdrawing.org/xmlns\">\n<graph "
            "edgedefault=\"undirected\">\n",
            out);
        for (const VertexId id : firstAppearance(edges))
            std::fprintf(out, "<node id=\"n%d\"/>\n", id);
        for (const Edge& e : edges)
            std::fprintf(out, "<edge source=\"n%d\" target=\"n%d\"/>\n", e.u, e.v);
        std::fputs("</graph>\n</graphml>\n", out);
    });
    writeOnce(stem + ".gml", [&](std::FILE* out) {
        std::fputs("Creator \"formats_bench\"\ngraph [\n", out);
        for (const VertexId id : firstAppearance(edges))
            std::fprintf(out, "  node [ id %d label \"n%d\" ]\n", id, id);
        for (const Edge& e : edges) std::fprintf(out, "  edge [ source %d target %d ]\n", e.u, e.v);
        std::fputs("]\n", out);
    });
    if (!fs::exists(stem + ".txt.gz")) {
        std::ifstream input(edgeList, std::ios::binary);
        gzFile out = gzopen((stem + ".txt.gz").c_str(), "wb6");
        std::vector<char> block(1 << 20);
        while (input.read(block.data(), static_cast<std::streamsize>(block.size())) ||
               input.gcount() > 0)
            gzwrite(out, block.data(), static_cast<unsigned>(input.gcount()));
        gzclose(out);
    }
}

double timeReadNetwork(const std::string& path) {
    Graph graph(true);
    std::ifstream input(path, std::ios::binary);
    const double start = now();
    readNetwork(input, graph, path);
    return now() - start;
}

double timeIgraph(const std::string& path, bool graphml) {
    igraph_set_attribute_table(&igraph_cattribute_table);
    std::FILE* file = std::fopen(path.c_str(), "r");
    igraph_t graph;
    const double start = now();
    const igraph_error_t status =
        graphml ? igraph_read_graph_graphml(&graph, file, 0) : igraph_read_graph_gml(&graph, file);
    if (status == IGRAPH_SUCCESS) igraph_destroy(&graph);
    const double seconds = now() - start;
    std::fclose(file);
    return status == IGRAPH_SUCCESS ? seconds : -1.0;
}

double timeCommand(const std::string& command) {
    const double start = now();
    if (std::system(command.c_str()) != 0) return -1.0;
    return now() - start;
}

std::size_t heapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Heap kept by a graph read from path, and the bytes of its vertices' names.
std::pair<std::size_t, std::size_t> keptBy(const std::string& path) {
    malloc_trim(0);
    const std::size_t before = heapInUse();
    Graph graph(true);
    std::ifstream input(path, std::ios::binary);
    readNetwork(input, graph, path);
    std::size_t names = 0;
    for (const Vertex* vertex : graph.vertices) names += vertex->name.size();
    return {heapInUse() - before, names};
}

void printMemory(const std::string& edgeList, const std::string& csv, const char* what) {
    const std::size_t plain = keptBy(edgeList).first;
    const auto [labelled, names] = keptBy(csv);
    Graph graph(true);
    std::ifstream input(edgeList, std::ios::binary);
    readNetwork(input, graph, edgeList);
    const std::size_t vertices = graph.vertices.size();
    const double kept = double(labelled) - double(plain);
    const double perVertex = kept / double(vertices);
    const double namesPerVertex = double(names) / double(vertices);
    std::printf(
        "labels kept (%s): %.2f MiB, %.1f B a vertex, for %zu vertices with %.1f B of "
        "name each; bound %.1f B a vertex (%s)\n",
        what, kept / 1048576.0, perVertex, vertices, namesPerVertex, namesPerVertex + 16.0,
        perVertex <= namesPerVertex + 16.0 ? "met" : "not met");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: formats_bench EDGE_LIST [ROUNDS]\n");
        return 2;
    }
    const std::string edgeList = argv[1];
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    const std::string stem =
        (fs::path(edgeList).parent_path() / fs::path(edgeList).stem()).string();
    writeFiles(stem, edgeList);

    const std::vector<std::pair<std::string, std::function<double()>>> readers = {
        {"edges", [&] { return timeReadNetwork(edgeList); }},
        {"csv", [&] { return timeReadNetwork(stem + ".csv"); }},
        {"csv-long", [&] { return timeReadNetwork(stem + "_long.csv"); }},
        {"gz", [&] { return timeReadNetwork(stem + ".txt.gz"); }},
        {"zcat", [&] { return timeCommand("zcat '" + stem + ".txt.gz' > /dev/null"); }},
        {"graphml", [&] { return timeReadNetwork(stem + ".graphml"); }},
        {"igraph-graphml", [&] { return timeIgraph(stem + ".graphml", true); }},
        {"gml", [&] { return timeReadNetwork(stem + ".gml"); }},
        {"igraph-gml", [&] { return timeIgraph(stem + ".gml", false); }},
    };
    std::map<std::string, std::vector<double>> times;
    for (int round = 0; round < rounds; ++round)
        for (const auto& [name, read] : readers) times[name].push_back(read());

    auto best = [&](const std::string& name) {
        double seconds = std::numeric_limits<double>::max();
        for (const double t : times[name]) seconds = std::min(seconds, t);
        return seconds;
    };
    std::printf("| reader | best of %d (s) | runs (s) |\n|---|---:|---|\n", rounds);
    for (const auto& [name, read] : readers) {
        std::string runs;
        for (const double t : times[name]) {
            char text[32];
            std::snprintf(text, sizeof text, "%s%.3f", runs.empty() ? "" : " ", t);
            runs += text;
        }
        std::printf("| %s | %.3f | %s |\n", name.c_str(), best(name), runs.c_str());
    }
    std::printf(
        "csv / edges %.2f; csv-long / edges %.2f; gz / (zcat + edges) %.2f; "
        "graphml / igraph %.2f; gml / igraph %.2f\n",
        best("csv") / best("edges"), best("csv-long") / best("edges"),
        best("gz") / (best("zcat") + best("edges")), best("graphml") / best("igraph-graphml"),
        best("gml") / best("igraph-gml"));
    printMemory(edgeList, stem + ".csv", "short names");
    printMemory(edgeList, stem + "_long.csv", "long names");
    return 0;
}
