#include "driver/parameters.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <sstream>
#include <string_view>
#include <utility>

#include "graph/defs.h"
#include "graph/text.h"

Parameters parameters;

namespace {

const char* const kHelp =
    "Quorvane shows the structure of a network: its communities, found by greedy modularity "
    "agglomeration, and the k-core shells inside them, drawn as two pictures.\n"
    "Input: a text file of edges, one 'u v' or 'u v w' line each (integer vertex ids separated "
    "by whitespace; a weight w is read and ignored); lines beginning with '#' or '%' are "
    "comments.\n"
    "\n"
    "Parameters:\n"
    "-input <file>: Name of input file containing the network edges. Required.\n"
    "-format <value>: Input file format. Possible values: 'edges', 'graphml', 'gexf', 'gml', "
    "'pajek', 'ncol' and 'csv'. Optional. Default: found from the file's content (and a .csv "
    "name). A gzip-compressed file of any format is decompressed as it is read\n"
    "-output <stem>: Names of the scene and image files: <stem>1.pov, <stem>2.pov (with -render "
    "svg <stem>1.svg, <stem>2.svg) and <stem>1.png, <stem>2.png. Optional. Default: named after "
    "the input and the options, <stem>1.pov and <stem>_1_POV.png, for example "
    "karate_col_b_800x6001.pov and karate_col_b_800x600_1_POV.png\n"
    "-names [<file>]: Labels the vertices with the names of a file of 'id label' lines (a "
    "label in double quotes may hold blanks); without a file, with their ids. Optional. "
    "Default: no labels\n"
    "-nographic: Writes the scene files and stops before rendering them. Optional. Default: "
    "off\n"
    "-export <list>: Writes what the run found as data files next to the scene files, named "
    "from their stem (the -output stem, else the derived one, for example "
    "karate_col_b_800x600): 'csv' (<stem>_vertices.csv, <stem>_communities.csv, "
    "<stem>_links.csv), 'gexf' (<stem>.gexf) or both ('csv,gexf'); each adds "
    "<stem>_summary.json and a summary line. Optional. Default: none\n"
    "-partition <file>: Draws the partition in the file instead of detecting communities: "
    "'id community' lines, or the <stem>_vertices.csv that -export csv writes. Optional. "
    "Default: communities detected\n"
    "-communities <detector>: Selects the community detection. Possible values: 'greedy' "
    "(greedy modularity agglomeration) and 'leiden' (the Leiden method: better communities, "
    "faster). Optional. Default: greedy\n"
    "-resolution <value>: Modularity resolution of -communities leiden (greater than 0, at most "
    "1000000; larger "
    "values give more, smaller communities). Optional. Default: 1.0\n"
    "-seed <value>: Seed of the random choices of -communities leiden (a non-negative "
    "integer). Optional. Default: 1\n"
    "-threads <value>: Most threads any stage runs at once (a positive integer; the results "
    "are the same for every value; never more than the machine's cores, nor than a stage has "
    "work for). Optional. Default: the machine's cores\n"
    "-onlygraphic: Names the images after the input file alone (<input>_1_POV.png). Optional. "
    "Default: off\n"
    "-logfile: Sends the renderers' error output to log/povray.log (the log directory must "
    "exist). Optional. Default: off\n"
    "-logstdout: Accepted, no effect.\n"
    "-bckgnd <value>: Background color. Possible values: 'white' and 'black'. Optional. "
    "Default: black\n"
    "-color <value>: Graph color. Possible values: 'col', 'bw' (black and white, one scale) and "
    "'bwi' (black and white, interlaced scale). Optional. Default: col\n"
    "-W <value>: Image width in pixels. Optional. Default: 800\n"
    "-H <value>: Image height in pixels. Optional. Default: 600\n"
    "-window <hstart> <hend> <vstart> <vend>: The part of the picture rendered, as fractions "
    "of its width and height (each between -1000 and 1000). Optional. Default: 0 1 0 1\n"
    "-u <value>: Unit length: scales the vertices' radii, the legend and the camera's "
    "distance (greater than 0, at most 1000000). Optional. Default: 1.0\n"
    "-font <value>: Zoom of the labels, from 1 to 1000 (the whole part counts). Optional. "
    "Default: 1.0\n"
    "-edges <value>: Share of the edges drawn in the vertex picture (0.0 - 1.0). Optional. "
    "Default: 0.0, with at least -minEdges of them\n"
    "-minEdges <value>: Number of edges drawn at least, on average. Optional. Default: 1000\n"
    "-weighted: Sizes the vertices by strength rather than degree (not with -multigraph). "
    "Optional. Default: off\n"
    "-multigraph: Keeps the sizes by degree when -weighted is given. Optional. Default: off\n"
    "-java: Shows each image in a window once it is rendered (runs java -jar visualizer.jar "
    "IMAGE in the working directory). Optional. Default: off\n"
    "-render <renderer>: Selects the render engine. Possible values: 'povray', 'svg' and 'html' "
    "(one interactive page, <stem>.html, instead of the scenes and images; -W, -H and -window "
    "do not apply). Default: povray\n"
    "-opacity <value>: Selects the edges opacity. Only for SVG graphics. Range: 0.0-1.0. "
    "Optional. Default: 0.2\n"
    "-granularity <value>: Accepted, no effect.\n"
    "-fromlayer <value>: Accepted, no effect.\n"
    "-strengthsIntervals <value>: Accepted, no effect.\n"
    "-net: Accepted, no effect.\n"
    "-nocliques: Accepted, no effect.\n"
    "-h, -help, --help: Prints this help and exits.\n"
    "-version, --version: Prints the version and exits.\n"
    "The parameters bckgnd, color, edges, minedges, width, height, u, render and opacity can "
    "also be set in file quorvane.cfg, one 'key = value' line each; the command line wins.\n"
    "\n";

const int kMaxImageSide = 100000;
// Bounds that keep every scene coordinate, size and opacity computed from the options finite.
const float kLargestFont = 1000.0f;
const float kLargestUnit = 1000000.0f;
const float kLargestWindow = 1000.0f;
const double kLargestResolution = 1000000.0;

[[noreturn]] void optionError(const std::string& line) {
    throw Fatal("ERROR: " + line + "\n\n" + Parameters::helpText());
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
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
    const std::size_t start = skipSpace(text);
    const std::size_t length = plainDecimalLength(std::string_view(text).substr(start));
    if (length == 0) return 0.0f;
    return static_cast<float>(std::strtod(text.substr(start, length).c_str(), nullptr));
}

Parameters::Parameters() = default;
Parameters::~Parameters() = default;

std::string Parameters::helpText() {
    return kHelp;
}

void Parameters::printHelp() const {
    std::cout << kHelp;
}

std::string Parameters::versionLine() {
    return std::string("quorvane ") + QUORVANE_VERSION + "\n";
}

void Parameters::printHeader() const {
    std::cout << "Quorvane " QUORVANE_VERSION "\n"
              << "--------------\n\n"
              << "Community structure visualization.\n"
              << "This program is free software, distributed in the hope that it will be useful,\n"
              << "but WITHOUT ANY WARRANTY; without even the implied warranty of\n"
              << "MERCHANTABILITY or FITNESS FOR A PARTICULAR PURPOSE.\n"
              << "\n";
}

void Parameters::validateParameters(int argc, const char* const* argv) {
    if (const std::optional<std::string> text = readConfigurationFile(kConfigurationFile)) {
        std::istringstream config(*text);
        readConfiguration(config);
    }
    readCommandLine(argc, argv);
    checkValues();
    deriveOutputNames();
}

std::optional<std::string> readConfigurationFile(const std::string& name) {
    // Opened without waiting (a FIFO would block for ever), then judged by what it is.
    const int descriptor = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return std::nullopt;
    struct stat info;
    const bool known = ::fstat(descriptor, &info) == 0;
    if (known && S_ISDIR(info.st_mode)) {
        ::close(descriptor);
        return std::nullopt;
    }
    std::string text;
    bool tooLarge = false;
    if (known && S_ISREG(info.st_mode)) {
        // Read up to one byte past the bound: the size may change under us.
        char block[65536];
        ssize_t got = 0;
        while ((got = ::read(descriptor, block, sizeof block)) != 0) {
            if (got < 0 && errno == EINTR) continue;
            if (got < 0 || text.size() + static_cast<std::size_t>(got) > kLargestConfiguration) {
                tooLarge = got > 0;
                break;
            }
            text.append(block, static_cast<std::size_t>(got));
        }
    }
    ::close(descriptor);
    if (!known || !S_ISREG(info.st_mode))
        throw Fatal("ERROR: Configuration file " + name + " is not a regular file\n");
    if (tooLarge) throw Fatal("ERROR: Configuration file " + name + " is larger than 1 MiB\n");
    return text;
}

void Parameters::readConfiguration(std::istream& in) {
    std::string line;
    bool first = true;
    while (std::getline(in, line)) {
        // A byte order mark before the first key is no part of it.
        if (std::exchange(first, false) && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
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
        if (key == "render" && (value == "povray" || value == "svg" || value == "html"))
            render = value;
        if (key == "opacity") opacity = toDecimal(value);
    }
}

// The command line being read: the current word and the values that follow it.
class Parameters::Arguments {
  public:
    Arguments(int argc, const char* const* argv) : argc_(argc), argv_(argv) {}

    bool next() { return ++i_ < argc_; }
    std::string word() const { return argv_[i_]; }
    // Whether a word follows the current one and does not start with "-".
    bool valueFollows() const { return i_ + 1 < argc_ && argv_[i_ + 1][0] != '-'; }
    // The value following the current word; the option's own message when there is none.
    std::string value(const char* missing) {
        if (i_ + 1 >= argc_) optionError(missing);
        return argv_[++i_];
    }
    // The next count values (the option's message when fewer follow).
    void require(int count, const char* missing) const {
        if (i_ + count >= argc_) optionError(missing);
    }
    // A value that must be one of the allowed words.
    std::string choice(const char* missing, const char* field,
                       std::initializer_list<std::string_view> allowed, const char* possible) {
        std::string word = value(missing);
        for (std::string_view a : allowed)
            if (word == a) return word;
        optionError(escaped(word, Escape::Argument) + " is not a possible value for " + field +
                    ". Possible values are " + possible + ".");
    }

  private:
    int argc_;
    const char* const* argv_;
    int i_ = 0;
};

Parameters::Request Parameters::requestOf(int argc, const char* const* argv) {
    // The words are walked as the options read them, so that a value is never taken for a
    // request ("-output -h" names the output "-h"); an option that fails leaves its values
    // behind it as far as they were read, and the walk goes on.
    Parameters scratch;
    Arguments args(argc, argv);
    while (args.next()) {
        const std::string word = args.word();
        if (word == "-h" || word == "-help" || word == "--help") return Request::Help;
        if (word == "-version" || word == "--version") return Request::Version;
        try {
            scratch.readOption(word, args);
        } catch (const Fatal&) {
        }
    }
    return Request::Run;
}

void Parameters::readCommandLine(int argc, const char* const* argv) {
    if (argc < 2) optionError("'-input' parameter is required");
    Arguments args(argc, argv);
    while (args.next()) {
        const std::string arg = args.word();
        if (!readOption(arg, args))
            optionError(escaped(arg, Escape::Argument) + " is not a valid parameter");
    }
    if (!inputGiven) optionError("'-input' parameter is required");
}

bool Parameters::readOption(const std::string& arg, Arguments& args) {
    return readFlag(arg) || readFileOption(arg, args) || readLookOption(arg, args) ||
           readDataOption(arg, args);
}

bool Parameters::readFlag(const std::string& arg) {
    if (arg == "-logfile") {
        logfile = true;
    } else if (arg == "-logstdout" || arg == "-net" || arg == "-nocliques") {
        // accepted, no effect
    } else if (arg == "-multigraph") {
        multigraph = true;
    } else if (arg == "-weighted") {
        weighted = true;
    } else if (arg == "-java") {
        java = "java";
    } else if (arg == "-onlygraphic") {
        onlygraphic = true;
    } else if (arg == "-nographic") {
        nographic = true;
    } else {
        return false;
    }
    return true;
}

// The names file, the output names, and the options that take a value without effect.
bool Parameters::readFileOption(const std::string& arg, Arguments& args) {
    if (arg == "-input") {
        inputFile = args.value("'-input' parameter must be followed by input file name");
        inputGiven = true;
    } else if (arg == "-format") {
        format = args.choice("'-format' parameter must be followed by input format", "format",
                             {"edges", "graphml", "gexf", "gml", "pajek", "ncol", "csv"},
                             "'edges', 'graphml', 'gexf', 'gml', 'pajek', 'ncol' and 'csv'");
    } else if (arg == "-names") {
        if (args.valueFollows()) {
            namesFile = args.value("");
            if (namesFile.empty()) optionError("'-names' file name must not be empty");
        } else
            namesFile.assign(1, '0');  // (not = "0": a false -Wrestrict in g++ 12)
    } else if (arg == "-output") {
        outputStem = args.value("'-output' parameter must be followed by output file name");
        outputGiven = true;
    } else if (arg == "-granularity") {
        args.value("'-granularity' parameter must be followed by granularity (integer)");
    } else if (arg == "-fromlayer") {
        args.value("'-fromlayer' parameter must be followed by layer number");
    } else if (arg == "-strengthsIntervals") {
        args.value(
            "'-strengthsIntervals' parameter must be followed by 'equalNodesPerInterval' or "
            "'equalIntervalSize'.");
    } else {
        return false;
    }
    return true;
}

// The options of the pictures' looks.
bool Parameters::readLookOption(const std::string& arg, Arguments& args) {
    if (arg == "-bckgnd") {
        bckgnd = args.choice("'-bckgnd' parameter must be followed by background color value",
                             "bckgnd", {"white", "black"}, "'white' and 'black'");
    } else if (arg == "-color") {
        color = args.choice("'-color' parameter must be followed by graph color value", "color",
                            {"col", "bw", "bwi"}, "'col', 'bw' and 'bwi'");
    } else if (arg == "-edges") {
        edges = toDecimal(args.value(
            "'-edges' parameter must be followed by percent of visible edges (0.0 - 1.0)"));
    } else if (arg == "-minEdges") {
        minEdges = toInteger(
            args.value("'-minedges' parameter must be followed by minimum number of visible edges "
                       "(integer)"));
    } else if (arg == "-W") {
        width = toInteger(args.value("'-W' parameter must be followed by width value"));
    } else if (arg == "-H") {
        height = toInteger(args.value("'-H' parameter must be followed by height value"));
    } else if (arg == "-font") {
        font = toDecimal(args.value("'-font' parameter must be followed by font zoom value"));
    } else if (arg == "-window") {
        args.require(4,
                     "'-window' parameter must be followed by four values: hstart hend vstart "
                     "vend");
        hstart = toDecimal(args.value(""));
        hend = toDecimal(args.value(""));
        vstart = toDecimal(args.value(""));
        vend = toDecimal(args.value(""));
    } else if (arg == "-u") {
        unitLength = toDecimal(args.value("'-u' parameter must be followed by unit length value"));
    } else if (arg == "-render") {
        render = args.choice("'-render' parameter must be followed by renderer name", "render",
                             {"povray", "svg", "html"}, "'povray', 'svg' and 'html'");
    } else if (arg == "-opacity") {
        opacity = toDecimal(args.value("'-opacity' parameter must be followed by value."));
    } else {
        return false;
    }
    return true;
}

// The data files of the run and the partition it draws.
bool Parameters::readDataOption(const std::string& arg, Arguments& args) {
    if (arg == "-export") {
        const std::string list =
            args.value("'-export' parameter must be followed by 'csv', 'gexf' or 'csv,gexf'");
        exportCsv = exportGexf = false;
        std::size_t start = 0;
        for (;;) {
            const std::size_t comma = std::min(list.find(',', start), list.size());
            const std::string word = list.substr(start, comma - start);
            if (word == "csv")
                exportCsv = true;
            else if (word == "gexf")
                exportGexf = true;
            else
                optionError(escaped(word, Escape::Argument) +
                            " is not a possible value for export. Possible values are 'csv' and "
                            "'gexf', separated by commas.");
            if (comma == list.size()) break;
            start = comma + 1;
        }
    } else if (arg == "-partition") {
        const char* missing = "'-partition' parameter must be followed by partition file name";
        partitionFile = args.value(missing);
        // An empty name reads nothing; it must not pass for no partition.
        if (partitionFile.empty()) optionError(missing);
    } else {
        return readDetectorOption(arg, args);
    }
    return true;
}

namespace {

// A whole token of ASCII digits whose value fits below limit, or nothing.
std::optional<std::uint64_t> wholeNumber(const std::string& text, std::uint64_t limit) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || text[0] == '+' || text[0] == '-' || error != std::errc() ||
        end != text.data() + text.size() || value > limit)
        return std::nullopt;
    return value;
}

}  // namespace

// The detector and its settings.
bool Parameters::readDetectorOption(const std::string& arg, Arguments& args) {
    if (arg == "-communities") {
        communities = args.choice("'-communities' parameter must be followed by detector name",
                                  "communities", {"greedy", "leiden"}, "'greedy' and 'leiden'");
        communitiesGiven = true;
    } else if (arg == "-resolution") {
        const std::string text =
            args.value("'-resolution' parameter must be followed by resolution value");
        const std::size_t length = plainDecimalLength(text);
        resolution = length == text.size() && length > 0 ? std::strtod(text.c_str(), nullptr) : 0.0;
        // A subnormal γ is as good as 0: every product with it underflows.
        if (!std::isnormal(resolution) || !(resolution > 0.0))
            optionError("'-resolution' parameter must be a number greater than 0");
        if (resolution > kLargestResolution)
            optionError("'-resolution' parameter must be at most 1000000");
        resolutionGiven = true;
    } else if (arg == "-seed") {
        const auto value =
            wholeNumber(args.value("'-seed' parameter must be followed by seed value"), UINT64_MAX);
        if (!value) optionError("'-seed' parameter must be a non-negative integer");
        seed = *value;
        seedGiven = true;
    } else if (arg == "-threads") {
        const auto value = wholeNumber(
            args.value("'-threads' parameter must be followed by number of threads"), 1u << 16);
        if (!value || *value == 0) optionError("'-threads' parameter must be a positive integer");
        threads = static_cast<unsigned>(*value);
    } else {
        return false;
    }
    return true;
}

// Values that would break the run later: the image size sizes the label grid and the
// renderer's output, the font zoom divides the grid, and the unit length places the camera.
void Parameters::checkValues() const {
    if (width < 1 || width > kMaxImageSide)
        optionError("'-W' parameter must be between 1 and 100000");
    if (height < 1 || height > kMaxImageSide)
        optionError("'-H' parameter must be between 1 and 100000");
    if (!std::isfinite(font) || font < 1.0f) optionError("'-font' parameter must be at least 1");
    if (font > kLargestFont) optionError("'-font' parameter must be at most 1000");
    if (!std::isfinite(unitLength) || !(unitLength > 0.0f))
        optionError("'-u' parameter must be greater than 0");
    if (unitLength > kLargestUnit) optionError("'-u' parameter must be at most 1000000");
    for (float value : {hstart, hend, vstart, vend})
        if (!(std::fabs(value) <= kLargestWindow))
            optionError("'-window' values must be between -1000 and 1000");
    if (!(opacity >= 0.0f && opacity <= 1.0f))
        optionError("'-opacity' parameter must be between 0 and 1");
    if (!std::isfinite(edges)) optionError("'-edges' parameter must be a finite number");
    // The page is shown by a browser, not by the viewer.
    if (render == "html" && java == "java")
        optionError("'-java' cannot be used with '-render html'");
    // The greedy optimizer has neither a resolution nor random choices.
    if (resolutionGiven && communities != "leiden")
        optionError("'-resolution' parameter needs '-communities leiden'");
    if (seedGiven && communities != "leiden")
        optionError("'-seed' parameter needs '-communities leiden'");
    if (communitiesGiven && !partitionFile.empty())
        optionError("'-communities' and '-partition' cannot be used together");
}

void Parameters::deriveOutputNames() {
    const bool povray = render == "povray";
    if (outputGiven) {
        fileStem = outputStem;
        pageFile = outputStem + ".html";
        sceneFile1 = outputStem + (povray ? "1.pov" : "1.svg");
        sceneFile2 = outputStem + (povray ? "2.pov" : "2.svg");
        imageFile1 = outputStem + "1.png";
        imageFile2 = outputStem + "2.png";
        return;
    }

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
    fileStem = stem;
    pageFile = stem + ".html";

    sceneFile1 = stem + (povray ? "1.pov" : "_1.svg");
    sceneFile2 = stem + (povray ? "2.pov" : "_2.svg");
    const std::string imageStem = onlygraphic ? base : stem;
    const std::string tag = povray ? "_POV" : "_SVG";
    imageFile1 = imageStem + "_1" + tag + ".png";
    imageFile2 = imageStem + "_2" + tag + ".png";
}
