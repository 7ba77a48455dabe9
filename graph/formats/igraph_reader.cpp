#include "graph/formats/igraph_reader.h"

#include <igraph/igraph.h>
#include <stdio.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <exception>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "graph/defs.h"
#include "graph/formats/format_errors.h"
#include "graph/formats/igraph_filters.h"
#include "graph/formats/xml_quiet.h"
#include "graph/memory.h"
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

// The input as a FILE* for igraph, through the format's filter (igraph_filters.h) when it
// has one. A read that throws (a truncated compressed file) ends the file there, so igraph
// finishes on its ordinary path; the exception is raised afterwards.
struct Cookie {
    explicit Cookie(std::istream& source) : input(source) {}
    std::istream& input;
    IgraphFilter* filter = nullptr;
    std::string* head = nullptr;  // keeps the first kHeadBytes read
    std::string filtered;
    std::size_t served = 0;
    bool ended = false;
    std::exception_ptr failure;
};

constexpr std::size_t kHeadBytes = std::size_t{1} << 20;
constexpr std::size_t kFilterBlock = std::size_t{1} << 16;

std::size_t readInput(Cookie& cookie, char* buffer, std::size_t size) {
    cookie.input.read(buffer, static_cast<std::streamsize>(size));
    const auto count = static_cast<std::size_t>(cookie.input.gcount());
    if (cookie.head && cookie.head->size() < kHeadBytes)
        cookie.head->append(buffer, std::min(count, kHeadBytes - cookie.head->size()));
    return count;
}

std::size_t readFiltered(Cookie& cookie, char* buffer, std::size_t size) {
    std::string block;
    while (cookie.served == cookie.filtered.size() && !cookie.ended) {
        cookie.filtered.clear();
        cookie.served = 0;
        block.resize(kFilterBlock);
        block.resize(readInput(cookie, block.data(), block.size()));
        cookie.ended = block.empty();
        cookie.filter->filter(block, cookie.ended, cookie.filtered);
    }
    const std::size_t count = std::min(size, cookie.filtered.size() - cookie.served);
    std::copy_n(cookie.filtered.data() + cookie.served, count, buffer);
    cookie.served += count;
    return count;
}

ssize_t readCookie(void* context, char* buffer, size_t size) {
    Cookie& cookie = *static_cast<Cookie*>(context);
    if (cookie.failure) return 0;
    try {
        return static_cast<ssize_t>(cookie.filter ? readFiltered(cookie, buffer, size)
                                                  : readInput(cookie, buffer, size));
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

igraph_error_t readGraph(InputFormat format, FILE* file, bool weighted, igraph_t* graph) {
    switch (format) {
        case InputFormat::graphml:
            return igraph_read_graph_graphml(graph, file, 0);
        case InputFormat::gml:
            return igraph_read_graph_gml(graph, file);
        case InputFormat::pajek:
            return igraph_read_graph_pajek(graph, file);
        default:
            return igraph_read_graph_ncol(
                graph, file, nullptr, true,
                weighted ? IGRAPH_ADD_WEIGHTS_IF_PRESENT : IGRAPH_ADD_WEIGHTS_NO,
                IGRAPH_UNDIRECTED);
    }
}

// An attribute igraph keeps of the vertices or of the edges.
struct Attribute {
    std::string name;
    igraph_attribute_type_t type;
};

struct AttributeLists {
    std::vector<Attribute> vertex;
    std::vector<Attribute> edge;
};

AttributeLists attributesOf(const igraph_t& graph) {
    igraph_strvector_t names[2];
    igraph_vector_int_t types[2];
    bool made = true;
    for (int k = 0; k < 2; ++k) {
        made = igraph_strvector_init(&names[k], 0) == IGRAPH_SUCCESS && made;
        made = igraph_vector_int_init(&types[k], 0) == IGRAPH_SUCCESS && made;
    }
    made = made && igraph_cattribute_list(&graph, nullptr, nullptr, &names[0], &types[0], &names[1],
                                          &types[1]) == IGRAPH_SUCCESS;
    AttributeLists lists;
    for (int k = 0; k < 2 && made; ++k)
        for (igraph_integer_t at = 0; at < igraph_strvector_size(&names[k]); ++at)
            (k == 0 ? lists.vertex : lists.edge)
                .push_back({igraph_strvector_get(&names[k], at),
                            static_cast<igraph_attribute_type_t>(VECTOR(types[k])[at])});
    for (int k = 0; k < 2; ++k) {
        igraph_vector_int_destroy(&types[k]);
        igraph_strvector_destroy(&names[k]);
    }
    if (!made) throw Fatal("ERROR: Out of memory\n");
    return lists;
}

// A number as text: integers without a fraction ("7", not "7.0"), others as the shortest text
// that reads back as the same double.
std::string numberText(double value) {
    char text[32];
    const double rounded = std::nearbyint(value);
    const auto result = rounded == value && std::fabs(value) < 9.0e15
                            ? std::to_chars(text, text + sizeof text, static_cast<long long>(value))
                            : std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

// One vertex's value of an attribute, as the file meant it; nothing when it has none (a NaN,
// an empty string).
std::optional<std::string> vertexValue(const igraph_t& graph, InputFormat format,
                                       const Attribute& attribute, igraph_integer_t v) {
    const char* name = attribute.name.c_str();
    switch (attribute.type) {
        case IGRAPH_ATTRIBUTE_NUMERIC: {
            const double value = igraph_cattribute_VAN(&graph, name, v);
            if (std::isnan(value)) return std::nullopt;
            return numberText(value);
        }
        case IGRAPH_ATTRIBUTE_BOOLEAN:
            return igraph_cattribute_VAB(&graph, name, v) ? "true" : "false";
        case IGRAPH_ATTRIBUTE_STRING: {
            const std::string_view value = igraph_cattribute_VAS(&graph, name, v);
            if (value.empty()) return std::nullopt;
            if (format == InputFormat::gml) return gmlText(value);
            if (format == InputFormat::graphml && attribute.name == "id")
                return graphmlAttributeText(value);
            return std::string(value);
        }
        default:
            return std::nullopt;
    }
}

// What the filter learned of the file besides igraph's graph.
struct FileNotes {
    std::unordered_map<std::string, AttributeType> graphmlTypes;
    const GmlFilter* gml = nullptr;
};

// Builds the network's vertices from igraph's graph. Labels: GraphML and GML the `label`
// attribute, else `name`, else the node id; NCOL the names. A value that labels a vertex is
// not one of its attributes; the node id is its file id, never an attribute.
class VertexReader {
  public:
    static constexpr std::uint8_t kNoSource = 0xFF;

    VertexReader(const igraph_t& graph, InputFormat format, const std::vector<Attribute>& list)
        : graph_(graph), format_(format), list_(list) {
        const std::vector<const char*> wanted =
            format == InputFormat::ncol ? std::vector<const char*>{"name"}
                                        : std::vector<const char*>{"label", "name", "id"};
        for (const char* want : wanted)
            for (std::size_t k = 0; k < list.size(); ++k)
                if (list[k].name == want && list[k].type != IGRAPH_ATTRIBUTE_BOOLEAN)
                    sources_.push_back(k);
        for (std::size_t k = 0; k < list.size(); ++k)
            if (list[k].name == "id") idColumn_ = k;
    }

    void labels(NamedNetwork& network) {
        const igraph_integer_t count = igraph_vcount(&graph_);
        used_.assign(static_cast<std::size_t>(count), kNoSource);
        for (igraph_integer_t v = 0; v < count; ++v) {
            std::optional<std::string> label;
            for (std::size_t s = 0; s < sources_.size() && !label; ++s) {
                label = vertexValue(graph_, format_, list_[sources_[s]], v);
                if (label) used_[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(s);
            }
            network.labels.push(label ? *label : std::to_string(v));
            if (format_ == InputFormat::ncol) continue;
            const std::optional<std::string> id =
                idColumn_ < list_.size() ? vertexValue(graph_, format_, list_[idColumn_], v)
                                         : std::nullopt;
            network.fileIds.push(id ? *id : std::to_string(v));
        }
    }

    void attributes(NamedNetwork& network, const FileNotes& notes) {
        for (std::size_t k = 0; k < list_.size(); ++k) {
            const Attribute& attribute = list_[k];
            if (k == idColumn_ || attribute.type == IGRAPH_ATTRIBUTE_UNSPECIFIED ||
                attribute.type == IGRAPH_ATTRIBUTE_OBJECT)
                continue;
            const auto source = std::find(sources_.begin(), sources_.end(), k);
            if (source != sources_.end() && !keepsValues(attribute, source - sources_.begin()))
                continue;
            const std::string name = format_ == InputFormat::graphml
                                         ? graphmlAttributeText(attribute.name)
                                         : attribute.name;
            const std::size_t column =
                network.attributes.addColumn(name, typeOf(attribute, name, notes));
            for (igraph_integer_t v = 0; v < igraph_vcount(&graph_); ++v) {
                if (source != sources_.end() &&
                    used_[static_cast<std::size_t>(v)] == source - sources_.begin())
                    continue;
                if (const std::optional<std::string> value =
                        vertexValue(graph_, format_, attribute, v))
                    network.attributes.set(column, static_cast<std::size_t>(v), *value);
            }
        }
    }

  private:
    // A vertex keeps a value of the label source `source` that did not label it.
    bool keepsValues(const Attribute& attribute, std::ptrdiff_t source) const {
        for (igraph_integer_t v = 0; v < igraph_vcount(&graph_); ++v)
            if (used_[static_cast<std::size_t>(v)] != source &&
                vertexValue(graph_, format_, attribute, v))
                return true;
        return false;
    }

    AttributeType typeOf(const Attribute& attribute, const std::string& name,
                         const FileNotes& notes) const {
        if (attribute.type == IGRAPH_ATTRIBUTE_STRING) return AttributeType::text;
        if (attribute.type == IGRAPH_ATTRIBUTE_BOOLEAN) return AttributeType::boolean;
        if (notes.gml)
            return notes.gml->realKeys().contains(name) ? AttributeType::real
                                                        : AttributeType::integer;
        const auto declared = notes.graphmlTypes.find(name);
        return declared != notes.graphmlTypes.end() && declared->second == AttributeType::integer
                   ? AttributeType::integer
                   : AttributeType::real;
    }

    const igraph_t& graph_;
    InputFormat format_;
    const std::vector<Attribute>& list_;
    std::vector<std::size_t> sources_;  // the attributes that may label, by preference
    std::size_t idColumn_ = SIZE_MAX;   // the node ids, GraphML's and GML's
    std::vector<std::uint8_t> used_;    // the source that labelled each vertex
};

// Every node id is "n" and its number: the ids igraph and networkx make up for a graph
// without names.
bool synthetic(const Labels& ids) {
    for (std::size_t k = 0; k < ids.size(); ++k)
        if (ids[k].size() < 2 || ids[k][0] != 'n' || ids[k].substr(1) != std::to_string(k))
            return false;
    return true;
}

// The edges' weights in the order of `edges`; an edge without one weighs 1.
std::vector<double> readWeights(const igraph_t& graph, const AttributeLists& lists,
                                const NamedNetwork& network, const std::string& name) {
    const auto attribute =
        std::find_if(lists.edge.begin(), lists.edge.end(), [](const Attribute& a) {
            return a.name == "weight" &&
                   (a.type == IGRAPH_ATTRIBUTE_NUMERIC || a.type == IGRAPH_ATTRIBUTE_STRING);
        });
    std::vector<double> weights;
    reserveBig(weights, network.edges.size(), 1);
    for (std::size_t e = 0; e < network.edges.size(); ++e) {
        double weight = 1;
        std::string written;
        if (attribute != lists.edge.end() && attribute->type == IGRAPH_ATTRIBUTE_NUMERIC) {
            weight = igraph_cattribute_EAN(&graph, "weight", static_cast<igraph_integer_t>(e));
            if (std::isnan(weight)) weight = 1;
            written = numberText(weight);
        } else if (attribute != lists.edge.end()) {
            const std::string_view text =
                igraph_cattribute_EAS(&graph, "weight", static_cast<igraph_integer_t>(e));
            written.assign(text.empty() ? std::string_view("1") : text);
            const auto [end, error] =
                std::from_chars(written.data(), written.data() + written.size(), weight);
            if (error != std::errc() || end != written.data() + written.size()) weight = 0;
        }
        if (!std::isfinite(weight) || weight <= 0)
            failReading(
                name, 0,
                "the edge from '" + escaped(network.labels[network.edges[e].u], Escape::Text) +
                    "' to '" + escaped(network.labels[network.edges[e].v], Escape::Text) +
                    "' has weight " + escaped(written, Escape::Token) + ", not a positive weight");
        weights.push_back(weight);
    }
    return weights;
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

namespace {

// The filter igraph's parser of the format reads through, if any.
std::unique_ptr<IgraphFilter> filterOf(InputFormat format, bool weighted) {
    if (format == InputFormat::ncol && weighted) return std::make_unique<NcolFilter>();
    if (format == InputFormat::gml) return std::make_unique<GmlFilter>();
    if (format == InputFormat::pajek) return std::make_unique<PajekFilter>();
    return nullptr;
}

// The network of igraph's graph and what the filter saw.
NamedNetwork networkOf(const igraph_t& graph, InputFormat format, IgraphFilter* filter,
                       const std::string& head, bool weighted, const std::string& name) {
    NamedNetwork network;
    network.edges = readEdgeList(graph);
    const AttributeLists lists = attributesOf(graph);
    if (format == InputFormat::pajek) {
        static_cast<PajekFilter*>(filter)->release(static_cast<std::size_t>(igraph_vcount(&graph)),
                                                   network);
    } else {
        VertexReader vertices(graph, format, lists.vertex);
        vertices.labels(network);
        FileNotes notes;
        if (format == InputFormat::gml) notes.gml = static_cast<const GmlFilter*>(filter);
        const bool declared = std::any_of(lists.vertex.begin(), lists.vertex.end(),
                                          [](const Attribute& a) { return a.name != "id"; });
        if (format == InputFormat::graphml && declared) notes.graphmlTypes = graphmlKeyTypes(head);
        vertices.attributes(network, notes);
    }
    const bool named =
        std::any_of(lists.vertex.begin(), lists.vertex.end(),
                    [](const Attribute& a) { return a.name == "label" || a.name == "name"; });
    network.unlabelled = format == InputFormat::graphml && !named && synthetic(network.fileIds);
    if (weighted) network.weights = readWeights(graph, lists, network, name);
    return network;
}

}  // namespace

NamedNetwork readWithIgraph(InputFormat format, std::istream& input, const std::string& name,
                            bool weighted) {
    const QuietLibxml quiet;
    Report report{name, {}, false};
    const IgraphSession session(report);
    const std::unique_ptr<IgraphFilter> filter = filterOf(format, weighted);
    std::string head;
    Cookie cookie(input);
    cookie.filter = filter.get();
    if (format == InputFormat::graphml) cookie.head = &head;
    const std::unique_ptr<FILE, FileClose> file(
        fopencookie(&cookie, "r", cookie_io_functions_t{readCookie, nullptr, nullptr, nullptr}));
    if (!file) throw Fatal("ERROR: Out of memory\n");

    IgraphGraph read;
    const igraph_error_t status = readGraph(format, file.get(), weighted, &read.graph);
    read.made = status == IGRAPH_SUCCESS;
    if (cookie.failure) std::rethrow_exception(cookie.failure);
    if (report.outOfMemory) throw Fatal("ERROR: Out of memory\n");
    if (status != IGRAPH_SUCCESS) throw Fatal(igraphErrorLine(name, report.messages));
    if (igraph_vcount(&read.graph) - 1 > std::numeric_limits<VertexId>::max())
        failReading(name, 0, "more than 2147483648 vertices");
    return networkOf(read.graph, format, filter.get(), head, weighted, name);
}
