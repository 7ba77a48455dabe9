// The run at a terminal: the status line on a pseudo-terminal, the screen it leaves, the
// ERROR line said again after the help; and the hints of mistyped commands.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "driver/parameters.h"
#include "e2e/harness.h"

namespace {

using e2e::RunDir;

// What the program wrote to a pseudo-terminal as its standard output, and its status.
struct TerminalRun {
    std::string bytes;
    int status = -1;
};

TerminalRun runOnTerminal(const RunDir& dir, const std::vector<std::string>& args) {
    int master = -1, slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return {};
    std::vector<std::string> words = {e2e::binary()};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        close(master);
        dup2(slave, STDOUT_FILENO);
        const int null = ::open("/dev/null", O_RDWR);
        dup2(null, STDIN_FILENO);
        dup2(null, STDERR_FILENO);
        if (chdir(dir.path().c_str()) != 0) _exit(127);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(slave);
    TerminalRun run;
    char buffer[65536];
    for (;;) {
        pollfd fd{master, POLLIN, 0};
        if (poll(&fd, 1, 120000) <= 0) break;
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0) break;  // EIO once the program is gone
        run.bytes.append(buffer, static_cast<std::size_t>(n));
    }
    close(master);
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// The screen a terminal shows after those bytes: a carriage return goes to the line's start,
// ESC [K erases to its end, a line feed ends it (the terminal turns it into CR LF).
std::string screenOf(const std::string& bytes) {
    std::vector<std::string> lines(1);
    std::size_t column = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        std::string& line = lines.back();
        if (c == '\r') {
            column = 0;
        } else if (c == '\n') {
            lines.emplace_back();
            column = 0;
        } else if (c == '\033' && bytes.compare(i, 3, "\033[K") == 0) {
            line.resize(std::min(line.size(), column));
            i += 2;
        } else {
            if (column < line.size())
                line[column] = c;
            else
                line += c;
            ++column;
        }
    }
    std::string screen;
    for (std::size_t k = 0; k < lines.size(); ++k)
        screen += lines[k] + (k + 1 < lines.size() ? "\n" : "");
    return screen;
}

std::string network(int vertices) {
    std::string text;
    std::uint64_t state = 3;
    for (int v = 0; v < vertices; ++v)
        for (int k = 0; k < 5; ++k) {
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            text += std::to_string(v) + " " +
                    std::to_string(k < 4 ? v / 25 * 25 + int(state >> 33) % 25
                                         : int(state >> 33) % vertices) +
                    "\n";
        }
    return text;
}

// The status line shows while a stage runs and is gone before every line the run prints, so
// the screen at the end is what a pipe receives; -progress off writes the pipe's bytes.
TEST(Terminal, StatusLineLeavesTheScreenAsThePipeHasIt) {
    RunDir dir;
    dir.write("net.txt", network(20000));
    const std::vector<std::string> args = {"-input", "net.txt", "-render", "svg",
                                           "-style", "clear",   "-output", "out"};
    const e2e::Result piped = dir.run(args);
    ASSERT_EQ(piped.status, 0) << piped.out;
    const TerminalRun shown = runOnTerminal(dir, args);
    ASSERT_EQ(shown.status, 0) << shown.bytes;
    EXPECT_NE(shown.bytes.find("\033[K"), std::string::npos);
    for (const char* stage : {"Reading", "Merging communities", "Laying out",
                              "Writing the vertex scene", "Rendering the vertex picture"})
        EXPECT_NE(shown.bytes.find(stage), std::string::npos) << stage;
    std::string expected = piped.out;
    if (!expected.empty() && expected.back() == '\n') expected.pop_back();
    std::string screen = screenOf(shown.bytes);
    if (!screen.empty() && screen.back() == '\n') screen.pop_back();
    EXPECT_EQ(screen, expected);

    std::vector<std::string> quiet = args;
    quiet.insert(quiet.end(), {"-progress", "off", "-nographic"});
    const TerminalRun off = runOnTerminal(dir, quiet);
    EXPECT_EQ(off.bytes.find('\033'), std::string::npos);
    EXPECT_EQ(off.bytes.find("Reading"), std::string::npos);
}

// On a terminal an option error's line comes again after the help, last on the screen; a
// pipe gets it once.
TEST(Terminal, OptionErrorIsSaidAgainAfterTheHelp) {
    RunDir dir;
    const std::string line = "ERROR: -imput is not a valid parameter (did you mean -input?)\n";
    const TerminalRun shown = runOnTerminal(dir, {"-imput", "net.txt"});
    EXPECT_EQ(shown.status, 1);
    const std::string screen = screenOf(shown.bytes);
    EXPECT_EQ(screen, line + "\n" + Parameters::helpText() + line);
    EXPECT_EQ(dir.run({"-imput", "net.txt"}).out, line + "\n" + Parameters::helpText());
}

// Mistyped commands get the way out on their ERROR line; the long forms are the options.
TEST(Terminal, MistypedCommandsNameWhatWasMeant) {
    struct Case {
        std::vector<std::string> args;
        std::string error;  // the ERROR line, or "" for a complete run
    };
    const std::vector<Case> cases = {
        {{"-imput", "karate.txt"}, "-imput is not a valid parameter (did you mean -input?)"},
        {{"karate.txt"}, "karate.txt is not a valid parameter (did you mean -input karate.txt?)"},
        {{"-input", "karate.txt", "-wieghted"},
         "-wieghted is not a valid parameter (did you mean -weighted?)"},
        {{"-input", "karate.txt", "-nograhpic"},
         "-nograhpic is not a valid parameter (did you mean -nographic?)"},
        {{"-input", "karate.txt", "-Render", "svg"},
         "-Render is not a valid parameter (did you mean -render?)"},
        {{"-input", "karate.txt", "-zzzz"}, "-zzzz is not a valid parameter"},
        {{"-input", "karate.txt", "--nographic=yes"},
         "--nographic=yes is not a valid parameter (-nographic takes no value)"},
        {{"--input", "karate.txt", "--nographic", "--output=out", "--W=300"}, ""},
        {{"--input=karate.txt", "-nographic", "--names=names.txt", "--render", "svg"}, ""},
        {{"--input=karate.txt", "--render=pdf"},
         "pdf is not a possible value for render. Possible values are 'povray', 'svg' and "
         "'html'."},
    };
    for (const Case& c : cases) {
        RunDir dir;
        dir.copyExample("karate.txt");
        dir.write("names.txt", "0 zero\n");
        const e2e::Result r = dir.run(c.args);
        if (c.error.empty()) {
            EXPECT_EQ(r.status, 0) << c.args[0] << r.out;
            continue;
        }
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "ERROR: " + c.error + "\n\n" + Parameters::helpText());
    }
}

}  // namespace

namespace {

// One community is "1 community"; when every label fits, the labels line says no more.
TEST(Terminal, WordingOfOneCommunityAndOfEveryLabelDrawn) {
    RunDir dir;
    dir.write("two.txt", "0 1\n");
    const e2e::Result r =
        dir.run({"-input", "two.txt", "-names", "-nographic", "-export", "csv", "-output", "t"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\tLabels: 2 of 2 drawn\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" 1 community, Q = "), std::string::npos) << r.out;
}

}  // namespace
