// Fuzz target of the command-line parser. The input is split at NUL bytes into arguments (a
// real argument never holds one). The parser, the value checks and the name derivation run
// as in a real start; a slow model of the option table says what must come out: every field,
// or the one error line followed by the help text. Nothing is half-set: "-window" sets its
// four values together or, lacking values, not at all.
#include <algorithm>
#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "driver/parameters.h"
#include "fuzz/fuzz_check.h"
#include "graph/defs.h"

namespace {

bool sameFloat(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0 || a == b;
}

// A word as it may appear in a message: control bytes written as \xHH, so that a message
// stays one line and sends nothing to the terminal.
std::string echo(const std::string& word) {
    std::string text;
    for (unsigned char c : word) {
        if (c < 0x20 || c == 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            text += hex;
        } else {
            text += static_cast<char>(c);
        }
    }
    return text;
}

// A token of digits only, as a number if it is at most limit (written in decimal).
bool digitsAtMost(const std::string& text, const std::string& limit, std::uint64_t* value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    const std::string digits = text.substr(std::min(text.find_first_not_of('0'), text.size()));
    if (digits.size() > limit.size() || (digits.size() == limit.size() && digits > limit))
        return false;
    *value = digits.empty() ? 0 : std::stoull(digits);
    return true;
}

struct Model {
    Parameters p;
    bool outputGiven = false;
    std::string error;  // the error line without "ERROR: " and the line breaks
};

const std::map<std::string, const char*> kMissing = {
    {"-input", "'-input' parameter must be followed by input file name"},
    {"-output", "'-output' parameter must be followed by output file name"},
    {"-granularity", "'-granularity' parameter must be followed by granularity (integer)"},
    {"-bckgnd", "'-bckgnd' parameter must be followed by background color value"},
    {"-color", "'-color' parameter must be followed by graph color value"},
    {"-fromlayer", "'-fromlayer' parameter must be followed by layer number"},
    {"-edges", "'-edges' parameter must be followed by percent of visible edges (0.0 - 1.0)"},
    {"-minEdges",
     "'-minedges' parameter must be followed by minimum number of visible edges (integer)"},
    {"-W", "'-W' parameter must be followed by width value"},
    {"-H", "'-H' parameter must be followed by height value"},
    {"-font", "'-font' parameter must be followed by font zoom value"},
    {"-u", "'-u' parameter must be followed by unit length value"},
    {"-render", "'-render' parameter must be followed by renderer name"},
    {"-format", "'-format' parameter must be followed by input format"},
    {"-export", "'-export' parameter must be followed by 'csv', 'gexf' or 'csv,gexf'"},
    {"-partition", "'-partition' parameter must be followed by partition file name"},
    {"-opacity", "'-opacity' parameter must be followed by value."},
    {"-communities", "'-communities' parameter must be followed by detector name"},
    {"-resolution", "'-resolution' parameter must be followed by resolution value"},
    {"-seed", "'-seed' parameter must be followed by seed value"},
    {"-threads", "'-threads' parameter must be followed by number of threads"},
    {"-style", "'-style' parameter must be followed by style name"},
    {"-progress", "'-progress' parameter must be followed by on or off"},
    {"-strengthsIntervals",
     "'-strengthsIntervals' parameter must be followed by 'equalNodesPerInterval' or "
     "'equalIntervalSize'."},
};

bool inWindowRange(float value) {
    return value >= -1000.0f && value <= 1000.0f;
}

// The option words in the table's order, for the hint of a mistyped one.
const std::vector<std::string> kWords = {"-input",       "-format",      "-output",
                                         "-names",       "-nographic",   "-export",
                                         "-partition",   "-communities", "-resolution",
                                         "-seed",        "-threads",     "-onlygraphic",
                                         "-logfile",     "-progress",    "-logstdout",
                                         "-bckgnd",      "-color",       "-W",
                                         "-H",           "-window",      "-u",
                                         "-font",        "-edges",       "-minEdges",
                                         "-weighted",    "-multigraph",  "-java",
                                         "-render",      "-style",       "-opacity",
                                         "-granularity", "-fromlayer",   "-strengthsIntervals",
                                         "-net",         "-nocliques"};

std::size_t distance(const std::string& a, const std::string& b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i)
        for (std::size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                                d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// " (did you mean ...?)" for a word that is no option, or "".
std::string hint(const std::string& word) {
    std::error_code error;
    if (!word.empty() && word[0] != '-' && std::filesystem::is_regular_file(word, error))
        return " (did you mean -input " + echo(word) + "?)";
    if (word.size() < 2 || word[0] != '-') return "";
    std::string wanted = word;
    while (wanted.size() > 1 && wanted[0] == '-' && wanted[1] == '-') wanted.erase(0, 1);
    if (wanted.find('=') != std::string::npos) wanted.resize(wanted.find('='));
    const std::size_t limit = wanted.size() <= 4 ? 1 : 2;
    std::string best;
    std::size_t bestDistance = limit + 1;
    for (const std::string& option : kWords) {
        const std::size_t d = distance(lower(wanted), lower(option));
        if (d < bestDistance) {
            bestDistance = d;
            best = option;
        }
    }
    return best.empty() ? "" : " (did you mean " + best + "?)";
}

Model model(const std::vector<std::string>& commandLine) {
    Model m;
    Parameters& p = m.p;
    bool input = false;
    bool communitiesGiven = false, resolutionGiven = false, seedGiven = false;
    std::string output;
    // The words as options read them: a GNU long form (--input, --input=FILE) at an option's
    // place is its option, the value after '=' a word of its own marked as given inline.
    std::vector<std::string> args = commandLine;
    std::vector<bool> inlined(args.size(), false);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string original = args[i];
        if (original.size() > 2 && original[0] == '-' && original[1] == '-') {
            std::string word = original.substr(1);
            const std::size_t equals = word.find('=');
            if (equals != std::string::npos) {
                args.insert(args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                            word.substr(equals + 1));
                inlined.insert(inlined.begin() + static_cast<std::ptrdiff_t>(i) + 1, true);
                word.resize(equals);
            }
            args[i] = word;
        }
        const std::string a = args[i];
        const bool hasNext = i + 1 < args.size();
        // A value after '=' given to an option that took none.
        auto inlineLeft = [&] { return i + 1 < args.size() && inlined[i + 1]; };
        auto missing = kMissing.find(a);
        if (missing != kMissing.end() && !hasNext) {
            m.error = missing->second;
            return m;
        }
        auto choose = [&](std::string* field, std::vector<std::string> allowed, const char* name,
                          const char* possible) {
            const std::string& word = args[++i];
            for (const std::string& w : allowed)
                if (w == word) {
                    *field = word;
                    return true;
                }
            m.error = echo(word) + " is not a possible value for " + name +
                      ". Possible values are " + possible + ".";
            return false;
        };
        if (a == "-input") {
            p.inputFile = args[++i];
            input = true;
        } else if (a == "-names") {
            if (hasNext && (inlined[i + 1] || args[i + 1].empty() || args[i + 1][0] != '-')) {
                p.namesFile = args[++i];
                if (p.namesFile.empty()) {
                    m.error = "'-names' file name must not be empty";
                    return m;
                }
            } else {
                p.namesFile = "0";
            }
        } else if (a == "-output") {
            output = args[++i];
            m.outputGiven = true;
        } else if (a == "-logfile") {
            p.logfile = true;
        } else if (a == "-logstdout" || a == "-net" || a == "-nocliques") {
        } else if (a == "-multigraph") {
            p.multigraph = true;
        } else if (a == "-weighted") {
            p.weighted = true;
        } else if (a == "-granularity" || a == "-fromlayer" || a == "-strengthsIntervals") {
            ++i;
        } else if (a == "-bckgnd") {
            if (!choose(&p.bckgnd, {"white", "black"}, "bckgnd", "'white' and 'black'")) return m;
        } else if (a == "-color") {
            if (!choose(&p.color, {"col", "bw", "bwi"}, "color", "'col', 'bw' and 'bwi'")) return m;
        } else if (a == "-render") {
            if (!choose(&p.render, {"povray", "svg", "html"}, "render",
                        "'povray', 'svg' and 'html'"))
                return m;
        } else if (a == "-format") {
            if (!choose(&p.format, {"edges", "graphml", "gexf", "gml", "pajek", "ncol", "csv"},
                        "format", "'edges', 'graphml', 'gexf', 'gml', 'pajek', 'ncol' and 'csv'"))
                return m;
        } else if (a == "-edges") {
            p.edges = toDecimal(args[++i]);
        } else if (a == "-minEdges") {
            p.minEdges = toInteger(args[++i]);
        } else if (a == "-W") {
            p.width = toInteger(args[++i]);
        } else if (a == "-H") {
            p.height = toInteger(args[++i]);
        } else if (a == "-font") {
            p.font = toDecimal(args[++i]);
        } else if (a == "-u") {
            p.unitLength = toDecimal(args[++i]);
        } else if (a == "-opacity") {
            p.opacity = toDecimal(args[++i]);
        } else if (a == "-window") {
            if (i + 4 >= args.size()) {
                m.error =
                    "'-window' parameter must be followed by four values: hstart hend "
                    "vstart vend";
                return m;
            }
            p.hstart = toDecimal(args[i + 1]);
            p.hend = toDecimal(args[i + 2]);
            p.vstart = toDecimal(args[i + 3]);
            p.vend = toDecimal(args[i + 4]);
            i += 4;
        } else if (a == "-export") {
            // Comma-separated words, each csv or gexf; the last -export decides.
            const std::string list = args[++i] + ",";
            p.exportCsv = p.exportGexf = false;
            for (std::size_t start = 0, comma; (comma = list.find(',', start)) != list.npos;
                 start = comma + 1) {
                const std::string word = list.substr(start, comma - start);
                if (word != "csv" && word != "gexf") {
                    m.error = echo(word) +
                              " is not a possible value for export. Possible values are 'csv' "
                              "and 'gexf', separated by commas.";
                    return m;
                }
                (word == "csv" ? p.exportCsv : p.exportGexf) = true;
            }
        } else if (a == "-partition") {
            p.partitionFile = args[++i];
            if (p.partitionFile.empty()) {
                m.error = kMissing.at("-partition");
                return m;
            }
        } else if (a == "-communities") {
            if (!choose(&p.communities, {"greedy", "leiden"}, "communities",
                        "'greedy' and 'leiden'"))
                return m;
            communitiesGiven = true;
        } else if (a == "-resolution") {
            // A plain decimal: no leading space, hexadecimal, infinity or NaN words.
            const std::string& text = args[++i];
            char* end = nullptr;
            const double value =
                text.empty() || text[0] == ' ' ? 0.0 : std::strtod(text.c_str(), &end);
            const bool plain = end == text.c_str() + text.size() &&
                               text.find_first_of("xXnNiI \t\n\v\f\r") == std::string::npos;
            if (!plain || !std::isfinite(value) || !(value >= DBL_MIN)) {
                m.error = "'-resolution' parameter must be a number greater than 0";
                return m;
            }
            if (value > 1e6) {
                m.error = "'-resolution' parameter must be at most 1000000";
                return m;
            }
            p.resolution = value;
            resolutionGiven = true;
        } else if (a == "-seed") {
            if (!digitsAtMost(args[++i], "18446744073709551615", &p.seed)) {
                m.error = "'-seed' parameter must be a non-negative integer";
                return m;
            }
            seedGiven = true;
        } else if (a == "-threads") {
            std::uint64_t threads = 0;
            if (!digitsAtMost(args[++i], "65536", &threads) || threads == 0) {
                m.error = "'-threads' parameter must be a positive integer";
                return m;
            }
            p.threads = static_cast<unsigned>(threads);
        } else if (a == "-java") {
            p.java = "java";
        } else if (a == "-onlygraphic") {
            p.onlygraphic = true;
        } else if (a == "-nographic") {
            p.nographic = true;
        } else if (a == "-style") {
            if (!choose(&p.style, {"classic", "clear"}, "style", "'classic' and 'clear'")) return m;
        } else if (a == "-progress") {
            if (!choose(&p.progress, {"on", "off"}, "progress", "'on' and 'off'")) return m;
        } else {
            m.error = echo(original) + " is not a valid parameter" + hint(original);
            return m;
        }
        if (inlineLeft()) {
            m.error = echo(original) + " is not a valid parameter (" + echo(a) + " takes no value)";
            return m;
        }
    }
    if (!input) {
        m.error = "'-input' parameter is required";
        return m;
    }
    // The checks in the order of the option table.
    if (communitiesGiven && !p.partitionFile.empty())
        m.error = "'-communities' and '-partition' cannot be used together";
    else if (resolutionGiven && p.communities != "leiden")
        m.error = "'-resolution' parameter needs '-communities leiden'";
    else if (seedGiven && p.communities != "leiden")
        m.error = "'-seed' parameter needs '-communities leiden'";
    else if (p.width < 1 || p.width > 100000)
        m.error = "'-W' parameter must be between 1 and 100000";
    else if (p.height < 1 || p.height > 100000)
        m.error = "'-H' parameter must be between 1 and 100000";
    else if (!inWindowRange(p.hstart) || !inWindowRange(p.hend) || !inWindowRange(p.vstart) ||
             !inWindowRange(p.vend))
        m.error = "'-window' values must be between -1000 and 1000";
    else if (!std::isfinite(p.unitLength) || !(p.unitLength > 0.0f))
        m.error = "'-u' parameter must be greater than 0";
    else if (p.unitLength > 1e6f)
        m.error = "'-u' parameter must be at most 1000000";
    else if (!std::isfinite(p.font) || p.font < 1.0f)
        m.error = "'-font' parameter must be at least 1";
    else if (p.font > 1000.0f)
        m.error = "'-font' parameter must be at most 1000";
    else if (!std::isfinite(p.edges))
        m.error = "'-edges' parameter must be a finite number";
    else if (p.render == "html" && p.java == "java")
        m.error = "'-java' cannot be used with '-render html'";
    else if (!(p.opacity >= 0.0f && p.opacity <= 1.0f))
        m.error = "'-opacity' parameter must be between 0 and 1";
    // The scene files take the renderer's extension whatever the order of the options.
    const std::string extension = p.render == "povray" ? ".pov" : ".svg";
    p.sceneFile1 = output + "1" + extension;
    p.sceneFile2 = output + "2" + extension;
    p.imageFile1 = output + "1.png";
    p.imageFile2 = output + "2.png";
    p.fileStem = output;
    return m;
}

void checkSame(const Parameters& a, const Parameters& b, bool names) {
    FUZZ_CHECK(a.bckgnd == b.bckgnd && a.color == b.color && a.render == b.render);
    FUZZ_CHECK(sameFloat(a.edges, b.edges) && a.minEdges == b.minEdges);
    FUZZ_CHECK(a.width == b.width && a.height == b.height);
    FUZZ_CHECK(sameFloat(a.font, b.font) && sameFloat(a.unitLength, b.unitLength));
    FUZZ_CHECK(sameFloat(a.hstart, b.hstart) && sameFloat(a.hend, b.hend));
    FUZZ_CHECK(sameFloat(a.vstart, b.vstart) && sameFloat(a.vend, b.vend));
    FUZZ_CHECK(sameFloat(a.opacity, b.opacity));
    FUZZ_CHECK(a.java == b.java && a.inputFile == b.inputFile && a.namesFile == b.namesFile);
    FUZZ_CHECK(a.multigraph == b.multigraph && a.weighted == b.weighted);
    FUZZ_CHECK(a.onlygraphic == b.onlygraphic && a.nographic == b.nographic);
    FUZZ_CHECK(a.logfile == b.logfile && a.format == b.format);
    FUZZ_CHECK(a.exportCsv == b.exportCsv && a.exportGexf == b.exportGexf);
    FUZZ_CHECK(a.partitionFile == b.partitionFile && a.communities == b.communities);
    FUZZ_CHECK(a.style == b.style && a.progress == b.progress);
    FUZZ_CHECK(a.resolution == b.resolution && a.seed == b.seed && a.threads == b.threads);
    if (names) {
        FUZZ_CHECK(a.sceneFile1 == b.sceneFile1 && a.sceneFile2 == b.sceneFile2);
        FUZZ_CHECK(a.imageFile1 == b.imageFile1 && a.imageFile2 == b.imageFile2);
        FUZZ_CHECK(a.fileStem == b.fileStem);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args;
    if (size > 0) {
        const std::string text(reinterpret_cast<const char*>(data), size);
        std::size_t start = 0;
        while (args.size() < 64) {
            const std::size_t end = text.find('\0', start);
            args.push_back(text.substr(start, end - start));
            if (end == std::string::npos) break;
            start = end + 1;
        }
    }
    std::vector<const char*> argv = {"quorvane"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(argv.size()) - 1;

    const Model expected = model(args);
    Parameters actual;
    std::string error;
    try {
        actual.readCommandLine(argc, argv.data());
        actual.checkValues();
        actual.deriveOutputNames();
    } catch (const Fatal& fatal) {
        error = fatal.what();
    }

    if (!expected.error.empty()) {
        const std::string want = "ERROR: " + expected.error + "\n\n" + Parameters::helpText();
        if (error != want)
            std::fprintf(stderr, "got:  %s\nwant: %s\n", error.c_str(), want.c_str());
        FUZZ_CHECK(error == want);
        // The error line itself is a single line.
        FUZZ_CHECK(fuzz::isOneErrorLine(error.substr(0, error.find('\n') + 1)));
        return 0;
    }
    if (!error.empty()) std::fprintf(stderr, "unexpected: %s\n", error.c_str());
    FUZZ_CHECK(error.empty());
    checkSame(actual, expected.p, expected.outputGiven);
    if (!expected.outputGiven) {
        // Derived names lie in the current directory whatever the input's path.
        for (const std::string* name :
             {&actual.sceneFile1, &actual.sceneFile2, &actual.imageFile1, &actual.imageFile2})
            FUZZ_CHECK(name->find('/') == std::string::npos &&
                       name->find('\\') == std::string::npos);
        const bool povray = actual.render == "povray";
        FUZZ_CHECK(actual.sceneFile1 == actual.fileStem + (povray ? "1.pov" : "_1.svg"));
        FUZZ_CHECK(actual.imageFile2.ends_with(povray ? "_2_POV.png" : "_2_SVG.png"));
    }
    return 0;
}
