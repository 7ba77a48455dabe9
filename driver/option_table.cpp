// The option table: every option of the program, declared once. An entry names its word,
// its help line, how its values are read, its configuration key, its range, its summary key
// and what it sets in the stages' options (see OptionSpec).
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <thread>

#include "driver/parameters.h"
#include "export/data_files.h"
#include "export/text_output.h"
#include "graph/text.h"

namespace {

// Bounds that keep every scene coordinate, size and opacity computed from the options finite.
constexpr int kMaxImageSide = 100000;
constexpr float kLargestFont = 1000.0f;
constexpr float kLargestUnit = 1000000.0f;
constexpr float kLargestWindow = 1000.0f;
constexpr double kLargestResolution = 1000000.0;

// ---- Summary values ----

std::string number(float value) {
    std::string text;
    appendFloat(text, value);
    return text;
}
std::string flag(bool on) {
    return on ? "true" : "false";
}
std::string textOrNull(const std::string& text) {
    return text.empty() ? "null" : jsonString(text);
}

// ---- Values ----

// A whole token of ASCII digits whose value fits below limit, or nothing.
std::optional<std::uint64_t> wholeNumber(const std::string& text, std::uint64_t limit) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || text[0] == '+' || text[0] == '-' || error != std::errc() ||
        end != text.data() + text.size() || value > limit)
        return std::nullopt;
    return value;
}

bool oneOf(const std::string& value, std::initializer_list<std::string_view> allowed) {
    return std::find(allowed.begin(), allowed.end(), value) != allowed.end();
}

// The words of -export, comma-separated; the last -export decides.
void readExportList(Parameters& p, Parameters::Arguments& args) {
    const std::string list =
        args.value("'-export' parameter must be followed by 'csv', 'gexf' or 'csv,gexf'");
    p.exportCsv = p.exportGexf = false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string word = list.substr(start, comma - start);
        if (word == "csv")
            p.exportCsv = true;
        else if (word == "gexf")
            p.exportGexf = true;
        else
            optionError(escaped(word, Escape::Argument) +
                        " is not a possible value for export. Possible values are 'csv' and "
                        "'gexf', separated by commas.");
        if (comma == list.size()) break;
        start = comma + 1;
    }
}

void readResolution(Parameters& p, Parameters::Arguments& args) {
    const std::string text =
        args.value("'-resolution' parameter must be followed by resolution value");
    const std::size_t length = plainDecimalLength(text);
    p.resolution = length == text.size() && length > 0 ? std::strtod(text.c_str(), nullptr) : 0.0;
    // A subnormal γ is as good as 0: every product with it underflows.
    if (!std::isnormal(p.resolution) || !(p.resolution > 0.0))
        optionError("'-resolution' parameter must be a number greater than 0");
    if (p.resolution > kLargestResolution)
        optionError("'-resolution' parameter must be at most 1000000");
    p.resolutionGiven = true;
}

void readWindow(Parameters& p, Parameters::Arguments& args) {
    args.require(4, "'-window' parameter must be followed by four values: hstart hend vstart vend");
    p.hstart = toDecimal(args.value(""));
    p.hend = toDecimal(args.value(""));
    p.vstart = toDecimal(args.value(""));
    p.vend = toDecimal(args.value(""));
}

// The table itself, made on first use (it is read while other files' statics are made).
std::vector<OptionSpec> makeTable() {
    return {
        {"-input", "-input <file>: Name of input file containing the network edges. Required.",
         [](Parameters& p, Parameters::Arguments& args) {
             p.inputFile = args.value("'-input' parameter must be followed by input file name");
             p.inputGiven = true;
         },
         nullptr, nullptr, nullptr, "input",
         [](const Parameters& p) { return jsonString(p.inputFile); }},
        {"-format",
         "-format <value>: Input file format. Possible values: 'edges', 'graphml', 'gexf', 'gml', "
         "'pajek', 'ncol' and 'csv'. Optional. Default: found from the file's content (and a .csv "
         "name). A gzip-compressed file of any format is decompressed as it is read",
         [](Parameters& p, Parameters::Arguments& args) {
             p.format =
                 args.choice("'-format' parameter must be followed by input format", "format",
                             {"edges", "graphml", "gexf", "gml", "pajek", "ncol", "csv"},
                             "'edges', 'graphml', 'gexf', 'gml', 'pajek', 'ncol' and 'csv'");
         },
         nullptr, nullptr, nullptr, "format",
         [](const Parameters& p) { return textOrNull(p.format); }},
        {"-output",
         "-output <stem>: Names of the scene and image files: <stem>1.pov, <stem>2.pov (with "
         "-render "
         "svg <stem>1.svg, <stem>2.svg) and <stem>1.png, <stem>2.png. Optional. Default: named "
         "after "
         "the input and the options, <stem>1.pov and <stem>_1_POV.png, for example "
         "karate_col_b_800x6001.pov and karate_col_b_800x600_1_POV.png",
         [](Parameters& p, Parameters::Arguments& args) {
             p.outputStem = args.value("'-output' parameter must be followed by output file name");
             p.outputGiven = true;
         },
         nullptr, nullptr, nullptr, "output",
         [](const Parameters& p) { return jsonString(p.fileStem); }},
        {"-names",
         "-names [<file>]: Labels the vertices with the names of a file of 'id label' lines (a "
         "label "
         "in double quotes may hold blanks); without a file, with their ids. Optional. Default: no "
         "labels",
         [](Parameters& p, Parameters::Arguments& args) {
             // Only this option looks at its next word: an option word is never a names file.
             if (args.valueFollows()) {
                 p.namesFile = args.value("");
                 if (p.namesFile.empty()) optionError("'-names' file name must not be empty");
             } else {
                 p.namesFile.assign(1, '0');  // (not = "0": a false -Wrestrict in g++ 12)
             }
         },
         nullptr, nullptr, nullptr, "names",
         [](const Parameters& p) {
             return p.namesFile.empty() ? std::string("null")
                    : p.idsAsLabels()   ? std::string("true")
                                        : jsonString(p.namesFile);
         },
         [](const Parameters& p, StageOptions& o) { o.scene.idsAsLabels = p.idsAsLabels(); }},
        {"-nographic",
         "-nographic: Writes the scene files and stops before rendering them. Optional. "
         "Default: off",
         [](Parameters& p, Parameters::Arguments&) { p.nographic = true; }, nullptr, nullptr,
         nullptr, "nographic", [](const Parameters& p) { return flag(p.nographic); }},
        {"-export",
         "-export <list>: Writes what the run found as data files next to the scene files, named "
         "from their stem (the -output stem, else the derived one, for example "
         "karate_col_b_800x600): 'csv' (<stem>_vertices.csv, <stem>_communities.csv, "
         "<stem>_links.csv), 'gexf' (<stem>.gexf) or both ('csv,gexf'); each adds "
         "<stem>_summary.json and a summary line. Optional. Default: none",
         readExportList, nullptr, nullptr, nullptr, "export",
         [](const Parameters& p) {
             std::string list = "[";
             if (p.exportCsv) list += "\"csv\"";
             if (p.exportGexf) list += p.exportCsv ? ", \"gexf\"" : "\"gexf\"";
             return list + "]";
         }},
        {"-partition",
         "-partition <file>: Draws the partition in the file instead of detecting communities: "
         "'id community' lines (an id is matched against the file's own vertex ids, then "
         "against the labels), or the <stem>_vertices.csv that -export csv writes (members laid "
         "out in its member_rank order, links in the order of the <stem>_links.csv beside it; "
         "the derived names gain _partition after the input's). "
         "Optional. Default: communities detected",
         [](Parameters& p, Parameters::Arguments& args) {
             const char* missing = "'-partition' parameter must be followed by partition file name";
             p.partitionFile = args.value(missing);
             // An empty name reads nothing; it must not pass for no partition.
             if (p.partitionFile.empty()) optionError(missing);
         },
         nullptr, nullptr, nullptr, "partition",
         [](const Parameters& p) { return textOrNull(p.partitionFile); }},
        {"-communities",
         "-communities <detector>: Selects the community detection. Possible values: 'greedy' "
         "(greedy modularity agglomeration) and 'leiden' (the Leiden method: better communities, "
         "faster; the derived names gain _leiden after the input's). Optional. Default: greedy",
         [](Parameters& p, Parameters::Arguments& args) {
             p.communities =
                 args.choice("'-communities' parameter must be followed by detector name",
                             "communities", {"greedy", "leiden"}, "'greedy' and 'leiden'");
             p.communitiesGiven = true;
         },
         nullptr, nullptr,
         [](const Parameters& p) {
             if (p.communitiesGiven && !p.partitionFile.empty())
                 optionError("'-communities' and '-partition' cannot be used together");
         },
         "communities",
         [](const Parameters& p) {
             return jsonString(p.detector() == Parameters::Detector::file ? "none" : p.communities);
         }},
        {"-resolution",
         "-resolution <value>: Modularity resolution of -communities leiden (greater than 0, at "
         "most 1000000; larger values give more, smaller communities). Optional. Default: 1.0",
         readResolution, nullptr, nullptr,
         [](const Parameters& p) {
             // The greedy optimizer has neither a resolution nor random choices.
             if (p.resolutionGiven && p.communities != "leiden")
                 optionError("'-resolution' parameter needs '-communities leiden'");
         },
         "resolution",
         [](const Parameters& p) {
             return p.communities == "leiden" ? jsonNumber(p.resolution) : std::string("null");
         }},
        {"-seed",
         "-seed <value>: Seed of the random choices of -communities leiden (a non-negative "
         "integer). "
         "Optional. Default: 1",
         [](Parameters& p, Parameters::Arguments& args) {
             const auto value = wholeNumber(
                 args.value("'-seed' parameter must be followed by seed value"), UINT64_MAX);
             if (!value) optionError("'-seed' parameter must be a non-negative integer");
             p.seed = *value;
             p.seedGiven = true;
         },
         nullptr, nullptr,
         [](const Parameters& p) {
             if (p.seedGiven && p.communities != "leiden")
                 optionError("'-seed' parameter needs '-communities leiden'");
         },
         "seed",
         [](const Parameters& p) {
             return p.communities == "leiden" ? std::to_string(p.seed) : std::string("null");
         }},
        {"-threads",
         "-threads <value>: Most threads any stage runs at once (a positive integer; the results "
         "are the same for every value; never more than the machine's cores, nor than a stage has "
         "work for). Optional. Default: the machine's cores",
         [](Parameters& p, Parameters::Arguments& args) {
             const auto value = wholeNumber(
                 args.value("'-threads' parameter must be followed by number of threads"),
                 1u << 16);
             if (!value || *value == 0)
                 optionError("'-threads' parameter must be a positive integer");
             p.threads = static_cast<unsigned>(*value);
         },
         nullptr, nullptr, nullptr, "threads",
         [](const Parameters& p) { return std::to_string(p.effectiveThreads()); },
         [](const Parameters& p, StageOptions& o) { o.scene.threads = p.effectiveThreads(); }},
        {"-onlygraphic",
         "-onlygraphic: Names the images after the input file alone "
         "(<input>_1_POV.png). Optional. Default: off",
         [](Parameters& p, Parameters::Arguments&) { p.onlygraphic = true; }, nullptr, nullptr,
         nullptr, "onlygraphic", [](const Parameters& p) { return flag(p.onlygraphic); }},
        {"-logfile",
         "-logfile: Sends the renderers' error output to log/povray.log (the log "
         "directory must exist). Optional. Default: off",
         [](Parameters& p, Parameters::Arguments&) { p.logfile = true; }, nullptr, nullptr, nullptr,
         "logfile", [](const Parameters& p) { return flag(p.logfile); },
         [](const Parameters& p, StageOptions& o) { o.render.logfile = p.logfile; }},
        {"-progress",
         "-progress <value>: A status line rewritten in place while a long stage runs, when the "
         "output is a terminal. Possible values: 'on' and 'off'. Optional. Default: on",
         [](Parameters& p, Parameters::Arguments& args) {
             p.progress = args.choice("'-progress' parameter must be followed by on or off",
                                      "progress", {"on", "off"}, "'on' and 'off'");
         },
         "progress",
         [](Parameters& p, const std::string& value) {
             if (oneOf(value, {"on", "off"})) p.progress = value;
         },
         nullptr, "progress", [](const Parameters& p) { return jsonString(p.progress); }},
        {"-logstdout", "-logstdout: Accepted, no effect.",
         [](Parameters&, Parameters::Arguments&) {}},
        {"-bckgnd",
         "-bckgnd <value>: Background color. Possible values: 'white' and 'black'. Optional. "
         "Default: black",
         [](Parameters& p, Parameters::Arguments& args) {
             p.bckgnd =
                 args.choice("'-bckgnd' parameter must be followed by background color value",
                             "bckgnd", {"white", "black"}, "'white' and 'black'");
         },
         "bckgnd",
         [](Parameters& p, const std::string& value) {
             if (oneOf(value, {"white", "black"})) p.bckgnd = value;
         },
         nullptr, "bckgnd", [](const Parameters& p) { return jsonString(p.bckgnd); },
         [](const Parameters& p, StageOptions& o) { o.scene.bckgnd = o.engine.bckgnd = p.bckgnd; }},
        {"-color",
         "-color <value>: Graph color. Possible values: 'col', 'bw' (black and white, one scale) "
         "and "
         "'bwi' (black and white, interlaced scale). Optional. Default: col",
         [](Parameters& p, Parameters::Arguments& args) {
             p.color = args.choice("'-color' parameter must be followed by graph color value",
                                   "color", {"col", "bw", "bwi"}, "'col', 'bw' and 'bwi'");
         },
         "color",
         [](Parameters& p, const std::string& value) {
             if (oneOf(value, {"col", "bw", "bwi"})) p.color = value;
         },
         nullptr, "color", [](const Parameters& p) { return jsonString(p.color); },
         [](const Parameters& p, StageOptions& o) { o.scene.color = p.color; }},
        {"-W", "-W <value>: Image width in pixels. Optional. Default: 800",
         [](Parameters& p, Parameters::Arguments& args) {
             p.width = toInteger(args.value("'-W' parameter must be followed by width value"));
         },
         "width", [](Parameters& p, const std::string& value) { p.width = toInteger(value); },
         [](const Parameters& p) {
             if (p.width < 1 || p.width > kMaxImageSide)
                 optionError("'-W' parameter must be between 1 and 100000");
         },
         "W", [](const Parameters& p) { return std::to_string(p.width); },
         [](const Parameters& p, StageOptions& o) {
             o.scene.width = o.render.width = o.engine.width = p.width;
         }},
        {"-H", "-H <value>: Image height in pixels. Optional. Default: 600",
         [](Parameters& p, Parameters::Arguments& args) {
             p.height = toInteger(args.value("'-H' parameter must be followed by height value"));
         },
         "height", [](Parameters& p, const std::string& value) { p.height = toInteger(value); },
         [](const Parameters& p) {
             if (p.height < 1 || p.height > kMaxImageSide)
                 optionError("'-H' parameter must be between 1 and 100000");
         },
         "H", [](const Parameters& p) { return std::to_string(p.height); },
         [](const Parameters& p, StageOptions& o) {
             o.scene.height = o.render.height = o.engine.height = p.height;
         }},
        {"-window",
         "-window <hstart> <hend> <vstart> <vend>: The part of the picture rendered, as fractions "
         "of "
         "its width and height (each between -1000 and 1000). Optional. Default: 0 1 0 1",
         readWindow, nullptr, nullptr,
         [](const Parameters& p) {
             for (float value : {p.hstart, p.hend, p.vstart, p.vend})
                 if (!(std::fabs(value) <= kLargestWindow))
                     optionError("'-window' values must be between -1000 and 1000");
         },
         "window",
         [](const Parameters& p) {
             // Appended piece by piece: "[" + text trips a false -Wrestrict in g++ 12.
             std::string list(1, '[');
             for (const float value : {p.hstart, p.hend, p.vstart, p.vend})
                 list.append(list.size() > 1 ? ", " : "").append(number(value));
             return list + "]";
         },
         [](const Parameters& p, StageOptions& o) {
             o.engine.hstart = o.render.hstart = p.hstart;
             o.engine.hend = o.render.hend = p.hend;
             o.engine.vstart = o.render.vstart = p.vstart;
             o.engine.vend = o.render.vend = p.vend;
         }},
        {"-u",
         "-u <value>: Unit length: scales the vertices' radii, the legend and the camera's "
         "distance "
         "(greater than 0, at most 1000000). Optional. Default: 1.0",
         [](Parameters& p, Parameters::Arguments& args) {
             p.unitLength =
                 toDecimal(args.value("'-u' parameter must be followed by unit length value"));
         },
         "u", [](Parameters& p, const std::string& value) { p.unitLength = toDecimal(value); },
         [](const Parameters& p) {
             if (!std::isfinite(p.unitLength) || !(p.unitLength > 0.0f))
                 optionError("'-u' parameter must be greater than 0");
             if (p.unitLength > kLargestUnit) optionError("'-u' parameter must be at most 1000000");
         },
         "u", [](const Parameters& p) { return number(p.unitLength); },
         [](const Parameters& p, StageOptions& o) { o.scene.unitLength = p.unitLength; }},
        {"-font",
         "-font <value>: Zoom of the labels, from 1 to 1000 (the whole part counts). Optional. "
         "Default: 1.0",
         [](Parameters& p, Parameters::Arguments& args) {
             p.font =
                 toDecimal(args.value("'-font' parameter must be followed by font zoom value"));
         },
         nullptr, nullptr,
         [](const Parameters& p) {
             if (!std::isfinite(p.font) || p.font < 1.0f)
                 optionError("'-font' parameter must be at least 1");
             if (p.font > kLargestFont) optionError("'-font' parameter must be at most 1000");
         },
         "font", [](const Parameters& p) { return number(p.font); },
         [](const Parameters& p, StageOptions& o) { o.scene.font = p.font; }},
        {"-edges",
         "-edges <value>: Share of the edges drawn in the vertex picture (0.0 - 1.0). Optional. "
         "Default: 0.0, with at least -minEdges of them",
         [](Parameters& p, Parameters::Arguments& args) {
             p.edges = toDecimal(args.value(
                 "'-edges' parameter must be followed by percent of visible edges (0.0 - "
                 "1.0)"));
         },
         "edges", [](Parameters& p, const std::string& value) { p.edges = toDecimal(value); },
         [](const Parameters& p) {
             if (!std::isfinite(p.edges)) optionError("'-edges' parameter must be a finite number");
         },
         "edges", [](const Parameters& p) { return number(p.edges); },
         [](const Parameters& p, StageOptions& o) { o.scene.edges = p.edges; }},
        {"-minEdges",
         "-minEdges <value>: Number of edges drawn at least, on average. Optional. Default: 1000",
         [](Parameters& p, Parameters::Arguments& args) {
             p.minEdges = toInteger(args.value(
                 "'-minedges' parameter must be followed by minimum number of visible edges "
                 "(integer)"));
         },
         "minedges", [](Parameters& p, const std::string& value) { p.minEdges = toInteger(value); },
         nullptr, "minEdges", [](const Parameters& p) { return std::to_string(p.minEdges); },
         [](const Parameters& p, StageOptions& o) { o.scene.minEdges = p.minEdges; }},
        {"-weighted",
         "-weighted: Uses the edges' weights (the third column, a weight column or attribute; "
         "each must be positive): sizes the vertices by strength rather than degree (not with "
         "-multigraph), and with -communities leiden or -partition the modularity is weighted "
         "(the greedy detector stays unweighted). Optional. Default: off",
         [](Parameters& p, Parameters::Arguments&) { p.weighted = true; }, nullptr, nullptr,
         nullptr, "weighted", [](const Parameters& p) { return flag(p.weighted); },
         [](const Parameters& p, StageOptions& o) {
             o.scene.sizesByStrength = p.weighted && !p.multigraph;
         }},
        {"-multigraph",
         "-multigraph: Keeps the sizes by degree when -weighted is given. Optional. Default: off",
         [](Parameters& p, Parameters::Arguments&) { p.multigraph = true; }, nullptr, nullptr,
         nullptr, "multigraph", [](const Parameters& p) { return flag(p.multigraph); }},
        {"-java",
         "-java: Shows each image in a window once it is rendered (runs java -jar visualizer.jar "
         "IMAGE in the working directory). Optional. Default: off",
         [](Parameters& p, Parameters::Arguments&) { p.java = "java"; }, nullptr, nullptr,
         [](const Parameters& p) {
             // The page is shown by a browser, not by the viewer.
             if (p.renderer() == Parameters::Renderer::html && p.showImages())
                 optionError("'-java' cannot be used with '-render html'");
         },
         "java", [](const Parameters& p) { return flag(p.showImages()); },
         [](const Parameters& p, StageOptions& o) { o.render.java = p.showImages(); }},
        {"-render",
         "-render <renderer>: Selects the render engine. Possible values: 'povray', 'svg' and "
         "'html' "
         "(one interactive page, <stem>.html, instead of the scenes and images; -W, -H and -window "
         "do "
         "not apply). Default: povray",
         [](Parameters& p, Parameters::Arguments& args) {
             p.render =
                 args.choice("'-render' parameter must be followed by renderer name", "render",
                             {"povray", "svg", "html"}, "'povray', 'svg' and 'html'");
         },
         "render",
         [](Parameters& p, const std::string& value) {
             if (oneOf(value, {"povray", "svg", "html"})) p.render = value;
         },
         nullptr, "render", [](const Parameters& p) { return jsonString(p.render); }},
        {"-style",
         "-style <value>: The pictures' look. Possible values: 'classic' and 'clear' (the drawing "
         "fitted and centred in the frame, lit from the viewer's side, labels by degree that cover "
         "nothing, a legend of its own, each link between communities drawn once, quick to render; "
         "the derived names gain _clear). Optional. Default: classic",
         [](Parameters& p, Parameters::Arguments& args) {
             p.style = args.choice("'-style' parameter must be followed by style name", "style",
                                   {"classic", "clear"}, "'classic' and 'clear'");
         },
         "style",
         [](Parameters& p, const std::string& value) {
             if (oneOf(value, {"classic", "clear"})) p.style = value;
         },
         nullptr, "style", [](const Parameters& p) { return jsonString(p.style); },
         [](const Parameters& p, StageOptions& o) { o.scene.style = p.pictureStyle(); }},
        {"-opacity",
         "-opacity <value>: Selects the edges opacity. Only for SVG graphics. Range: 0.0-1.0. "
         "Optional. Default: 0.2",
         [](Parameters& p, Parameters::Arguments& args) {
             p.opacity = toDecimal(args.value("'-opacity' parameter must be followed by value."));
         },
         "opacity", [](Parameters& p, const std::string& value) { p.opacity = toDecimal(value); },
         [](const Parameters& p) {
             if (!(p.opacity >= 0.0f && p.opacity <= 1.0f))
                 optionError("'-opacity' parameter must be between 0 and 1");
         },
         "opacity", [](const Parameters& p) { return number(p.opacity); },
         [](const Parameters& p, StageOptions& o) { o.scene.opacity = p.opacity; }},
        {"-granularity", "-granularity <value>: Accepted, no effect.",
         [](Parameters&, Parameters::Arguments& args) {
             args.value("'-granularity' parameter must be followed by granularity (integer)");
         }},
        {"-fromlayer", "-fromlayer <value>: Accepted, no effect.",
         [](Parameters&, Parameters::Arguments& args) {
             args.value("'-fromlayer' parameter must be followed by layer number");
         }},
        {"-strengthsIntervals", "-strengthsIntervals <value>: Accepted, no effect.",
         [](Parameters&, Parameters::Arguments& args) {
             args.value(
                 "'-strengthsIntervals' parameter must be followed by 'equalNodesPerInterval' or "
                 "'equalIntervalSize'.");
         }},
        {"-net", "-net: Accepted, no effect.", [](Parameters&, Parameters::Arguments&) {}},
        {"-nocliques", "-nocliques: Accepted, no effect.",
         [](Parameters&, Parameters::Arguments&) {}},
    };
}

}  // namespace

const std::vector<OptionSpec>& optionTable() {
    static const std::vector<OptionSpec> table = makeTable();
    return table;
}
