// The bytes of an input file as the readers take them: decompressed on the fly when the file
// starts with the gzip magic bytes (whatever its format), and with its first bytes open to
// format detection before anything is consumed.
//
// Memory stays constant whatever the size: a buffer of 256 KiB, 256 KiB of compressed input
// and zlib's state. Reads of 64 KiB or more go straight into the caller's memory (a plain
// file is then read as if this layer were not there; compressed data is inflated in place).
// Concatenated gzip members (`cat a.gz b.gz`) are read one after the other, and bytes after
// the last member that do not start another one are ignored, as zcat does. A plain input
// can be repositioned when its source can (the edge-list reader asks for the size).
//
// Errors (Fatal, exact text), thrown from the reads:
//   "ERROR: NAME: truncated compressed file\n"
//   "ERROR: NAME: corrupt compressed file (ZLIB'S REASON)\n"
//   "ERROR: Input file NAME cannot be opened\n" (a read error of the source)
// A std::istream over it passes them on only with badbit in its exceptions() (an istream
// otherwise turns them into its state).
#pragma once

#include <istream>
#include <memory>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "graph/progress.h"

class InputBytes : public std::streambuf {
  public:
    InputBytes(std::istream& source, const std::string& name);
    ~InputBytes() override;
    InputBytes(const InputBytes&) = delete;
    InputBytes& operator=(const InputBytes&) = delete;

    bool compressed() const { return inflater_ != nullptr; }
    // Reports the reading to progress (may be null) from now on: bytes of a plain file of
    // fileSize bytes (0: unknown), megabytes given by a compressed one.
    void watch(Progress* progress, std::uint64_t fileSize);
    // The next bytes, at most `count` and fewer only at the end of the input, left unread.
    std::string_view peek(std::size_t count);

  protected:
    int_type underflow() override;
    std::streamsize xsgetn(char* to, std::streamsize count) override;
    pos_type seekoff(off_type offset, std::ios_base::seekdir direction,
                     std::ios_base::openmode which) override;
    pos_type seekpos(pos_type position, std::ios_base::openmode which) override;

  private:
    struct Inflater;

    // Up to count bytes of the input into to; 0 only at its end.
    std::size_t produce(char* to, std::size_t count);
    std::size_t readSource(char* to, std::size_t count);
    std::size_t inflateInto(char* to, std::size_t count);
    bool refillCompressed();

    void report();

    std::istream& source_;
    std::string name_;
    Progress* progress_ = nullptr;
    std::uint64_t fileSize_ = 0;
    std::uint64_t produced_ = 0;
    std::uint64_t sourceRead_ = 0;
    std::uint64_t nextNote_ = 0;
    std::vector<char> buffer_;
    std::unique_ptr<Inflater> inflater_;
};
