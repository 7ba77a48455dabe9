// Every option of a run: defaults, the configuration file "quorvane.cfg", the command
// line (which overrides the file), and the four output names derived from them.
#pragma once

#include <iosfwd>
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

  private:
    bool outputGiven = false;
};

extern Parameters parameters;

// Lenient number conversion of option values: the longest numeric prefix counts and text
// without one gives 0. Integers saturate at the int limits; decimals are plain decimals
// (optional sign, digits, optional fraction and exponent), so "nan", "inf" and hexadecimal
// forms have no numeric prefix.
int toInteger(const std::string& text);
float toDecimal(const std::string& text);
