// The edge-list reader under hostile input: giant tokens must cost no memory and still be
// reported as they look.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstring>
#include <sstream>
#include <streambuf>
#include <string>

#include "graph/graph_builder_txt.h"

namespace {

std::string readError(const std::string& text, std::size_t blockSize) {
    std::istringstream input(text);
    try {
        Graph_builder_txt(blockSize).readEdges(input, "in.txt");
    } catch (const Fatal& error) {
        return error.what();
    }
    return "(read)";
}

// A stream of prefix, then count copies of fill, then suffix, made on demand.
class Generated : public std::streambuf {
  public:
    Generated(std::string prefix, char fill, std::size_t count, std::string suffix)
        : prefix_(std::move(prefix)), suffix_(std::move(suffix)), fill_(fill), count_(count) {}

  protected:
    std::streamsize xsgetn(char* out, std::streamsize wanted) override {
        std::streamsize given = 0;
        while (given < wanted) {
            std::size_t left = static_cast<std::size_t>(wanted - given);
            if (at_ < prefix_.size()) {
                const std::size_t n = std::min(left, prefix_.size() - at_);
                std::memcpy(out + given, prefix_.data() + at_, n);
                at_ += n;
                given += static_cast<std::streamsize>(n);
            } else if (at_ < prefix_.size() + count_) {
                const std::size_t n = std::min(left, prefix_.size() + count_ - at_);
                std::memset(out + given, fill_, n);
                at_ += n;
                given += static_cast<std::streamsize>(n);
            } else if (at_ < prefix_.size() + count_ + suffix_.size()) {
                const std::size_t from = at_ - prefix_.size() - count_;
                const std::size_t n = std::min(left, suffix_.size() - from);
                std::memcpy(out + given, suffix_.data() + from, n);
                at_ += n;
                given += static_cast<std::streamsize>(n);
            } else {
                break;
            }
        }
        return given;
    }
    int_type underflow() override { return traits_type::eof(); }

  private:
    std::string prefix_, suffix_;
    char fill_;
    std::size_t count_;
    std::size_t at_ = 0;
};

long peakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

const std::string kSevens = std::string(64, '7') + "...";

TEST(EdgeListReaderHostile, GiantTokensAreReportedAsTheyLook) {
    const std::size_t giant = (std::size_t{1} << 20) + 100;
    struct Case {
        const char* what;
        std::string text;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"giant id", "0 1\n1 " + std::string(giant, '7') + "\n2 3\n",
         "ERROR: in.txt:2: '" + kSevens + "' is not a valid vertex id\n"},
        {"giant weight", "0 1 2\n1 2 " + std::string(giant, '7') + "\n",
         "ERROR: in.txt:2: '" + kSevens + "' is not a valid weight\n"},
        {"giant first token", std::string(giant, '7') + " 1\n",
         "ERROR: in.txt:1: '" + kSevens + "' is not a valid vertex id\n"},
        {"giant token counts as one column", "0 1 2 " + std::string(giant, 'x') + "\n",
         "ERROR: in.txt:1: expected 2 or 3 columns, found 4\n"},
        {"giant token at the end without a line break", "0 1\n2 " + std::string(giant, '7'),
         "ERROR: in.txt:2: '" + kSevens + "' is not a valid vertex id\n"},
        // Leading zeros are allowed, but not a megabyte of them.
        {"a megabyte of leading zeros", "0 1\n" + std::string(giant, '0') + "1 2\n",
         "ERROR: in.txt:2: '" + std::string(64, '0') + "...' is not a valid vertex id\n"},
        {"the line count goes on after a giant comment",
         "# " + std::string(giant, 'c') + "\n0 1\n1 x\n",
         "ERROR: in.txt:3: 'x' is not a valid vertex id\n"},
    };
    for (const Case& c : cases)
        for (std::size_t block : {std::size_t{7}, std::size_t{4096}, std::size_t{1} << 20})
            EXPECT_EQ(readError(c.text, block), c.error) << c.what << ", block " << block;
}

TEST(EdgeListReaderHostile, ATokenJustBelowTheLimitIsReadWhole) {
    const std::string zeros(std::size_t{1} << 19, '0');
    std::istringstream input("0 1\n" + zeros + "5 6\n");
    const std::vector<Edge> edges = Graph_builder_txt().readEdges(input, "in.txt");
    ASSERT_EQ(edges.size(), 2u);
    EXPECT_EQ(edges[1].u, 5);
    EXPECT_EQ(edges[1].v, 6);
}

TEST(EdgeListReaderHostile, AGiantTokenCostsNoMemory) {
    // 512 MiB in one token, made on demand: the reader keeps a few megabytes of it at most.
    Generated source("0 ", '7', std::size_t{1} << 29, "\n1 2\n");
    std::istream input(&source);
    const long before = peakKilobytes();
    std::string error;
    try {
        Graph_builder_txt().readEdges(input, "in.txt");
    } catch (const Fatal& fatal) {
        error = fatal.what();
    }
    EXPECT_EQ(error, "ERROR: in.txt:1: '" + kSevens + "' is not a valid vertex id\n");
    EXPECT_LT(peakKilobytes() - before, 64 * 1024);
}

}  // namespace
