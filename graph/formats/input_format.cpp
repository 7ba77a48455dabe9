#include "graph/formats/input_format.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace {

constexpr std::array<std::pair<InputFormat, const char*>, 7> kNames = {{
    {InputFormat::edges, "edges"},
    {InputFormat::graphml, "graphml"},
    {InputFormat::gexf, "gexf"},
    {InputFormat::gml, "gml"},
    {InputFormat::pajek, "pajek"},
    {InputFormat::ncol, "ncol"},
    {InputFormat::csv, "csv"},
}};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

std::string_view withoutByteOrderMark(std::string_view head) {
    return head.substr(0, 3) == "\xEF\xBB\xBF" ? head.substr(3) : head;
}

// What a head of the file says of a format: it is, it is not, or the head ends before it
// can tell (in a comment of the preamble, say).
enum class Verdict { no, yes, more };

// The local name of the first element of an XML document, "" when the text does not look like
// XML or the head ends first, or nothing when it ends inside the prolog and more bytes follow.
std::optional<std::string_view> firstElement(std::string_view text, bool complete) {
    const std::optional<std::string_view> ended =
        complete ? std::optional<std::string_view>("") : std::nullopt;
    std::size_t at = 0;
    auto skipTo = [&](std::string_view end) {
        const std::size_t found = text.find(end, at);
        at = found == std::string_view::npos ? text.size() : found + end.size();
        return found != std::string_view::npos;
    };
    for (;;) {
        while (at < text.size() && isBlank(text[at])) ++at;
        const std::string_view rest = text.substr(at);
        if (rest.empty()) return ended;
        if (rest[0] != '<') return "";
        if (rest.size() < 4 && !complete) return std::nullopt;
        bool closed = true;
        if (rest.substr(0, 2) == "<?") {
            closed = skipTo("?>");
        } else if (rest.substr(0, 4) == "<!--") {
            closed = skipTo("-->");
        } else if (rest.substr(0, 2) == "<!") {
            // A document type, its internal subset in brackets.
            const std::size_t bracket = rest.find('[');
            closed = bracket < rest.find('>') ? skipTo("]") && skipTo(">") : skipTo(">");
        } else {
            std::size_t end = 1;
            while (end < rest.size() && !isBlank(rest[end]) && rest[end] != '>' && rest[end] != '/')
                ++end;
            if (end == rest.size() && !complete) return std::nullopt;
            std::string_view name = rest.substr(1, end - 1);
            if (const std::size_t colon = name.find(':'); colon != std::string_view::npos)
                name.remove_prefix(colon + 1);
            return name;
        }
        if (!closed) return ended;
    }
}

// GML: '#' comment lines and key-value pairs, then the key graph and '['.
Verdict gmlVerdict(std::string_view text, bool complete) {
    const Verdict ended = complete ? Verdict::no : Verdict::more;
    std::size_t at = 0;
    auto skipBlanksAndComments = [&] {
        for (;;) {
            while (at < text.size() && isBlank(text[at])) ++at;
            if (at == text.size() || text[at] != '#') return;
            while (at < text.size() && text[at] != '\n') ++at;
        }
    };
    // Past one value: a number, a string or a bracketed list.
    auto skipValue = [&] {
        if (text[at] == '"') {
            const std::size_t end = text.find('"', at + 1);
            at = end == std::string_view::npos ? text.size() : end + 1;
            return end != std::string_view::npos ? Verdict::yes : ended;
        }
        if (text[at] == '[') {
            int depth = 0;
            for (; at < text.size(); ++at) {
                if (text[at] == '"') {
                    at = text.find('"', at + 1);
                    if (at == std::string_view::npos) return ended;
                } else if (text[at] == '[') {
                    ++depth;
                } else if (text[at] == ']' && --depth == 0) {
                    ++at;
                    return Verdict::yes;
                }
            }
            return ended;
        }
        const std::size_t start = at;
        while (at < text.size() &&
               (std::isdigit(static_cast<unsigned char>(text[at])) ||
                std::string_view("+-.eE").find(text[at]) != std::string_view::npos))
            ++at;
        if (at == start) return Verdict::no;
        if (at == text.size()) return ended;
        return isBlank(text[at]) ? Verdict::yes : Verdict::no;
    };
    for (;;) {
        skipBlanksAndComments();
        const std::size_t start = at;
        if (at == text.size()) return ended;
        if (!std::isalpha(static_cast<unsigned char>(text[at]))) return Verdict::no;
        while (at < text.size() &&
               (std::isalnum(static_cast<unsigned char>(text[at])) || text[at] == '_'))
            ++at;
        const std::string_view key = text.substr(start, at - start);
        if (at == text.size()) return ended;
        if (!(isBlank(text[at]) || text[at] == '[')) return Verdict::no;
        skipBlanksAndComments();
        if (at == text.size()) return ended;
        if (key == "graph") return text[at] == '[' ? Verdict::yes : Verdict::no;
        if (const Verdict value = skipValue(); value != Verdict::yes) return value;
    }
}

// Pajek: a *Vertices, *Edges or *Arcs line before any line but blank lines, comments and
// *Network.
Verdict pajekVerdict(std::string_view text, bool complete) {
    static constexpr std::array<std::string_view, 4> kStars = {"*network", "*vertices", "*edges",
                                                               "*arcs"};
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        const bool whole = end != std::string_view::npos || complete;
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        while (!line.empty() && isBlank(line.front())) line.remove_prefix(1);
        // The last line, cut by the head's end, decides only when its start already does.
        const bool open = !whole && (line.empty() || line.front() == '%' || line.front() == '#' ||
                                     startsWithNoCase(line, "*network") ||
                                     std::any_of(kStars.begin(), kStars.end(), [&](auto star) {
                                         return line.size() < star.size() &&
                                                startsWithNoCase(line, star.substr(0, line.size()));
                                     }));
        if (open) return Verdict::more;
        if (line.empty() || line.front() == '%' || line.front() == '#') continue;
        if (startsWithNoCase(line, "*network")) continue;
        return startsWithNoCase(line, "*vertices") || startsWithNoCase(line, "*edges") ||
                       startsWithNoCase(line, "*arcs")
                   ? Verdict::yes
                   : Verdict::no;
    }
    return complete ? Verdict::no : Verdict::more;
}

bool endsWithNoCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           startsWithNoCase(text.substr(text.size() - suffix.size()), suffix);
}

// CSV: a .csv name and a first line with a comma that is not an edge-list comment. A header's
// first field is at most 1 MiB, so more bytes are asked for only that far.
Verdict csvVerdict(std::string_view text, std::string_view fileName, bool complete) {
    if (endsWithNoCase(fileName, ".gz")) fileName.remove_suffix(3);
    if (!endsWithNoCase(fileName, ".csv")) return Verdict::no;
    const std::size_t lineEnd = text.find('\n');
    const std::string_view line = text.substr(0, lineEnd);
    const std::size_t first = line.find_first_not_of(" \t\v\f\r");
    if (first != std::string_view::npos && (line[first] == '#' || line[first] == '%'))
        return Verdict::no;
    if (line.find(',') != std::string_view::npos) return Verdict::yes;
    return lineEnd == std::string_view::npos && !complete ? Verdict::more : Verdict::no;
}

}  // namespace

std::optional<InputFormat> inputFormatNamed(std::string_view word) {
    for (const auto& [format, name] : kNames)
        if (word == name) return format;
    return std::nullopt;
}

const char* inputFormatName(InputFormat format) {
    for (const auto& [known, name] : kNames)
        if (known == format) return name;
    return "";
}

std::optional<InputFormat> detectInputFormat(std::string_view head, const std::string& fileName,
                                             bool complete) {
    if (!complete && head.size() < 3 && std::string_view("\xEF\xBB\xBF").starts_with(head))
        return std::nullopt;
    const std::string_view text = withoutByteOrderMark(head);
    const std::optional<std::string_view> element = firstElement(text, complete);
    if (!element) return std::nullopt;
    if (*element == "graphml") return InputFormat::graphml;
    if (*element == "gexf") return InputFormat::gexf;
    const std::array<std::pair<Verdict, InputFormat>, 3> verdicts = {{
        {gmlVerdict(text, complete), InputFormat::gml},
        {pajekVerdict(text, complete), InputFormat::pajek},
        {csvVerdict(text, fileName, complete), InputFormat::csv},
    }};
    for (const auto& [verdict, format] : verdicts) {
        if (verdict == Verdict::more) return std::nullopt;
        if (verdict == Verdict::yes) return format;
    }
    return InputFormat::edges;
}

InputFormat detectInputFormat(std::string_view head, const std::string& fileName) {
    return *detectInputFormat(head, fileName, true);
}
