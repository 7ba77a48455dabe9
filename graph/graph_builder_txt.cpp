#include "graph/graph_builder_txt.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>

#include "graph/text.h"

namespace {

constexpr std::array<bool, 256> kSpaceTable = [] {
    std::array<bool, 256> table{};
    for (unsigned char c : {' ', '\t', '\n', '\v', '\f', '\r'}) table[c] = true;
    return table;
}();

inline bool isSpace(char c) {
    return kSpaceTable[static_cast<unsigned char>(c)];
}

// Bytes of a giant token kept for its message (as many as a message shows).
constexpr std::size_t kShownBytes = 64;

// Walks the input block by block and stops at the start of every token, keeping the line
// number. Only the part of the buffer up to its last whitespace byte (`safe_`) is handed
// out, so every token lies whole in the buffer and ends in whitespace; the rest is carried
// into the next block. At the end of the input a line break is appended, which closes the
// last token even when the file does not end in one.
class Scanner {
  public:
    Scanner(std::istream& input, const std::string& name, std::size_t blockSize)
        : input_(input), name_(name), blockSize_(blockSize) {
        refill();
        // A byte order mark at the very start; the first refill may hold fewer bytes.
        while (end_ - p_ < 3 && refill()) {
        }
        if (end_ - p_ >= 3 && std::memcmp(p_, "\xEF\xBB\xBF", 3) == 0) p_ += 3;
    }

    // Moves to the start of the next token, past whitespace and comment lines; false at the
    // end of the input.
    bool nextToken() {
        for (;;) {
            if (inComment_) skipComment();
            while (p_ < safe_) {
                const char c = *p_;
                if (isSpace(c)) {
                    if (c == '\n') {
                        ++line_;
                        lineStart_ = true;
                    } else if (c != ' ' && c != '\t') {
                        lineStart_ = false;
                    }
                    ++p_;
                } else if (lineStart_ && (c == '#' || c == '%')) {
                    inComment_ = true;
                    if (!skipComment()) break;
                } else {
                    return true;
                }
            }
            if (!refill()) return false;
        }
    }

    // The token at the current position (valid until the next call of nextToken).
    std::string_view token() const {
        const char* end = p_;
        while (!isSpace(*end)) ++end;
        return {p_, static_cast<std::size_t>(end - p_)};
    }

    // The vertex id at the current position (the whole token must be one).
    VertexId takeId() {
        VertexId id = 0;
        const char* end = parseId(p_, safe_, &id);
        if (!end || !isSpace(*end)) fail(token(), "vertex id");
        p_ = end;
        lineStart_ = false;
        return id;
    }

    void takeWeight() {
        const std::string_view text = token();
        if (!Graph_builder_txt::isWeight(text)) fail(text, "weight");
        p_ += text.size();
        lineStart_ = false;
    }

    std::string_view takeText() {
        const std::string_view text = token();
        p_ += text.size();
        lineStart_ = false;
        return text;
    }

    std::uint64_t line() const { return line_; }
    // Bytes of the input consumed so far.
    std::uint64_t consumed() const { return bytesRead_ - static_cast<std::uint64_t>(end_ - p_); }

    [[noreturn]] void fail(std::string_view token, const char* what) const {
        failAt(line_, token, what);
    }
    [[noreturn]] void failAt(std::uint64_t line, std::string_view token, const char* what) const {
        throw Fatal("ERROR: " + name_ + ":" + std::to_string(line) + ": '" +
                    escaped(token, Escape::Token) + "' is not a valid " + what + "\n");
    }

  private:
    // True when the comment ends in the buffer (the position is then at its line break).
    bool skipComment() {
        const void* lineBreak = std::memchr(p_, '\n', static_cast<std::size_t>(end_ - p_));
        if (!lineBreak) {
            p_ = end_;
            safe_ = end_;
            return false;
        }
        p_ = static_cast<const char*>(lineBreak);
        inComment_ = false;
        return true;
    }

    // Keeps the unread tail and appends the next block; false when the input is exhausted.
    bool refill() {
        if (atEnd_) return false;
        std::size_t kept = static_cast<std::size_t>(end_ - p_);
        if (kept > 0 && p_ != buffer_.data()) std::memmove(buffer_.data(), p_, kept);
        // The tail is an unfinished token. Past kLongestToken it is invalid whatever follows,
        // so only the bytes its message shows are kept, with a NUL that keeps it invalid, and
        // the rest of it is skipped: a giant token (a file of one 10 GB line) costs no memory.
        if (kept > kLongestToken) {
            buffer_[kShownBytes] = '\0';
            kept = kShownBytes + 1;
            skipping_ = true;
        }
        // A tail that fills a whole block is one long token: read as much again.
        const std::size_t want = std::max(blockSize_, kept);
        if (buffer_.size() < kept + want + 1) buffer_.resize(kept + want + 1);
        char* data = buffer_.data();
        input_.read(data + kept, static_cast<std::streamsize>(want));
        const std::size_t got = static_cast<std::size_t>(input_.gcount());
        bytesRead_ += got;
        if (input_.bad()) throw Fatal("ERROR: Input file " + name_ + " cannot be opened\n");
        p_ = data;
        end_ = data + kept + (skipping_ ? skipTokenRest(data + kept, got) : got);
        if (got < want) {
            atEnd_ = true;
            *end_++ = '\n';
            safe_ = end_;
            return true;
        }
        safe_ = end_;
        while (safe_ > p_ && !isSpace(safe_[-1])) --safe_;
        return true;
    }

    // Drops the bytes of [block, block + size) up to the first whitespace, which ends the
    // skipped token; returns how many bytes are left.
    std::size_t skipTokenRest(char* block, std::size_t size) {
        std::size_t rest = 0;
        while (rest < size && !isSpace(block[rest])) ++rest;
        if (rest == size) return 0;
        skipping_ = false;
        std::memmove(block, block + rest, size - rest);
        return size - rest;
    }

    std::istream& input_;
    const std::string& name_;
    std::size_t blockSize_;
    std::vector<char> buffer_;
    const char* p_ = nullptr;
    const char* safe_ = nullptr;
    char* end_ = nullptr;
    bool atEnd_ = false;
    bool lineStart_ = true;
    bool inComment_ = false;
    bool skipping_ = false;
    std::uint64_t line_ = 1;
    std::uint64_t bytesRead_ = 0;
};

// Bytes from the current position to the end, or 0 when the stream cannot tell (a pipe).
std::uint64_t remainingBytes(std::istream& input) {
    const std::istream::pos_type start = input.tellg();
    if (start == std::istream::pos_type(-1)) {
        input.clear();
        return 0;
    }
    input.seekg(0, std::ios::end);
    const std::istream::pos_type end = input.tellg();
    input.clear();
    input.seekg(start);
    return end > start ? static_cast<std::uint64_t>(end - start) : 0;
}

constexpr std::size_t kSample = 1 << 16;

}  // namespace

Graph_builder_txt::Graph_builder_txt(std::size_t blockSize)
    : blockSize_(std::max<std::size_t>(blockSize, 1)) {}

void Graph_builder_txt::readFile(std::istream& input, Graph& graph, const std::string& name) {
    graph.addEdges(readEdges(input, name));
}

std::vector<Edge> Graph_builder_txt::readEdges(std::istream& input, const std::string& name) const {
    const std::uint64_t size = remainingBytes(input);
    Scanner scanner(input, name, blockSize_);
    std::vector<Edge> edges;
    if (!scanner.nextToken()) throw Fatal("ERROR: Input file " + name + " contains no edges\n");

    // The first line that holds a token sets the number of columns; its tokens are checked
    // once that number is known.
    const std::uint64_t firstLine = scanner.line();
    std::vector<std::string> first;
    std::size_t count = 0;
    bool more = true;
    while (more && scanner.line() == firstLine) {
        const std::string_view text = scanner.takeText();
        if (count < 3) first.emplace_back(text);
        ++count;
        more = scanner.nextToken();
    }
    if (count != 2 && count != 3)
        throw Fatal("ERROR: " + name + ":" + std::to_string(firstLine) +
                    ": expected 2 or 3 columns, found " + std::to_string(count) + "\n");
    const std::size_t columns = count;
    VertexId ids[2];
    for (std::size_t i = 0; i < 2; ++i) {
        const std::string& text = first[i];
        const char* end = parseId(text.data(), text.data() + text.size(), &ids[i]);
        if (end != text.data() + text.size()) scanner.failAt(firstLine, text, "vertex id");
    }
    if (columns == 3 && !isWeight(first[2])) scanner.failAt(firstLine, first[2], "weight");
    edges.push_back({ids[0], ids[1]});

    std::size_t column = 0;
    for (; more; more = scanner.nextToken()) {
        if (column < 2)
            ids[column] = scanner.takeId();
        else
            scanner.takeWeight();
        if (++column == columns) {
            edges.push_back({ids[0], ids[1]});
            column = 0;
            // Once a sample of the file is read, room for all of it (with a tenth to spare)
            // is reserved, sparing the copies of repeated doubling.
            if (edges.size() == kSample && size > 0) {
                const double perByte = static_cast<double>(kSample) / scanner.consumed();
                reserveBig(edges, static_cast<std::size_t>(1.1 * perByte * size) + kSample);
            }
        }
    }
    return edges;
}

bool Graph_builder_txt::isWeight(std::string_view token) {
    return token.size() <= kLongestToken && !token.empty() &&
           plainDecimalLength(token) == token.size();
}
