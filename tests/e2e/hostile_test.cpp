// Hostile input through a whole run: malformed, huge and odd files, and file names made to
// break a careless program. Each case ends in a correct run or in one "ERROR:" line with
// status 1, never in a crash, a hang, a word on standard error or a stray file.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "e2e/harness.h"

namespace {

using e2e::RunDir;

// Generous for the sanitizer build; a hang shows as status -1.
constexpr int kTimeout = 120;

// The logs and the given files, nothing else.
std::set<std::string> logsAnd(std::initializer_list<std::string> names) {
    std::set<std::string> files = e2e::logFiles();
    files.insert(names.begin(), names.end());
    return files;
}

// The scene (and, when rendered, image) names a run derives from an input name ending in
// ".txt", with the default options ("_names" follows when a names file is read).
std::set<std::string> derivedFiles(const std::string& input, bool svg, bool images,
                                   const std::string& tag = "") {
    const std::string stem = input.substr(0, input.size() - 4) + "_col_b_800x600" + tag;
    std::set<std::string> files = logsAnd({input});
    for (const char* n : {"1", "2"}) {
        files.insert(svg ? stem + "_" + n + ".svg" : stem + n + ".pov");
        if (images) files.insert(svg ? stem + "_" + n + "_SVG.png" : stem + n + ".png");
    }
    return files;
}

const std::string kBuilding = "\tBuilding graph...\n";

TEST(HostileInput, OddContentIsReadOrReportedOnOneLine) {
    struct Case {
        const char* what;
        std::string text;
        std::string error;  // empty: a complete run
    };
    const std::string bom = "\xEF\xBB\xBF";
    const std::vector<Case> cases = {
        {"NUL inside a line", std::string("0 1\n1 2\0 3\n", 11),
         "ERROR: in.txt:2: '2\\x00' is not a valid vertex id\n"},
        {"NUL between tokens", std::string("0 1\n1 \0 3\n", 10),
         "ERROR: in.txt:2: '\\x00' is not a valid vertex id\n"},
        {"largest id", "2147483647 0\n0 1\n", ""},
        {"largest id with leading zeros", "0002147483647 0\n", ""},
        {"id past the largest", "0 1\n2147483648 0\n",
         "ERROR: in.txt:2: '2147483648' is not a valid vertex id\n"},
        {"id past 32 bits", "4294967296 1\n",
         "ERROR: in.txt:1: '4294967296' is not a valid vertex id\n"},
        {"minus zero", "-0 1\n", "ERROR: in.txt:1: '-0' is not a valid vertex id\n"},
        {"plus sign", "0 1\n1 +5\n", "ERROR: in.txt:2: '+5' is not a valid vertex id\n"},
        {"exponent", "1e3 2\n", "ERROR: in.txt:1: '1e3' is not a valid vertex id\n"},
        {"hexadecimal", "1 0x10\n", "ERROR: in.txt:1: '0x10' is not a valid vertex id\n"},
        {"exponent as weight", "1 2 1e3\n2 3 0x10\n",
         "ERROR: in.txt:2: '0x10' is not a valid weight\n"},
        {"byte order mark", bom + "0 1\n1 2\n", ""},
        {"byte order mark before a comment", bom + "# header\n0 1\n", ""},
        {"byte order mark after the start", "0 1\n" + bom + "1 2\n",
         "ERROR: in.txt:2: '\\xEF\\xBB\\xBF1' is not a valid vertex id\n"},
        {"empty file", "", "ERROR: Input file in.txt contains no edges\n"},
        {"only comments", "# one\n% two\n  # three\n\n",
         "ERROR: Input file in.txt contains no edges\n"},
        {"only a byte order mark", bom, "ERROR: Input file in.txt contains no edges\n"},
        {"escape sequence", "0 1\n\x1b[2J 1\n",
         "ERROR: in.txt:2: '\\x1B[2J' is not a valid vertex id\n"},
    };
    for (const Case& c : cases) {
        RunDir dir;
        dir.write("in.txt", c.text);
        const e2e::Result r = dir.run({"-input", "in.txt", "-nographic"}, {}, kTimeout);
        if (c.error.empty()) {
            EXPECT_EQ(r.status, 0) << c.what;
            EXPECT_EQ(r.out, e2e::progress()) << c.what;
        } else {
            EXPECT_EQ(r.status, 1) << c.what;
            EXPECT_EQ(r.out, kBuilding + c.error) << c.what;
        }
        EXPECT_EQ(r.err, "") << c.what;
        EXPECT_EQ(dir.files(),
                  c.error.empty() ? derivedFiles("in.txt", false, false) : logsAnd({"in.txt"}))
            << c.what;
    }
}

TEST(HostileInput, BinaryGarbageIsOneErrorLine) {
    // Deterministic bytes of every value, line breaks included.
    std::string garbage;
    std::uint32_t state = 12345;
    for (int i = 0; i < 1 << 16; ++i) {
        state = state * 1664525u + 1013904223u;
        garbage += static_cast<char>(state >> 24);
    }
    for (const std::string& text : {garbage,
                                    "\x7F"
                                    "ELF" +
                                        garbage,
                                    std::string(4096, '\0')}) {
        RunDir dir;
        dir.write("in.bin", text);
        const e2e::Result r = dir.run({"-input", "in.bin", "-nographic"}, {}, kTimeout);
        EXPECT_EQ(r.status, 1);
        ASSERT_GT(r.out.size(), kBuilding.size());
        EXPECT_EQ(r.out.substr(0, kBuilding.size() + 14), kBuilding + "ERROR: in.bin:");
        const std::string error = r.out.substr(kBuilding.size());
        EXPECT_EQ(error.find('\n'), error.size() - 1) << error;
        EXPECT_LT(error.size(), 200u) << error;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(dir.files(), logsAnd({"in.bin"}));
    }
}

// A file of 100 MB made of a prefix, filler bytes and a suffix, written without holding it.
void writeHuge(const RunDir& dir, const std::string& name, const std::string& prefix, char fill,
               const std::string& suffix) {
    std::ofstream out(dir / name, std::ios::binary);
    out << prefix;
    const std::string block(1 << 20, fill);
    for (int i = 0; i < 100; ++i) out << block;
    out << suffix;
}

TEST(HostileInput, AHundredMegabyteLineIsReadInBoundedTimeAndMemory) {
    {
        // One id of 100 million digits: shown cut to 64 bytes, never held whole.
        RunDir dir;
        writeHuge(dir, "long.txt", "0 ", '7', "\n");
        const e2e::Result r = dir.run({"-input", "long.txt", "-nographic"}, {}, kTimeout);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, kBuilding + "ERROR: long.txt:1: '" + std::string(64, '7') +
                             "...' is not a valid vertex id\n");
        EXPECT_EQ(dir.files(), logsAnd({"long.txt"}));
        // The run's own peak: the children of earlier tests (renderers) may have used more.
        EXPECT_LT(r.peakKilobytes, 64 * 1024);
    }
    {
        // One edge after 100 MB of blanks, on the same line and without a final line break.
        RunDir dir;
        writeHuge(dir, "blank.txt", "0", ' ', "1");
        const e2e::Result r = dir.run({"-input", "blank.txt", "-nographic"}, {}, kTimeout);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, e2e::progress());
        EXPECT_EQ(r.err, "");
    }
}

// A run that runs out of memory says so on one line and exits with 1: nothing on standard
// error, no scene file. (Not under the sanitizers, which reserve more address space than
// the limit leaves.)
TEST(HostileInput, RunningOutOfMemoryIsOneErrorLine) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "address space limits and AddressSanitizer do not mix";
#endif
    RunDir dir;
    {
        std::ofstream out(dir / "big.txt");
        std::uint32_t state = 12345;
        for (std::uint32_t v = 1; v <= 100000; ++v)
            for (int k = 0; k < 5; ++k) {
                state = state * 1664525u + 1013904223u;
                out << v << ' ' << state % v << '\n';
            }
    }
    const e2e::Result r = dir.runProgram(
        "/bin/sh",
        {"-c", "ulimit -v 100000; exec \"$0\" -input big.txt -nographic", e2e::binary()});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.ends_with("\nERROR: Out of memory\n")) << r.out;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(dir.files(), logsAnd({"big.txt"}));
}

// Names that a shell would split, expand or run, that a program would take for an option,
// and a long one; each works as an input name (the derived output names contain it too).
const std::vector<std::string>& hostileNames() {
    static const std::vector<std::string> names = {
        "my network.txt",         "it's \"quoted\".txt",          "$(touch pwned).txt",
        "`touch pwned`.txt",      "a;touch pwned;b.txt",          "-net.txt",
        "a&b|c>d<e*?[x]~{y}.txt", std::string(210, 'n') + ".txt",
    };
    return names;
}

TEST(HostileNames, InputNamesRunAndRunNothing) {
    // Rendered for real, so the names also pass through the renderer's command line.
    for (const std::string& name : hostileNames()) {
        RunDir dir;
        dir.copyExample("karate.txt", name);
        const e2e::Result r = dir.run({"-input", name, "-render", "svg"}, {}, kTimeout);
        EXPECT_EQ(r.status, 0) << name;
        EXPECT_EQ(r.out, e2e::progress(true, true)) << name;
        EXPECT_EQ(r.err, "") << name;
        EXPECT_EQ(dir.files(), derivedFiles(name, true, true)) << name;
    }
}

TEST(HostileNames, AnInputNameTooLongForTheFileSystemCannotBeOpened) {
    RunDir dir;
    const std::string name = std::string(300, 'x') + ".txt";
    const e2e::Result r = dir.run({"-input", name, "-nographic"}, {}, kTimeout);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "ERROR: Input file " + name + " cannot be opened\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(dir.files(), e2e::logFiles());
}

TEST(HostileNames, ControlBytesInAnArgumentStayOnTheErrorLine) {
    RunDir dir;
    dir.copyExample("karate.txt");
    const e2e::Result r = dir.run({"-input", "karate.txt", "-render", "svg\nDone!"}, {}, kTimeout);
    EXPECT_EQ(r.status, 1);
    const std::string line =
        "ERROR: svg\\x0ADone! is not a possible value for render. Possible values are 'povray', "
        "'svg' and 'html'.\n";
    EXPECT_EQ(r.out.substr(0, line.size() + 1), line + "\n");
    EXPECT_EQ(dir.files(), logsAnd({"karate.txt"}));
}

// ---- the names file ----

TEST(HostileNamesFile, HostileFileNamesAreReadAndRunNothing) {
    for (const std::string& name : hostileNames()) {
        RunDir dir;
        dir.copyExample("karate.txt");
        dir.write(name, "1 one\n2 \"two words\"\n");
        const e2e::Result r =
            dir.run({"-input", "karate.txt", "-names", name, "-nographic"}, {}, kTimeout);
        if (name[0] == '-') {
            // An option word is never a names file: -names alone, then a stray argument.
            EXPECT_EQ(r.status, 1) << name;
            EXPECT_EQ(r.out.rfind("ERROR: " + name + " is not a valid parameter\n\n", 0), 0u)
                << name;
            continue;
        }
        EXPECT_EQ(r.status, 0) << name;
        EXPECT_EQ(r.out, e2e::progress(false, false, "2 of 2")) << name;
        EXPECT_EQ(r.err, "") << name;
        std::set<std::string> expected = derivedFiles("karate.txt", false, false, "_names");
        expected.insert(name);
        EXPECT_EQ(dir.files(), expected) << name;
    }
    RunDir dir;
    dir.copyExample("karate.txt");
    dir.write("-labels.txt", "1 one\n");
    const e2e::Result r =
        dir.run({"-input", "karate.txt", "-names", "./-labels.txt", "-nographic"}, {}, kTimeout);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, e2e::progress(false, false, "1 of 1"));
}

TEST(HostileNamesFile, BadContentOrNameIsOneErrorLine) {
    struct Case {
        const char* what;
        std::string name;
        std::string text;
        std::string error;
    };
    const std::string tooLong = std::string(300, 'n') + ".txt";
    const std::vector<Case> cases = {
        {"binary", "names.bin",
         std::string("\x7F"
                     "ELF\x02\x01\x01\0\0 x\n",
                     12),
         "ERROR: names.bin:1: '\\x7FELF\\x02\\x01\\x01\\x00\\x00' is not a valid vertex id\n"},
        {"header line", "names.txt", "id label\n1 one\n",
         "ERROR: names.txt:1: 'id' is not a valid vertex id\n"},
        {"id past the largest", "names.txt", "1 one\n2147483648 big\n",
         "ERROR: names.txt:2: '2147483648' is not a valid vertex id\n"},
        {"signed id", "names.txt", "+1 one\n",
         "ERROR: names.txt:1: '+1' is not a valid vertex id\n"},
        {"name too long for the file system", tooLong, "",
         "ERROR: Names file " + tooLong + " cannot be opened\n"},
    };
    for (const Case& c : cases) {
        RunDir dir;
        dir.copyExample("karate.txt");
        if (!c.text.empty()) dir.write(c.name, c.text);
        const e2e::Result r =
            dir.run({"-input", "karate.txt", "-names", c.name, "-nographic"}, {}, kTimeout);
        EXPECT_EQ(r.status, 1) << c.what;
        EXPECT_EQ(r.out, kBuilding + c.error) << c.what;
        EXPECT_EQ(r.err, "") << c.what;
        std::set<std::string> expected = logsAnd({"karate.txt"});
        if (!c.text.empty()) expected.insert(c.name);
        EXPECT_EQ(dir.files(), expected) << c.what;
    }
}

// Labels that a scene writer must escape or drop: quotes, backslashes, markup, control and
// NUL bytes, bytes that are not UTF-8, and a long one.
std::string hostileLabels() {
    using namespace std::string_literals;
    return "1 \"say \\\"hi\\\" & <b>bye</b>\"\n"
           "2 back\\slash\n"
           "3 \"tab\there\rcr\"\n"
           "4 nul\0byte\n"
           "5 \x1b[31mred\n"
           "6 \xff\xfe\xc3(\n"
           "7 caf\xc3\xa9\n"
           "8 \"}#declare X=1;\"\n"
           "9 "s +
           std::string(300, 'L') + "\n";
}

TEST(HostileNamesFile, HostileLabelsAreRead) {
    RunDir dir;
    dir.copyExample("karate.txt");
    dir.write("names.txt", hostileLabels());
    // Rendered for real: a label that broke out of its string would stop the renderer.
    for (const char* render : {"povray", "svg"}) {
        const e2e::Result r = dir.run(
            {"-input", "karate.txt", "-names", "names.txt", "-render", render}, {}, kTimeout);
        EXPECT_EQ(r.status, 0) << render << r.out;
        EXPECT_EQ(r.out, e2e::progress(std::string(render) == "svg", true, "8 of 9")) << render;
        EXPECT_EQ(r.err, "") << render;
    }
}

// ---- scene files that cannot be written ----

TEST(HostileOutput, SceneThatCannotBeWrittenFailsTheRunAndLeavesNoScene) {
    struct Case {
        const char* what;
        std::string output;  // the -output stem
        std::string scene;   // the scene named in the error
    };
    const std::string tooLong = std::string(300, 'o');
    const std::vector<Case> cases = {
        {"missing directory", "nodir/out", "nodir/out1.pov"},
        {"name too long for the file system", tooLong, tooLong + "1.pov"},
        {"full disk", "full", "full1.pov"},
        {"second scene is a directory", "dir", "dir2.pov"},
    };
    for (const Case& c : cases) {
        RunDir dir;
        dir.copyExample("karate.txt");
        std::set<std::string> expected = logsAnd({"karate.txt"});
        if (c.output == "dir") {
            std::filesystem::create_directory(dir / "dir2.pov");  // files() lists no directory
        }
        // A disk that fills: files may not grow past 4 KiB, and the signal that would end the
        // process is ignored, so a write fails as it would on a full disk.
        const std::string limit = c.output == "full" ? "trap '' XFSZ; ulimit -f 8; " : "";
        const e2e::Result r =
            dir.runProgram("/bin/sh",
                           {"-c", limit + "exec \"$0\" -input karate.txt -output \"$1\" -nographic",
                            e2e::binary(), c.output},
                           {}, kTimeout);
        EXPECT_EQ(r.status, 1) << c.what;
        EXPECT_EQ(r.out, e2e::progress().substr(0, e2e::progress().rfind("Done!")) +
                             "ERROR: Scene file " + c.scene + " cannot be written\n")
            << c.what;
        EXPECT_EQ(r.err, "") << c.what;
        EXPECT_EQ(dir.files(), expected) << c.what;
    }
}

}  // namespace
