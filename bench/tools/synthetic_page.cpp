// Writes the interactive page of a synthetic run (bench/page_synthetic.h) for the browser
// measurements of bench/page_browser.py.
//
//   synthetic_page VERTICES DRAWN_EDGES OUTPUT.html [labels]
#include <cstdlib>
#include <iostream>
#include <string>

#include "bench/page_synthetic.h"
#include "export/html_page.h"

int main(int argc, char** argv) {
    if (argc < 4 || argc > 5) {
        std::cout << "usage: synthetic_page VERTICES DRAWN_EDGES OUTPUT.html [labels]\n";
        return 2;
    }
    const auto vertices = std::uint32_t(std::strtoul(argv[1], nullptr, 10));
    const auto edges = std::size_t(std::strtoull(argv[2], nullptr, 10));
    const bool labels = argc == 5 && std::string(argv[4]) == "labels";
    try {
        const bench::SyntheticRun run(vertices, edges, labels);
        writeHtmlPage(run.results, "synthetic " + std::string(argv[1]), std::string(argv[3]));
    } catch (const Fatal& error) {
        std::cout << error.what();
        return 1;
    }
    return 0;
}
