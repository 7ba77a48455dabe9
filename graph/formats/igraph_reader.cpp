#include "graph/formats/igraph_reader.h"

#include <igraph/igraph.h>
#include <stdio.h>

#include <charconv>
#include <cmath>
#include <exception>
#include <limits>
#include <memory>
#include <optional>

#include "graph/defs.h"
#include "graph/formats/format_errors.h"
#include "graph/formats/xml_quiet.h"
#include "graph/text.h"

namespace {

// What igraph reported while the current file was read.
struct Report {
    std::string name;
    std::vector<std::string> messages;
    bool outOfMemory = false;
};
Report* current = nullptr;

// igraph calls the error handler once where an error arises and again, without a reason, at
// every level it passes on the way out; each call frees what igraph allocated so far.
void onError(const char* reason, const char*, int, igraph_error_t code) {
    if (current) {
        if (code == IGRAPH_ENOMEM) current->outOfMemory = true;
        try {
            if (reason && *reason && current->messages.size() < 8)
                current->messages.emplace_back(reason);
        } catch (...) {
            current->outOfMemory = true;
        }
    }
    IGRAPH_FINALLY_FREE();
}

// Warnings (an attribute of an unknown type, say) change nothing that is read.
void onWarning(const char*, const char*, int) {}

// Internal errors of igraph must not return. The exception crosses igraph's C frames (built
// with unwind tables, as Debian builds them) and ends the run at once.
[[noreturn]] void onFatal(const char* reason, const char*, int) {
    throw Fatal("ERROR: " + (current ? current->name : std::string("input")) +
                ": igraph: " + escaped(reason ? reason : "internal error", Escape::Text) + "\n");
}

// While it lives, igraph reports to `report` and keeps attributes in its C attribute table.
class IgraphSession {
  public:
    explicit IgraphSession(Report& report)
        : error_(igraph_set_error_handler(onError)),
          warning_(igraph_set_warning_handler(onWarning)),
          fatal_(igraph_set_fatal_handler(onFatal)),
          table_(igraph_set_attribute_table(&igraph_cattribute_table)) {
        current = &report;
    }
    ~IgraphSession() {
        current = nullptr;
        igraph_set_attribute_table(table_);
        igraph_set_fatal_handler(fatal_);
        igraph_set_warning_handler(warning_);
        igraph_set_error_handler(error_);
    }
    IgraphSession(const IgraphSession&) = delete;
    IgraphSession& operator=(const IgraphSession&) = delete;

  private:
    igraph_error_handler_t* error_;
    igraph_warning_handler_t* warning_;
    igraph_fatal_handler_t* fatal_;
    igraph_attribute_table_t* table_;
};

// The input as a FILE* for igraph. A read that throws (a truncated compressed file) ends the
// file there, so igraph finishes on its ordinary path; the exception is raised afterwards.
struct Cookie {
    std::istream& input;
    std::exception_ptr failure;
};

ssize_t readCookie(void* context, char* buffer, size_t size) {
    Cookie& cookie = *static_cast<Cookie*>(context);
    if (cookie.failure) return 0;
    try {
        cookie.input.read(buffer, static_cast<std::streamsize>(size));
        return static_cast<ssize_t>(cookie.input.gcount());
    } catch (...) {
        cookie.failure = std::current_exception();
        return 0;
    }
}

struct FileClose {
    void operator()(FILE* file) const { fclose(file); }
};

// igraph's graph, destroyed with its attributes when this goes.
struct IgraphGraph {
    igraph_t graph;
    bool made = false;
    ~IgraphGraph() {
        if (made) igraph_destroy(&graph);
    }
};

igraph_error_t readGraph(InputFormat format, FILE* file, igraph_t* graph) {
    switch (format) {
        case InputFormat::graphml:
            return igraph_read_graph_graphml(graph, file, 0);
        case InputFormat::gml:
            return igraph_read_graph_gml(graph, file);
        case InputFormat::pajek:
            return igraph_read_graph_pajek(graph, file);
        default:
            return igraph_read_graph_ncol(graph, file, nullptr, true, IGRAPH_ADD_WEIGHTS_NO,
                                          IGRAPH_UNDIRECTED);
    }
}

// A vertex attribute that may give labels.
struct LabelSource {
    std::string name;
    bool numeric;
};

// The attributes that label vertices, in order of preference, among those the graph has.
std::vector<LabelSource> labelSources(const igraph_t& graph, InputFormat format) {
    igraph_strvector_t names;
    igraph_vector_int_t types;
    if (igraph_strvector_init(&names, 0) != IGRAPH_SUCCESS) throw Fatal("ERROR: Out of memory\n");
    if (igraph_vector_int_init(&types, 0) != IGRAPH_SUCCESS) {
        igraph_strvector_destroy(&names);
        throw Fatal("ERROR: Out of memory\n");
    }
    const bool listed = igraph_cattribute_list(&graph, nullptr, nullptr, &names, &types, nullptr,
                                               nullptr) == IGRAPH_SUCCESS;
    std::vector<LabelSource> sources;
    const std::vector<const char*> wanted =
        format == InputFormat::pajek || format == InputFormat::ncol
            ? std::vector<const char*>{"name"}
            : std::vector<const char*>{"label", "name", "id"};
    for (const char* want : wanted) {
        for (igraph_integer_t k = 0; listed && k < igraph_strvector_size(&names); ++k) {
            const igraph_integer_t type = VECTOR(types)[k];
            if (std::string_view(igraph_strvector_get(&names, k)) == want &&
                (type == IGRAPH_ATTRIBUTE_STRING || type == IGRAPH_ATTRIBUTE_NUMERIC))
                sources.push_back({want, type == IGRAPH_ATTRIBUTE_NUMERIC});
        }
    }
    igraph_vector_int_destroy(&types);
    igraph_strvector_destroy(&names);
    return sources;
}

// A number as a label: integers without a fraction ("7", not "7.0").
std::string numberText(double value) {
    char text[32];
    const double rounded = std::nearbyint(value);
    const auto result = rounded == value && std::fabs(value) < 9.0e15
                            ? std::to_chars(text, text + sizeof text, static_cast<long long>(value))
                            : std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

Labels readLabels(const igraph_t& graph, InputFormat format) {
    const std::vector<LabelSource> sources = labelSources(graph, format);
    Labels labels;
    const igraph_integer_t count = igraph_vcount(&graph);
    std::string number;
    for (igraph_integer_t v = 0; v < count; ++v) {
        std::string_view label;
        for (const LabelSource& source : sources) {
            if (source.numeric) {
                const double value = igraph_cattribute_VAN(&graph, source.name.c_str(), v);
                if (std::isnan(value)) continue;
                number = numberText(value);
                label = number;
            } else {
                label = igraph_cattribute_VAS(&graph, source.name.c_str(), v);
            }
            if (!label.empty()) break;
        }
        // A Pajek vertex without a name is known by its number in the file, which counts
        // from 1.
        if (label.empty()) {
            number = std::to_string(format == InputFormat::pajek ? v + 1 : v);
            label = number;
        }
        labels.push(label);
    }
    return labels;
}

std::vector<Edge> readEdgeList(const igraph_t& graph) {
    igraph_vector_int_t list;
    if (igraph_vector_int_init(&list, 0) != IGRAPH_SUCCESS ||
        igraph_get_edgelist(&graph, &list, false) != IGRAPH_SUCCESS) {
        igraph_vector_int_destroy(&list);
        throw Fatal("ERROR: Out of memory\n");
    }
    std::vector<Edge> edges;
    reserveBig(edges, static_cast<std::size_t>(igraph_ecount(&graph)), 1);
    for (igraph_integer_t k = 0; k + 1 < igraph_vector_int_size(&list); k += 2)
        edges.push_back(
            {static_cast<VertexId>(VECTOR(list)[k]), static_cast<VertexId>(VECTOR(list)[k + 1])});
    igraph_vector_int_destroy(&list);
    return edges;
}

// One message's cause and line (0 when it names none).
struct Message {
    std::string cause;
    std::uint64_t line = 0;
};

// The number at the start of text, moving past it; 0 when there is none.
std::uint64_t takeNumber(std::string_view* text) {
    std::uint64_t number = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), number);
    if (error != std::errc()) return 0;
    text->remove_prefix(static_cast<std::size_t>(end - text->data()));
    return number;
}

// The three shapes igraph's messages take:
//   GraphML (libxml2's reasons)  "Line 7: Opening and ending tag mismatch: ..."
//   the grammar-based parsers    "Parse error in GML file, line 5 (syntax error, ...)"
//   others that know the line    "Unknown target node id found in an edge in GML file, line 3."
Message parseMessage(std::string_view text) {
    while (!text.empty() && (text.back() == '.' || text.back() == ' ' || text.back() == '\n'))
        text.remove_suffix(1);
    Message message;
    if (text.starts_with("Line ")) {
        std::string_view rest = text.substr(5);
        message.line = takeNumber(&rest);
        if (message.line > 0 && rest.starts_with(": "))
            return {std::string(rest.substr(2)), message.line};
    }
    const std::size_t at = text.find(", line ");
    if (at == std::string_view::npos) return {std::string(text), 0};
    std::string_view rest = text.substr(at + 7);
    message.line = takeNumber(&rest);
    if (message.line == 0) return {std::string(text), 0};
    if (text.starts_with("Parse error in ") && rest.starts_with(" (") && rest.ends_with(")")) {
        const std::string_view inner = rest.substr(2, rest.size() - 3);
        return {inner == "failed" ? "" : std::string(inner), message.line};
    }
    if (!rest.empty()) return {std::string(text), 0};
    std::string_view cause = text.substr(0, at);
    // "... in GML file" names what the file name already says.
    if (const std::size_t in = cause.rfind(" in ");
        in != std::string_view::npos && cause.ends_with(" file"))
        cause = cause.substr(0, in);
    return {std::string(cause), message.line};
}

}  // namespace

std::string igraphErrorLine(const std::string& name, const std::vector<std::string>& messages) {
    std::string cause;
    std::uint64_t line = 0;
    for (const std::string& text : messages) {
        const Message message = parseMessage(text);
        if (cause.empty()) cause = message.cause;
        if (line == 0) line = message.line;
    }
    if (cause.empty()) cause = "not a readable file";
    const std::string where = line == 0 ? name : name + ":" + std::to_string(line);
    return "ERROR: " + where + ": " + escaped(cause, Escape::Text) + "\n";
}

NamedNetwork readWithIgraph(InputFormat format, std::istream& input, const std::string& name,
                            bool) {
    const QuietLibxml quiet;
    Report report{name, {}, false};
    const IgraphSession session(report);
    Cookie cookie{input, nullptr};
    const std::unique_ptr<FILE, FileClose> file(
        fopencookie(&cookie, "r", cookie_io_functions_t{readCookie, nullptr, nullptr, nullptr}));
    if (!file) throw Fatal("ERROR: Out of memory\n");

    NamedNetwork network;
    {
        IgraphGraph read;
        const igraph_error_t status = readGraph(format, file.get(), &read.graph);
        read.made = status == IGRAPH_SUCCESS;
        if (cookie.failure) std::rethrow_exception(cookie.failure);
        if (report.outOfMemory) throw Fatal("ERROR: Out of memory\n");
        if (status != IGRAPH_SUCCESS) throw Fatal(igraphErrorLine(name, report.messages));
        if (igraph_vcount(&read.graph) - 1 > std::numeric_limits<VertexId>::max())
            failReading(name, 0, "more than 2147483648 vertices");
        network.edges = readEdgeList(read.graph);
        network.labels = readLabels(read.graph, format);
    }
    return network;
}
