// The run: options, reading, cores, communities, the two scenes, rendering.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "analysis/network.h"
#include "auxiliary/graph_node_names.h"
#include "driver/parameters.h"
#include "driver/povray_renderer.h"
#include "driver/svg_renderer.h"
#include "engines/engine.h"
#include "engines/povray.h"
#include "engines/svg.h"
#include "graph/defs.h"
#include "graph/formats/input_format.h"
#include "graph/formats/network_reader.h"
#include "scene/graphics.h"

namespace {

std::ifstream openInput(const std::string& name) {
    std::error_code error;
    std::ifstream input;
    if (!std::filesystem::is_directory(name, error)) input.open(name, std::ios::binary);
    if (!input.is_open()) throw Fatal("ERROR: Input file " + name + " cannot be opened\n");
    return input;
}

// The scene files this run has created and not yet completed. A run that fails while writing
// them removes them again, so no half-written scene is left behind; once both are complete
// they stay, whatever happens when they are rendered.
std::vector<std::string> createdScenes;

void removeCreatedScenes() {
    for (const std::string& name : createdScenes) {
        std::error_code ignored;
        std::filesystem::remove(name, ignored);
    }
}

// A scene file must never replace the input it was drawn from.
void refuseInputAsScene(const std::string& scene) {
    std::error_code error;
    if (std::filesystem::equivalent(scene, parameters.inputFile, error))
        throw Fatal("ERROR: Scene file " + scene + " would overwrite the input file\n");
}

template <class Writer>
std::unique_ptr<Engine> createEngine(const std::string& scene) {
    auto engine = std::make_unique<Writer>(scene);
    createdScenes.push_back(scene);
    return engine;
}

// Both scene files are created before anything is drawn; then the vertex scene, then the
// community scene, each from its own copy of the community list.
void writeScenes(Network* network) {
    const std::list<Community*> communities = network->communitiesList;
    const bool povray = parameters.render == "povray";
    std::cout << (povray ? "\tGenerating .pov file...\n" : "\tGenerating .svg file...\n");
    refuseInputAsScene(parameters.sceneFile1);
    refuseInputAsScene(parameters.sceneFile2);
    std::unique_ptr<Engine> engine1 = povray ? createEngine<Povray>(parameters.sceneFile1)
                                             : createEngine<Svg>(parameters.sceneFile1);
    std::unique_ptr<Engine> engine2 = povray ? createEngine<Povray>(parameters.sceneFile2)
                                             : createEngine<Svg>(parameters.sceneFile2);
    Graphics(engine1.get()).generateNetworkFile(communities, network, false);
    Graphics(engine2.get()).generateNetworkFile(communities, network, true);
    engine1.reset();
    engine2.reset();
    createdScenes.clear();
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
    // Labels the file gives are the vertices' names from here on, drawn as -names draws them.
    readNetwork(input, network->graph, parameters.inputFile, inputFormatNamed(parameters.format));
    input.close();
    // "0" asks for ids as labels; any other name is a names file.
    if (!parameters.namesFile.empty() && parameters.namesFile != "0")
        Graph_node_names().readFile(network->graph, parameters.namesFile);
    std::cout << "\tFinding communities...\n";
    network->findCores();
    network->findCommunities(1.0f);
    writeScenes(network.get());
    if (!parameters.nographic) render();
    std::cout << "Done!\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const Fatal& error) {
        removeCreatedScenes();
        std::cout << error.what() << std::flush;
        return 1;
    }
}
