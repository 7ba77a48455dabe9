// Option handling, log files and the run's progress lines, seen from outside the binary.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "driver/parameters.h"
#include "e2e/harness.h"

namespace {

using e2e::RunDir;

const std::string kHelp = Parameters::helpText();

TEST(Options, NoArgumentsReportsTheMissingInputWithHelpAndTruncatesTheLogs) {
    RunDir dir;
    dir.write("log/kmax.log", "old text");
    dir.write("log/communities.log", "#Number; Size;\n1 2 3 4 5\n");
    auto r = dir.run({});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "ERROR: '-input' parameter is required\n\n" + kHelp);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(dir.files(), e2e::logFiles());
    for (const auto& log : e2e::logFiles()) EXPECT_EQ(dir.read(log), "") << log;
}

// The option words the parser accepts, read from its source (the option table's entries and
// the words compared with directly): an option added later is found here without anyone
// listing it.
std::set<std::string> optionWordsOfTheParser() {
    std::set<std::string> words;
    const std::regex accepted(R"re((== |\{)"(--?[A-Za-z][A-Za-z-]*)")re");
    for (const char* file : {"parameters.cpp", "option_table.cpp"}) {
        std::ifstream source(e2e::sourceDir() / "driver" / file);
        const std::string text{std::istreambuf_iterator<char>(source),
                               std::istreambuf_iterator<char>()};
        for (auto at = std::sregex_iterator(text.begin(), text.end(), accepted);
             at != std::sregex_iterator(); ++at)
            words.insert((*at)[2]);
    }
    return words;
}

// -h, -help and --help print the help, -version and --version the version, anywhere on the
// line as an option word, over any other error of the line; they run nothing else.
TEST(Options, HelpAndVersionWordsPrintAndRunNothing) {
    const std::string version = "quorvane " QUORVANE_VERSION "\n";
    struct Case {
        std::vector<std::string> args;
        std::string out;
    } cases[] = {
        {{"-h"}, kHelp},
        {{"-help"}, kHelp},
        {{"--help"}, kHelp},
        {{"-input", "net.txt", "-W", "abc", "-h"}, kHelp},
        {{"-bogus", "-help"}, kHelp},
        {{"-version"}, version},
        {{"--version", "-input", "net.txt"}, version},
    };
    for (const Case& c : cases) {
        RunDir dir;
        dir.copyExample("karate.txt", "net.txt");
        const e2e::Result r = dir.run(c.args);
        EXPECT_EQ(r.status, 0) << c.args[0];
        EXPECT_EQ(r.out, c.out) << c.args[0];
        EXPECT_EQ(r.err, "") << c.args[0];
        std::set<std::string> files = e2e::logFiles();
        files.insert("net.txt");
        EXPECT_EQ(dir.files(), files) << c.args[0];
    }
    EXPECT_EQ(version, "quorvane 1.0.0\n");
    EXPECT_EQ(kHelp.substr(0, kHelp.find('\n')),
              "Quorvane shows the structure of a network: its communities, found by greedy "
              "modularity agglomeration, and the k-core shells inside them, drawn as two "
              "pictures.");
    // Every option the parser accepts has its line in the help.
    const std::set<std::string> words = optionWordsOfTheParser();
    EXPECT_GE(words.size(), 31u);  // 26 options, the three help words and the two versions
    for (const std::string& word : words) {
        const std::regex line("(^|\n)([-a-z, ]*, )?" + word + "[ ,:]");
        EXPECT_TRUE(std::regex_search(kHelp, line)) << word << " has no line in the help";
    }
}

// -output names the scene files with the renderer's extension and the images .png.
TEST(Options, OutputNamesFollowTheRenderer) {
    for (const char* render : {"povray", "svg"}) {
        RunDir dir;
        dir.copyExample("karate.txt");
        const bool svg = std::string(render) == "svg";
        std::vector<std::string> args = {"-input", "karate.txt", "-output",
                                         "out",    "-render",    render};
        if (!svg) args.push_back("-nographic");  // POV-Ray takes its time; rsvg does not
        const e2e::Result r = dir.run(args);
        EXPECT_EQ(r.status, 0) << render << r.out;
        std::set<std::string> files = e2e::logFiles();
        files.insert({"karate.txt", svg ? "out1.svg" : "out1.pov", svg ? "out2.svg" : "out2.pov"});
        if (svg) files.insert({"out1.png", "out2.png"});
        EXPECT_EQ(dir.files(), files) << render;
        EXPECT_EQ(dir.read(svg ? "out1.svg" : "out1.pov").rfind(svg ? "<?xml" : "#include", 0), 0u)
            << render;
    }
}

// -render html writes one page named like the SVG scenes' stem (or -output's), renders
// nothing, and ignores -nographic; the configuration file may choose it too; -java with it
// is an option error.
TEST(Options, HtmlRenderingWritesOnePage) {
    const std::string progress =
        "\tBuilding graph...\n\tFinding communities...\n\tGenerating .html file...\nDone!\n";
    struct Case {
        std::vector<std::string> args;
        std::string config;
        std::string page;
    } cases[] = {
        {{"-render", "html"}, "", "karate_col_b_800x600.html"},
        {{"-render", "html", "-nographic", "-W", "1000"}, "", "karate_col_b_1000x600.html"},
        {{"-output", "club", "-render", "html"}, "", "club.html"},
        {{}, "render = html\n", "karate_col_b_800x600.html"},
    };
    for (const Case& c : cases) {
        RunDir dir;
        dir.copyExample("karate.txt");
        if (!c.config.empty()) dir.write("quorvane.cfg", c.config);
        std::vector<std::string> args = {"-input", "karate.txt"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const e2e::Result r = dir.run(args);
        EXPECT_EQ(r.status, 0) << c.page;
        EXPECT_EQ(r.out, progress) << c.page;
        std::set<std::string> files = e2e::logFiles();
        files.insert({"karate.txt", c.page});
        if (!c.config.empty()) files.insert("quorvane.cfg");
        EXPECT_EQ(dir.files(), files) << c.page;
        EXPECT_EQ(dir.read(c.page).rfind("<!DOCTYPE html>", 0), 0u) << c.page;
    }
    RunDir dir;
    const e2e::Result java = dir.run({"-input", "karate.txt", "-render", "html", "-java"});
    EXPECT_EQ(java.status, 1);
    EXPECT_EQ(java.out, "ERROR: '-java' cannot be used with '-render html'\n\n" + kHelp);
    const e2e::Result bad = dir.run({"-input", "karate.txt", "-render", "png"});
    EXPECT_EQ(bad.out,
              "ERROR: png is not a possible value for render. Possible values are "
              "'povray', 'svg' and 'html'.\n\n" +
                  kHelp);
}

TEST(Options, ErrorsStopBeforeTheInputIsTouched) {
    // The input is a FIFO with no writer: opening it for reading would block the run.
    struct Case {
        std::vector<std::string> args;
        std::string line;
    };
    const std::vector<Case> cases = {
        {{"-input", "net.txt", "-bogus"}, "ERROR: -bogus is not a valid parameter\n\n"},
        {{"-input", "net.txt", "-bckgnd", "grey"},
         "ERROR: grey is not a possible value for bckgnd. Possible values are 'white' and "
         "'black'.\n\n"},
        {{"-input", "net.txt", "-window", "1", "2"},
         "ERROR: '-window' parameter must be followed by four values: hstart hend vstart "
         "vend\n\n"},
        {{"-input", "net.txt", "-W", "abc"},
         "ERROR: '-W' parameter must be between 1 and 100000\n\n"},
        {{"-input", "net.txt", "-H", "1000000"},
         "ERROR: '-H' parameter must be between 1 and 100000\n\n"},
        {{"-input", "net.txt", "-font", "0.5"}, "ERROR: '-font' parameter must be at least 1\n\n"},
        {{"-input", "net.txt", "-u", "0"}, "ERROR: '-u' parameter must be greater than 0\n\n"},
        {{"-W", "5", "-input"},
         "ERROR: '-input' parameter must be followed by input file name\n\n"},
        {{"-nographic"}, "ERROR: '-input' parameter is required\n\n"},
    };
    for (const auto& c : cases) {
        RunDir dir;
        ASSERT_EQ(mkfifo((dir / "net.txt").c_str(), 0600), 0);
        auto r = dir.run(c.args, {}, 20);
        EXPECT_EQ(r.status, 1) << c.line;
        EXPECT_EQ(r.out, c.line + kHelp);
        EXPECT_EQ(r.err, "");
        auto files = dir.files();
        EXPECT_EQ(files, e2e::logFiles()) << c.line;
    }
}

TEST(Options, WithoutALogDirectoryNothingIsCreatedAndNothingSaid) {
    RunDir dir(false);
    auto r = dir.run({"-input"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "ERROR: '-input' parameter must be followed by input file name\n\n" + kHelp);
    EXPECT_TRUE(dir.files().empty());
    EXPECT_FALSE(dir.exists("log"));
}

TEST(Options, ConfigurationValuesAreCheckedAfterTheCommandLine) {
    RunDir dir;
    dir.write("quorvane.cfg", "width = 0\n");
    auto r = dir.run({"-input", "missing.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "ERROR: '-W' parameter must be between 1 and 100000\n\n" + kHelp);

    // The command line overrides the file, so the same file with -W 640 is fine.
    r = dir.run({"-input", "missing.txt", "-W", "640"});
    EXPECT_EQ(r.out, "ERROR: Input file missing.txt cannot be opened\n");

    // Without -input the missing-input error comes first, after the file was read.
    dir.write("quorvane.cfg", "u = 0\n");
    r = dir.run({"-W", "640"});
    EXPECT_EQ(r.out, "ERROR: '-input' parameter is required\n\n" + kHelp);
}

TEST(Input, AFileThatCannotBeOpenedIsAnErrorBeforeAnyProgress) {
    RunDir dir;
    std::filesystem::create_directory(dir / "adir");
    for (const std::string name : {"missing.txt", "adir", "no/such/dir/net.txt"}) {
        auto r = dir.run({"-input", name, "-nographic"});
        EXPECT_EQ(r.status, 1) << name;
        EXPECT_EQ(r.out, "ERROR: Input file " + name + " cannot be opened\n");
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(dir.files(), e2e::logFiles()) << name;
    }
}

}  // namespace

namespace {

TEST(Run, ProgressLinesOfACompleteRunWithoutRendering) {
    RunDir dir;
    dir.copyExample("karate.txt");
    auto r = dir.run({"-input", "karate.txt", "-nographic"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, e2e::progress(false, false));
    EXPECT_EQ(r.err, "");

    r = dir.run({"-input", "karate.txt", "-nographic", "-render", "svg"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, e2e::progress(true, false));
}

TEST(Run, ConfigurationFileChoosesTheRendererUnlessTheCommandLineDoes) {
    struct Case {
        std::string config;
        std::vector<std::string> extra;
        bool svg;
    };
    const std::vector<Case> cases = {
        {"render = svg\n", {}, true},
        {"render=svg\n", {}, true},
        {"render = svg\r\n", {}, true},
        {"  render   =   svg  \n", {}, true},
        {"render = svg # comment\n", {}, false},
        {"render = SVG\n", {}, false},
        {"renderer = svg\n", {}, false},
        {"render = svg\n", {"-render", "povray"}, false},
        {"render = povray\n", {"-render", "svg"}, true},
    };
    for (const auto& c : cases) {
        RunDir dir;
        dir.copyExample("karate.txt");
        dir.write("quorvane.cfg", c.config);
        std::vector<std::string> args = {"-input", "karate.txt", "-nographic"};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        auto r = dir.run(args);
        EXPECT_EQ(r.status, 0) << c.config;
        EXPECT_EQ(r.out, e2e::progress(c.svg, false)) << c.config;
    }
}

}  // namespace
