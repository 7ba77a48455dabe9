#include "graph/output_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "graph/defs.h"
#include "graph/log.h"

namespace {

namespace fs = std::filesystem;

class OutputFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "quorvane-out-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string path(const std::string& name) const { return (dir / name).string(); }
    void write(const std::string& name, const std::string& text) const {
        std::ofstream(dir / name, std::ios::binary) << text;
    }
    std::string read(const std::string& name) const {
        std::ifstream in(dir / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::set<std::string> listing() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.insert(entry.path().filename().string());
        return names;
    }

    fs::path dir;
};

// A link or a file planted where a careless writer would put its temporary or its file is
// neither followed nor truncated; the target keeps its bytes, the final name gets the text.
TEST_F(OutputFiles, PlantedLinksAndFilesAreNeverWrittenThrough) {
    write("input.txt", "the input");
    struct Case {
        const char* what;
        std::string planted;  // a link to input.txt, or a plain file, at this name
        bool link;
    };
    const Case cases[] = {
        {"link at the old temporary name", "out.csv.partial", true},
        {"plain file at the old temporary name", "out.csv.partial", false},
        {"link at the final name", "out.csv", true},
    };
    for (const Case& c : cases) {
        if (c.link)
            fs::create_symlink("input.txt", dir / c.planted);
        else
            write(c.planted, "keep me");
        {
            FileSet files("Export file");
            files.write(path("out.csv"), [](std::ostream& out) { out << "table"; });
            files.commit();
        }
        EXPECT_EQ(read("input.txt"), "the input") << c.what;
        EXPECT_EQ(read("out.csv"), "table") << c.what;
        EXPECT_FALSE(fs::is_symlink(dir / "out.csv")) << c.what;
        if (c.planted != "out.csv") {
            EXPECT_EQ(c.link ? fs::read_symlink(dir / c.planted).string() : read(c.planted),
                      c.link ? "input.txt" : "keep me")
                << c.what;
        }
        fs::remove(dir / c.planted);
        fs::remove(dir / "out.csv");
    }
}

// The temporary lies beside the final name, never has a longer name, and goes with a failure.
TEST_F(OutputFiles, TemporaryIsShortAndLeavesWithAFailure) {
    write("keep.txt", "earlier");
    const std::string longName(255, 'x');  // the longest name most file systems take
    for (const std::string& name : {std::string("k"), std::string("keep.txt"), longName}) {
        std::set<std::string> during;
        {
            FileSet files("Scene file");
            std::ostream& out = files.open(path(name));
            out << "half";
            during = listing();
        }  // destroyed before commit: a failure passing
        EXPECT_EQ(listing(), (std::set<std::string>{"keep.txt"})) << name.size();
        EXPECT_EQ(read("keep.txt"), "earlier");
        ASSERT_EQ(during.size(), 2u) << name.size();
        for (const std::string& entry : during)
            if (entry != "keep.txt") {
                EXPECT_LE(entry.size(), std::min<std::size_t>(name.size(), 12));
            }
    }
    FileSet files("Scene file");
    files.write(path(longName), [](std::ostream& out) { out << "whole"; });
    files.commit();
    EXPECT_EQ(read(longName), "whole");
}

// A set appears whole or not at all: every file is written before the first is renamed.
TEST_F(OutputFiles, SetIsRenamedOnlyWhenEveryFileIsWritten) {
    write("a.pov", "old a");
    write("b.pov", "old b");
    {
        FileSet files("Scene file");
        std::ostream& a = files.open(path("a.pov"));
        std::ostream& b = files.open(path("b.pov"));
        a << "new a";
        b << "new b";
        EXPECT_EQ(read("a.pov"), "old a");
        files.commit();
    }
    EXPECT_EQ(read("a.pov"), "new a");
    EXPECT_EQ(read("b.pov"), "new b");
    EXPECT_EQ(listing(), (std::set<std::string>{"a.pov", "b.pov"}));
}

// Files that cannot be made, written or renamed are errors that name the final file.
TEST_F(OutputFiles, FailuresNameTheFinalFile) {
    fs::create_directory(dir / "taken.svg");
    const std::string cases[] = {path("missing/scene1.pov"), path("taken.svg"), ""};
    for (const std::string& name : cases) {
        try {
            FileSet files("Scene file");
            files.write(name, [](std::ostream& out) { out << "x"; });
            files.commit();
            ADD_FAILURE() << "no error for '" << name << "'";
        } catch (const Fatal& error) {
            EXPECT_EQ(std::string(error.what()),
                      "ERROR: Scene file " + name + " cannot be written\n");
        }
    }
    EXPECT_EQ(listing(), (std::set<std::string>{"taken.svg"}));

    // A full disk shows when the file is finished, whichever size was written.
    if (!fs::exists("/dev/full")) return;
    for (std::size_t size : {std::size_t{10}, std::size_t{5} << 20}) {
        DescriptorBuffer buffer;
        buffer.attach(::open("/dev/full", O_WRONLY | O_CLOEXEC));
        std::ostream out(&buffer);
        out << std::string(size, 'x');
        EXPECT_FALSE(buffer.close()) << size;
    }
}

// The signal handler's list: every listed name is unlinked, forgotten ones are not.
TEST_F(OutputFiles, TemporaryListRemovesWhatItLists) {
    TemporaryFiles list;
    write("one", "1");
    write("two", "2");
    write("three", "3");
    const std::size_t one = list.add(path("one"));
    list.add(path("two"));
    list.forget(one);
    list.add(path("three"));
    EXPECT_EQ(list.add(std::string(TemporaryFiles::kLongestName, 'x')), TemporaryFiles::kSlots);
    {
        FileSet files("Page file", &list);
        files.open(path("page.html")) << "half";
        list.removeAll();  // as a signal arriving while the page is written
        EXPECT_EQ(listing(), (std::set<std::string>{"one"}));
    }
    EXPECT_EQ(listing(), (std::set<std::string>{"one"}));
}

// A log is a new file in place of whatever was at its name: a planted link is replaced, its
// target untouched; without the directory the log writes nowhere.
TEST_F(OutputFiles, LogsReplaceLinksAndNeedTheirDirectory) {
    write("net.txt", "0 1\n");
    fs::create_directory(dir / "log");
    fs::create_symlink("../net.txt", dir / "log" / "kmax.log");
    {
        Log log(path("log/kmax.log"));
        log << "line " << 7;
    }
    EXPECT_EQ(read("net.txt"), "0 1\n");
    EXPECT_FALSE(fs::is_symlink(dir / "log" / "kmax.log"));
    EXPECT_EQ(read("log/kmax.log"), "line 7");
    Log nowhere(path("no-such-dir/cores.log"));
    nowhere << "discarded";
    EXPECT_FALSE(fs::exists(dir / "no-such-dir"));
}

}  // namespace
