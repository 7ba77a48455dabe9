// Writing the interactive page against writing the SVG vertex scene of the same synthetic
// run (the page's target: it costs no more than the scene), both into a real file.
//
//   page_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "bench/page_synthetic.h"
#include "engines/svg.h"
#include "export/html_page.h"

namespace {

// Every vertex labelled, 10,000 edges drawn.
const bench::SyntheticRun& run(std::uint32_t vertices) {
    static std::map<std::uint32_t, std::unique_ptr<bench::SyntheticRun>> made;
    auto& slot = made[vertices];
    if (!slot) slot = std::make_unique<bench::SyntheticRun>(vertices, 10000, true);
    return *slot;
}

std::string scratchFile(const char* name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

void BM_Page(benchmark::State& state) {
    const RunResults& r = run(std::uint32_t(state.range(0))).results;
    const std::string name = scratchFile("quorvane-page-bench.html");
    for (auto _ : state) writeHtmlPage(r, "synthetic", name);
    state.counters["MB"] = double(std::filesystem::file_size(name)) / 1e6;
    std::filesystem::remove(name);
}

// What the SVG engine writes for the vertex scene: the drawn edges, every vertex, and the
// labels the scene places.
void BM_SvgVertexScene(benchmark::State& state) {
    const RunResults& r = run(std::uint32_t(state.range(0))).results;
    const std::string name = scratchFile("quorvane-page-bench.svg");
    float sceneRadius = 0;
    for (const RunResults::Community& c : r.communities)
        sceneRadius = std::max(sceneRadius, std::hypot(c.x, c.y) + c.radius);
    for (auto _ : state) {
        std::ofstream file(name, std::ios::binary);
        Svg scene(file, name);
        scene.addHeaders(-1, 1.0f, sceneRadius);
        for (const RunResults::DrawnEdge& e : r.drawnEdges)
            scene.addCylinder(r.x[e.from], r.y[e.from], 30, r.x[e.to], r.y[e.to], 30, e.colour,
                              e.opacity, 0.0264f);
        for (std::size_t v = 0; v < r.x.size(); ++v) {
            const tColor colour = r.communities[r.community[v]].colour;
            scene.addHost(r.x[v], r.y[v], float(r.shell[v]) / -10.0f, r.radius[v], colour, colour,
                          1.0f);
        }
        for (std::size_t v = 0; v < r.labelsDrawn; ++v)
            scene.addText(std::string(r.graph->vertices[v]->name), white, 2.0f, r.x[v] / 2,
                          r.y[v] / 2, "left");
        scene.close();
    }
    state.counters["MB"] = double(std::filesystem::file_size(name)) / 1e6;
    std::filesystem::remove(name);
}

BENCHMARK(BM_Page)->Arg(200000)->Arg(2000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SvgVertexScene)
    ->Arg(200000)
    ->Arg(2000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
