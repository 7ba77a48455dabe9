// Figures of the Leiden detector on one edge-list file. The file is read and the graph built
// as the program does it (not timed); then, for each thread count, the CSR is built from the
// graph and the detector run, each timed (best of -repeat runs). Prints
//     vertices V arcs A
//     threads T csr SECONDS leiden SECONDS cpu SECONDS communities C modularity Q extra MIB
// one line per thread count (cpu: processor time of the detector, all threads; extra: the
// peak resident memory of CSR and detector above what the process held before them), then
// "identical yes|no" (the memberships of all thread counts and runs compared). With -write,
// the partition goes to PATH: one line "ID COMMUNITY" per vertex, in position order, ids as
// in the file. -weights random gives every edge a weight in [0.5, 2) drawn from the seeded
// hash of its two ids (both entries alike) and runs the weighted detector, its lines ending
// in "weights random" (Q weighted); -weights both alternates unweighted and weighted runs in
// every repetition, a line for each, so that the two are timed in the same conditions.
//
//   leiden_bench FILE [-threads 1,2] [-resolution G] [-seed N] [-repeat N] [-write PATH]
//                [-weights unit|random|both]
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

// splitmix64's finaliser: the weight of an edge depends on the seed and its ids alone.
std::uint64_t mix(std::uint64_t x) {
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// One weight in [0.5, 2) per adjacency entry, the same for the two entries of an edge.
std::vector<double> randomWeights(const Graph& graph, const Csr& csr, std::uint64_t seed) {
    std::vector<double> weights(csr.targets.size());
    for (Index v = 0; v < csr.vertexCount(); ++v)
        for (Index k = csr.offsets[v]; k < csr.offsets[v + 1]; ++k) {
            const std::uint64_t a = static_cast<std::uint32_t>(graph.vertices[v]->id);
            const std::uint64_t b = static_cast<std::uint32_t>(graph.vertices[csr.targets[k]]->id);
            const std::uint64_t bits = mix(mix(seed) ^ (std::min(a, b) << 32 | std::max(a, b)));
            weights[k] = 0.5 + 1.5 * static_cast<double>(bits >> 11) * 0x1p-53;
        }
    return weights;
}

// The best figures of one kind of run at one thread count.
struct Figures {
    double csr = 1e300, leiden = 1e300, cpu = 1e300, extra = 0;
    std::vector<Index> community;
    Csr csrKept;
};

}  // namespace

// One run of the detector on the graph with `count` threads, kept in f when it is the best.
void runOnce(const Graph& graph, unsigned count, bool weighted, LeidenOptions options, Figures& f) {
    f.csrKept = Csr();
    f.community.clear();
    resetPeak();
    const double before = statusMiB("VmRSS:");
    double start = bench::now();
    f.csrKept = csrOf(graph, count);
    f.csr = std::min(f.csr, bench::now() - start);
    // Drawn outside the timing: the weights stand for what a reader would hand over.
    const std::vector<double> weights =
        weighted ? randomWeights(graph, f.csrKept, options.seed) : std::vector<double>();
    options.threads = count;
    start = bench::now();
    const double cpu = bench::cpuSeconds();
    f.community = leidenCommunities(f.csrKept.offsets, f.csrKept.targets, options,
                                    weighted ? &weights : nullptr);
    f.leiden = std::min(f.leiden, bench::now() - start);
    f.cpu = std::min(f.cpu, bench::cpuSeconds() - cpu);
    f.extra = std::max(f.extra, statusMiB("VmHWM:") - before);
}

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf(
            "usage: leiden_bench FILE [-threads 1,2] [-resolution G] [-seed N] "
            "[-repeat N] [-write PATH] [-weights unit|random|both]\n");
        return 1;
    }
    std::vector<unsigned> threads = {1, 2};
    LeidenOptions options;
    int repeat = 1;
    const char* output = nullptr;
    std::vector<bool> kinds = {false};  // weighted or not, in the order run
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const std::string value = argv[i + 1];
        if (option == "-threads") threads = parseList(value);
        if (option == "-resolution") options.resolution = std::atof(value.c_str());
        if (option == "-seed") options.seed = std::strtoull(value.c_str(), nullptr, 10);
        if (option == "-repeat") repeat = std::max(1, std::atoi(value.c_str()));
        if (option == "-write") output = argv[i + 1];
        if (option == "-weights")
            kinds = value == "both"     ? std::vector<bool>{false, true}
                    : value == "random" ? std::vector<bool>{true}
                                        : std::vector<bool>{false};
    }

    Graph graph(true);
    {
        std::ifstream input(argv[1], std::ios::binary);
        graph.addEdges(Graph_builder_txt().readEdges(input, argv[1]));
    }
    std::printf("vertices %zu arcs %u\n", graph.vertices.size(), graph.numArcs);

    // The first membership of each kind, which every later run of that kind must repeat.
    std::vector<std::vector<Index>> first(kinds.size());
    bool identical = true;
    for (const unsigned count : threads) {
        std::vector<Figures> figures(kinds.size());
        for (int run = 0; run < repeat; ++run)
            for (std::size_t kind = 0; kind < kinds.size(); ++kind) {
                runOnce(graph, count, kinds[kind], options, figures[kind]);
                if (first[kind].empty()) first[kind] = figures[kind].community;
                identical = identical && figures[kind].community == first[kind];
            }
        for (std::size_t kind = 0; kind < kinds.size(); ++kind) {
            const Figures& f = figures[kind];
            const std::vector<double> weights =
                kinds[kind] ? randomWeights(graph, f.csrKept, options.seed) : std::vector<double>();
            Index communities = 0;
            for (const Index c : f.community) communities = std::max(communities, c + 1);
            std::printf(
                "threads %u csr %.3f leiden %.3f cpu %.3f communities %u modularity %.6f "
                "extra %.0f%s\n",
                count, f.csr, f.leiden, f.cpu, communities,
                modularity(f.csrKept.offsets, f.csrKept.targets, f.community, options.resolution,
                           kinds[kind] ? &weights : nullptr),
                f.extra, kinds[kind] ? " weights random" : "");
        }
        std::fflush(stdout);
    }
    std::printf("identical %s\n", identical ? "yes" : "no");
    if (output) write(output, graph, first.back());
    return 0;
}
