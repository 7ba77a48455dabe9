#include "graph/formats/input_format.h"

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

// The local name of the first element of an XML document, or "" when the head ends first or
// does not look like XML.
std::string_view firstElement(std::string_view text) {
    std::size_t at = 0;
    auto skipTo = [&](std::string_view end) {
        const std::size_t found = text.find(end, at);
        at = found == std::string_view::npos ? text.size() : found + end.size();
        return found != std::string_view::npos;
    };
    for (;;) {
        while (at < text.size() && isBlank(text[at])) ++at;
        const std::string_view rest = text.substr(at);
        if (rest.substr(0, 1) != "<") return "";
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
            std::string_view name = rest.substr(1, end - 1);
            if (const std::size_t colon = name.find(':'); colon != std::string_view::npos)
                name.remove_prefix(colon + 1);
            return name;
        }
        if (!closed) return "";
    }
}

// GML: '#' comment lines and key-value pairs, then the key graph and '['.
bool looksLikeGml(std::string_view text) {
    std::size_t at = 0;
    auto skipBlanksAndComments = [&] {
        for (;;) {
            while (at < text.size() && isBlank(text[at])) ++at;
            if (at == text.size() || text[at] != '#') return;
            while (at < text.size() && text[at] != '\n') ++at;
        }
    };
    // Past one value: a number, a string or a bracketed list; false when it is none or the
    // head ends inside it.
    auto skipValue = [&] {
        if (at == text.size()) return false;
        if (text[at] == '"') {
            const std::size_t end = text.find('"', at + 1);
            at = end == std::string_view::npos ? text.size() : end + 1;
            return end != std::string_view::npos;
        }
        if (text[at] == '[') {
            int depth = 0;
            for (; at < text.size(); ++at) {
                if (text[at] == '"') {
                    at = text.find('"', at + 1);
                    if (at == std::string_view::npos) return false;
                } else if (text[at] == '[') {
                    ++depth;
                } else if (text[at] == ']' && --depth == 0) {
                    ++at;
                    return true;
                }
            }
            return false;
        }
        const std::size_t start = at;
        while (at < text.size() &&
               (std::isdigit(static_cast<unsigned char>(text[at])) ||
                std::string_view("+-.eE").find(text[at]) != std::string_view::npos))
            ++at;
        return at > start && at < text.size() && isBlank(text[at]);
    };
    for (;;) {
        skipBlanksAndComments();
        const std::size_t start = at;
        if (at == text.size() || !std::isalpha(static_cast<unsigned char>(text[at]))) return false;
        while (at < text.size() &&
               (std::isalnum(static_cast<unsigned char>(text[at])) || text[at] == '_'))
            ++at;
        const std::string_view key = text.substr(start, at - start);
        if (at == text.size() || !(isBlank(text[at]) || text[at] == '[')) return false;
        skipBlanksAndComments();
        if (key == "graph") return at < text.size() && text[at] == '[';
        if (!skipValue()) return false;
    }
}

// Pajek: a *Vertices, *Edges or *Arcs line before any line but blank lines, comments and
// *Network.
bool looksLikePajek(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        while (!line.empty() && isBlank(line.front())) line.remove_prefix(1);
        if (line.empty() || line.front() == '%' || line.front() == '#') continue;
        if (startsWithNoCase(line, "*network")) continue;
        return startsWithNoCase(line, "*vertices") || startsWithNoCase(line, "*edges") ||
               startsWithNoCase(line, "*arcs");
    }
    return false;
}

bool endsWithNoCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           startsWithNoCase(text.substr(text.size() - suffix.size()), suffix);
}

// CSV: a .csv name and a first line with a comma that is not an edge-list comment.
bool looksLikeCsv(std::string_view text, std::string_view fileName) {
    if (endsWithNoCase(fileName, ".gz")) fileName.remove_suffix(3);
    if (!endsWithNoCase(fileName, ".csv")) return false;
    const std::string_view line = text.substr(0, text.find('\n'));
    const std::size_t first = line.find_first_not_of(" \t\v\f\r");
    if (first != std::string_view::npos && (line[first] == '#' || line[first] == '%')) return false;
    return line.find(',') != std::string_view::npos;
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

InputFormat detectInputFormat(std::string_view head, const std::string& fileName) {
    const std::string_view text = withoutByteOrderMark(head);
    const std::string_view element = firstElement(text);
    if (element == "graphml") return InputFormat::graphml;
    if (element == "gexf") return InputFormat::gexf;
    if (looksLikeGml(text)) return InputFormat::gml;
    if (looksLikePajek(text)) return InputFormat::pajek;
    if (looksLikeCsv(text, fileName)) return InputFormat::csv;
    return InputFormat::edges;
}
