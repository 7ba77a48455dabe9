// What the run writes and what it reads, tried as an attacker would: links and files planted
// at the names it writes, outputs named like its inputs, runs interrupted midway, special
// files as inputs, and numbers that would reach an output as nan or inf.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "driver/parameters.h"
#include "e2e/harness.h"

namespace {

using e2e::RunDir;
namespace fs = std::filesystem;

constexpr int kTimeout = 120;

// Files whose name starts with a dot: the run's temporaries (only those of the scenes, the
// page and the exports, beside the logs' folder, when `logs` is false).
std::vector<std::string> temporaries(const RunDir& dir, bool logs = true) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(dir.path()))
        if (entry.path().filename().string()[0] == '.' &&
            (logs || entry.path().parent_path() == dir.path()))
            names.push_back(entry.path().string());
    return names;
}

// A link or a file planted at a name the run writes (or used to write) is never followed
// or truncated: the file it points to keeps its bytes, and the run completes.
TEST(PlantedNames, LinksAndFilesAtWrittenNamesAreNotFollowed) {
    struct Case {
        const char* what;
        std::vector<std::string> args;
        std::string planted;  // a link to the victim file at this name
    };
    const std::vector<Case> cases = {
        {"export temporary", {"-export", "csv", "-output", "out"}, "out_vertices.csv.partial"},
        {"page temporary", {"-render", "html", "-output", "out"}, "out.html.partial"},
        {"scene temporary", {"-output", "out"}, "out1.pov.partial"},
        {"scene", {"-output", "out"}, "out2.pov"},
        {"export", {"-export", "gexf", "-output", "out"}, "out.gexf"},
        {"log", {}, "log/kmax.log"},
        {"communities log", {}, "log/communities.log"},
    };
    for (const Case& c : cases) {
        RunDir dir;
        dir.copyExample("karate.txt");
        dir.write("victim.txt", "keep me\n");
        fs::create_symlink(dir.path() / "victim.txt", dir / c.planted);
        std::vector<std::string> args = {"-input", "karate.txt", "-nographic"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const e2e::Result r = dir.run(args, {}, kTimeout);
        EXPECT_EQ(r.status, 0) << c.what << r.out;
        EXPECT_EQ(dir.read("victim.txt"), "keep me\n") << c.what;
        EXPECT_TRUE(temporaries(dir).empty()) << c.what;
    }
}

// The renderers' log of -logfile is created anew by the run, never through a planted link.
TEST(PlantedNames, RendererLogIsNotWrittenThroughALink) {
    RunDir dir;
    dir.copyExample("karate.txt");
    dir.write("victim.txt", "keep me\n");
    fs::create_symlink("../victim.txt", dir / "log" / "povray.log");
    const e2e::Result r =
        dir.run({"-input", "karate.txt", "-render", "svg", "-logfile"}, {}, kTimeout);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(dir.read("victim.txt"), "keep me\n");
    EXPECT_FALSE(fs::is_symlink(dir / "log" / "povray.log"));
}

// No file the run writes may replace a file it reads: one ERROR line before anything is
// read or written, every file as it was.
TEST(ReadFilesKept, OutputsNamedLikeInputsAreRefused) {
    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    const std::vector<Case> cases = {
        {{"-input", "karate.txt", "-partition", "out1.pov", "-output", "out"},
         "Scene file out1.pov would overwrite the partition file"},
        {{"-input", "karate.txt", "-render", "html", "-names", "out.html", "-output", "out"},
         "Page file out.html would overwrite the names file"},
        {{"-input", "karate.txt", "-export", "csv", "-output", "quorvane.cfg-like", "-names",
          "quorvane.cfg-like_links.csv"},
         "Export file quorvane.cfg-like_links.csv would overwrite the names file"},
        {{"-input", "out1.png", "-output", "out"},
         "Image file out1.png would overwrite the input file"},
        {{"-input", "log/communities.log"},
         "Log file log/communities.log would overwrite the input file"},
        {{"-input", "karate.txt", "-names", "log/kmin.log"},
         "Log file log/kmin.log would overwrite the names file"},
        {{"-input", "karate.txt", "-render", "svg", "-logfile", "-partition", "log/povray.log"},
         "Log file log/povray.log would overwrite the partition file"},
        {{"-input", "karate.txt", "-output", "quorvane.cfg", "-export", "csv"},
         "Export file quorvane.cfg_summary.json would overwrite the configuration file"},
    };
    for (const Case& c : cases) {
        RunDir dir;
        dir.copyExample("karate.txt");
        // Every file a case may read, so that each exists; the last case's configuration
        // file is a hard link of the summary's name.
        for (const char* name : {"out1.pov", "out.html", "quorvane.cfg-like_links.csv", "out1.png"})
            dir.write(name, "0 a\n");
        dir.copyExample("karate.txt", "log/communities.log");
        dir.write("log/kmin.log", "0 a\n");
        dir.write("log/povray.log", "0 a\n");
        dir.write("quorvane.cfg", "W = 800\n");
        if (c.error.find("configuration") != std::string::npos)
            fs::create_hard_link(dir / "quorvane.cfg", dir / "quorvane.cfg_summary.json");
        const std::set<std::string> before = dir.files();
        std::vector<std::string> contents;
        for (const std::string& name : before) contents.push_back(dir.read(name));

        const e2e::Result r = dir.run(c.args, {}, kTimeout);
        EXPECT_EQ(r.status, 1) << c.error;
        EXPECT_EQ(r.out, "ERROR: " + c.error + "\n");
        EXPECT_EQ(r.err, "");
        // The logs are emptied at start-up unless one of them is the file in question.
        const bool logRefused =
            c.error.starts_with("Log file") && c.error.find("povray") == std::string::npos;
        std::set<std::string> after = before;
        if (!logRefused) after.insert(e2e::logFiles().begin(), e2e::logFiles().end());
        EXPECT_EQ(dir.files(), after) << c.error;
        std::size_t k = 0;
        for (const std::string& name : before) {
            if (logRefused || !name.starts_with("log/")) {
                EXPECT_EQ(dir.read(name), contents[k]) << name;
            }
            ++k;
        }
    }
}

// ---- runs ended by a signal ----

// A network whose scenes take a while to write: blocks of 40 with one edge outside each.
std::string slowNetwork(int vertices) {
    std::string text;
    std::uint64_t state = 11;
    for (int v = 0; v < vertices; ++v) {
        for (int k = 0; k < 4; ++k) {
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            text += std::to_string(v) + " " + std::to_string(v / 40 * 40 + int(state >> 33) % 40) +
                    "\n";
        }
        text += std::to_string(v) + " " + std::to_string((v * 7919) % vertices) + "\n";
    }
    return text;
}

// Starts the run, waits until the first temporary file of its outputs appears, sends the signal and
// waits for the end. The wait status, or -1 when the run ended before any temporary was seen.
int interrupt(const RunDir& dir, const std::vector<std::string>& args, int signal) {
    std::vector<std::string> words = {e2e::binary()};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        if (chdir(dir.path().c_str()) != 0) _exit(127);
        execv(argv[0], argv.data());
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kTimeout);
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        if (waitpid(pid, &status, WNOHANG) == pid) return -1;
        if (!temporaries(dir, false).empty()) {
            kill(pid, signal);
            waitpid(pid, &status, 0);
            return status;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

// Ctrl-C, a kill or a hang-up while the scenes or the page are written: the earlier files
// stay as they were, the temporaries go, and the run ends as the signal ends a process.
// After SIGKILL nothing can be removed, but no final name holds a cut file.
TEST(InterruptedRuns, EarlierFilesStayAndTemporariesGo) {
    struct Case {
        int signal;
        std::vector<std::string> args;
        std::vector<std::string> earlier;
    };
    const std::vector<Case> cases = {
        {SIGINT, {"-render", "svg"}, {"out1.svg", "out2.svg"}},
        {SIGTERM, {}, {"out1.pov", "out2.pov"}},
        {SIGHUP, {"-render", "html"}, {"out.html"}},
        {SIGKILL, {"-render", "svg"}, {"out1.svg", "out2.svg"}},
    };
    RunDir network;
    network.write("net.txt", slowNetwork(150000));
    for (const Case& c : cases) {
        RunDir dir;
        fs::copy_file(network / "net.txt", dir / "net.txt");
        for (const std::string& name : c.earlier) dir.write(name, "earlier " + name);
        std::vector<std::string> args = {"-input",       "net.txt", "-output",   "out",
                                         "-communities", "leiden",  "-nographic"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const int status = interrupt(dir, args, c.signal);
        ASSERT_NE(status, -1) << "the run ended before it wrote a file, signal " << c.signal;
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.signal) << status;
        for (const std::string& name : c.earlier)
            EXPECT_EQ(dir.read(name), "earlier " + name) << c.signal;
        if (c.signal != SIGKILL) {
            EXPECT_TRUE(temporaries(dir).empty()) << c.signal;
        }
    }
}

// ---- special files and empty names ----

TEST(SpecialFiles, EndlessFifoAndHugeFilesAreRefused) {
    struct Case {
        const char* what;
        std::vector<std::string> args;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"endless names file", {"-names", "/dev/zero"}, "ERROR: /dev/zero:1: '\\x00\\x00"},
        {"configuration FIFO",
         {},
         "ERROR: Configuration file quorvane.cfg is not a regular file\n"},
        {"configuration device",
         {},
         "ERROR: Configuration file quorvane.cfg is not a regular file\n"},
        {"large configuration",
         {},
         "ERROR: Configuration file quorvane.cfg is larger than 1 MiB\n"},
        {"configuration directory", {}, ""},
        {"empty names file name",
         {"-names", ""},
         "ERROR: '-names' file name must not be empty\n\n"},
        {"empty partition name",
         {"-partition", ""},
         "ERROR: '-partition' parameter must be followed by partition file name\n\n"},
    };
    for (const Case& c : cases) {
        RunDir dir;
        dir.copyExample("karate.txt");
        const std::string what = c.what;
        if (what == "configuration FIFO") {
            ASSERT_EQ(mkfifo((dir / "quorvane.cfg").c_str(), 0600), 0);
        }
        if (what == "configuration device") fs::create_symlink("/dev/zero", dir / "quorvane.cfg");
        if (what == "large configuration")
            dir.write("quorvane.cfg", std::string(kLargestConfiguration, '#') + "\n");
        if (what == "configuration directory") fs::create_directory(dir / "quorvane.cfg");
        std::vector<std::string> args = {"-input", "karate.txt", "-nographic"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const e2e::Result r = dir.run(args, {}, kTimeout);
        EXPECT_EQ(r.status, c.error.empty() ? 0 : 1) << c.what;
        EXPECT_EQ(r.err, "") << c.what;
        if (c.error.empty()) continue;
        // The configuration is read before the options, so its errors come without the help.
        const std::string expected =
            c.error.ends_with("\n\n") ? c.error + Parameters::helpText() : c.error;
        if (what == "endless names file") {
            // The message shows the first bytes of the token, escaped.
            EXPECT_NE(r.out.find("\n" + c.error), std::string::npos) << r.out;
            EXPECT_TRUE(r.out.ends_with("...' is not a valid vertex id\n")) << r.out;
            EXPECT_LT(r.peakKilobytes, 200 * 1024) << "memory grows with the stream";
        } else {
            EXPECT_EQ(r.out, expected) << c.what;
        }
    }
}

// A UTF-8 byte order mark before the first record of every text file the run reads.
TEST(SpecialFiles, ByteOrderMarksAreSkipped) {
    const std::string bom = "\xEF\xBB\xBF";
    RunDir dir;
    dir.copyExample("karate.txt");
    dir.write("names.txt", bom + "0 Zero\n1 One\n");
    dir.write("part.txt", bom + "0 a\n1 a\n");
    dir.write("quorvane.cfg", bom + "render = svg\n");
    const e2e::Result r = dir.run({"-input", "karate.txt", "-names", "names.txt", "-partition",
                                   "part.txt", "-nographic", "-export", "csv", "-output", "out"},
                                  {}, kTimeout);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(dir.exists("out1.svg")) << "the configuration's first key was read";
    const std::string table = dir.read("out_vertices.csv");
    EXPECT_NE(table.find("\n0,Zero,1,"), std::string::npos) << table.substr(0, 200);
    EXPECT_NE(table.find("\n1,One,1,"), std::string::npos) << table.substr(0, 200);
}

// ---- numbers that would reach an output ----

TEST(NumberOptions, ValuesThatWouldGiveNanOrInfAreRefused) {
    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    const std::vector<Case> cases = {
        {{"-communities", "leiden", "-resolution", "4.9e-324"},
         "'-resolution' parameter must be a number greater than 0"},
        {{"-communities", "leiden", "-resolution", "1e7"},
         "'-resolution' parameter must be at most 1000000"},
        {{"-u", "1e38"}, "'-u' parameter must be at most 1000000"},
        {{"-u", "0"}, "'-u' parameter must be greater than 0"},
        {{"-opacity", "1e300"}, "'-opacity' parameter must be between 0 and 1"},
        {{"-opacity", "-0.5"}, "'-opacity' parameter must be between 0 and 1"},
        {{"-font", "1e30"}, "'-font' parameter must be at most 1000"},
        {{"-font", "0.5"}, "'-font' parameter must be at least 1"},
        {{"-window", "0", "1e30", "0", "1"}, "'-window' values must be between -1000 and 1000"},
        {{"-edges", "1e999"}, "'-edges' parameter must be a finite number"},
        {{"-W", "100001"}, "'-W' parameter must be between 1 and 100000"},
    };
    for (const Case& c : cases) {
        RunDir dir;
        dir.copyExample("karate.txt");
        std::vector<std::string> args = {"-input", "karate.txt", "-nographic"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const e2e::Result r = dir.run(args, {}, kTimeout);
        EXPECT_EQ(r.status, 1) << c.error;
        EXPECT_EQ(r.out, "ERROR: " + c.error + "\n\n" + Parameters::helpText());
    }
    // The same from the configuration file, which no longer takes them silently.
    RunDir dir;
    dir.copyExample("karate.txt");
    dir.write("quorvane.cfg", "opacity = 1e300\n");
    const e2e::Result r = dir.run({"-input", "karate.txt", "-nographic"}, {}, kTimeout);
    EXPECT_EQ(r.out,
              "ERROR: '-opacity' parameter must be between 0 and 1\n\n" + Parameters::helpText());
}

// At the edges of every range, no scene, page or export holds nan or inf as a number.
TEST(NumberOptions, ExtremeValuesKeepEveryOutputFinite) {
    const std::vector<std::vector<std::string>> cases = {
        {"-u", "1000000", "-font", "1000", "-window", "-1000", "1000", "-1000", "1000"},
        {"-u", "1e-30", "-W", "1", "-H", "100000", "-opacity", "0", "-edges", "1e30"},
        {"-communities", "leiden", "-resolution", "1e6", "-names"},
        {"-communities", "leiden", "-resolution", "2.3e-308", "-minEdges", "-2147483648"},
    };
    const std::regex notFinite(R"re((^|[^A-Za-z_])-?(nan|inf)([^A-Za-z_]|$))re",
                               std::regex::icase | std::regex::multiline);
    for (const auto& extra : cases) {
        for (const char* render : {"povray", "svg", "html"}) {
            RunDir dir;
            dir.copyExample("karate.txt");
            std::vector<std::string> args = {"-input",   "karate.txt", "-nographic",
                                             "-render",  render,       "-export",
                                             "csv,gexf", "-output",    "x"};
            args.insert(args.end(), extra.begin(), extra.end());
            const e2e::Result r = dir.run(args, {}, kTimeout);
            EXPECT_EQ(r.status, 0) << r.out;
            for (const std::string& name : dir.files()) {
                if (name.starts_with("log/") || name == "karate.txt") continue;
                const std::string text = dir.read(name);
                // The page's own script names Infinity and NaN; its data block must not.
                const std::size_t data = text.find("id=\"quorvane-data\"");
                const std::string checked =
                    name.ends_with(".html") && data != std::string::npos
                        ? text.substr(data, text.find("</script>", data) - data)
                        : text;
                EXPECT_FALSE(std::regex_search(checked, notFinite)) << name << " " << extra[1];
            }
        }
    }
}

// More threads than cores are never started: the summary says how many a stage may use.
TEST(NumberOptions, ThreadsNeverExceedTheCores) {
    RunDir dir;
    dir.copyExample("karate.txt");
    const e2e::Result r = dir.run({"-input", "karate.txt", "-nographic", "-communities", "leiden",
                                   "-threads", "65536", "-export", "csv", "-output", "t"},
                                  {}, kTimeout);
    EXPECT_EQ(r.status, 0) << r.out;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    EXPECT_NE(dir.read("t_summary.json").find("\"threads\": " + std::to_string(cores)),
              std::string::npos);
}

}  // namespace
