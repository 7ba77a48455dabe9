#include "auxiliary/graph_node_names.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string_view>

#include "graph/text.h"

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The records of the input, read in blocks: only the unread part of the current line's
// token is kept between blocks, and a token may hold at most kLongestToken bytes, so memory
// stays small whatever the file holds (an endless stream without a blank included).
class Records {
  public:
    Records(std::istream& input, const std::string& name, std::size_t blockSize)
        : input_(input), name_(name), blockSize_(std::max<std::size_t>(blockSize, 1)) {
        // A byte order mark at the very start; the first block may hold fewer bytes.
        while (text_.size() < 3 && more()) {
        }
        if (text_.compare(0, 3, "\xEF\xBB\xBF") == 0) at_ = 3;
    }

    // The next record's id; false at the end of the input.
    bool nextId(VertexId* id) {
        if (!skipBlanks()) return false;
        tokenLine_ = line_;
        const std::size_t end = reach([](char c) { return isBlank(c); }, "");
        const std::string_view token = std::string_view(text_).substr(at_, end - at_);
        if (!parseId(token, id)) failToken(token);
        at_ = end;
        return true;
    }

    // The label after an id; false when the input ends first.
    bool nextLabel(std::string* label) {
        if (!skipBlanks()) return false;
        tokenLine_ = line_;
        if (text_[at_] != '"') {
            const std::size_t end = reach([](char c) { return isBlank(c); }, "label");
            label->assign(text_, at_, end - at_);
            at_ = end;
            return true;
        }
        ++at_;
        const std::size_t end = reach([](char c) { return c == '"' || c == '\n'; }, "label");
        // Reading on may have moved the text: the label starts where the position now is.
        const std::size_t start = at_;
        if (end < text_.size() && text_[end] == '"') {
            label->assign(text_, start, end - start);
            at_ = end + 1;
            skipRestOfLine();
            return true;
        }
        std::size_t last = end;
        while (last > start && isBlank(text_[last - 1])) --last;
        label->assign(text_, start, last - start);
        at_ = end;
        return true;
    }

  private:
    // Appends the next block, after dropping what was read; false at the end of the input.
    bool more() {
        if (atEnd_) return false;
        text_.erase(0, at_);
        at_ = 0;
        const std::size_t kept = text_.size();
        text_.resize(kept + blockSize_);
        input_.read(text_.data() + kept, static_cast<std::streamsize>(blockSize_));
        const std::size_t got = static_cast<std::size_t>(input_.gcount());
        text_.resize(kept + got);
        if (input_.bad()) throw Fatal("ERROR: Names file " + name_ + " cannot be opened\n");
        if (got < blockSize_) atEnd_ = true;
        return got > 0;
    }

    // Past blanks, counting lines; false when the input ends first.
    bool skipBlanks() {
        for (;;) {
            while (at_ < text_.size() && isBlank(text_[at_])) {
                if (text_[at_] == '\n') ++line_;
                ++at_;
            }
            if (at_ < text_.size()) return true;
            if (!more()) return false;
        }
    }

    void skipRestOfLine() {
        for (;;) {
            const std::size_t lineEnd = text_.find('\n', at_);
            if (lineEnd != std::string::npos) {
                at_ = lineEnd;
                return;
            }
            at_ = text_.size();
            if (!more()) return;
        }
    }

    // Where the token at the current position ends: the first byte from it where stop holds,
    // or the end of the input. A token past kLongestToken is an error: an id's shows its
    // start, a label's says so.
    template <class Stop>
    std::size_t reach(Stop stop, const char* labelWhat) {
        std::size_t scanned = at_;
        for (;;) {
            while (scanned < text_.size() && !stop(text_[scanned])) ++scanned;
            if (scanned - at_ > kLongestToken) {
                if (*labelWhat)
                    throw Fatal("ERROR: " + name_ + ":" + std::to_string(tokenLine_) +
                                ": label longer than 1 MiB\n");
                failToken(std::string_view(text_).substr(at_, kLongestToken + 1));
            }
            if (scanned < text_.size()) return scanned;
            const std::size_t offset = scanned - at_;
            if (!more()) return text_.size();
            scanned = at_ + offset;
        }
    }

    [[noreturn]] void failToken(std::string_view token) const {
        throw Fatal("ERROR: " + name_ + ":" + std::to_string(tokenLine_) + ": '" +
                    escaped(token, Escape::Token) + "' is not a valid vertex id\n");
    }

    std::istream& input_;
    const std::string& name_;
    std::size_t blockSize_;
    std::string text_;
    std::size_t at_ = 0;
    bool atEnd_ = false;
    std::uint64_t line_ = 1;
    std::uint64_t tokenLine_ = 1;
};

}  // namespace

void Graph_node_names::readFile(Graph& graph, const std::string& fileName) const {
    std::ifstream input = openForReading(fileName, "Names file");
    readFile(input, graph, fileName);
}

void Graph_node_names::readFile(std::istream& input, Graph& graph, const std::string& name,
                                std::size_t blockSize) const {
    Records records(input, name, blockSize);
    VertexId id = 0;
    std::string label;
    while (records.nextId(&id) && records.nextLabel(&label))
        if (!label.empty()) graph.addName(id, label);
}
