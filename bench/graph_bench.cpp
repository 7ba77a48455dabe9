// Stage figures of reading, core decomposition and community detection: for each edge-list
// file, wall time, processor time and peak resident memory of
//   scan     a bare std::from_chars pass over the file (the floor for reading)
//   reading  the edge-list reader, file → edge list
//   building the graph from the edge list (vertices, adjacency, starting communities)
//   cores    buildDegreesList + findCores
//   detect   findCommunities(1.0): greedy agglomeration, vertex assignment and the log
//            (discarded unless a "log" directory exists where the bench runs)
// Each file is measured in a fresh child process, so no file profits from memory an earlier
// one left behind. Each stage's peak is measured on its own (the peak counter is reset
// before it, where the kernel allows); "graph" is the resident memory the finished graph
// keeps, per line of the file.
//
//   graph_bench FILE...
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "analysis/network.h"
#include "analysis/solution_submodular.h"
#include "bench/bench_common.h"
#include "graph/graph_builder_txt.h"
#include "support/peak_memory.h"

namespace {

using bench::bareScan;
using bench::cpuSeconds;
using bench::now;

struct Stage {
    double start;
    double cpu;
    bool isolated;
    Stage() : start(0), cpu(0), isolated(memory::resetPeak()) {
        start = now();
        cpu = cpuSeconds();
    }
    void report(const char* name, const std::string& extra = "") const {
        const double seconds = now() - start;
        std::printf("  %-9s %8.3f s (cpu %8.3f s)   peak %8.1f MiB%s   %s\n", name, seconds,
                    cpuSeconds() - cpu, memory::peakMiB(), isolated ? "" : " (process)",
                    extra.c_str());
    }
};

void run(const char* path) {
    std::printf("%s\n", path);
    {
        Stage stage;
        const std::uint64_t sum = bareScan(path);
        stage.report("scan", "checksum " + std::to_string(sum % 1000));
    }
    const double before = memory::currentMiB();
    std::vector<Edge> edges;
    {
        Stage stage;
        std::ifstream input(path, std::ios::binary);
        edges = Graph_builder_txt().readEdges(input, path);
        stage.report("reading", std::to_string(edges.size()) + " edge lines");
    }
    const std::size_t lines = edges.size();
    Network network;
    {
        Stage stage;
        network.graph.addEdges(std::move(edges));
        const double graph = memory::currentMiB() - before;
        char text[160];
        std::snprintf(text, sizeof text, "%u vertices, graph %.1f MiB = %.1f B/edge line",
                      network.graph.numVertices, graph, graph * 1048576.0 / lines);
        stage.report("building", text);
    }
    {
        Stage stage;
        network.graph.buildDegreesList();
        network.findCores();
        stage.report("cores", "shells " + std::to_string(network.minShell) + " to " +
                                  std::to_string(network.maxShell));
    }
    {
        Stage stage;
        const int firstStep = SolutionSubmodular::step;
        network.findCommunities(1.0f);
        char text[160];
        std::snprintf(text, sizeof text, "%zu communities, %d steps, Q %.4f",
                      network.communitiesList.size(), SolutionSubmodular::step - firstStep,
                      network.getQ());
        stage.report("detect", text);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: graph_bench FILE...\n");
        return 1;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        std::fflush(stdout);
        const pid_t child = fork();
        if (child == 0) {
            run(argv[i]);
            std::fflush(stdout);
            _exit(0);
        }
        int childStatus = 0;
        if (child < 0 || waitpid(child, &childStatus, 0) < 0 || childStatus != 0) status = 1;
    }
    return status;
}
