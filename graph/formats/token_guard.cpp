#include "graph/formats/token_guard.h"

#include <algorithm>
#include <array>

#include "graph/formats/format_errors.h"

namespace {

constexpr std::size_t kBufferBytes = std::size_t{1} << 16;

using ByteTable = std::array<bool, 256>;

constexpr ByteTable tableOf(bool (*member)(unsigned char)) {
    ByteTable table{};
    for (int c = 0; c < 256; ++c) table[c] = member(static_cast<unsigned char>(c));
    return table;
}

// What the lexer of one format makes a single token of (see the header).
struct LexicalRules {
    ByteTable word;           // the bytes of a word
    bool countBlanks;         // a run of blanks is one token
    bool countBreaks;         // a run of line breaks is one token
    char comment;             // starts a comment, or 0
    bool commentAtLineStart;  // only at the start of a line
    bool commentEndsAtCr;     // a carriage return ends a comment as a line feed does
    bool strings;             // "..." is one token
    bool stringEndsAtNul;     // a NUL ends a string (the lexer then fails it)
    bool parentheses;         // (...) is one token
};

constexpr LexicalRules kGml = {tableOf([](unsigned char c) {
                                   return c != ' ' && c != '\t' && c != '\r' && c != '\n' &&
                                          c != '[' && c != ']' && c != '"' && c != 0;
                               }),
                               false,
                               false,
                               '#',
                               true,
                               true,
                               true,
                               true,
                               false};

constexpr LexicalRules kPajek = {tableOf([](unsigned char c) {
                                     return c != ' ' && c != '\t' && c != '\r' && c != '\n' &&
                                            c != 0;
                                 }),
                                 true,
                                 true,
                                 '%',
                                 false,
                                 false,
                                 true,
                                 false,
                                 true};

constexpr LexicalRules kNcol = {tableOf([](unsigned char c) { return c > 0x20 && c != 0x7F; }),
                                true,
                                false,
                                0,
                                false,
                                false,
                                false,
                                false,
                                false};

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isBreak(char c) {
    return c == '\n' || c == '\r';
}

// The tokens of GML, Pajek or NCOL, measured as their lexers cut them.
class LexicalScanner : public GuardScanner {
  public:
    LexicalScanner(const LexicalRules& rules, const std::string& name, std::size_t cap)
        : GuardScanner(name), rules_(rules), cap_(cap) {
        // Bytes that start no token of their own worth counting: skipped in one loop.
        for (int c = 0; c < 256; ++c) {
            const char b = static_cast<char>(c);
            skip_[c] = !rules.word[c] && !(rules.countBlanks && isBlank(b)) &&
                       !(rules.countBreaks && isBreak(b)) && !(rules.strings && b == '"') &&
                       !(rules.parentheses && b == '(') && !(b == rules.comment && b != 0);
        }
    }

  private:
    enum class State : std::uint8_t {
        between,
        word,
        quoted,
        parenthesised,
        comment,
        blanks,
        breaks
    };

    void scan(const char* p, const char* end) override {
        begin_ = p;
        while (p < end) {
            switch (state_) {
                case State::between:
                    while (p < end && skip_[uc(*p)]) ++p;
                    if (p < end) p = start(p);
                    break;
                case State::word:
                    p = extend(p, end, rules_.word);
                    break;
                case State::blanks:
                    p = extend(p, end, kBlanks);
                    break;
                case State::breaks:
                    p = extend(p, end, kBreaks);
                    break;
                case State::comment:
                    p = extend(p, end, rules_.commentEndsAtCr ? kNotBreak : kNotLineFeed);
                    break;
                case State::quoted:
                    p = enclosed(p, end, '"');
                    break;
                case State::parenthesised:
                    p = enclosed(p, end, ')');
                    break;
            }
        }
        previous_ = end[-1];
    }

    static unsigned char uc(char c) { return static_cast<unsigned char>(c); }

    static constexpr ByteTable kBlanks =
        tableOf([](unsigned char c) { return c == ' ' || c == '\t'; });
    static constexpr ByteTable kBreaks =
        tableOf([](unsigned char c) { return c == '\n' || c == '\r'; });
    static constexpr ByteTable kNotBreak =
        tableOf([](unsigned char c) { return c != '\n' && c != '\r'; });
    static constexpr ByteTable kNotLineFeed = tableOf([](unsigned char c) { return c != '\n'; });

    // At the first byte of a token (one the skip loop stops at): which token it starts.
    const char* start(const char* p) {
        const char c = *p;
        const char before = p > begin_ ? p[-1] : previous_;
        if (c == rules_.comment && c != 0 && (before == '\n' || !rules_.commentAtLineStart))
            return begin(State::comment, "comment", p);
        if (rules_.strings && c == '"') return begin(State::quoted, "quoted string", p);
        if (rules_.parentheses && c == '(')
            return begin(State::parenthesised, "text in parentheses", p);
        if (rules_.word[uc(c)]) return begin(State::word, "word", p);
        if (rules_.countBlanks && isBlank(c)) return begin(State::blanks, "run of blanks", p);
        if (rules_.countBreaks && isBreak(c)) return begin(State::breaks, "run of line breaks", p);
        return p + 1;  // a comment byte where no comment starts
    }

    const char* begin(State state, const char* what, const char* p) {
        state_ = state;
        what_ = what;
        length_ = 1;
        return p + 1;
    }

    // Past the bytes that continue the token; at its end the next token starts.
    const char* extend(const char* p, const char* end, const ByteTable& continues) {
        const char* q = p;
        while (q < end && continues[uc(*q)]) ++q;
        count(p, q);
        if (q < end) state_ = State::between;
        return q;
    }

    // Inside a string or parentheses: up to the closing byte, after which a word may go on.
    const char* enclosed(const char* p, const char* end, char close) {
        const char* q = p;
        while (q < end && *q != close && !(rules_.stringEndsAtNul && *q == 0)) ++q;
        count(p, q);
        if (q == end) return q;
        if (*q == 0) {
            state_ = State::between;
            return q;
        }
        count(q, q + 1);
        state_ = State::word;
        return q + 1;
    }

    void count(const char* p, const char* q) {
        length_ += static_cast<std::size_t>(q - p);
        // The byte that takes the token past the cap.
        if (length_ > cap_) [[unlikely]]
            fail(q - (length_ - cap_), what_ + (" longer than " + sizeText(cap_)));
    }

    const LexicalRules& rules_;
    std::size_t cap_;
    ByteTable skip_{};
    State state_ = State::between;
    const char* what_ = "";
    std::size_t length_ = 0;
    const char* begin_ = nullptr;  // the current block
    char previous_ = '\n';         // the last byte of the block before (a line starts the input)
};

}  // namespace

void GuardScanner::scanBlock(const char* begin, const char* end) {
    block_ = begin;
    scan(begin, end);
    lines_ += static_cast<std::uint64_t>(std::count(begin, end, '\n'));
    offset_ += static_cast<std::uint64_t>(end - begin);
}

void GuardScanner::fail(const char* at, const std::string& reason) const {
    failReading(name_, lines_ + 1 + static_cast<std::uint64_t>(std::count(block_, at, '\n')),
                reason);
}

std::string GuardScanner::sizeText(std::size_t bytes) {
    if (bytes >= (std::size_t{1} << 20) && bytes % (std::size_t{1} << 20) == 0)
        return std::to_string(bytes >> 20) + " MiB";
    if (bytes >= 1024 && bytes % 1024 == 0) return std::to_string(bytes >> 10) + " KiB";
    return std::to_string(bytes) + " bytes";
}

std::unique_ptr<GuardScanner> lexicalScanner(InputFormat format, const std::string& name,
                                             std::size_t cap) {
    const LexicalRules& rules = format == InputFormat::gml     ? kGml
                                : format == InputFormat::pajek ? kPajek
                                                               : kNcol;
    return std::make_unique<LexicalScanner>(rules, name, cap);
}

TokenGuard::TokenGuard(std::streambuf& source, std::unique_ptr<GuardScanner> scanner)
    : source_(source), scanner_(std::move(scanner)), buffer_(kBufferBytes) {
    setg(buffer_.data(), buffer_.data(), buffer_.data());
}

std::size_t TokenGuard::fill(char* to, std::size_t count) {
    const std::streamsize got = source_.sgetn(to, static_cast<std::streamsize>(count));
    if (got > 0) scanner_->scanBlock(to, to + got);
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

TokenGuard::int_type TokenGuard::underflow() {
    if (gptr() == egptr()) {
        const std::size_t got = fill(buffer_.data(), buffer_.size());
        setg(buffer_.data(), buffer_.data(), buffer_.data() + got);
        if (got == 0) return traits_type::eof();
    }
    return traits_type::to_int_type(*gptr());
}

std::streamsize TokenGuard::xsgetn(char* to, std::streamsize count) {
    const std::size_t wanted = static_cast<std::size_t>(count);
    const std::size_t buffered = std::min(wanted, static_cast<std::size_t>(egptr() - gptr()));
    std::copy(gptr(), gptr() + buffered, to);
    gbump(static_cast<int>(buffered));
    std::size_t done = buffered;
    while (done < wanted) {
        const std::size_t got = fill(to + done, wanted - done);
        if (got == 0) break;
        done += got;
    }
    return static_cast<std::streamsize>(done);
}
