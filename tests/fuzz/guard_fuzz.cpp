// Fuzz target of the guard in front of the libraries' parsers (token_guard.h, xml_guard.h). The
// first byte picks the scanner (GML, Pajek, NCOL, XML as GraphML or as GEXF) and its caps,
// small so that the limits are reached; the rest is the file. Whatever the bytes, the guard
// passes them unchanged or says one error line, the same whatever the sizes it is read in; the
// lexical scanners agree with a slow model of their rules (the first token past the cap and
// its line); and the XML scanner never refuses with larger limits what it passes with smaller
// ones.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "graph/defs.h"
#include "graph/formats/token_guard.h"
#include "graph/formats/xml_guard.h"

namespace {

const std::string kName = "in";

// What the guard lets through when read `step` bytes at a time, or its error.
struct Outcome {
    bool refused = false;
    std::string text;
    bool operator==(const Outcome&) const = default;
};

Outcome through(const std::string& text, std::size_t step, std::unique_ptr<GuardScanner> scanner) {
    std::istringstream source(text);
    TokenGuard guard(*source.rdbuf(), std::move(scanner));
    std::istream stream(&guard);
    stream.exceptions(std::ios::badbit);
    std::string out, block(step, '\0');
    try {
        while (stream.read(block.data(), static_cast<std::streamsize>(step)) || stream.gcount() > 0)
            out.append(block, 0, static_cast<std::size_t>(stream.gcount()));
    } catch (const Fatal& error) {
        return {true, error.what()};
    }
    return {false, out};
}

// ---- the model of the lexical scanners: the whole text, one token at a time ----

struct Rules {
    bool word[256];
    bool blanks, breaks, parentheses, commentAtLineStart, commentEndsAtCr, stringEndsAtNul;
    char comment;
    bool strings;
};

Rules rulesOf(InputFormat format) {
    Rules rules{};
    for (int c = 0; c < 256; ++c) {
        const bool space = c == ' ' || c == '\t' || c == '\r' || c == '\n';
        rules.word[c] = format == InputFormat::gml
                            ? !space && c != '[' && c != ']' && c != '"' && c != 0
                        : format == InputFormat::pajek ? !space && c != 0
                                                       : c > 0x20 && c != 0x7F;
    }
    rules.blanks = format != InputFormat::gml;
    rules.breaks = format == InputFormat::pajek;
    rules.parentheses = format == InputFormat::pajek;
    rules.strings = format != InputFormat::ncol;
    rules.comment = format == InputFormat::gml ? '#' : format == InputFormat::pajek ? '%' : 0;
    rules.commentAtLineStart = rules.commentEndsAtCr = rules.stringEndsAtNul =
        format == InputFormat::gml;
    return rules;
}

std::string lexicalModel(InputFormat format, std::string_view text, std::size_t cap) {
    const Rules r = rulesOf(format);
    auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    auto isBlank = [](unsigned char c) { return c == ' ' || c == '\t'; };
    auto isBreak = [](unsigned char c) { return c == '\n' || c == '\r'; };
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = at(i);
        std::size_t j = i + 1;
        const char* what = nullptr;
        if (r.comment && c == static_cast<unsigned char>(r.comment) &&
            (!r.commentAtLineStart || i == 0 || text[i - 1] == '\n')) {
            what = "comment";
            while (j < text.size() && at(j) != '\n' && !(r.commentEndsAtCr && at(j) == '\r')) ++j;
        } else if ((r.strings && c == '"') || (r.parentheses && c == '(')) {
            what = c == '"' ? "quoted string" : "text in parentheses";
            const unsigned char close = c == '"' ? '"' : ')';
            while (j < text.size() && at(j) != close && !(r.stringEndsAtNul && at(j) == 0)) ++j;
            if (j < text.size() && at(j) == close) {
                ++j;
                while (j < text.size() && r.word[at(j)]) ++j;
            }
        } else if (r.word[c]) {
            what = "word";
            while (j < text.size() && r.word[at(j)]) ++j;
        } else if (r.blanks && isBlank(c)) {
            what = "run of blanks";
            while (j < text.size() && isBlank(at(j))) ++j;
        } else if (r.breaks && isBreak(c)) {
            what = "run of line breaks";
            while (j < text.size() && isBreak(at(j))) ++j;
        }
        if (what && j - i > cap) {
            const std::size_t line =
                1 + static_cast<std::size_t>(
                        std::count(text.begin(), text.begin() + static_cast<long>(i + cap), '\n'));
            return "ERROR: in:" + std::to_string(line) + ": " + what + " longer than " +
                   std::to_string(cap) + " bytes\n";
        }
        i = j;
    }
    return std::string(text);
}

XmlLimits limitsOf(std::size_t scale, bool graphml) {
    return {.token = 8 * scale,
            .collectedText = graphml,
            .tag = 32 * scale,
            .attributes = 2 * scale,
            .expansionFloor = 64 * scale,
            .expansionCeiling = 512 * scale,
            .expansionRatio = 2};
}

// Every way of reading agrees; the result is the text or one error line.
Outcome checkedThrough(const std::string& text,
                       const std::function<std::unique_ptr<GuardScanner>()>& make) {
    const Outcome whole = through(text, text.size() + 1, make());
    FUZZ_CHECK(through(text, 1, make()) == whole);
    FUZZ_CHECK(through(text, 7, make()) == whole);
    FUZZ_CHECK(whole.refused ? fuzz::isOneErrorLine(whole.text) : whole.text == text);
    return whole;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const unsigned selector = data[0];
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const unsigned kind = selector % 5;
    if (kind < 3) {
        const InputFormat format = kind == 0   ? InputFormat::gml
                                   : kind == 1 ? InputFormat::pajek
                                               : InputFormat::ncol;
        const std::size_t cap = 4 + (selector / 5) % 28;
        const std::string got =
            checkedThrough(text, [&] { return lexicalScanner(format, kName, cap); }).text;
        const std::string expected = lexicalModel(format, text, cap);
        if (got != expected)
            std::fprintf(stderr, "got:  %s\nwant: %s\n", got.c_str(), expected.c_str());
        FUZZ_CHECK(got == expected);
        return 0;
    }
    const bool graphml = kind == 3;
    const std::size_t scale = 1 + (selector / 5) % 4;
    const Outcome small =
        checkedThrough(text, [&] { return xmlScanner(kName, limitsOf(scale, graphml)); });
    const Outcome large =
        checkedThrough(text, [&] { return xmlScanner(kName, limitsOf(2 * scale, graphml)); });
    // What passes the smaller limits passes the larger ones.
    if (!small.refused) FUZZ_CHECK(!large.refused);
    return 0;
}
