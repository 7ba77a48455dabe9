// Writing whole scenes through each engine into a real file, and the number formatting
// alone against the standard stream it replaces.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iomanip>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engines/povray.h"
#include "engines/svg.h"

namespace {

struct Vertex {
    float x, y, z, radius;
    tColor fill;
};

struct Edge {
    int from, to;
};

// A million vertices spread over a scene of radius 1000 with shell depths and palette-like
// colours, and as many edges between random pairs: numbers of every magnitude a run writes.
struct Scene {
    std::vector<Vertex> vertices;
    std::vector<Edge> edges;

    explicit Scene(int size) {
        std::mt19937 random(12345);
        std::uniform_real_distribution<float> coordinate(-1000.0f, 1000.0f);
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        std::uniform_int_distribution<int> shell(0, 30);
        std::uniform_int_distribution<int> pick(0, size - 1);
        for (int i = 0; i < size; ++i) {
            float c = unit(random);
            vertices.push_back({coordinate(random),
                                coordinate(random),
                                shell(random) / -10.0f,
                                0.01f + unit(random) * 0.5f,
                                {c * 1.2f, 0.2f + c * 0.5f, 1 - c}});
            edges.push_back({pick(random), pick(random)});
        }
    }
};

const Scene& scene() {
    static const Scene millionVertices(1000000);
    return millionVertices;
}

std::string scratchFile(const char* extension) {
    return (std::filesystem::temp_directory_path() /
            ("quorvane-engines-bench" + std::string(extension)))
        .string();
}

template <class Writer>
void writeScene(benchmark::State& state, const char* extension, bool withEdges) {
    const Scene& s = scene();
    const std::string name = scratchFile(extension);
    for (auto _ : state) {
        std::ofstream file(name, std::ios::binary);
        Writer engine(file, name);
        engine.addHeaders(-1, 1.0f, 1000.0f);
        for (const Vertex& v : s.vertices)
            engine.addHost(v.x, v.y, v.z, v.radius, v.fill, v.fill, 1.0f);
        if (withEdges) {
            for (const Edge& e : s.edges) {
                const Vertex& a = s.vertices[e.from];
                const Vertex& b = s.vertices[e.to];
                engine.addCylinder(a.x, a.y, 30.0f, b.x, b.y, 30.0f, gray, 0.2f, 0.02f);
            }
        }
        engine.close();
    }
    state.counters["MB"] = double(std::filesystem::file_size(name)) / 1e6;
    std::filesystem::remove(name);
}

void BM_PovrayMillionVertices(benchmark::State& state) {
    writeScene<Povray>(state, ".pov", false);
}
void BM_PovrayMillionVerticesAndEdges(benchmark::State& state) {
    writeScene<Povray>(state, ".pov", true);
}
void BM_SvgMillionVertices(benchmark::State& state) {
    writeScene<Svg>(state, ".svg", false);
}
void BM_SvgMillionVerticesAndEdges(benchmark::State& state) {
    writeScene<Svg>(state, ".svg", true);
}

BENCHMARK(BM_PovrayMillionVertices)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PovrayMillionVerticesAndEdges)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SvgMillionVertices)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SvgMillionVerticesAndEdges)->Unit(benchmark::kMillisecond)->UseRealTime();

// One number of a vertex, formatted by formatNumber and by the stream.
void BM_FormatNumber(benchmark::State& state) {
    const Scene& s = scene();
    const bool fixed = state.range(0) != 0;
    char text[maxNumberLength];
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(formatNumber(text, s.vertices[i].x, fixed));
        i = (i + 1) % s.vertices.size();
    }
}

void BM_StreamNumber(benchmark::State& state) {
    const Scene& s = scene();
    std::ostringstream out;
    if (state.range(0) != 0) out << std::fixed << std::setprecision(5);
    std::size_t i = 0;
    for (auto _ : state) {
        out << double(s.vertices[i].x);
        if (out.tellp() > (1 << 20)) out.str("");
        i = (i + 1) % s.vertices.size();
    }
}

BENCHMARK(BM_FormatNumber)->Arg(0)->Arg(1);
BENCHMARK(BM_StreamNumber)->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
