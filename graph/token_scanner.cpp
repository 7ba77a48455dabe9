#include "graph/token_scanner.h"

#include <algorithm>
#include <cstring>

namespace {

// Bytes of a giant token kept for its message (as many as a message shows).
constexpr std::size_t kShownBytes = 64;

}  // namespace

TokenScanner::TokenScanner(std::istream& input, const std::string& name, std::size_t blockSize,
                           std::string_view prefix, const char* role, std::uint64_t firstLine)
    : input_(input),
      name_(name),
      role_(role),
      blockSize_(std::max<std::size_t>(blockSize, 1)),
      line_(firstLine) {
    buffer_.assign(prefix.begin(), prefix.end());
    p_ = buffer_.data();
    end_ = buffer_.data() + buffer_.size();
    bytesRead_ = prefix.size();
    // Taking over in the middle of the input, the prefix's whole tokens are handed out as
    // they are (a long prefix is not one giant token) and only a token it cuts short waits
    // for the rest. At the start, the first block is read at once (a read error comes first).
    safe_ = end_;
    while (safe_ > p_ && !scanning::isSpace(safe_[-1])) --safe_;
    if (safe_ == p_ || firstLine == 1) refill();
    if (firstLine != 1) return;
    // A byte order mark at the very start; the first refill may hold fewer bytes.
    while (end_ - p_ < 3 && refill()) {
    }
    if (end_ - p_ >= 3 && std::memcmp(p_, "\xEF\xBB\xBF", 3) == 0) p_ += 3;
}

void TokenScanner::failAt(std::uint64_t line, std::string_view token, const char* what) const {
    throw Fatal("ERROR: " + name_ + ":" + std::to_string(line) + ": '" +
                escaped(token, Escape::Token) + "' is not a valid " + what + "\n");
}

bool TokenScanner::skipComment() {
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

bool TokenScanner::refill() {
    if (atEnd_) return false;
    std::size_t kept = static_cast<std::size_t>(end_ - p_);
    const bool tailIsCut = cut_ != nullptr && cut_ == p_;
    if (kept > 0 && p_ != buffer_.data()) std::memmove(buffer_.data(), p_, kept);
    // The tail is an unfinished token. Past kLongestToken it is invalid whatever follows,
    // so only the bytes its message shows are kept, with a NUL that keeps it invalid, and
    // the rest of it is skipped: a giant token (a file of one 10 GB line) costs no memory.
    bool cutNow = false;
    if (kept > kLongestToken) {
        buffer_[kShownBytes] = '\0';
        kept = kShownBytes + 1;
        skipping_ = true;
        cutNow = true;
    }
    // A tail that fills a whole block is one long token: read as much again.
    const std::size_t want = std::max(blockSize_, kept);
    if (buffer_.size() < kept + want + 1) buffer_.resize(kept + want + 1);
    char* data = buffer_.data();
    input_.read(data + kept, static_cast<std::streamsize>(want));
    const std::size_t got = static_cast<std::size_t>(input_.gcount());
    bytesRead_ += got;
    if (input_.bad())
        throw Fatal("ERROR: " + std::string(role_) + " " + name_ + " cannot be opened\n");
    p_ = data;
    cut_ = tailIsCut || cutNow ? data : nullptr;
    end_ = data + kept + (skipping_ ? skipTokenRest(data + kept, got) : got);
    if (got < want) {
        atEnd_ = true;
        *end_++ = '\n';
        safe_ = end_;
        return true;
    }
    safe_ = end_;
    while (safe_ > p_ && !scanning::isSpace(safe_[-1])) --safe_;
    return true;
}

std::size_t TokenScanner::skipTokenRest(char* block, std::size_t size) {
    std::size_t rest = 0;
    while (rest < size && !scanning::isSpace(block[rest])) ++rest;
    if (rest == size) return 0;
    skipping_ = false;
    std::memmove(block, block + rest, size - rest);
    return size - rest;
}
