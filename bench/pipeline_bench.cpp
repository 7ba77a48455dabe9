// Stage figures of one whole run, in the order the driver runs it: the same calls as
// `quorvane -input FILE -nographic`, each stage timed on its own, in one process.
//   scan       a bare std::from_chars pass over the file (the floor for reading; not a stage
//              of the run)
//   parse      the edge-list reader, file → edge list
//   build      the graph from the edge list (vertices, adjacency)
//   cores      the core numbers of the whole graph
//   detect     community detection: greedy (the starting communities, then the merges), or
//              Leiden with the machine's cores when the second argument is "leiden"
//   vertex     the shells inside the communities, the layout and the vertex scene file
//   community  the community scene file
// One line per stage, "NAME WALL_SECONDS CPU_SECONDS PEAK_MIB" (the peak resident set so
// far, so the stage that raised it shows), then "q Q" (the modularity of the
// partition found, in double precision, every community's (degree sum / A)² term kept) and
// "peak MIB" (the peak resident set of the process). bench/run.sh turns them into its table. The
// scene files are written into the current directory under the names the run would give them.
//
//   pipeline_bench FILE [leiden]
#include <sys/resource.h>

#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <list>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "analysis/cores.h"
#include "analysis/greedy.h"
#include "analysis/leiden.h"
#include "analysis/modularity.h"
#include "analysis/network.h"
#include "bench/bench_common.h"
#include "driver/parameters.h"
#include "engines/povray.h"
#include "graph/graph_builder_txt.h"
#include "scene/graphics.h"
#include "support/peak_memory.h"

namespace {

using bench::bareScan;
using bench::cpuSeconds;
using bench::now;

class Stage {
  public:
    explicit Stage(const char* name) : name_(name), wall_(now()), cpu_(cpuSeconds()) {}
    ~Stage() {
        std::printf("%s %.3f %.3f %.1f\n", name_, now() - wall_, cpuSeconds() - cpu_,
                    memory::peakMiB());
        std::fflush(stdout);
    }

  private:
    const char* name_;
    double wall_;
    double cpu_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && !(argc == 3 && std::string(argv[2]) == "leiden")) {
        std::printf("usage: pipeline_bench FILE [leiden]\n");
        return 1;
    }
    const bool leiden = argc == 3;
    const char* path = argv[1];
    {
        Stage stage("scan");
        if (bareScan(path) == 1) std::printf("#\n");  // keeps the scan from being optimised out
    }
    const char* args[] = {"quorvane", "-input", path, "-nographic"};
    parameters.validateParameters(4, args);

    auto network = std::make_unique<Network>();
    std::vector<Edge> edges;
    {
        Stage stage("parse");
        std::ifstream input(path, std::ios::binary);
        edges = Graph_builder_txt().readEdges(input, path, 2);
    }
    {
        Stage stage("build");
        network->graph.addEdges(std::move(edges));
    }
    {
        Stage stage("cores");
        if (computeCoreness(network->graph, 2).size() == 1) std::printf("#\n");
    }
    Partition partition;
    {
        Stage stage("detect");
        if (leiden)
            partition = leidenPartition(
                network->graph, {1.0, 1, std::max(1u, std::thread::hardware_concurrency())});
        else
            partition = greedyPartition(network->graph);
    }
    std::printf("q %.6f\n", modularity(network->graph, partition.communityOf));
    SceneOptions options;
    Layout layout;
    {
        Stage stage("vertex");
        const CommunityShells shells = computeCommunityShells(partition, network->graph, 2);
        layout = layOut(partition, &shells, network->graph, options);
        std::ofstream file(parameters.sceneFile1, std::ios::binary);
        Povray engine(file, parameters.sceneFile1);
        Graphics(&engine, options).drawVertexScene(layout, network->graph);
    }
    {
        Stage stage("community");
        std::ofstream file(parameters.sceneFile2, std::ios::binary);
        Povray engine(file, parameters.sceneFile2);
        Graphics(&engine, options).drawCommunityScene(layout, partition);
    }
    std::printf("peak %.1f\n", memory::peakMiB());
    return 0;
}
