// The tokenizer of the program's whitespace-separated input files (the edge list, the
// partition file): tokens separated by any whitespace, lines whose first non-blank
// character is '#' or '%' skipped as comments, a UTF-8 byte order mark at the very start
// skipped, CR LF line ends and a last line without a line break read like any other. Line
// numbers count physical lines ('\n').
//
// The input is read in blocks. Only the part of the buffer up to its last whitespace byte
// (`safe_`) is handed out, so every token lies whole in the buffer and ends in whitespace;
// the rest is carried into the next block. At the end of the input a line break is
// appended, which closes the last token even when the file does not end in one. A token
// longer than kLongestToken is never whole in the buffer: only the bytes its message shows
// are kept (tokenCut() tells), so memory stays small whatever the lines.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "graph/defs.h"
#include "graph/text.h"

namespace scanning {

inline constexpr std::array<bool, 256> kSpaceTable = [] {
    std::array<bool, 256> table{};
    for (unsigned char c : {' ', '\t', '\n', '\v', '\f', '\r'}) table[c] = true;
    return table;
}();

inline bool isSpace(char c) {
    return kSpaceTable[static_cast<unsigned char>(c)];
}

// What a whitespace byte does to the line: a line break counts and starts the next one; any
// blank but a space or a tab ends the line's start (where a comment mark may stand).
inline void passSpace(char c, std::uint64_t& line, bool& lineStart) {
    if (c == '\n') {
        ++line;
        lineStart = true;
    } else if (c != ' ' && c != '\t') {
        lineStart = false;
    }
}

inline bool isCommentMark(char c) {
    return c == '#' || c == '%';
}

}  // namespace scanning

class TokenScanner {
  public:
    // prefix: bytes a caller already took from input (to look at the first line, or to read
    // part of it another way), read before the rest of input as if they were still in it.
    // role names the file in the message of a read error: "ERROR: ROLE NAME cannot be
    // opened". firstLine: the line the prefix starts on; a byte order mark is skipped only
    // at the input's start (line 1).
    TokenScanner(std::istream& input, const std::string& name, std::size_t blockSize,
                 std::string_view prefix = {}, const char* role = "Input file",
                 std::uint64_t firstLine = 1);

    // Moves to the start of the next token, past whitespace and comment lines; false at the
    // end of the input.
    bool nextToken() {
        using scanning::isSpace;
        for (;;) {
            if (inComment_) skipComment();
            while (p_ < safe_) {
                const char c = *p_;
                if (isSpace(c)) {
                    scanning::passSpace(c, line_, lineStart_);
                    ++p_;
                } else if (lineStart_ && scanning::isCommentMark(c)) {
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
        while (!scanning::isSpace(*end)) ++end;
        return {p_, static_cast<std::size_t>(end - p_)};
    }
    // Whether the current token is the kept start of a token longer than kLongestToken.
    bool tokenCut() const { return p_ == cut_; }

    // The vertex id at the current position (the whole token must be one).
    VertexId takeId() {
        VertexId id = 0;
        const char* end = parseId(p_, safe_, &id);
        if (!end || !scanning::isSpace(*end)) fail(token(), "vertex id");
        p_ = end;
        lineStart_ = false;
        return id;
    }

    // Takes the current token whatever it holds.
    std::string_view takeText() {
        const std::string_view text = token();
        p_ += text.size();
        lineStart_ = false;
        return text;
    }

    std::uint64_t line() const { return line_; }
    // The bytes read from the input and not consumed yet, exactly as the input holds them,
    // for a reader that takes over from here; false when the buffer no longer holds them so
    // (the input's end was read, or a long token's rest was dropped).
    bool unread(std::string_view* bytes) const {
        if (atEnd_ || skipping_ || cut_) return false;
        *bytes = {p_, static_cast<std::size_t>(end_ - p_)};
        return true;
    }
    // Bytes of the input consumed so far.
    std::uint64_t consumed() const { return bytesRead_ - static_cast<std::uint64_t>(end_ - p_); }

    // Throws Fatal("ERROR: NAME:LINE: 'TOKEN' is not a valid WHAT\n"), the token escaped for a
    // message.
    [[noreturn]] void fail(std::string_view token, const char* what) const {
        failAt(line_, token, what);
    }
    [[noreturn]] void failAt(std::uint64_t line, std::string_view token, const char* what) const;

  private:
    // True when the comment ends in the buffer (the position is then at its line break).
    bool skipComment();
    // Keeps the unread tail and appends the next block; false when the input is exhausted.
    bool refill();
    // Drops the bytes of [block, block + size) up to the first whitespace, which ends the
    // skipped token; returns how many bytes are left.
    std::size_t skipTokenRest(char* block, std::size_t size);

    std::istream& input_;
    const std::string& name_;
    const char* role_;
    std::size_t blockSize_;
    std::vector<char> buffer_;
    const char* p_ = nullptr;
    const char* safe_ = nullptr;
    char* end_ = nullptr;
    const char* cut_ = nullptr;
    bool atEnd_ = false;
    bool lineStart_ = true;
    bool inComment_ = false;
    bool skipping_ = false;
    std::uint64_t line_ = 1;
    std::uint64_t bytesRead_ = 0;
};
