#include "graph/formats/reading_hints.h"

#include <cstdint>
#include <optional>

#include "graph/text.h"

namespace {

constexpr const char* kFormatsRead =
    "the formats read: edge list, CSV, NCOL, GraphML, GEXF, GML, Pajek";

const char* displayName(InputFormat format) {
    switch (format) {
        case InputFormat::edges:
            return "an edge list";
        case InputFormat::graphml:
            return "GraphML";
        case InputFormat::gexf:
            return "GEXF";
        case InputFormat::gml:
            return "GML";
        case InputFormat::pajek:
            return "Pajek";
        case InputFormat::ncol:
            return "NCOL";
        case InputFormat::csv:
            return "CSV";
    }
    return "";
}

std::string_view withoutBom(std::string_view head) {
    return head.starts_with("\xEF\xBB\xBF") ? head.substr(3) : head;
}

// The first line holding something other than blanks and comments, and its number.
struct Record {
    std::string_view text;
    std::uint64_t line = 0;
};
std::optional<Record> firstRecord(std::string_view head) {
    std::uint64_t line = 0;
    while (!head.empty()) {
        ++line;
        const std::size_t end = head.find('\n');
        std::string_view text = head.substr(0, end);
        head = end == std::string_view::npos ? std::string_view() : head.substr(end + 1);
        const std::size_t start = text.find_first_not_of(" \t\r\f\v");
        if (start == std::string_view::npos || text[start] == '#' || text[start] == '%') continue;
        return Record{text.substr(start), line};
    }
    return std::nullopt;
}

// The line an error names ("ERROR: NAME:LINE: ..."), 0 when it names none.
std::uint64_t lineOf(const std::string& error, const std::string& name) {
    const std::string prefix = "ERROR: " + name + ":";
    if (!error.starts_with(prefix)) return 0;
    std::uint64_t line = 0;
    for (std::size_t k = prefix.size(); k < error.size() && error[k] >= '0' && error[k] <= '9'; ++k)
        line = line * 10 + static_cast<std::uint64_t>(error[k] - '0');
    return line;
}

bool startsWithNumber(std::string_view token) {
    if (!token.empty() && (token[0] == '-' || token[0] == '+')) token.remove_prefix(1);
    return !token.empty() && token[0] >= '0' && token[0] <= '9';
}

// What the first record of a file read as an edge list shows it to be, if not one.
std::string edgeListHint(const Record& record, std::string_view head, const std::string& name) {
    if (head.starts_with("\x89PNG"))
        return std::string("the file looks like a PNG image; ") + kFormatsRead;
    if (record.text[0] == '{' || record.text[0] == '[')
        return std::string("the file looks like JSON (node-link data?), which is not read; ") +
               kFormatsRead;
    if (record.text.find('\0') != std::string_view::npos)
        return std::string("the file looks like binary data; ") + kFormatsRead;
    if (record.text.find(',') != std::string_view::npos &&
        detectInputFormat(head, name + ".csv") == InputFormat::csv)
        return "a CSV file? name it .csv or try -format csv";
    const std::size_t end = record.text.find_first_of(" \t\r");
    if (!startsWithNumber(record.text.substr(0, end)) && end != std::string_view::npos)
        return "names? try -format ncol or -format csv";
    return "";
}

}  // namespace

std::string readingHint(const std::string& error, InputFormat readAs, bool forced,
                        std::string_view head, const std::string& name) {
    head = withoutBom(head);
    const InputFormat looks = detectInputFormat(head, name);
    std::string hint;
    if (forced && looks != readAs && looks != InputFormat::edges) {
        hint = std::string("the file looks like ") + displayName(looks) + ": try -format " +
               inputFormatName(looks) + " or leave -format out";
    } else if (forced && looks == InputFormat::edges && readAs != InputFormat::edges) {
        const std::optional<Record> record = firstRecord(head);
        if (record && startsWithNumber(record->text))
            hint = "the file looks like an edge list: try -format edges or leave -format out";
    } else if (readAs == InputFormat::edges) {
        const std::optional<Record> record = firstRecord(head);
        const std::uint64_t line = lineOf(error, name);
        if (record && (line == 0 || line == record->line)) hint = edgeListHint(*record, head, name);
    }
    if (hint.empty()) return hint;
    return std::string("read as ") + displayName(readAs) + "; " + hint;
}

std::string withHint(const std::string& error, const std::string& hint) {
    if (hint.empty() || !error.ends_with('\n')) return error;
    return error.substr(0, error.size() - 1) + " (" + hint + ")\n";
}
