// Every option of a run: defaults, the configuration file "quorvane.cfg", the command
// line (which overrides the file), and the four output names derived from them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

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

  private:
    class Arguments;
    // One option word and its values; false for a word that is no option.
    bool readOption(const std::string& arg, Arguments& args);
    // The kinds of option words; each returns false for a word not of its kind.
    bool readFlag(const std::string& arg);
    bool readFileOption(const std::string& arg, Arguments& args);
    bool readLookOption(const std::string& arg, Arguments& args);
    bool readDetectorOption(const std::string& arg, Arguments& args);
    bool readDataOption(const std::string& arg, Arguments& args);

    bool inputGiven = false;
    bool communitiesGiven = false;
    bool resolutionGiven = false;
    bool seedGiven = false;
    bool outputGiven = false;
    std::string outputStem;
};

extern Parameters parameters;

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
