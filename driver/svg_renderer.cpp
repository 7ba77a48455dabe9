#include "driver/svg_renderer.h"

#include <cstdlib>

#include "driver/povray_renderer.h"
#include "graph/defs.h"

SvgRenderer svg_renderer;

const char* const kSvgError =
    "ERROR: Error rendering image. Verify rsvg is installed in your system.\n";

std::string svgCommand(const std::string& scene, const std::string& image,
                       const RenderOptions& options, const char* home, bool rsvgOnPath) {
    if (!isUnixLike(home)) return "";
    std::string size =
        " -w " + std::to_string(options.width) + " -h " + std::to_string(options.height);
    std::string sceneWord = shellWord(fileArgument(scene));
    std::string imageWord = shellWord(fileArgument(image));
    std::string command = rsvgOnPath ? "rsvg" + size + " " + sceneWord + " " + imageWord
                                     : "rsvg-convert" + size + " -o " + imageWord + " " + sceneWord;
    return command + " 2> " + (options.logfile ? std::string(kRendererLog) : nullDevice(true));
}

void SvgRenderer::render(std::string scene, std::string image, const RenderOptions& options) {
    const char* home = std::getenv("HOME");
    std::string command =
        svgCommand(scene, image, options, home, onPath("rsvg", std::getenv("PATH")));
    if (!command.empty() && !runRenderer(command, options)) throw Fatal(kSvgError);
    runViewer(image, options, home);
}
