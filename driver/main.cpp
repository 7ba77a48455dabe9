// The run: options, reading, cores, communities, the two scenes, rendering.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>

#include "analysis/network.h"
#include "driver/parameters.h"
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

int run(int argc, const char* const* argv) {
    parameters.validateParameters(argc, argv);
    std::ifstream input = openInput(parameters.inputFile);
    auto network = std::make_unique<Network>();

    std::cout << "\tBuilding graph...\n";
    Graph_builder_txt reader;
    reader.readFile(input, network->graph, parameters.inputFile);
    input.close();
    std::cout << "\tFinding communities...\n";
    network->findCores();
    std::cout << (parameters.render != "povray" ? "\tGenerating .svg file...\n"
                                                : "\tGenerating .pov file...\n");
    if (!parameters.nographic) std::cout << "\tRendering image...\n";
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
