#include "driver/povray_renderer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

namespace {

namespace fs = std::filesystem;

const char* const kUnixHome = "/home/x";
const char* const kWindowsHome = "C:\\Users\\x";

TEST(RendererMessages, ExactTexts) {
    EXPECT_STREQ(kPovrayError,
                 "ERROR: Error rendering image. Verify povray is installed in your system and "
                 "the bin directory of the povray installation path is in the PATH environment "
                 "variable.\n");
    EXPECT_STREQ(kViewerError,
                 "ERROR: Error displaying image. Verify java is installed in your system.\n");
}

TEST(ShellWord, SafeNamesStayAsTheyAreOthersAreSingleQuoted) {
    struct Case {
        std::string word, expected;
    } cases[] = {
        {"karate_col_b_800x6001.pov", "karate_col_b_800x6001.pov"},
        {"dir/sub.dir/a+b,c:d@e%f=g-h.png", "dir/sub.dir/a+b,c:d@e%f=g-h.png"},
        {"my scene1.pov", "'my scene1.pov'"},
        {"$HOME.png", "'$HOME.png'"},
        {"a;rm -rf x", "'a;rm -rf x'"},
        {"it's.pov", "'it'\\''s.pov'"},
        {"''", "''\\'''\\'''"},
        {"`id`", "'`id`'"},
        {"a\"b", "'a\"b'"},
        {"a\\b", "'a\\b'"},
        {"tab\there", "'tab\there'"},
        {"line\nbreak", "'line\nbreak'"},
        {"red*?[x]~!#&|<>(){}", "'red*?[x]~!#&|<>(){}'"},
        {"\xc3\xa4.png", "'\xc3\xa4.png'"},
        {"", "''"},
    };
    for (const Case& c : cases) EXPECT_EQ(shellWord(c.word), c.expected) << c.word;
}

TEST(FileArgument, OnlyALeadingDashGetsTheCurrentDirectoryInFront) {
    EXPECT_EQ(fileArgument("-x.pov"), "./-x.pov");
    EXPECT_EQ(fileArgument("-"), "./-");
    EXPECT_EQ(fileArgument("--help"), "./--help");
    EXPECT_EQ(fileArgument("a-b.pov"), "a-b.pov");
    EXPECT_EQ(fileArgument("/tmp/-x.pov"), "/tmp/-x.pov");
    EXPECT_EQ(fileArgument("dir/-x.pov"), "dir/-x.pov");
    EXPECT_EQ(fileArgument(""), "");
}

TEST(PovrayFileOption, NamesPovRayWouldSplitAreDoubleQuotedInsideTheOption) {
    struct Case {
        std::string name, expected;
    } cases[] = {
        {"karate.pov", "+Ikarate.pov"},
        {"-x.pov", "+I./-x.pov"},
        {"my scene1.pov", "'+I\"my scene1.pov\"'"},
        {"-my scene.pov", "'+I\"./-my scene.pov\"'"},
        {"a=b.pov", "'+I\"a=b.pov\"'"},
        {"a;b.pov", "'+I\"a;b.pov\"'"},
        {"it's $x.pov", "'+I\"it'\\''s $x.pov\"'"},
        {"a#b[1].pov", "'+I\"a#b[1].pov\"'"},
    };
    for (const Case& c : cases) EXPECT_EQ(povrayFileOption("+I", c.name), c.expected) << c.name;
    EXPECT_EQ(povrayFileOption("+O", "my image.png"), "'+O\"my image.png\"'");
}

TEST(Platform, HomeDecidesUnixLikeUnsetAndEmptyCountAsUnix) {
    EXPECT_TRUE(isUnixLike("/root"));
    EXPECT_TRUE(isUnixLike("/"));
    EXPECT_TRUE(isUnixLike(nullptr));
    EXPECT_TRUE(isUnixLike(""));
    EXPECT_FALSE(isUnixLike("C:\\Users\\x"));
    EXPECT_FALSE(isUnixLike("home/x"));
    EXPECT_FALSE(isUnixLike("\\\\server\\x"));
    EXPECT_EQ(nullDevice(true), "/dev/null");
    EXPECT_EQ(nullDevice(false), "nul");
}

TEST(FixedSix, WritesSixDecimalsOfTheWidenedFloatWhateverItsSize) {
    EXPECT_EQ(fixedSix(0.0f), "0.000000");
    EXPECT_EQ(fixedSix(0.1f), "0.100000");
    EXPECT_EQ(fixedSix(-1.5f), "-1.500000");
    EXPECT_EQ(fixedSix(1e20f), "100000002004087734272.000000");
    EXPECT_EQ(fixedSix(-3.4028235e38f).size(), 47u);
}

// The command lines, each against the text it must be exactly.
TEST(PovrayCommand, ExactLinesForEachPlatformAndLogSetting) {
    const std::string scene = "karate_col_b_800x6001.pov";
    const std::string image = "karate_col_b_800x600_1_POV.png";
    const std::string names = "+Ikarate_col_b_800x6001.pov +Okarate_col_b_800x600_1_POV.png ";
    const std::string defaults =
        names + "+W800 +H600 +Q2 +SC0.000000 +EC1.000000 +SR0.000000 +ER1.000000 ";
    RenderOptions plain;
    RenderOptions logged;
    logged.logfile = true;
    RenderOptions window;
    window.hstart = 0.1f;
    window.hend = 0.2f;
    window.vstart = 0.3f;
    window.vend = 0.4f;
    window.width = 1024;
    window.height = 77;
    struct Case {
        const char* what;
        const RenderOptions& options;
        const char* home;
        std::string expected;
    } cases[] = {
        {"defaults", plain, "/root", "povray " + defaults + "-D +FN 2> /dev/null"},
        {"HOME unset", plain, nullptr, "povray " + defaults + "-D +FN 2> /dev/null"},
        {"logfile", logged, kUnixHome, "povray " + defaults + "-D +FN 2> log/povray.log"},
        {"window", window, kUnixHome,
         "povray " + names +
             "+W1024 +H77 +Q2 +SC0.300000 +EC0.400000 +SR0.100000 +ER0.200000 -D +FN 2> "
             "/dev/null"},
        {"Windows-like", plain, kWindowsHome, "pvengine " + defaults + "-D +FN /EXIT 2> nul"},
        {"Windows-like logfile", logged, kWindowsHome,
         "pvengine " + defaults + "-D /EXIT +FN 2> log/povray.log"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(povrayCommand(scene, image, c.options, c.home), c.expected) << c.what;
}

TEST(PovrayCommand, LongAndUnsafeNamesArriveWhole) {
    RenderOptions options;
    std::string scene(250, 's');
    std::string image = std::string(250, 'i') + ".png";
    std::string command = povrayCommand(scene + ".pov", image, options, kUnixHome);
    EXPECT_EQ(command, "povray +I" + scene + ".pov +O" + image +
                           " +W800 +H600 +Q2 +SC0.000000 +EC1.000000 +SR0.000000 +ER1.000000 -D "
                           "+FN 2> /dev/null");
    EXPECT_EQ(povrayCommand("my $(id) scene1.pov", "-out 1.png", options, kUnixHome).substr(0, 52),
              "povray '+I\"my $(id) scene1.pov\"' '+O\"./-out 1.png\"' ");
}

TEST(ViewerCommand, ImageQuotedAndErrorsToTheNullDeviceWhateverTheLogSetting) {
    EXPECT_EQ(viewerCommand("karate_col_b_800x600_1_POV.png", kUnixHome),
              "java -jar visualizer.jar karate_col_b_800x600_1_POV.png 2> /dev/null");
    EXPECT_EQ(viewerCommand("k.png", nullptr), "java -jar visualizer.jar k.png 2> /dev/null");
    EXPECT_EQ(viewerCommand("k.png", kWindowsHome), "java -jar visualizer.jar k.png 2> nul");
    EXPECT_EQ(viewerCommand("my $x.png", kUnixHome),
              "java -jar visualizer.jar 'my $x.png' 2> /dev/null");
    EXPECT_EQ(viewerCommand("-k.png", kUnixHome), "java -jar visualizer.jar ./-k.png 2> /dev/null");
    EXPECT_EQ(viewerCommand("k.png", kUnixHome, "/tmp/e r"),
              "java -jar visualizer.jar k.png 2> '/tmp/e r'");
}

class OnPathTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "quorvane-path-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        fs::create_directories(dir_ / "bin");
        fs::create_directories(dir_ / "other");
    }
    void TearDown() override { fs::remove_all(dir_); }
    void file(const std::string& name, fs::perms permissions) {
        std::ofstream(dir_ / name) << "#!/bin/sh\n";
        fs::permissions(dir_ / name, permissions);
    }
    fs::path dir_;
};

TEST_F(OnPathTest, FindsOnlyExecutableRegularFiles) {
    file("bin/rsvg", fs::perms::owner_all);
    file("other/rsvg", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_directories(dir_ / "other/dir-rsvg/rsvg");
    std::string bin = (dir_ / "bin").string();
    std::string other = (dir_ / "other").string();
    EXPECT_TRUE(onPath("rsvg", bin.c_str()));
    EXPECT_TRUE(onPath("rsvg", (other + ":" + bin).c_str()));
    EXPECT_FALSE(onPath("rsvg", other.c_str()));                  // not executable
    EXPECT_FALSE(onPath("rsvg", (other + "/dir-rsvg").c_str()));  // a directory
    EXPECT_FALSE(onPath("rsvg-convert", bin.c_str()));
    EXPECT_FALSE(onPath("rsvg", ""));
    EXPECT_TRUE(onPath("sh", nullptr));  // the shell's default search path
}

TEST_F(OnPathTest, AnEmptyEntryIsTheCurrentDirectory) {
    file("bin/rsvg", fs::perms::owner_all);
    fs::path before = fs::current_path();
    fs::current_path(dir_ / "bin");
    bool leading = onPath("rsvg", ":/nonexistent");
    bool trailing = onPath("rsvg", "/nonexistent:");
    bool middle = onPath("rsvg", "/nonexistent::/nonexistent");
    bool none = onPath("rsvg", "/nonexistent");
    fs::current_path(before);
    EXPECT_TRUE(leading);
    EXPECT_TRUE(trailing);
    EXPECT_TRUE(middle);
    EXPECT_FALSE(none);
}

TEST(RunCommand, SucceedsOnlyOnExitStatusZero) {
    EXPECT_TRUE(runCommand("exit 0"));
    EXPECT_FALSE(runCommand("exit 1"));
    EXPECT_FALSE(runCommand("exit 255"));
    EXPECT_FALSE(runCommand("kill -9 $$"));
    EXPECT_FALSE(runCommand("/nonexistent/program 2> /dev/null"));
}

struct ChildOutput {
    bool succeeded = false;  // exited with status 0
    std::string out, err;
};

std::string drain(int fd) {
    std::string text;
    char buffer[256];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, n);
    close(fd);
    return text;
}

// Runs body in a child process whose standard output and error are pipes (so fully
// buffered, as when the program's output goes to a file); body's result is the exit status.
template <class Body>
ChildOutput inChild(Body body) {
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) return {};
    pid_t child = fork();
    if (child < 0) return {};
    if (child == 0) {
        close(out[0]);
        close(err[0]);
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        _exit(body() ? 0 : 1);
    }
    close(out[1]);
    close(err[1]);
    ChildOutput result;
    result.err = drain(err[0]);  // the child writes little: no pipe fills up meanwhile
    result.out = drain(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    result.succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return result;
}

TEST(RunCommand, FlushesStandardOutputFirst) {
    ChildOutput child = inChild([] {
        std::cout << "before\n";
        std::printf("printf before\n");
        bool ran = runCommand("echo during");
        std::cout << "after\n" << std::flush;
        return ran;
    });
    EXPECT_TRUE(child.succeeded);
    EXPECT_EQ(child.out, "before\nprintf before\nduring\nafter\n");
}

TEST(RunCommand, TheInterpretersOwnComplaintsStayOffStandardError) {
    ChildOutput child = inChild([] {
        bool missingDir = runCommand("true 2> /nonexistent/dir/povray.log");
        bool missingProgram = runCommand("/nonexistent/program");
        return !missingDir && !missingProgram;
    });
    EXPECT_TRUE(child.succeeded);
    EXPECT_EQ(child.out, "");
    EXPECT_EQ(child.err, "");
}

}  // namespace
