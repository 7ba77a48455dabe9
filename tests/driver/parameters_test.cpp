#include "driver/parameters.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "graph/defs.h"

namespace {

// Runs the command-line part on a fresh Parameters; argv[0] is supplied.
Parameters parse(std::vector<std::string> args) {
    args.insert(args.begin(), "quorvane");
    std::vector<const char*> argv;
    for (const auto& a : args) argv.push_back(a.c_str());
    Parameters p;
    p.readCommandLine(static_cast<int>(argv.size()), argv.data());
    return p;
}

std::string parseError(std::vector<std::string> args) {
    try {
        parse(std::move(args));
    } catch (const Fatal& error) {
        return error.what();
    }
    return "(no error)";
}

Parameters configured(const std::string& text) {
    std::istringstream in(text);
    Parameters p;
    p.readConfiguration(in);
    return p;
}

const std::string kHelp = Parameters::helpText();

TEST(NumberConversion, IntegersTakeTheLongestPrefixAndSaturate) {
    const std::vector<std::pair<std::string, int>> cases = {
        {"12", 12},
        {"12px", 12},
        {"abc", 0},
        {"", 0},
        {"-5", -5},
        {"+3", 3},
        {"  7", 7},
        {"0x10", 0},
        {"3.9", 3},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"99999999999999999999", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-99999999999", INT_MIN},
        {"- 5", 0},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(toInteger(text), expected) << text;
}

TEST(NumberConversion, DecimalsArePlainDecimalsOnly) {
    const std::vector<std::pair<std::string, float>> cases = {
        {"0.5", 0.5f}, {"1e3", 1000.0f}, {"1e", 1.0f},       {"1e+", 1.0f}, {"2.5E-1x", 0.25f},
        {".5", 0.5f},  {"5.", 5.0f},     {"-2.5abc", -2.5f}, {"abc", 0.0f}, {"nan", 0.0f},
        {"inf", 0.0f}, {"-inf", 0.0f},   {"0x10", 0.0f},     {".", 0.0f},   {"+.25", 0.25f},
        {" 3", 3.0f},  {"", 0.0f},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(toDecimal(text), expected) << text;
    EXPECT_TRUE(std::isinf(toDecimal("1e999")));
}

TEST(Configuration, KeysAreWholeWordsAndValuesTrimmedOfBlanks) {
    Parameters p = configured(
        "bckgnd = white\n"
        "color=bw\n"
        "edges = 0.5\n"
        "minedges = 50\n"
        "width = 1024\n"
        "height=\t768\n"
        "\tu = 2.5\n"
        "render = svg\n"
        "opacity = 0.7\n");
    EXPECT_EQ(p.bckgnd, "white");
    EXPECT_EQ(p.color, "bw");
    EXPECT_EQ(p.edges, 0.5f);
    EXPECT_EQ(p.minEdges, 50);
    EXPECT_EQ(p.width, 1024);
    EXPECT_EQ(p.height, 768);  // the tab stays in the value; the number still converts
    EXPECT_EQ(p.unitLength, 2.5f);
    EXPECT_EQ(p.render, "svg");
    EXPECT_EQ(p.opacity, 0.7f);
}

TEST(Configuration, SubstringKeysNoLongerSetOtherFields) {
    Parameters p = configured("minedges = 50\ngranularity = 3\nbackground_color = bw\n");
    EXPECT_EQ(p.minEdges, 50);
    EXPECT_EQ(p.edges, 0.0f);
    EXPECT_EQ(p.unitLength, 1.0f);
    EXPECT_EQ(p.color, "col");
}

TEST(Configuration, SkippedAndIgnoredLines) {
    const Parameters defaults;
    const std::vector<std::string> ignored = {
        "render = svg # comment\n",  // a line with '#' anywhere is skipped whole
        "# render = svg\n",
        "bckgnd = Black\n",  // case matters; a bad word is ignored without a message
        "color = rainbow\n",
        "render = opengl\n",
        "width =   \n",  // blank value
        "width\n",       // no '=': key and value are the whole line, not a number
        "input = other.txt\n",
        "W = 5\n",
        "render = svg\t\n",  // only blanks are trimmed: the tab stays and the word fails
    };
    for (const auto& line : ignored) {
        Parameters p = configured(line);
        EXPECT_EQ(p.render, defaults.render) << line;
        EXPECT_EQ(p.bckgnd, defaults.bckgnd) << line;
        EXPECT_EQ(p.color, defaults.color) << line;
        EXPECT_EQ(p.width, line == "width\n" ? 0 : defaults.width) << line;
        EXPECT_EQ(p.inputFile, "") << line;
    }
}

TEST(Configuration, CarriageReturnLineEndsWork) {
    Parameters p = configured("bckgnd = white\r\nrender=svg\r\nwidth = 640\r\n");
    EXPECT_EQ(p.bckgnd, "white");
    EXPECT_EQ(p.render, "svg");
    EXPECT_EQ(p.width, 640);
}

TEST(CommandLine, OptionsSetTheirFields) {
    Parameters p = parse({"-input",
                          "net.txt",
                          "-logfile",
                          "-logstdout",
                          "-multigraph",
                          "-weighted",
                          "-granularity",
                          "7",
                          "-bckgnd",
                          "white",
                          "-color",
                          "bwi",
                          "-fromlayer",
                          "2",
                          "-edges",
                          "0.25",
                          "-minEdges",
                          "12",
                          "-W",
                          "640",
                          "-H",
                          "480",
                          "-font",
                          "2",
                          "-window",
                          "0.1",
                          "0.2",
                          "0.3",
                          "0.4",
                          "-u",
                          "1.5",
                          "-net",
                          "-java",
                          "-render",
                          "svg",
                          "-nocliques",
                          "-opacity",
                          "0.5",
                          "-onlygraphic",
                          "-nographic",
                          "-strengthsIntervals",
                          "x",
                          "-format",
                          "gml"});
    EXPECT_EQ(p.inputFile, "net.txt");
    EXPECT_EQ(p.format, "gml");
    EXPECT_TRUE(p.logfile);
    EXPECT_TRUE(p.multigraph);
    EXPECT_TRUE(p.weighted);
    EXPECT_EQ(p.bckgnd, "white");
    EXPECT_EQ(p.color, "bwi");
    EXPECT_EQ(p.edges, 0.25f);
    EXPECT_EQ(p.minEdges, 12);
    EXPECT_EQ(p.width, 640);
    EXPECT_EQ(p.height, 480);
    EXPECT_EQ(p.font, 2.0f);
    EXPECT_EQ(p.hstart, 0.1f);
    EXPECT_EQ(p.hend, 0.2f);
    EXPECT_EQ(p.vstart, 0.3f);
    EXPECT_EQ(p.vend, 0.4f);
    EXPECT_EQ(p.unitLength, 1.5f);
    EXPECT_EQ(p.java, "java");
    EXPECT_EQ(p.render, "svg");
    EXPECT_EQ(p.opacity, 0.5f);
    EXPECT_TRUE(p.onlygraphic);
    EXPECT_TRUE(p.nographic);
}

TEST(CommandLine, NamesTakesAFileOnlyWhenOneFollows) {
    EXPECT_EQ(parse({"-input", "a", "-names", "-W", "900"}).namesFile, "0");
    EXPECT_EQ(parse({"-input", "a", "-names", "-W", "900"}).width, 900);
    EXPECT_EQ(parse({"-input", "a", "-names"}).namesFile, "0");
    EXPECT_EQ(parse({"-names", "labels.txt", "-input", "a"}).namesFile, "labels.txt");
    EXPECT_EQ(parse({"-input", "a"}).namesFile, "");
}

TEST(CommandLine, ValuesAreConsumedWhateverTheyLookLikeAndLaterWins) {
    Parameters p = parse({"-input", "-W", "-W", "12px", "-W", "abc", "-H", "-7"});
    EXPECT_EQ(p.inputFile, "-W");
    EXPECT_EQ(p.width, 0);
    EXPECT_EQ(p.height, -7);
}

TEST(CommandLine, ErrorsNameTheFirstBadArgument) {
    struct Case {
        std::vector<std::string> args;
        std::string line;
    };
    const std::vector<Case> cases = {
        {{}, "ERROR: '-input' parameter is required\n\n"},
        {{"-W", "9"}, "ERROR: '-input' parameter is required\n\n"},
        {{"-input"}, "ERROR: '-input' parameter must be followed by input file name\n\n"},
        {{"-input", "a", "-output"},
         "ERROR: '-output' parameter must be followed by output file name\n\n"},
        {{"-input", "a", "-granularity"},
         "ERROR: '-granularity' parameter must be followed by granularity (integer)\n\n"},
        {{"-input", "a", "-bckgnd"},
         "ERROR: '-bckgnd' parameter must be followed by background color value\n\n"},
        {{"-input", "a", "-bckgnd", "Black"},
         "ERROR: Black is not a possible value for bckgnd. Possible values are 'white' and "
         "'black'.\n\n"},
        {{"-bckgnd", "-W", "-input", "a"},
         "ERROR: -W is not a possible value for bckgnd. Possible values are 'white' and "
         "'black'.\n\n"},
        {{"-input", "a", "-color"},
         "ERROR: '-color' parameter must be followed by graph color value\n\n"},
        {{"-input", "a", "-color", "red"},
         "ERROR: red is not a possible value for color. Possible values are 'col', 'bw' and "
         "'bwi'.\n\n"},
        {{"-input", "a", "-fromlayer"},
         "ERROR: '-fromlayer' parameter must be followed by layer number\n\n"},
        {{"-input", "a", "-edges"},
         "ERROR: '-edges' parameter must be followed by percent of visible edges (0.0 - "
         "1.0)\n\n"},
        {{"-input", "a", "-minEdges"},
         "ERROR: '-minedges' parameter must be followed by minimum number of visible edges "
         "(integer)\n\n"},
        {{"-input", "a", "-W"}, "ERROR: '-W' parameter must be followed by width value\n\n"},
        {{"-input", "a", "-H"}, "ERROR: '-H' parameter must be followed by height value\n\n"},
        {{"-input", "a", "-font"},
         "ERROR: '-font' parameter must be followed by font zoom value\n\n"},
        {{"-input", "a", "-window", "0", "1", "0"},
         "ERROR: '-window' parameter must be followed by four values: hstart hend vstart "
         "vend\n\n"},
        {{"-input", "a", "-u"}, "ERROR: '-u' parameter must be followed by unit length value\n\n"},
        {{"-input", "a", "-render"},
         "ERROR: '-render' parameter must be followed by renderer name\n\n"},
        {{"-input", "a", "-render", "SVG"},
         "ERROR: SVG is not a possible value for render. Possible values are 'povray', 'svg' and "
         "'html'.\n\n"},
        {{"-input", "a", "-opacity"}, "ERROR: '-opacity' parameter must be followed by value.\n\n"},
        {{"-input", "a", "-strengthsIntervals"},
         "ERROR: '-strengthsIntervals' parameter must be followed by 'equalNodesPerInterval' or "
         "'equalIntervalSize'.\n\n"},
        {{"-input", "a", "-format"},
         "ERROR: '-format' parameter must be followed by input format\n\n"},
        {{"-input", "a", "-format", "xml"},
         "ERROR: xml is not a possible value for format. Possible values are 'edges', "
         "'graphml', 'gexf', 'gml', 'pajek', 'ncol' and 'csv'.\n\n"},
        {{"-input", "a", "-communities", "louvain"},
         "ERROR: louvain is not a possible value for communities. Possible values are 'greedy' "
         "and 'leiden'.\n\n"},
        {{"-input", "a", "-resolution", "0"},
         "ERROR: '-resolution' parameter must be a number greater than 0\n\n"},
        {{"-input", "a", "-resolution", "1e999"},
         "ERROR: '-resolution' parameter must be a number greater than 0\n\n"},
        {{"-input", "a", "-resolution", "1.5x"},
         "ERROR: '-resolution' parameter must be a number greater than 0\n\n"},
        {{"-input", "a", "-seed", "-1"},
         "ERROR: '-seed' parameter must be a non-negative integer\n\n"},
        {{"-input", "a", "-seed", "18446744073709551616"},
         "ERROR: '-seed' parameter must be a non-negative integer\n\n"},
        {{"-input", "a", "-threads", "0"},
         "ERROR: '-threads' parameter must be a positive integer\n\n"},
        {{"-input", "a", "-threads", "+2"},
         "ERROR: '-threads' parameter must be a positive integer\n\n"},
        {{"-input", "a", "-threads"},
         "ERROR: '-threads' parameter must be followed by number of threads\n\n"},
        {{"-input", "a", "-width", "5"}, "ERROR: -width is not a valid parameter\n\n"},
        {{"-input", "a", "5"}, "ERROR: 5 is not a valid parameter\n\n"},
        {{"-Input", "a"}, "ERROR: -Input is not a valid parameter (did you mean -input?)\n\n"},
        // the first bad argument decides, before the missing-input check
        {{"-color", "x", "-bogus"},
         "ERROR: x is not a possible value for color. Possible values are 'col', 'bw' and "
         "'bwi'.\n\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(parseError(c.args), c.line + kHelp);
}

// The detector's settings belong to the Leiden detector, and a partition from a file leaves
// nothing to detect.
TEST(ValueChecks, DetectorOptionsGoTogether) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"-resolution", "2"}, "ERROR: '-resolution' parameter needs '-communities leiden'\n\n"},
        {{"-seed", "7", "-communities", "greedy"},
         "ERROR: '-seed' parameter needs '-communities leiden'\n\n"},
        {{"-communities", "greedy", "-partition", "p.txt"},
         "ERROR: '-communities' and '-partition' cannot be used together\n\n"},
        {{"-seed", "0", "-resolution", "0.5", "-communities", "leiden", "-threads", "3"}, ""},
        {{"-partition", "p.txt", "-threads", "1"}, ""},
    };
    for (const auto& [extra, line] : cases) {
        std::vector<std::string> args = {"-input", "a"};
        args.insert(args.end(), extra.begin(), extra.end());
        Parameters p = parse(args);
        std::string got;
        try {
            p.checkValues();
        } catch (const Fatal& error) {
            got = error.what();
        }
        EXPECT_EQ(got, line.empty() ? "" : line + kHelp) << extra[0];
        if (line.empty() && p.communities == "leiden") {
            EXPECT_EQ(p.seed, 0u);
            EXPECT_EQ(p.resolution, 0.5);
            EXPECT_EQ(p.threads, 3u);
        }
    }
}

TEST(ValueChecks, ValuesThatWouldBreakTheRunAreRejected) {
    struct Case {
        std::vector<std::string> args;
        std::string line;  // empty: accepted
    };
    const std::string w = "ERROR: '-W' parameter must be between 1 and 100000\n\n";
    const std::string h = "ERROR: '-H' parameter must be between 1 and 100000\n\n";
    const std::string f = "ERROR: '-font' parameter must be at least 1\n\n";
    const std::string u = "ERROR: '-u' parameter must be greater than 0\n\n";
    const std::vector<Case> cases = {
        {{"-W", "abc"}, w},      {{"-W", "0"}, w},
        {{"-W", "100001"}, w},   {{"-W", "-3"}, w},
        {{"-W", "1"}, ""},       {{"-W", "100000"}, ""},
        {{"-H", "0"}, h},        {{"-H", "100000"}, ""},
        {{"-font", "0.99"}, f},  {{"-font", "1"}, ""},
        {{"-font", "1e999"}, f}, {{"-font", "nan"}, f},
        {{"-u", "0"}, u},        {{"-u", "-1"}, u},
        {{"-u", "1e999"}, u},    {{"-u", "1e-30"}, ""},
        {{"-u", "x"}, u},        {{"-W", "0", "-u", "0"}, w},  // width is checked first
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"-input", "a"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        Parameters p = parse(args);
        std::string got;
        try {
            p.checkValues();
        } catch (const Fatal& error) {
            got = error.what();
        }
        EXPECT_EQ(got, c.line.empty() ? "" : c.line + kHelp) << c.args[0] << " " << c.args[1];
    }
}

struct Names {
    std::string scene1, scene2, image1, image2;
};

Names derive(std::vector<std::string> args) {
    Parameters p = parse(std::move(args));
    p.deriveOutputNames();
    return {p.sceneFile1, p.sceneFile2, p.imageFile1, p.imageFile2};
}

TEST(OutputNames, DerivedFromTheInputAndTheOptions) {
    struct Case {
        std::vector<std::string> args;
        Names names;
    };
    const std::vector<Case> cases = {
        {{"-input", "nets/karate.txt"},
         {"karate_col_b_800x6001.pov", "karate_col_b_800x6002.pov",
          "karate_col_b_800x600_1_POV.png", "karate_col_b_800x600_2_POV.png"}},
        {{"-input", "nets/karate.txt", "-render", "svg", "-names"},
         {"karate_col_b_800x600_names_1.svg", "karate_col_b_800x600_names_2.svg",
          "karate_col_b_800x600_names_1_SVG.png", "karate_col_b_800x600_names_2_SVG.png"}},
        {{"-input", "nets/karate.txt", "-onlygraphic"},
         {"karate_col_b_800x6001.pov", "karate_col_b_800x6002.pov", "karate_1_POV.png",
          "karate_2_POV.png"}},
        {{"-input", "karate.txt", "-bckgnd", "white", "-color", "bwi", "-W", "1024", "-H", "768"},
         {"karate_bwi_w_1024x7681.pov", "karate_bwi_w_1024x7682.pov",
          "karate_bwi_w_1024x768_1_POV.png", "karate_bwi_w_1024x768_2_POV.png"}},
        {{"-input", "D:\\nets\\karate.txt"},
         {"karate_col_b_800x6001.pov", "karate_col_b_800x6002.pov",
          "karate_col_b_800x600_1_POV.png", "karate_col_b_800x600_2_POV.png"}},
        {{"-input", "edges"},
         {"edges_col_b_800x6001.pov", "edges_col_b_800x6002.pov", "edges_col_b_800x600_1_POV.png",
          "edges_col_b_800x600_2_POV.png"}},
        {{"-input", "data/run.1/net"},
         {"run_col_b_800x6001.pov", "run_col_b_800x6002.pov", "run_col_b_800x600_1_POV.png",
          "run_col_b_800x600_2_POV.png"}},
        {{"-input", "a.b.c", "-render", "svg", "-onlygraphic"},
         {"a.b_col_b_800x600_1.svg", "a.b_col_b_800x600_2.svg", "a.b_1_SVG.png", "a.b_2_SVG.png"}},
        {{"-input", "nets/karate.txt", "-output", "out", "-names", "-onlygraphic"},
         {"out1.pov", "out2.pov", "out1.png", "out2.png"}},
        // A compressed file's .gz goes before its extension; other formats as any file.
        {{"-input", "nets/net.txt.gz"},
         {"net_col_b_800x6001.pov", "net_col_b_800x6002.pov", "net_col_b_800x600_1_POV.png",
          "net_col_b_800x600_2_POV.png"}},
        {{"-input", "lesmis.graphml", "-render", "svg"},
         {"lesmis_col_b_800x600_1.svg", "lesmis_col_b_800x600_2.svg",
          "lesmis_col_b_800x600_1_SVG.png", "lesmis_col_b_800x600_2_SVG.png"}},
        {{"-input", "net.gz"},
         {"net_col_b_800x6001.pov", "net_col_b_800x6002.pov", "net_col_b_800x600_1_POV.png",
          "net_col_b_800x600_2_POV.png"}},
        // The scene files take the renderer's extension, given before or after -output.
        {{"-input", "nets/karate.txt", "-output", "out", "-render", "svg", "-names",
          "-onlygraphic"},
         {"out1.svg", "out2.svg", "out1.png", "out2.png"}},
        {{"-input", "nets/karate.txt", "-render", "svg", "-output", "run/-x"},
         {"run/-x1.svg", "run/-x2.svg", "run/-x1.png", "run/-x2.png"}},
        // Another detector's or style's run never overwrites the default run's files.
        {{"-input", "lesmis.gml", "-communities", "leiden"},
         {"lesmis_leiden_col_b_800x6001.pov", "lesmis_leiden_col_b_800x6002.pov",
          "lesmis_leiden_col_b_800x600_1_POV.png", "lesmis_leiden_col_b_800x600_2_POV.png"}},
        {{"-input", "lesmis.gml", "-partition", "p.txt", "-style", "clear", "-onlygraphic"},
         {"lesmis_partition_clear_col_b_800x6001.pov", "lesmis_partition_clear_col_b_800x6002.pov",
          "lesmis_partition_clear_1_POV.png", "lesmis_partition_clear_2_POV.png"}},
        {{"-input", "lesmis.gml", "-communities", "leiden", "-style", "clear", "-render", "svg"},
         {"lesmis_leiden_clear_col_b_800x600_1.svg", "lesmis_leiden_clear_col_b_800x600_2.svg",
          "lesmis_leiden_clear_col_b_800x600_1_SVG.png",
          "lesmis_leiden_clear_col_b_800x600_2_SVG.png"}},
        {{"-input", "lesmis.gml", "-communities", "leiden", "-output", "mine"},
         {"mine1.pov", "mine2.pov", "mine1.png", "mine2.png"}},
    };
    for (const auto& c : cases) {
        Names got = derive(c.args);
        EXPECT_EQ(got.scene1, c.names.scene1) << c.args[1];
        EXPECT_EQ(got.scene2, c.names.scene2) << c.args[1];
        EXPECT_EQ(got.image1, c.names.image1) << c.args[1];
        EXPECT_EQ(got.image2, c.names.image2) << c.args[1];
    }
}

TEST(Help, ListsTheDocumentedOptionsAndTheRealBackgroundDefault) {
    EXPECT_EQ(kHelp.rfind("Quorvane shows the structure of a network", 0), 0u);
    EXPECT_NE(kHelp.find("\nInput: a text file of edges"), std::string::npos);
    EXPECT_NE(kHelp.find("\nParameters:\n-input <file>: Name of input file containing the "
                         "network edges. Required.\n"),
              std::string::npos);
    EXPECT_NE(kHelp.find("\n-bckgnd <value>: Background color. Possible values: 'white' and "
                         "'black'. Optional. Default: black\n"),
              std::string::npos);
    EXPECT_EQ(kHelp.find("Default: white"), std::string::npos);
    EXPECT_TRUE(kHelp.ends_with("the command line wins.\n\n"));
}

// Help and version words win over any error of the line, but never as an option's value.
TEST(Help, RequestWordsAreFoundAsOptionsOnly) {
    using Request = Parameters::Request;
    const std::vector<std::pair<std::vector<std::string>, Request>> cases = {
        {{}, Request::Run},
        {{"-input", "a"}, Request::Run},
        {{"-h"}, Request::Help},
        {{"-W", "abc", "-h"}, Request::Help},
        {{"-bogus", "--help"}, Request::Help},
        {{"-bckgnd", "pink", "-help"}, Request::Help},
        {{"-input", "a", "--version"}, Request::Version},
        {{"-version", "-h"}, Request::Version},
        {{"-output", "-h", "-input", "a"}, Request::Run},
        {{"-input", "--help"}, Request::Run},
        {{"-window", "0", "-h", "0", "1"}, Request::Run},
        {{"-names", "-h"}, Request::Help},
        {{"-input"}, Request::Run},
    };
    for (const auto& [words, expected] : cases) {
        std::vector<const char*> argv = {"quorvane"};
        for (const std::string& word : words) argv.push_back(word.c_str());
        EXPECT_EQ(Parameters::requestOf(static_cast<int>(argv.size()), argv.data()), expected)
            << ::testing::PrintToString(words);
    }
}

}  // namespace

namespace {

TEST(CommandLine, ControlBytesOfAnEchoedArgumentAreEscaped) {
    // A line break, an escape sequence and DEL would split the error line or act on the
    // terminal; other bytes, UTF-8 included, are shown as given.
    EXPECT_EQ(parseError({"-input", "a", "x\ny"}),
              "ERROR: x\\x0Ay is not a valid parameter\n\n" + kHelp);
    EXPECT_EQ(parseError({"-input", "a", "-bckgnd", "\x1b[31mred\x7f"}),
              "ERROR: \\x1B[31mred\\x7F is not a possible value for bckgnd. Possible values are "
              "'white' and 'black'.\n\n" +
                  kHelp);
    EXPECT_EQ(parseError({"-input", "a", "-color", "r\xc3\xa9seau\t"}),
              "ERROR: r\xc3\xa9seau\\x09 is not a possible value for color. Possible values are "
              "'col', 'bw' and 'bwi'.\n\n" +
                  kHelp);
}

}  // namespace
