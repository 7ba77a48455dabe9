// Stage figures of one whole run, in the order the driver runs it: the same calls as
// `quorvane -input FILE -nographic`, each stage timed on its own, in one process.
//   scan       a bare std::from_chars pass over the file (the floor for reading; not a stage
//              of the run)
//   parse      the edge-list reader, file → edge list
//   build      the graph from the edge list (vertices, adjacency, starting communities)
//   cores      findCores on the whole network
//   detect     findCommunities(1.0)
//   vertex     the vertex scene (per-community cores, placement, edges, legend)
//   community  the community scene
// One line per stage, "NAME WALL_SECONDS CPU_SECONDS", then "peak MIB" (the peak resident
// set of the process). bench/run.sh turns them into its table. The scene files are written
// into the current directory under the names the run would give them.
//
//   pipeline_bench FILE
#include <sys/resource.h>

#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "analysis/network.h"
#include "driver/parameters.h"
#include "engines/povray.h"
#include "graph/graph_builder_txt.h"
#include "scene/graphics.h"

namespace {

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class Stage {
  public:
    explicit Stage(const char* name) : name_(name), wall_(now()), cpu_(cpuSeconds()) {}
    ~Stage() {
        std::printf("%s %.3f %.3f\n", name_, now() - wall_, cpuSeconds() - cpu_);
        std::fflush(stdout);
    }

  private:
    const char* name_;
    double wall_;
    double cpu_;
};

// Whitespace skipped, every token converted, nothing stored: what no reader can beat.
std::uint64_t bareScan(const char* path) {
    constexpr std::size_t kBlock = std::size_t{1} << 20;
    std::ifstream input(path, std::ios::binary);
    std::vector<char> buffer(kBlock + 64);
    std::size_t kept = 0;
    std::uint64_t sum = 0;
    for (;;) {
        input.read(buffer.data() + kept, static_cast<std::streamsize>(kBlock));
        const std::size_t got = static_cast<std::size_t>(input.gcount());
        const bool last = got < kBlock;
        char* end = buffer.data() + kept + got;
        char* safe = end;
        if (!last)
            while (safe > buffer.data() && *(safe - 1) > ' ') --safe;  // keep a cut token
        const char* p = buffer.data();
        while (p < safe) {
            if (*p <= ' ') {
                ++p;
                continue;
            }
            std::uint32_t value = 0;
            p = std::from_chars(p, safe, value).ptr;
            sum += value;
            if (p < safe && *p > ' ') ++p;
        }
        if (last) break;
        kept = static_cast<std::size_t>(end - safe);
        std::copy(safe, end, buffer.data());
    }
    return sum;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::printf("usage: pipeline_bench FILE\n");
        return 1;
    }
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
        edges = Graph_builder_txt().readEdges(input, path);
    }
    {
        Stage stage("build");
        network->graph.addEdges(std::move(edges));
    }
    {
        Stage stage("cores");
        network->findCores();
    }
    {
        Stage stage("detect");
        network->findCommunities(1.0f);
    }
    const std::list<Community*> communities = network->communitiesList;
    {
        Stage stage("vertex");
        Povray engine(parameters.sceneFile1);
        Graphics(&engine).generateNetworkFile(communities, network.get(), false);
    }
    {
        Stage stage("community");
        Povray engine(parameters.sceneFile2);
        Graphics(&engine).generateNetworkFile(communities, network.get(), true);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak %.1f\n", usage.ru_maxrss / 1024.0);
    return 0;
}
