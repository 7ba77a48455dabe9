// The run: options, reading, cores, communities, the two scenes, rendering.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>

#include "analysis/network.h"
#include "auxiliary/graph_node_names.h"
#include "driver/parameters.h"
#include "driver/povray_renderer.h"
#include "driver/svg_renderer.h"
#include "graph/defs.h"
#include "graph/graph_builder_txt.h"

namespace {

std::ifstream openInput(const std::string& name) {
    std::error_code error;
    std::ifstream input;
    if (!std::filesystem::is_directory(name, error)) input.open(name, std::ios::binary);
    if (!input.is_open()) throw Fatal("ERROR: Input file " + name + " cannot be opened\n");
    return input;
}

void render() {
    std::cout << "\tRendering image...\n";
    if (parameters.render == "povray") {
        povray_renderer.render(parameters.sceneFile1, parameters.imageFile1);
        povray_renderer.render(parameters.sceneFile2, parameters.imageFile2);
    } else {
        svg_renderer.render(parameters.sceneFile1, parameters.imageFile1);
        svg_renderer.render(parameters.sceneFile2, parameters.imageFile2);
    }
}

int run(int argc, const char* const* argv) {
    parameters.validateParameters(argc, argv);
    std::ifstream input = openInput(parameters.inputFile);
    auto network = std::make_unique<Network>();

    std::cout << "\tBuilding graph...\n";
    Graph_builder_txt reader;
    reader.readFile(input, network->graph, parameters.inputFile);
    input.close();
    // "0" asks for ids as labels; any other name is a names file.
    if (!parameters.namesFile.empty() && parameters.namesFile != "0")
        Graph_node_names().readFile(network->graph, parameters.namesFile);
    std::cout << "\tFinding communities...\n";
    network->findCores();
    std::cout << (parameters.render != "povray" ? "\tGenerating .svg file...\n"
                                                : "\tGenerating .pov file...\n");
    if (!parameters.nographic) render();
    std::cout << "Done!\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const Fatal& error) {
        std::cout << error.what() << std::flush;
        return 1;
    }
}
