// A filter between the decompressed input and a parser that is not the project's own (igraph's
// GraphML, GML, Pajek and NCOL readers, libxml2's reader of GEXF): it hands the bytes on
// unchanged and looks at each once, in constant memory, for what makes those parsers slow.
// They copy or rescan a token as it grows, so a token of n bytes costs them about n² (a GML
// label of 2 MB took 8 s, a GraphML <data> of 40 MB 34 s, an NCOL name of 2 MB 7.7 s); a token
// longer than the cap is refused before the parser sees its bytes, with the reader's kind of
// error line:
//   "ERROR: NAME:LINE: WHAT longer than 64 KiB\n"   (LINE where the token passes the cap)
// so a file of n bytes costs O(n) whatever it holds. Long lines of short tokens are fine.
//
// What a token is follows each library's lexer (measured: each of these took 2.6 s to 2.9 s at
// 2 MB where a normal file of that size takes a few hundredths):
//   GML    a quoted string, a comment line (# at a line's start), a word (a run of bytes that
//          are neither blanks, line breaks, brackets nor quotes)
//   Pajek  a quoted string, text in parentheses, a comment (% to the line's end), a word (a run
//          of bytes that are not blanks or line breaks), a run of blanks, a run of line breaks
//   NCOL   a word (a run of printable bytes), a run of blanks
// A string or parenthesis starts a token where a new token may start; what follows its closing
// character without a blank is counted with it. Cap errors name the kind: "word", "quoted
// string", "text in parentheses", "comment", "run of blanks", "run of line breaks".
//
// The XML formats have their own scanner (xml_guard.h) behind the same filter.
#pragma once

#include <cstdint>
#include <memory>
#include <streambuf>
#include <string>
#include <vector>

#include "graph/formats/input_format.h"

// The cap of a token handed to igraph: a GML label of this size costs igraph about 3 ms.
inline constexpr std::size_t kLongestLibraryToken = std::size_t{1} << 16;

// Looks at the input block by block, in the order the parser will read it, keeping what it
// needs between blocks; throws Fatal when a limit is passed.
class GuardScanner {
  public:
    explicit GuardScanner(const std::string& name) : name_(name) {}
    virtual ~GuardScanner() = default;
    GuardScanner(const GuardScanner&) = delete;
    GuardScanner& operator=(const GuardScanner&) = delete;

    // The next bytes of the input.
    void scanBlock(const char* begin, const char* end);

  protected:
    virtual void scan(const char* begin, const char* end) = 0;

    // Throws Fatal("ERROR: NAME:LINE: REASON\n"), LINE that of the byte at `at` in the
    // current block.
    [[noreturn]] void fail(const char* at, const std::string& reason) const;
    // Bytes of the input before `at` in the current block.
    std::uint64_t offset(const char* at) const {
        return offset_ + static_cast<std::uint64_t>(at - block_);
    }
    // "64 KiB", "1 MiB": a cap as messages show it.
    static std::string sizeText(std::size_t bytes);

  private:
    const std::string& name_;
    const char* block_ = nullptr;
    std::uint64_t offset_ = 0;
    std::uint64_t lines_ = 0;  // line breaks before the current block
};

// The lexical scanner of GML, Pajek or NCOL (format), with its cap (kLongestLibraryToken
// when reading; the tests take small ones).
std::unique_ptr<GuardScanner> lexicalScanner(InputFormat format, const std::string& name,
                                             std::size_t cap);

// The bytes of `source` as they are, each handed to the scanner before anyone reads it. Reads of
// 64 KiB or more go straight into the caller's memory and are scanned there.
class TokenGuard : public std::streambuf {
  public:
    TokenGuard(std::streambuf& source, std::unique_ptr<GuardScanner> scanner);

  protected:
    int_type underflow() override;
    std::streamsize xsgetn(char* to, std::streamsize count) override;

  private:
    std::size_t fill(char* to, std::size_t count);

    std::streambuf& source_;
    std::unique_ptr<GuardScanner> scanner_;
    std::vector<char> buffer_;
};
