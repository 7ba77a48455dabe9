#include "driver/parameters.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <string_view>

#include "graph/defs.h"

Parameters parameters;

namespace {

const char* const kHelp =
    "Parameters:\n"
    "-input <file>: Name of input file containing the network edges. Required.\n"
    "-format <value>: Input file format. Possible values: 'edges', 'graphml', 'gexf', 'gml', "
    "'pajek', 'ncol' and 'csv'. Optional. Default: found from the file's content (and a .csv "
    "name). A gzip-compressed file of any format is decompressed as it is read\n"
    "-output <file>: Name of output .pov and .png files. Optional. Default: <inputFileName>.pov "
    "and <inputFileName>.png\n"
    "-logfile: Generate log files in log directory. Optional.\n"
    "-logstdout: Generate log information on stdout. Optional.\n"
    "-bckgnd <value>: Background color. Possible values: 'white' and 'black'. Optional. "
    "Default: black\n"
    "-color <value>: Graph color. Possible values: 'col', 'bw' (black and white, one scale) and "
    "'bwi' (black and white, interlaced scale). Optional. Default: col\n"
    "-W <value>: Image width in pixels. Optional. Default: 800\n"
    "-H <value>: Image height in pixels. Optional. Default: 600\n"
    "-u <value>: Unit length. Optional. Default: 1.0\n"
    "-java: Shows the visualization in a window (Requires java).\n"
    "-render <renderer>: Selects the render engine. Possible values: 'povray' and 'svg'. "
    "Default: povray\n"
    "-opacity <value>: Selects the edges opacity. Only for SVG graphics. Range: 0.0-1.0. "
    "Optional. Default: 0.2\n"
    "These parameters can also be set in file quorvane.cfg.\n"
    "\n";

const int kMaxImageSide = 100000;

[[noreturn]] void optionError(const std::string& line) {
    throw Fatal("ERROR: " + line + "\n\n" + Parameters::helpText());
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// An argument as an error line repeats it: control bytes (a line break, an escape sequence)
// are written as \xHH, so the message stays one line and sends nothing to the terminal.
std::string echoWord(const std::string& word) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string text;
    text.reserve(word.size());
    for (unsigned char c : word) {
        if (c < 0x20 || c == 0x7F) {
            text += "\\x";
            text += kHex[c >> 4];
            text += kHex[c & 15];
        } else {
            text += static_cast<char>(c);
        }
    }
    return text;
}

// Leading white space as strtol and strtod skip it.
std::size_t skipSpace(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    return i;
}

std::string trimBlanks(const std::string& text) {
    std::size_t begin = text.find_first_not_of(' ');
    if (begin == std::string::npos) return "";
    std::size_t end = text.find_last_not_of(' ');
    return text.substr(begin, end - begin + 1);
}

std::string trimBlanksAndTabs(const std::string& text) {
    std::size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) return "";
    std::size_t end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

}  // namespace

int toInteger(const std::string& text) {
    std::size_t i = skipSpace(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

float toDecimal(const std::string& text) {
    std::size_t start = skipSpace(text);
    std::size_t i = start;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        for (; i < text.size() && isDigit(text[i]); ++i) ++digits;
    }
    if (digits == 0) return 0.0f;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j])) ++j;
            i = j;
        }
    }
    std::string prefix = text.substr(start, i - start);
    return static_cast<float>(std::strtod(prefix.c_str(), nullptr));
}

Parameters::Parameters() = default;
Parameters::~Parameters() = default;

std::string Parameters::helpText() {
    return kHelp;
}

void Parameters::printHelp() const {
    std::cout << kHelp;
}

void Parameters::printHeader() const {
    std::cout << "Quorvane 1.0.0\n"
              << "--------------\n\n"
              << "Community structure visualization.\n"
              << "This program is free software, distributed in the hope that it will be useful,\n"
              << "but WITHOUT ANY WARRANTY; without even the implied warranty of\n"
              << "MERCHANTABILITY or FITNESS FOR A PARTICULAR PURPOSE.\n"
              << "\n";
}

void Parameters::validateParameters(int argc, const char* const* argv) {
    std::ifstream config("quorvane.cfg");
    if (config.is_open()) readConfiguration(config);
    readCommandLine(argc, argv);
    checkValues();
    deriveOutputNames();
}

void Parameters::readConfiguration(std::istream& in) {
    std::string line;
    while (std::getline(in, line)) {
        // Files written on another platform end their lines with CR LF.
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find('#') != std::string::npos) continue;
        std::size_t equals = line.find('=');
        std::string key = equals == std::string::npos ? line : line.substr(0, equals);
        std::string value =
            trimBlanks(equals == std::string::npos ? line : line.substr(equals + 1));
        if (value.empty()) continue;
        key = trimBlanksAndTabs(key);

        if (key == "bckgnd" && (value == "white" || value == "black")) bckgnd = value;
        if (key == "color" && (value == "col" || value == "bw" || value == "bwi")) color = value;
        if (key == "edges") edges = toDecimal(value);
        if (key == "minedges") minEdges = toInteger(value);
        if (key == "width") width = toInteger(value);
        if (key == "height") height = toInteger(value);
        if (key == "u") unitLength = toDecimal(value);
        if (key == "render" && (value == "povray" || value == "svg")) render = value;
        if (key == "opacity") opacity = toDecimal(value);
    }
}

void Parameters::readCommandLine(int argc, const char* const* argv) {
    if (argc < 2) optionError("'-input' parameter is required");

    bool inputGiven = false;
    int i = 1;
    // The value following option i; the option's own message when there is none.
    auto value = [&](const char* missing) -> std::string {
        if (i + 1 >= argc) optionError(missing);
        return argv[++i];
    };
    auto choice = [&](const char* missing, const char* field,
                      std::initializer_list<std::string_view> allowed,
                      const char* possible) -> std::string {
        std::string word = value(missing);
        for (std::string_view a : allowed)
            if (word == a) return word;
        optionError(echoWord(word) + " is not a possible value for " + field +
                    ". Possible values are " + possible + ".");
    };

    for (; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-input") {
            inputFile = value("'-input' parameter must be followed by input file name");
            inputGiven = true;
        } else if (arg == "-format") {
            format = choice("'-format' parameter must be followed by input format", "format",
                            {"edges", "graphml", "gexf", "gml", "pajek", "ncol", "csv"},
                            "'edges', 'graphml', 'gexf', 'gml', 'pajek', 'ncol' and 'csv'");
        } else if (arg == "-names") {
            if (i + 1 < argc && argv[i + 1][0] != '-') {
                namesFile = argv[++i];
            } else {
                namesFile.assign(1, '0');  // (not = "0": a false -Wrestrict in g++ 12)
            }
        } else if (arg == "-output") {
            std::string x = value("'-output' parameter must be followed by output file name");
            sceneFile1 = x + "1.pov";
            sceneFile2 = x + "2.pov";
            imageFile1 = x + "1.png";
            imageFile2 = x + "2.png";
            outputGiven = true;
        } else if (arg == "-logfile") {
            logfile = true;
        } else if (arg == "-logstdout" || arg == "-net" || arg == "-nocliques") {
        } else if (arg == "-multigraph") {
            multigraph = true;
        } else if (arg == "-weighted") {
            weighted = true;
        } else if (arg == "-granularity") {
            value("'-granularity' parameter must be followed by granularity (integer)");
        } else if (arg == "-bckgnd") {
            bckgnd = choice("'-bckgnd' parameter must be followed by background color value",
                            "bckgnd", {"white", "black"}, "'white' and 'black'");
        } else if (arg == "-color") {
            color = choice("'-color' parameter must be followed by graph color value", "color",
                           {"col", "bw", "bwi"}, "'col', 'bw' and 'bwi'");
        } else if (arg == "-fromlayer") {
            value("'-fromlayer' parameter must be followed by layer number");
        } else if (arg == "-edges") {
            edges = toDecimal(value(
                "'-edges' parameter must be followed by percent of visible edges (0.0 - 1.0)"));
        } else if (arg == "-minEdges") {
            minEdges = toInteger(
                value("'-minedges' parameter must be followed by minimum number of visible edges "
                      "(integer)"));
        } else if (arg == "-W") {
            width = toInteger(value("'-W' parameter must be followed by width value"));
        } else if (arg == "-H") {
            height = toInteger(value("'-H' parameter must be followed by height value"));
        } else if (arg == "-font") {
            font = toDecimal(value("'-font' parameter must be followed by font zoom value"));
        } else if (arg == "-window") {
            if (i + 4 >= argc)
                optionError(
                    "'-window' parameter must be followed by four values: hstart hend vstart "
                    "vend");
            hstart = toDecimal(argv[++i]);
            hend = toDecimal(argv[++i]);
            vstart = toDecimal(argv[++i]);
            vend = toDecimal(argv[++i]);
        } else if (arg == "-u") {
            unitLength = toDecimal(value("'-u' parameter must be followed by unit length value"));
        } else if (arg == "-java") {
            java = "java";
        } else if (arg == "-render") {
            render = choice("'-render' parameter must be followed by renderer name", "render",
                            {"povray", "svg"}, "'povray' and 'svg'");
        } else if (arg == "-opacity") {
            opacity = toDecimal(value("'-opacity' parameter must be followed by value."));
        } else if (arg == "-onlygraphic") {
            onlygraphic = true;
        } else if (arg == "-nographic") {
            nographic = true;
        } else if (arg == "-strengthsIntervals") {
            value(
                "'-strengthsIntervals' parameter must be followed by 'equalNodesPerInterval' or "
                "'equalIntervalSize'.");
        } else {
            optionError(echoWord(arg) + " is not a valid parameter");
        }
    }
    if (!inputGiven) optionError("'-input' parameter is required");
}

// Values that would break the run later: the image size sizes the label grid and the
// renderer's output, the font zoom divides the grid, and the unit length places the camera.
void Parameters::checkValues() const {
    if (width < 1 || width > kMaxImageSide)
        optionError("'-W' parameter must be between 1 and 100000");
    if (height < 1 || height > kMaxImageSide)
        optionError("'-H' parameter must be between 1 and 100000");
    if (!std::isfinite(font) || font < 1.0f) optionError("'-font' parameter must be at least 1");
    if (!std::isfinite(unitLength) || !(unitLength > 0.0f))
        optionError("'-u' parameter must be greater than 0");
}

void Parameters::deriveOutputNames() {
    if (outputGiven) return;

    // The extension is cut before the directories, as the names have always been derived; a
    // compressed file's .gz goes first (net.txt.gz gives net).
    std::string base = inputFile;
    if (base.size() > 3 && base.compare(base.size() - 3, 3, ".gz") == 0)
        base.resize(base.size() - 3);
    std::size_t dot = base.rfind('.');
    if (dot != std::string::npos) base.erase(dot);
    std::size_t slash = base.rfind('/');
    if (slash != std::string::npos) base.erase(0, slash + 1);
    std::size_t backslash = base.rfind('\\');
    if (backslash != std::string::npos) base.erase(0, backslash + 1);

    std::string stem = base + "_" + color + "_" + (bckgnd == "black" ? "b" : "w") + "_" +
                       std::to_string(width) + "x" + std::to_string(height);
    if (!namesFile.empty()) stem += "_names";

    const bool povray = render == "povray";
    sceneFile1 = stem + (povray ? "1.pov" : "_1.svg");
    sceneFile2 = stem + (povray ? "2.pov" : "_2.svg");
    const std::string imageStem = onlygraphic ? base : stem;
    const std::string tag = povray ? "_POV" : "_SVG";
    imageFile1 = imageStem + "_1" + tag + ".png";
    imageFile2 = imageStem + "_2" + tag + ".png";
}
