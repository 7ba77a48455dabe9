// Turning an SVG scene into a PNG image with the external "rsvg", or "rsvg-convert" where
// only that is installed (Debian 12 has no "rsvg" program).
#pragma once

#include <string>

#include "driver/povray_renderer.h"

class SvgRenderer {
  public:
    // Renders scene into image (on the Unix-like platform only), then runs the viewer when
    // options.java is set. Any failing command throws Fatal.
    void render(std::string scene, std::string image, const RenderOptions& options);
};

extern SvgRenderer svg_renderer;

// The message of a failing rsvg command.
extern const char* const kSvgError;

// The rendering command for these names and options, or "" on the Windows-like platform
// (nothing is rendered there). rsvgOnPath tells whether a program "rsvg" can be run; without
// it the same rendering is asked of rsvg-convert.
std::string svgCommand(const std::string& scene, const std::string& image,
                       const RenderOptions& options, const char* home, bool rsvgOnPath);
