// Figures of scene composition on a graph of a million vertices: wall time and peak resident
// memory of
//   layout     real and abstract sizes, sort, spiral placement
//   vertex     the whole vertex scene (sub-networks and cores per community, placement,
//              sampled edges, spheres, legend) written to a POV-Ray file
//   community  the whole community scene
//   labels     the vertex scene with every vertex labelled by its id (-names)
//   writer     the POV-Ray writer alone: one sphere per vertex, no composition
// for three partitions of the same graph: planted blocks of 20 to 400 vertices, one
// community holding everything (the largest sub-network), and every vertex its own
// community (a million spiral steps). Each partition runs in a fresh child process; each
// stage's peak is measured on its own where the kernel allows resetting the counter.
//
//   scene_bench [VERTICES] [OUTPUT_DIR] [PARTITION]
//   (defaults: 1000000, /tmp, all three: "planted blocks", "one community", "singletons")
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <list>
#include <memory>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "analysis/network.h"
#include "engines/povray.h"
#include "scene/graphics.h"
#include "support/peak_memory.h"
#include "support/seeded_random.h"

namespace {

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Processor time of this process (user and system), which other load on the machine
// disturbs less than wall time.
double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Stage {
    double start;
    double cpuStart;
    double resident;
    bool isolated;
    Stage() : start(0), cpuStart(0), resident(memory::currentMiB()), isolated(memory::resetPeak()) {
        start = now();
        cpuStart = cpuSeconds();
    }
    void report(const char* name, const std::string& extra = "") const {
        std::printf("  %-10s %7.3f s wall %7.3f s cpu   peak %7.1f MiB (+%.1f)%s   %s\n", name,
                    now() - start, cpuSeconds() - cpuStart, memory::peakMiB(),
                    memory::peakMiB() - resident, isolated ? "" : " process", extra.c_str());
        std::fflush(stdout);
    }
};

// splitmix64, as the edge generator uses.
// Planted blocks of 20 to 400 vertices; five edges per vertex, 90 % inside the block.
std::vector<std::vector<VertexId>> plant(VertexId vertices, std::vector<Edge>& edges) {
    SeededRandom random(42);
    std::vector<std::vector<VertexId>> blocks;
    std::vector<std::uint32_t> blockOf(vertices);
    for (VertexId v = 0; v < vertices;) {
        const VertexId size = std::min<VertexId>(20 + VertexId(random.below(381)), vertices - v);
        blocks.emplace_back();
        for (VertexId k = 0; k < size; ++k, ++v) {
            blocks.back().push_back(v);
            blockOf[v] = std::uint32_t(blocks.size() - 1);
        }
    }
    edges.reserve(std::size_t(vertices) * 5);
    for (VertexId v = 0; v < vertices; ++v) {
        const std::vector<VertexId>& block = blocks[blockOf[v]];
        for (int k = 0; k < 5; ++k) {
            const VertexId w = random.below(10) < 9 ? block[random.below(block.size())]
                                                    : VertexId(random.below(vertices));
            edges.push_back({v, w});
        }
    }
    return blocks;
}

// Communities as detection leaves them: members, sums, neighbours with cuts.
std::vector<std::unique_ptr<Community>> formCommunities(
    Network& network, const std::vector<std::vector<VertexId>>& parts) {
    std::vector<std::unique_ptr<Community>> owned;
    std::vector<Community*> owner(network.graph.vertices.size());
    for (const std::vector<VertexId>& part : parts) {
        owned.push_back(std::make_unique<Community>());
        owned.back()->members = part;
        owned.back()->size = int(part.size());
        for (VertexId id : part)
            owner[network.graph.vertexMap.find(id)->index] = owned.back().get();
    }
    std::unordered_map<Community*, std::size_t> position;
    for (auto& community : owned) {
        position.clear();
        for (VertexId id : community->members) {
            Vertex* vertex = network.graph.vertexMap.find(id);
            vertex->community = community.get();
            community->degreeSum += std::uint32_t(vertex->degree);
            for (const Vertex* neighbour : vertex->neighbours) {
                Community* other = owner[neighbour->index];
                if (other == community.get()) {
                    ++community->internalDegree;
                    continue;
                }
                auto [at, inserted] = position.try_emplace(other, community->neighbours.size());
                if (inserted) {
                    community->neighbours.push_back(other);
                    community->cuts.push_back(0);
                }
                ++community->cuts[at->second];
            }
        }
    }
    return owned;
}

void runPartition(const char* name, VertexId vertices, const std::string& directory) {
    std::printf("%s\n", name);
    std::vector<Edge> edges;
    std::vector<std::vector<VertexId>> parts = plant(vertices, edges);
    Network network;
    network.graph.addEdges(std::move(edges));
    const std::string which = name;
    if (which == "one community") {
        std::vector<VertexId> all;
        for (const Vertex* v : network.graph.vertices) all.push_back(v->id);
        parts = {all};
    } else if (which == "singletons") {
        parts.clear();
        for (const Vertex* v : network.graph.vertices) parts.push_back({v->id});
    }
    auto owned = formCommunities(network, parts);
    std::list<Community*> list;
    for (auto& community : owned) list.push_back(community.get());
    std::printf("  %u vertices, %u adjacency entries, %zu communities, resident %.1f MiB\n",
                network.graph.numVertices, network.graph.numArcs, list.size(),
                memory::currentMiB());

    const std::string scene1 = directory + "/scene_bench1.pov";
    const std::string scene2 = directory + "/scene_bench2.pov";
    {
        Stage stage;
        std::ostringstream discard;
        Povray engine(discard, "discard");
        Graphics graphics(&engine);
        graphics.compute_sizes_for_real_communities(list, &network);
        graphics.compute_sizes_for_abstract_communities(list, &network);
        std::list<Community*> sorted = list;
        sorted.sort(CompareCommunitiesSize());
        const SpiralLayout layout = graphics.placeCommunities(sorted);
        stage.report("layout", "scene radius " + std::to_string(layout.sceneRadius));
    }
    {
        Stage stage;
        std::ofstream file(scene1, std::ios::binary);
        Povray engine(file, scene1);
        Graphics(&engine).generateNetworkFile(list, &network, false);
        std::ifstream written(scene1, std::ios::ate | std::ios::binary);
        stage.report("vertex", std::to_string(written.tellg() / 1048576) + " MiB file");
    }
    {
        Stage stage;
        std::ofstream file(scene2, std::ios::binary);
        Povray engine(file, scene2);
        Graphics(&engine).generateNetworkFile(list, &network, true);
        std::ifstream written(scene2, std::ios::ate | std::ios::binary);
        stage.report("community", std::to_string(written.tellg() / 1048576) + " MiB file");
    }
    {
        SceneOptions idsAsLabels;
        idsAsLabels.idsAsLabels = true;
        Stage stage;
        std::ofstream file(scene1, std::ios::binary);
        Povray engine(file, scene1);
        Graphics(&engine, idsAsLabels).generateNetworkFile(list, &network, false);
        std::ifstream written(scene1, std::ios::ate | std::ios::binary);
        stage.report("labels", std::to_string(written.tellg() / 1048576) + " MiB file");
    }
    {
        Stage stage;
        std::ofstream file(scene1, std::ios::binary);
        Povray engine(file, scene1);
        engine.addHeaders(-1, 1.0f, 100.0f);
        for (const Vertex* v : network.graph.vertices)
            engine.addHost(v->x, v->y, v->shellIndex / -10.0f, v->size, v->fillColor, v->ringColor,
                           1.0f);
        engine.close();
        stage.report("writer", "spheres only");
    }
    std::remove(scene1.c_str());
    std::remove(scene2.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const VertexId vertices = argc > 1 ? VertexId(std::atol(argv[1])) : 1000000;
    const std::string directory = argc > 2 ? argv[2] : "/tmp";
    int status = 0;
    for (const char* name : {"planted blocks", "one community", "singletons"}) {
        if (argc > 3 && std::string(argv[3]) != name) continue;
        std::fflush(stdout);
        const pid_t child = fork();
        if (child == 0) {
            runPartition(name, vertices, directory);
            std::fflush(stdout);
            _exit(0);
        }
        int childStatus = 0;
        if (child < 0 || waitpid(child, &childStatus, 0) < 0 || childStatus != 0) status = 1;
    }
    return status;
}
