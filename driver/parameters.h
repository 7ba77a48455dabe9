// Every option of a run: defaults, the configuration file "quorvane.cfg", the command
// line (which overrides the file), and the four output names derived from them. Each option
// is declared once, in the option table (driver/option_table.cpp): its words, how its values
// are read, its help line, its configuration key, its range, its key in the summary and what
// it sets in the stages' options; parsing, the help, the configuration file, the checks and
// the summary are all driven from that table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "driver/povray_renderer.h"
#include "engines/engine.h"
#include "scene/layout.h"

// What the stages take from the options.
struct StageOptions {
    SceneOptions scene;
    EngineOptions engine;
    RenderOptions render;
};

class Parameters {
  public:
    Parameters();
    ~Parameters();

    // The whole option handling: configuration file, command line, value checks, output
    // names. Throws Fatal with the error line followed by the help text on any error.
    void validateParameters(int argc, const char* const* argv);

    // The parts of validateParameters, usable on their own (tests feed them strings).
    void readConfiguration(std::istream& in);
    void readCommandLine(int argc, const char* const* argv);
    void checkValues() const;
    void deriveOutputNames();

    static std::string helpText();
    // "quorvane VERSION" and a line feed.
    static std::string versionLine();
    // What a command line asks for: a run, or only the help or the version. A help or
    // version word anywhere as an option word wins over every error of the line; as the
    // value of an option it stays a value.
    enum class Request { Run, Help, Version };
    static Request requestOf(int argc, const char* const* argv);
    void printHelp() const;
    void printHeader() const;

    // ---- What the options mean, typed ----

    enum class Renderer { povray, svg, html };
    enum class Detector { greedy, leiden, file };
    Renderer renderer() const;
    Style pictureStyle() const;
    // The partition file's when -partition is given.
    Detector detector() const;
    // "-names" without a file: every vertex is labelled with its id.
    bool idsAsLabels() const;
    // The names file to read, or "" when there is none.
    std::string namesToRead() const;
    // Whether each image is shown in the viewer (-java).
    bool showImages() const;
    // The threads a stage may use: the machine's logical cores, at most -threads.
    unsigned effectiveThreads() const;
    // The stages' options, as the table's entries set them.
    StageOptions stageOptions() const;
    // The options in effect, in table order, each name with its value as JSON text.
    std::vector<std::pair<std::string, std::string>> summary() const;

    std::string bckgnd = "black";
    std::string color = "col";
    float edges = 0.0f;
    int minEdges = 1000;
    int width = 800;
    int height = 600;
    float font = 1.0f;
    float hstart = 0.0f;
    float hend = 1.0f;
    float vstart = 0.0f;
    float vend = 1.0f;
    float unitLength = 1.0f;
    std::string java;
    std::string sceneFile1;
    std::string sceneFile2;
    std::string imageFile1;
    std::string imageFile2;
    // The stem of the files named after the run (the -output value, else the one derived
    // from the input and the options) and the page of -render html.
    std::string fileStem;
    std::string pageFile;
    std::string inputFile;
    std::string namesFile;
    // The input's format as -format names it; empty: detected from the file.
    std::string format;
    bool multigraph = false;
    bool weighted = false;
    std::string render = "povray";
    // -style: the pictures' look, "classic" or "clear".
    std::string style = "classic";
    // -progress: the status line on a terminal, "on" or "off".
    std::string progress = "on";
    bool onlygraphic = false;
    bool nographic = false;
    float opacity = 0.2f;
    bool logfile = false;
    // -export: the data files asked for (named from fileStem).
    bool exportCsv = false;
    bool exportGexf = false;
    // -partition: the file whose partition is drawn instead of detecting one.
    std::string partitionFile;
    // -communities and the Leiden detector's settings; -threads (0: the machine's cores).
    std::string communities = "greedy";
    double resolution = 1.0;
    std::uint64_t seed = 1;
    unsigned threads = 0;

    // The command line being read: the current word and the values that follow it.
    class Arguments {
      public:
        Arguments(int argc, const char* const* argv) : argc_(argc), argv_(argv) {}

        bool next() { return ++i_ < argc_; }
        std::string word() const { return argv_[i_]; }
        // Whether a word follows the current one and does not start with "-" (or a value
        // was given after '=').
        bool valueFollows() const { return inline_ || (i_ + 1 < argc_ && argv_[i_ + 1][0] != '-'); }
        // The value following the current word; the option's own message when there is none.
        std::string value(const char* missing);
        // The next count values (the option's message when fewer follow).
        void require(int count, const char* missing) const;
        // A value that must be one of the allowed words.
        std::string choice(const char* missing, const char* field,
                           std::initializer_list<std::string_view> allowed, const char* possible);
        // The current word as an option word: a GNU long form (--input, --input=FILE) is the
        // option it names, its value after '=' the first value the option reads.
        std::string option();
        // Whether a value after '=' was given to an option that took none.
        bool inlineLeft() const { return inline_; }

      private:
        int argc_;
        const char* const* argv_;
        int i_ = 0;
        bool inline_ = false;
        std::string inlineValue_;
    };

    // Which options were given, for the rules between them.
    bool inputGiven = false;
    bool communitiesGiven = false;
    bool resolutionGiven = false;
    bool seedGiven = false;
    bool outputGiven = false;
    std::string outputStem;

  private:
    // One option word and its values; false for a word that is no option.
    bool readOption(const std::string& arg, Arguments& args);
};

extern Parameters parameters;

// One option of the table.
struct OptionSpec {
    // The word on the command line ("-input").
    const char* word;
    // Its line in the help, without the line break.
    const char* help;
    // Reads the option's values after its word into p (throws Fatal on a bad value).
    void (*read)(Parameters& p, Parameters::Arguments& args);
    // The key of quorvane.cfg that sets it too, and how a value of that key is taken (a
    // value it does not take is ignored); null for options of the command line only.
    const char* configurationKey = nullptr;
    void (*configure)(Parameters& p, const std::string& value) = nullptr;
    // Its range, checked once everything is read (throws Fatal); null when any value goes.
    void (*check)(const Parameters& p) = nullptr;
    // Its name in the summary's options and its value there as JSON; null when it has none.
    const char* summaryKey = nullptr;
    std::string (*summary)(const Parameters& p) = nullptr;
    // What it sets in the stages' options; null when it sets nothing.
    void (*apply)(const Parameters& p, StageOptions& stages) = nullptr;
};

// The table, in the order of the help.
const std::vector<OptionSpec>& optionTable();

// "ERROR: LINE\n\n" followed by the help text, as Fatal.
[[noreturn]] void optionError(const std::string& line);

// What may have been meant by a word that is no option, as " (did you mean ...?)": -input
// WORD for a bare word naming an existing file, else the option nearest in spelling; ""
// when nothing is near.
std::string unknownOptionHint(const std::string& word);

// The configuration file in the working directory, and the most it may hold.
inline constexpr const char* kConfigurationFile = "quorvane.cfg";
inline constexpr std::size_t kLargestConfiguration = std::size_t{1} << 20;

// The text of the configuration file, or nothing when there is none (or a directory of that
// name). Never waits on a FIFO. Throws Fatal for anything else that is not a regular file
// ("ERROR: Configuration file NAME is not a regular file\n": a FIFO, a device, a socket) and
// for a file over kLargestConfiguration ("ERROR: Configuration file NAME is larger than 1
// MiB\n").
std::optional<std::string> readConfigurationFile(const std::string& name);

// Lenient number conversion of option values: the longest numeric prefix counts and text
// without one gives 0. Integers saturate at the int limits; decimals are plain decimals
// (optional sign, digits, optional fraction and exponent), so "nan", "inf" and hexadecimal
// forms have no numeric prefix.
int toInteger(const std::string& text);
float toDecimal(const std::string& text);
