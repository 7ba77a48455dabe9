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
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <sstream>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "graph/defs.h"
#include "graph/text.h"

Parameters parameters;

namespace {

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

void optionError(const std::string& line) {
    throw Fatal("ERROR: " + line + "\n\n" + Parameters::helpText());
}

Parameters::Parameters() = default;
Parameters::~Parameters() = default;

std::string Parameters::helpText() {
    std::string text =
        "Quorvane shows the structure of a network: its communities, found by greedy modularity "
        "agglomeration, and the k-core shells inside them, drawn as two pictures.\n"
        "Input: a text file of edges, one 'u v' or 'u v w' line each (integer vertex ids "
        "separated by whitespace; a weight w is read and ignored); lines beginning with '#' or "
        "'%' are comments.\n"
        "\n"
        "Parameters:\n";
    std::vector<std::string> keys;
    for (const OptionSpec& option : optionTable()) {
        text += option.help;
        text += '\n';
        if (option.configurationKey) keys.emplace_back(option.configurationKey);
    }
    text +=
        "-h, -help, --help: Prints this help and exits.\n"
        "-version, --version: Prints the version and exits.\n"
        "The parameters ";
    for (std::size_t k = 0; k < keys.size(); ++k)
        text += keys[k] + (k + 2 < keys.size() ? ", " : k + 2 == keys.size() ? " and " : "");
    text +=
        " can also be set in file quorvane.cfg, one 'key = value' line each; the command line "
        "wins.\n\n";
    return text;
}

void Parameters::printHelp() const {
    std::cout << helpText();
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

        for (const OptionSpec& option : optionTable())
            if (option.configurationKey && key == option.configurationKey)
                option.configure(*this, value);
    }
}

std::string Parameters::Arguments::value(const char* missing) {
    if (inline_) {
        inline_ = false;
        return inlineValue_;
    }
    if (i_ + 1 >= argc_) optionError(missing);
    return argv_[++i_];
}

void Parameters::Arguments::require(int count, const char* missing) const {
    if (i_ + count - (inline_ ? 1 : 0) >= argc_) optionError(missing);
}

std::string Parameters::Arguments::option() {
    std::string word = argv_[i_];
    inline_ = false;
    // The GNU long forms: --input FILE and --input=FILE are -input FILE.
    if (word.size() > 2 && word[0] == '-' && word[1] == '-') {
        word.erase(0, 1);
        const std::size_t equals = word.find('=');
        if (equals != std::string::npos) {
            inlineValue_ = word.substr(equals + 1);
            inline_ = true;
            word.resize(equals);
        }
    }
    return word;
}

std::string Parameters::Arguments::choice(const char* missing, const char* field,
                                          std::initializer_list<std::string_view> allowed,
                                          const char* possible) {
    std::string word = value(missing);
    for (std::string_view a : allowed)
        if (word == a) return word;
    optionError(escaped(word, Escape::Argument) + " is not a possible value for " + field +
                ". Possible values are " + possible + ".");
}

Parameters::Request Parameters::requestOf(int argc, const char* const* argv) {
    // The words are walked as the options read them, so that a value is never taken for a
    // request ("-output -h" names the output "-h"); an option that fails leaves its values
    // behind it as far as they were read, and the walk goes on.
    Parameters scratch;
    Arguments args(argc, argv);
    while (args.next()) {
        const std::string word = args.option();
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
        const std::string option = args.option();
        if (!readOption(option, args))
            optionError(escaped(arg, Escape::Argument) + " is not a valid parameter" +
                        unknownOptionHint(arg));
        if (args.inlineLeft())
            optionError(escaped(arg, Escape::Argument) + " is not a valid parameter (" +
                        escaped(option, Escape::Argument) + " takes no value)");
    }
    if (!inputGiven) optionError("'-input' parameter is required");
}

bool Parameters::readOption(const std::string& arg, Arguments& args) {
    for (const OptionSpec& option : optionTable()) {
        if (arg == option.word) {
            option.read(*this, args);
            return true;
        }
    }
    return false;
}

// Values that would break the run later: the image size sizes the label grid and the
// renderer's output, the font zoom divides the grid, the unit length places the camera; and
// the rules between options.
void Parameters::checkValues() const {
    for (const OptionSpec& option : optionTable())
        if (option.check) option.check(*this);
}

namespace {

// Edits (insertions, deletions, substitutions, swaps of neighbours) from a to b, at most
// limit + 1.
std::size_t editDistance(std::string_view a, std::string_view b, std::size_t limit) {
    if (a.size() > b.size() + limit || b.size() > a.size() + limit) return limit + 1;
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return std::min(d[a.size()][b.size()], limit + 1);
}

}  // namespace

std::string unknownOptionHint(const std::string& word) {
    // A bare word naming a file: the input, most likely.
    std::error_code error;
    if (!word.empty() && word[0] != '-' && std::filesystem::is_regular_file(word, error))
        return " (did you mean -input " + escaped(word, Escape::Argument) + "?)";
    // The option nearest in spelling (letter case aside), when it is near: at most one edit
    // for short words, two for longer ones.
    // A word that does not start like an option (a stray value) names none.
    if (word.size() < 2 || word[0] != '-') return "";
    std::string wanted = word;
    while (wanted.size() > 1 && wanted[0] == '-' && wanted[1] == '-') wanted.erase(0, 1);
    const std::size_t equals = wanted.find('=');
    if (equals != std::string::npos) wanted.resize(equals);
    auto lower = [](std::string text) {
        for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    };
    const std::size_t limit = wanted.size() <= 4 ? 1 : 2;
    std::string best;
    std::size_t bestDistance = limit + 1;
    for (const OptionSpec& option : optionTable()) {
        const std::size_t distance = editDistance(lower(wanted), lower(option.word), limit);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = option.word;
        }
    }
    return best.empty() ? std::string() : " (did you mean " + best + "?)";
}

Parameters::Renderer Parameters::renderer() const {
    return render == "html" ? Renderer::html : render == "svg" ? Renderer::svg : Renderer::povray;
}

Parameters::Detector Parameters::detector() const {
    if (!partitionFile.empty()) return Detector::file;
    return communities == "leiden" ? Detector::leiden : Detector::greedy;
}

Style Parameters::pictureStyle() const {
    return style == "clear" ? Style::clear : Style::classic;
}

bool Parameters::idsAsLabels() const {
    return namesFile == "0";
}

std::string Parameters::namesToRead() const {
    return idsAsLabels() ? std::string() : namesFile;
}

bool Parameters::showImages() const {
    return java == "java";
}

unsigned Parameters::effectiveThreads() const {
    // More threads than cores would only take turns, and a huge count would exhaust the
    // host's processes.
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return threads != 0 ? std::min(threads, cores) : cores;
}

StageOptions Parameters::stageOptions() const {
    StageOptions stages;
    for (const OptionSpec& option : optionTable())
        if (option.apply) option.apply(*this, stages);
    return stages;
}

std::vector<std::pair<std::string, std::string>> Parameters::summary() const {
    std::vector<std::pair<std::string, std::string>> values;
    for (const OptionSpec& option : optionTable())
        if (option.summaryKey) values.emplace_back(option.summaryKey, option.summary(*this));
    return values;
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

    // The extension is cut before the directories (a dot in a directory name with none in the
    // file name cuts inside the directories); a compressed file's .gz goes first (net.txt.gz
    // gives net).
    std::string base = inputFile;
    if (base.size() > 3 && base.compare(base.size() - 3, 3, ".gz") == 0)
        base.resize(base.size() - 3);
    std::size_t dot = base.rfind('.');
    if (dot != std::string::npos) base.erase(dot);
    std::size_t slash = base.rfind('/');
    if (slash != std::string::npos) base.erase(0, slash + 1);
    std::size_t backslash = base.rfind('\\');
    if (backslash != std::string::npos) base.erase(0, backslash + 1);
    // Runs of another detector or style write names of their own, so they never overwrite
    // each other; the default run's names stay as they are.
    if (detector() == Detector::leiden) base += "_leiden";
    if (detector() == Detector::file) base += "_partition";
    if (pictureStyle() == Style::clear) base += "_clear";

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
