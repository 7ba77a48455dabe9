#include "graph/formats/xml_guard.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "graph/text.h"

namespace {

using ByteTable = std::array<bool, 256>;

constexpr ByteTable tableOf(std::string_view bytes) {
    ByteTable table{};
    for (const char c : bytes) table[static_cast<unsigned char>(c)] = true;
    return table;
}

constexpr ByteTable kTextStop = tableOf("<&");
constexpr ByteTable kSpace = tableOf(" \t\r\n");
// What ends a name in a tag (and the bytes between names).
constexpr ByteTable kNameEnd = tableOf(" \t\r\n/>=\"'");
// What cannot be part of a reference's name: the reference was none.
constexpr ByteTable kNotInReference = tableOf(" \t\r\n<>&\"'%;");

constexpr std::uint64_t kUnbounded = std::uint64_t{1} << 62;
constexpr std::uint32_t kNone = UINT32_MAX;

unsigned char uc(char c) {
    return static_cast<unsigned char>(c);
}

// Sums of lengths stop at kUnbounded (a loop of entities, or a billion laughs).
std::uint64_t add(std::uint64_t a, std::uint64_t b) {
    return std::min(std::min(a, kUnbounded) + std::min(b, kUnbounded), kUnbounded);
}

bool isPredefined(std::string_view name) {
    return name == "amp" || name == "lt" || name == "gt" || name == "apos" || name == "quot";
}

// The code point of a character reference's name ("#60", "#x3C"), or kNone.
std::uint32_t characterOf(std::string_view name) {
    std::uint64_t value = 0;
    const bool hex = name.size() > 1 && name[1] == 'x';
    const std::string_view digits = name.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 8) return kNone;
    for (const char c : digits) {
        const int digit = std::isdigit(uc(c))           ? c - '0'
                          : hex && std::isxdigit(uc(c)) ? std::tolower(uc(c)) - 'a' + 10
                                                        : -1;
        if (digit < 0) return kNone;
        value = value * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
    }
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(value, kNone));
}

// Encodings in which every byte below 0x40 is the ASCII character: the scan sees the markup
// libxml2 sees. Compared without case, '-', '_' and blanks.
bool keepsAscii(std::string_view encoding) {
    std::string name;
    for (const char c : encoding)
        if (c != '-' && c != '_' && c != ' ') name += static_cast<char>(std::toupper(uc(c)));
    static const std::array<std::string_view, 20> kPrefixes = {
        "UTF8",  "USASCII",  "ASCII", "ISO8859", "ISOLATIN", "LATIN",    "WINDOWS125",
        "CP125", "SHIFTJIS", "SJIS",  "EUCJP",   "EUCKR",    "EUCCN",    "GB2312",
        "GBK",   "GB18030",  "BIG5",  "KOI8",    "TIS620",   "MACINTOSH"};
    return std::any_of(kPrefixes.begin(), kPrefixes.end(),
                       [&](std::string_view prefix) { return name.starts_with(prefix); });
}

// The general entities of the internal subset, by name: each one's own bytes and the entities
// its text refers to, expanded once when first used. A name referred to before it is declared
// has an entry that its declaration fills.
class Entities {
  public:
    struct Expansion {
        std::uint64_t length;
        std::uint32_t external;  // an external entity the text would read, or kNone
    };

    std::uint32_t number(const std::string& name) {
        const auto [at, added] =
            numbers_.try_emplace(name, static_cast<std::uint32_t>(all_.size()));
        if (added) {
            all_.emplace_back();
            names_.push_back(name);
        }
        return at->second;
    }
    // The declared entity of that name, or kNone.
    std::uint32_t find(const std::string& name) const {
        const auto at = numbers_.find(name);
        return at == numbers_.end() || !all_[at->second].declared ? kNone : at->second;
    }
    // The first declaration of a name counts, as in libxml2.
    void declare(const std::string& name, std::uint64_t own, std::vector<std::uint32_t> refs,
                 bool external) {
        Entity& entity = all_[number(name)];
        if (entity.declared) return;
        entity = {own, std::move(refs), 0, kNone, true, external, 0};
    }
    const std::string& name(std::uint32_t number) const { return names_[number]; }

    Expansion expand(std::uint32_t root);

  private:
    struct Entity {
        std::uint64_t own = 0;
        std::vector<std::uint32_t> refs;
        std::uint64_t expanded = 0;
        std::uint32_t reachesExternal = kNone;
        bool declared = false;
        bool external = false;
        std::uint8_t mark = 0;  // 0 not expanded yet, 1 under way, 2 done
    };

    void finish(std::uint32_t number);

    std::unordered_map<std::string, std::uint32_t> numbers_;
    std::vector<Entity> all_;
    std::vector<std::string> names_;
    std::vector<std::pair<std::uint32_t, std::size_t>> stack_;
};

// Depth first, without recursion (a chain of a million entities is a valid document); an
// entity met again while its own expansion is under way is a loop, which has no end.
Entities::Expansion Entities::expand(std::uint32_t root) {
    if (all_[root].mark != 2) {
        all_[root].mark = 1;
        stack_.assign(1, {root, 0});
        while (!stack_.empty()) {
            const auto [number, next] = stack_.back();
            const std::vector<std::uint32_t>& refs = all_[number].refs;
            if (next == refs.size()) {
                finish(number);
                stack_.pop_back();
                continue;
            }
            ++stack_.back().second;
            Entity& child = all_[refs[next]];
            if (child.declared && child.mark == 0) {
                child.mark = 1;
                stack_.emplace_back(refs[next], 0);
            }
        }
    }
    return {all_[root].expanded, all_[root].reachesExternal};
}

void Entities::finish(std::uint32_t number) {
    Entity& entity = all_[number];
    std::uint64_t length = entity.own;
    std::uint32_t external = entity.external ? number : kNone;
    for (const std::uint32_t ref : entity.refs) {
        const Entity& child = all_[ref];
        if (!child.declared) continue;  // libxml2 reports it
        length = add(length, child.mark == 1 ? kUnbounded : child.expanded);
        if (external == kNone) external = child.reachesExternal;
    }
    entity.expanded = length;
    entity.reachesExternal = external;
    entity.mark = 2;
}

class XmlScanner : public GuardScanner {
  public:
    XmlScanner(const std::string& name, const XmlLimits& limits)
        : GuardScanner(name), limits_(limits) {}

  private:
    enum class State : std::uint8_t {
        text,
        reference,
        lt,
        bang,
        bangDash,
        comment,
        instruction,
        cdata,
        tagName,
        tag,
        value,
        endTag,
        declaration,
        literal,
        subset,
        afterSubset
    };
    // Where a reference is, and so what its text counts in.
    enum class Context : std::uint8_t { text, value, literal };
    enum class Declaration : std::uint8_t { doctype, entity, attlist, other };
    enum class Literal : std::uint8_t { plain, entityValue, defaultValue };

    void scan(const char* p, const char* end) override {
        if (head_.size() < 4) checkHead(p, end);
        while (p < end) p = step(p, end);
    }

    const char* step(const char* p, const char* end) {
        switch (state_) {
            case State::text:
                return text(p, end);
            case State::reference:
                return reference(p, end);
            case State::lt:
                return afterLt(p);
            case State::bang:
                return afterBang(p);
            case State::bangDash:
                return afterBangDash(p);
            case State::comment:
                return comment(p, end);
            case State::instruction:
                return instruction(p, end);
            case State::cdata:
                return cdata(p, end);
            case State::tagName:
                return tagName(p, end);
            case State::tag:
                return tag(p, end);
            case State::value:
                return value(p, end);
            case State::endTag:
                return endTag(p, end);
            case State::declaration:
                return declaration(p, end);
            case State::literal:
                return literal(p, end);
            case State::subset:
                return subset(p);
            case State::afterSubset:
                return afterSubset(p);
        }
        return end;
    }

    // ---- counting ----

    // Adds n bytes of the input's own, ending at `at`, to a token's length; the error names
    // the line of the byte that passes the cap.
    void grow(std::uint64_t& length, std::uint64_t n, std::uint64_t cap, const char* at,
              const char* what) {
        length += n;
        if (length > cap) [[unlikely]]
            tooLong(at - (length - cap), what, cap);
    }
    // Adds what a reference ending at `at` stands for; the error names the reference's line.
    void growAt(std::uint64_t& length, std::uint64_t n, std::uint64_t cap, const char* at,
                const char* what) {
        length = add(length, n);
        if (length > cap) [[unlikely]]
            tooLong(at, what, cap);
    }
    // The same n bytes added to two tokens (a value and its tag, say). The error names the
    // first byte that passes a cap, whichever way the input was cut into blocks: the first
    // token's when one byte passes both.
    void grow2(std::uint64_t& first, std::uint64_t firstCap, const char* firstWhat,
               std::uint64_t& second, std::uint64_t secondCap, const char* secondWhat,
               std::uint64_t n, const char* at) {
        first += n;
        second += n;
        if (first <= firstCap && second <= secondCap) [[likely]]
            return;
        const char* firstPass = first > firstCap ? at - (first - firstCap) : at;
        const char* secondPass = second > secondCap ? at - (second - secondCap) : at;
        if (first > firstCap && (second <= secondCap || firstPass <= secondPass))
            tooLong(firstPass, firstWhat, firstCap);
        tooLong(secondPass, secondWhat, secondCap);
    }
    [[noreturn]] void tooLong(const char* at, const char* what, std::uint64_t cap) const {
        fail(at, what + (" longer than " + sizeText(cap)));
    }

    void addText(std::uint64_t n, const char* at) {
        if (dataDepth_ != 0 && depth_ == dataDepth_)
            grow2(run_, limits_.token, "text", collected_, limits_.token, "text", n, at);
        else
            grow(run_, n, limits_.token, at, "text");
    }
    void addTextAt(std::uint64_t n, const char* at) {
        growAt(run_, n, limits_.token, at, "text");
        if (dataDepth_ != 0 && depth_ == dataDepth_)
            growAt(collected_, n, limits_.token, at, "text");
    }

    // Text an entity reference ending at `at` expands to, against the bound of the whole.
    void expand(std::uint64_t n, const char* at) {
        expanded_ = add(expanded_, n);
        const std::uint64_t read = std::min(offset(at), kUnbounded / limits_.expansionRatio);
        const std::uint64_t bound =
            std::min(limits_.expansionCeiling,
                     std::max(limits_.expansionFloor, limits_.expansionRatio * read));
        if (expanded_ > bound)
            fail(at, "entity references expand to more than " +
                         std::to_string(limits_.expansionRatio) + " times the input read (" +
                         sizeText(limits_.expansionFloor) + " at least, " +
                         sizeText(limits_.expansionCeiling) + " at most)");
    }

    // ---- the start: encodings in which the markup is not ASCII ----

    void checkHead(const char* p, const char* end) {
        for (; head_.size() < 4 && p < end; ++p) {
            head_ += *p;
            const bool wide = head_.size() == 2 && (head_[0] == 0 || head_[1] == 0 ||
                                                    head_ == "\xFE\xFF" || head_ == "\xFF\xFE");
            if (wide || head_ == "\x4C\x6F\xA7\x94")
                fail(p, "XML in UTF-16, UTF-32 or EBCDIC is not read");
        }
    }

    // The XML declaration (<?xml ...?> at the start) may name another encoding.
    void checkDeclaredEncoding(const char* at) {
        const std::string_view text(declaration_);
        if (!text.starts_with("xml") || text.size() < 4 || !kSpace[uc(text[3])]) return;
        std::size_t i = text.find("encoding");
        if (i == std::string_view::npos) return;
        i = text.find_first_not_of(" \t\r\n=", i + 8);
        if (i == std::string_view::npos || (text[i] != '"' && text[i] != '\'')) return;
        const std::size_t close = text.find(text[i], i + 1);
        const std::string_view name = text.substr(i + 1, close - i - 1);
        if (close != std::string_view::npos && !keepsAscii(name))
            fail(at, "encoding '" + escaped(name, Escape::Text) +
                         "' is not read: UTF-8 or an encoding that keeps ASCII");
    }

    // ---- content ----

    // Text, and the tags between runs of it: a start or end tag that follows is read here too,
    // so that common markup costs no trip through the states.
    const char* text(const char* p, const char* end) {
        while (p < end) {
            const char* q = p;
            while (q < end && !kTextStop[uc(*q)]) ++q;
            addText(static_cast<std::uint64_t>(q - p), q);
            if (q == end) return q;
            if (*q == '&') {
                startReference(Context::text);
                return q + 1;
            }
            state_ = State::lt;
            if (q + 1 == end) return end;
            p = afterLt(q + 1);
            if (state_ == State::tagName)
                p = tagName(p, end);
            else if (state_ == State::endTag)
                p = endTag(p, end);
            if (state_ != State::text) return p;
        }
        return p;
    }

    void startReference(Context context) {
        context_ = context;
        reference_.clear();
        state_ = State::reference;
    }

    const char* reference(const char* p, const char* end) {
        const char* q = p;
        while (q < end && !kNotInReference[uc(*q)]) ++q;
        reference_.append(p, q);
        if (reference_.size() > limits_.token)
            fail(q - 1, "name longer than " + sizeText(limits_.token));
        if (q == end) return q;
        if (*q == ';') {
            resolve(q);
            return q + 1;
        }
        // Not a reference after all: its bytes are read as what surrounds them, and the byte
        // that ended it is read again there.
        countOwn(reference_.size() + 1, q);
        return q;
    }

    // Bytes written in the input, in the reference's context, ending before `at`.
    void countOwn(std::uint64_t n, const char* at) {
        switch (context_) {
            case Context::text:
                addTextAt(n, at);
                state_ = State::text;
                break;
            case Context::value:
                growAt(valueLength_, n, limits_.token, at, "attribute value");
                growAt(tagLength_, n, limits_.tag, at, "tag");
                state_ = State::value;
                break;
            case Context::literal:
                growAt(literalLength_, n, limits_.token, at, literalWhat());
                growAt(markup_, n, limits_.tag, at, "declaration");
                state_ = State::literal;
                break;
        }
    }

    // A whole reference, its ';' at `at`.
    void resolve(const char* at) {
        const std::uint64_t written = reference_.size() + 2;
        const bool inEntityValue = context_ == Context::literal && literal_ == Literal::entityValue;
        if (reference_.starts_with('#')) {
            const std::uint32_t character = characterOf(reference_);
            if (inEntityValue && (character == '<' || character == '&'))
                fail(at, "entity '" + escaped(entityName_, Escape::Text) + "' holds markup");
        } else if (inEntityValue && !isPredefined(reference_)) {
            refs_.push_back(entities_.number(reference_));  // counted where it is used
            countOwn(0, at);
            return;
        } else if (const std::uint32_t entity =
                       isPredefined(reference_) ? kNone : entities_.find(reference_);
                   entity != kNone) {
            const Entities::Expansion expansion = entities_.expand(entity);
            if (expansion.external != kNone)
                fail(at, "external entity '" +
                             escaped(entities_.name(expansion.external), Escape::Text) +
                             "' is not read");
            // Only entities built on entities can outgrow the input before them; libxml2
            // would stop those itself, saying it met a loop.
            if (expansion.length >
                limits_.expansionRatio * std::min(offset(at), kUnbounded / limits_.expansionRatio))
                fail(at, "entity '" + escaped(reference_, Escape::Text) +
                             "' expands to more than " + std::to_string(limits_.expansionRatio) +
                             " times the input read");
            expand(expansion.length, at);
            countExpansion(expansion.length, written, at);
            return;
        }
        countOwn(written, at);
    }

    // An entity's text in place of its reference (written bytes long).
    void countExpansion(std::uint64_t length, std::uint64_t written, const char* at) {
        switch (context_) {
            case Context::text:
                addTextAt(length, at);
                state_ = State::text;
                break;
            case Context::value:
                growAt(valueLength_, length, limits_.token, at, "attribute value");
                growAt(tagLength_, written, limits_.tag, at, "tag");
                state_ = State::value;
                break;
            case Context::literal:
                growAt(literalLength_, length, limits_.token, at, literalWhat());
                growAt(markup_, written, limits_.tag, at, "declaration");
                state_ = State::literal;
                break;
        }
    }

    const char* afterLt(const char* p) {
        const char c = *p;
        if (c == '!') {
            state_ = State::bang;
            return p + 1;
        }
        if (c == '?') {
            state_ = State::instruction;
            markup_ = 2;
            questionMark_ = false;
            declaration_.clear();
            inDeclaration_ = offset(p) == 1;
            return p + 1;
        }
        if (inSubset_) {
            state_ = State::subset;
            return p;
        }
        run_ = 0;
        tagLength_ = 1;
        nameLength_ = 0;
        if (c == '/') {
            state_ = State::endTag;
            return p + 1;
        }
        element_.clear();
        localLength_ = 0;
        attributes_ = 0;
        selfClosing_ = false;
        state_ = State::tagName;
        return p;
    }

    const char* afterBang(const char* p) {
        if (*p == '-') {
            state_ = State::bangDash;
            return p + 1;
        }
        if (*p == '[' && !inSubset_) {
            state_ = State::cdata;
            closers_ = 0;
            return p + 1;
        }
        startDeclaration();
        return p;
    }

    const char* afterBangDash(const char* p) {
        if (*p != '-') {
            startDeclaration();
            return p;
        }
        state_ = State::comment;
        markup_ = 4;
        closers_ = 0;
        return p + 1;
    }

    // After markup that may stand in the internal subset.
    void backOutOfMarkup() { state_ = inSubset_ ? State::subset : State::text; }

    const char* comment(const char* p, const char* end) {
        const char* q = p;
        bool closed = false;
        while (q < end && !closed) {
            const char c = *q++;
            closed = c == '>' && closers_ >= 2;
            closers_ = c == '-' ? closers_ + 1 : 0;
        }
        grow(markup_, static_cast<std::uint64_t>(q - p), limits_.token, q, "comment");
        if (closed) backOutOfMarkup();
        return q;
    }

    const char* instruction(const char* p, const char* end) {
        const char* q = p;
        bool closed = false;
        while (q < end && !closed) {
            const char c = *q++;
            closed = c == '>' && questionMark_;
            questionMark_ = c == '?';
        }
        grow(markup_, static_cast<std::uint64_t>(q - p), limits_.token, q,
             "processing instruction");
        if (inDeclaration_) declaration_.append(p, q);
        if (!closed) return q;
        if (inDeclaration_) checkDeclaredEncoding(q - 1);
        inDeclaration_ = false;
        backOutOfMarkup();
        return q;
    }

    // CDATA is text (igraph asks libxml2 to hand it over as text).
    const char* cdata(const char* p, const char* end) {
        const char* q = p;
        bool closed = false;
        while (q < end && !closed) {
            const char c = *q++;
            closed = c == '>' && closers_ >= 2;
            closers_ = c == ']' ? closers_ + 1 : 0;
        }
        addText(static_cast<std::uint64_t>(q - p), q);
        if (closed) state_ = State::text;
        return q;
    }

    // ---- tags ----

    const char* tagName(const char* p, const char* end) {
        const char* q = p;
        while (q < end && !kNameEnd[uc(*q)]) ++q;
        if (!defaults_.empty()) element_.append(p, q);
        if (limits_.collectedText) noteLocalName(p, q);
        countName(p, q);
        if (q == end) return q;
        state_ = State::tag;
        nameLength_ = 0;
        return tag(q, end);
    }

    void countTag(const char* p, const char* q) {
        grow(tagLength_, static_cast<std::uint64_t>(q - p), limits_.tag, q, "tag");
    }
    // Bytes of a name in a tag.
    void countName(const char* p, const char* q) {
        grow2(tagLength_, limits_.tag, "tag", nameLength_, limits_.token, "name",
              static_cast<std::uint64_t>(q - p), q);
    }

    // Inside a start tag: attribute names, and the values after them.
    const char* tag(const char* p, const char* end) {
        const char* q = p;
        while (q < end) {
            const char c = *q;
            if (!kNameEnd[uc(c)]) {
                const char* name = q;
                while (q < end && !kNameEnd[uc(*q)]) ++q;
                countName(name, q);
                selfClosing_ = false;
                continue;
            }
            ++q;
            countTag(q - 1, q);
            if (c == '>') {
                endStartTag(q - 1);
                return q;
            }
            if (c == '"' || c == '\'') {
                startValue(c, q - 1);
                q = valueBytes(q, end);
                if (state_ != State::tag) return q;
                continue;
            }
            selfClosing_ = c == '/';
            nameLength_ = 0;
        }
        return q;
    }

    void startValue(char quote, const char* at) {
        if (++attributes_ > limits_.attributes)
            fail(at,
                 "element with more than " + std::to_string(limits_.attributes) + " attributes");
        quote_ = quote;
        valueLength_ = 0;
        state_ = State::value;
    }

    const char* value(const char* p, const char* end) {
        const char* q = valueBytes(p, end);
        return state_ == State::tag ? tag(q, end) : q;
    }

    // An attribute value's bytes up to its closing quote (the state is then the tag's again)
    // or a reference.
    const char* valueBytes(const char* p, const char* end) {
        const char* q = p;
        while (q < end && *q != quote_ && *q != '&') ++q;
        grow2(tagLength_, limits_.tag, "tag", valueLength_, limits_.token, "attribute value",
              static_cast<std::uint64_t>(q - p), q);
        if (q == end) return q;
        countTag(q, q + 1);
        if (*q == quote_) {
            state_ = State::tag;
            nameLength_ = 0;
        } else {
            startReference(Context::value);
        }
        return q + 1;
    }

    void endStartTag(const char* at) {
        if (!defaults_.empty()) {
            const auto found = defaults_.find(element_);
            if (found != defaults_.end()) expand(found->second, at);
        }
        state_ = State::text;
        run_ = 0;
        if (selfClosing_) return;
        ++depth_;
        if (limits_.collectedText && dataDepth_ == 0 && collectsText()) {
            dataDepth_ = depth_;
            collected_ = 0;
        }
    }

    // The last bytes of the element's name after its prefix, as far as "default" goes.
    void noteLocalName(const char* p, const char* q) {
        for (const char* r = q; r > p; --r)
            if (r[-1] == ':') {
                localLength_ = 0;
                p = r;
                break;
            }
        const std::size_t n = static_cast<std::size_t>(q - p);
        if (localLength_ < local_.size())
            std::copy_n(p, std::min(n, local_.size() - localLength_), local_.data() + localLength_);
        localLength_ += n;
    }

    // GraphML's elements whose text igraph collects.
    bool collectsText() const {
        const std::string_view local(local_.data(), std::min(localLength_, local_.size()));
        return localLength_ <= local_.size() && (local == "data" || local == "default");
    }

    const char* endTag(const char* p, const char* end) {
        const char* q = p;
        while (q < end && *q != '>') ++q;
        countName(p, q);
        if (q == end) return q;
        if (depth_ > 0) --depth_;
        if (dataDepth_ > depth_) dataDepth_ = 0;
        state_ = State::text;
        run_ = 0;
        return q + 1;
    }

    // ---- the document type and its declarations ----

    void startDeclaration() {
        state_ = State::declaration;
        markup_ = 2;
        words_ = 0;
        word_.clear();
        kind_ = Declaration::other;
        entityName_.clear();
        parameterEntity_ = false;
        external_ = false;
        valueSeen_ = false;
        percent_ = false;
        refs_.clear();
        entityOwn_ = 0;
    }

    const char* declaration(const char* p, const char* end) {
        const char* q = p;
        while (q < end) {
            const char c = *q++;
            grow(markup_, 1, limits_.tag, q, "declaration");
            if (percent_ && !kSpace[uc(c)]) fail(q - 1, "parameter entity references are not read");
            percent_ = c == '%';
            if (kSpace[uc(c)]) {
                finishWord();
            } else if (c == '"' || c == '\'') {
                finishWord();
                startLiteral(c, q - 1);
                return q;
            } else if (c == '>') {
                finishWord();
                finishDeclaration();
                backOutOfMarkup();
                return q;
            } else if (c == '[' && kind_ == Declaration::doctype && !inSubset_) {
                finishWord();
                inSubset_ = true;
                state_ = State::subset;
                return q;
            } else {
                word_ += c;
                if (word_.size() > limits_.token)
                    fail(q - 1, "name longer than " + sizeText(limits_.token));
            }
        }
        return q;
    }

    void finishWord() {
        if (word_.empty()) return;
        if (words_ == 0) {
            kind_ = word_ == "DOCTYPE"   ? Declaration::doctype
                    : word_ == "ENTITY"  ? Declaration::entity
                    : word_ == "ATTLIST" ? Declaration::attlist
                                         : Declaration::other;
        } else if (kind_ == Declaration::entity) {
            if (word_ == "%" && entityName_.empty())
                parameterEntity_ = true;
            else if (entityName_.empty())
                entityName_ = word_;
            else if (word_ == "SYSTEM" || word_ == "PUBLIC" || word_ == "NDATA")
                external_ = true;
        } else if (kind_ == Declaration::attlist && words_ == 1) {
            attlistElement_ = word_;
        }
        ++words_;
        word_.clear();
    }

    // A literal of a declaration, its opening quote at `at`.
    void startLiteral(char quote, const char* at) {
        literal_ = Literal::plain;
        if (kind_ == Declaration::entity && !entityName_.empty() && !external_ && !valueSeen_ &&
            !parameterEntity_)
            literal_ = Literal::entityValue;
        if (kind_ == Declaration::attlist) {
            literal_ = Literal::defaultValue;
            if (++defaultCount_ > limits_.attributes)
                fail(at, "more than " + std::to_string(limits_.attributes) + " attribute defaults");
        }
        valueSeen_ = valueSeen_ || kind_ == Declaration::entity;
        quote_ = quote;
        literalLength_ = 0;
        state_ = State::literal;
    }

    const char* literalWhat() const {
        return literal_ == Literal::entityValue ? "entity value" : "literal";
    }

    const char* literal(const char* p, const char* end) {
        // Entity values stop at references and markup, defaults at references.
        const bool references = literal_ != Literal::plain;
        const bool value = literal_ == Literal::entityValue;
        const char* q = p;
        while (q < end && *q != quote_ && !(references && *q == '&') &&
               !(value && (*q == '<' || *q == '%')))
            ++q;
        grow2(markup_, limits_.tag, "declaration", literalLength_, limits_.token, literalWhat(),
              static_cast<std::uint64_t>(q - p), q);
        if (q == end) return q;
        grow(markup_, 1, limits_.tag, q + 1, "declaration");
        if (*q == quote_) {
            finishLiteral();
            state_ = State::declaration;
        } else if (*q == '&') {
            startReference(Context::literal);
        } else if (*q == '%') {
            fail(q, "parameter entity references are not read");
        } else {
            fail(q, "entity '" + escaped(entityName_, Escape::Text) + "' holds markup");
        }
        return q + 1;
    }

    void finishLiteral() {
        if (literal_ == Literal::entityValue) entityOwn_ = literalLength_;
        if (literal_ == Literal::defaultValue)
            defaults_[attlistElement_] = add(defaults_[attlistElement_], literalLength_);
    }

    void finishDeclaration() {
        if (kind_ == Declaration::entity && !parameterEntity_ && !entityName_.empty() &&
            !isPredefined(entityName_))
            entities_.declare(entityName_, entityOwn_, std::move(refs_), external_);
        refs_.clear();
    }

    const char* subset(const char* p) {
        if (*p == '<') {
            state_ = State::lt;
        } else if (*p == ']') {
            state_ = State::afterSubset;
        } else if (*p == '%') {
            fail(p, "parameter entity references are not read");
        }
        return p + 1;
    }

    const char* afterSubset(const char* p) {
        if (*p == '>') {
            inSubset_ = false;
            state_ = State::text;
        }
        return p + 1;
    }

    const XmlLimits limits_;
    State state_ = State::text;
    std::string head_;  // the first 4 bytes

    std::uint64_t run_ = 0;        // text since the last tag
    std::uint64_t collected_ = 0;  // the text igraph collects for the open <data>
    std::uint64_t depth_ = 0;
    std::uint64_t dataDepth_ = 0;  // the depth inside that <data>, or 0
    std::uint64_t expanded_ = 0;   // all references' text so far

    Context context_ = Context::text;
    std::string reference_;

    std::uint64_t tagLength_ = 0;
    std::uint64_t nameLength_ = 0;
    std::uint64_t valueLength_ = 0;
    std::size_t attributes_ = 0;
    bool selfClosing_ = false;
    char quote_ = '"';
    std::string element_;  // the element's name, while attribute defaults are declared
    std::array<char, 7> local_{};
    std::size_t localLength_ = 0;

    std::uint64_t markup_ = 0;  // a comment, instruction or declaration so far
    int closers_ = 0;           // '-' or ']' just before
    bool questionMark_ = false;
    bool inDeclaration_ = false;  // the instruction is the XML declaration
    std::string declaration_;

    bool inSubset_ = false;
    Declaration kind_ = Declaration::other;
    std::size_t words_ = 0;
    std::string word_;
    bool percent_ = false;
    std::string entityName_;
    bool parameterEntity_ = false;
    bool external_ = false;
    bool valueSeen_ = false;
    Literal literal_ = Literal::plain;
    std::uint64_t literalLength_ = 0;
    std::uint64_t entityOwn_ = 0;
    std::vector<std::uint32_t> refs_;
    std::string attlistElement_;
    std::size_t defaultCount_ = 0;
    std::unordered_map<std::string, std::uint64_t> defaults_;
    Entities entities_;
};

}  // namespace

std::unique_ptr<GuardScanner> xmlScanner(const std::string& name, const XmlLimits& limits) {
    return std::make_unique<XmlScanner>(name, limits);
}
