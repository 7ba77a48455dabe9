// Figures of the Leiden detector on one edge-list file. The file is read and the graph built
// as the program does it (not timed); then, for each thread count, the CSR is built from the
// graph and the detector run, each timed (best of -repeat runs). Prints
//     vertices V arcs A
//     threads T csr SECONDS leiden SECONDS cpu SECONDS communities C modularity Q extra MIB
// one line per thread count (cpu: processor time of the detector, all threads; extra: the
// peak resident memory of CSR and detector above what the process held before them), then
// "identical yes|no" (the memberships of all thread counts and runs compared). With -write,
// the partition goes to PATH: one line "ID COMMUNITY" per vertex, in position order, ids as
// in the file.
//
//   leiden_bench FILE [-threads 1,2] [-resolution G] [-seed N] [-repeat N] [-write PATH]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "analysis/csr.h"
#include "analysis/leiden.h"
#include "analysis/modularity.h"
#include "bench/bench_common.h"
#include "graph/graph.h"
#include "graph/graph_builder_txt.h"

namespace {

std::vector<unsigned> parseList(const std::string& text) {
    std::vector<unsigned> values;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        values.push_back(static_cast<unsigned>(std::stoul(text.substr(at, comma - at))));
        at = comma + 1;
    }
    return values;
}

// A line "NAME: N kB" of /proc/self/status, in MiB; 0 when absent.
double statusMiB(const char* name) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(name, 0) == 0) return std::atof(line.c_str() + std::strlen(name)) / 1024;
    return 0;
}

// Starts a new peak: the kernel sets the peak resident set (VmHWM) to the current one.
void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

void write(const char* path, const Graph& graph, const std::vector<Index>& community) {
    std::FILE* file = std::fopen(path, "w");
    if (!file) return;
    for (std::size_t p = 0; p < community.size(); ++p)
        std::fprintf(file, "%d %u\n", graph.vertices[p]->id, community[p]);
    std::fclose(file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf(
            "usage: leiden_bench FILE [-threads 1,2] [-resolution G] [-seed N] "
            "[-repeat N] [-write PATH]\n");
        return 1;
    }
    std::vector<unsigned> threads = {1, 2};
    LeidenOptions options;
    int repeat = 1;
    const char* output = nullptr;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "-threads") threads = parseList(argv[i + 1]);
        if (option == "-resolution") options.resolution = std::atof(argv[i + 1]);
        if (option == "-seed") options.seed = std::strtoull(argv[i + 1], nullptr, 10);
        if (option == "-repeat") repeat = std::max(1, std::atoi(argv[i + 1]));
        if (option == "-write") output = argv[i + 1];
    }

    Graph graph(true);
    {
        std::ifstream input(argv[1], std::ios::binary);
        graph.addEdges(Graph_builder_txt().readEdges(input, argv[1]));
    }
    std::printf("vertices %zu arcs %u\n", graph.vertices.size(), graph.numArcs);

    std::vector<Index> first;
    bool identical = true;
    for (const unsigned count : threads) {
        double csrBest = 1e300, leidenBest = 1e300, cpuBest = 1e300, extra = 0;
        std::vector<Index> community;
        Csr csr;
        for (int run = 0; run < repeat; ++run) {
            csr = Csr();
            community.clear();
            resetPeak();
            const double before = statusMiB("VmRSS:");
            double start = bench::now();
            csr = csrOf(graph, count);
            csrBest = std::min(csrBest, bench::now() - start);
            options.threads = count;
            start = bench::now();
            const double cpu = bench::cpuSeconds();
            community = leidenCommunities(csr.offsets, csr.targets, options);
            leidenBest = std::min(leidenBest, bench::now() - start);
            cpuBest = std::min(cpuBest, bench::cpuSeconds() - cpu);
            extra = std::max(extra, statusMiB("VmHWM:") - before);
            if (first.empty()) first = community;
            identical = identical && community == first;
        }
        Index communities = 0;
        for (const Index c : community) communities = std::max(communities, c + 1);
        std::printf(
            "threads %u csr %.3f leiden %.3f cpu %.3f communities %u modularity %.6f "
            "extra %.0f\n",
            count, csrBest, leidenBest, cpuBest, communities,
            modularity(csr.offsets, csr.targets, community, options.resolution), extra);
        std::fflush(stdout);
    }
    std::printf("identical %s\n", identical ? "yes" : "no");
    if (output) write(output, graph, first);
    return 0;
}
