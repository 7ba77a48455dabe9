// Fuzz target of the project's own readers of the network formats. The input is read as CSV,
// with and without weights, and checked against a slow model of the rules (RFC 4180 records,
// the header's columns, numbering by first appearance, missing and positive weights): the
// same edges, labels and weights, or the same error line. The same bytes gzipped must read
// the same through the decompressing source, with a weight per adjacency entry. As GEXF (through
// the guard in front of libxml2, as a run reads it) the input must give a network or one
// error line, and so must GML, Pajek, NCOL and GEXF read with weights, straight through their
// readers (the filters in front of igraph included). Detection that decides on a head must decide
// the same on the whole input.
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "graph/formats/csv_reader.h"
#include "graph/formats/gexf_reader.h"
#include "graph/formats/igraph_reader.h"
#include "graph/formats/input_format.h"
#include "graph/formats/network_reader.h"
#include "graph/graph_builder_txt.h"
#include "graph/text.h"

namespace {

struct Outcome {
    std::vector<std::pair<int, int>> edges;
    std::vector<std::string> labels;
    std::vector<double> weights;  // read with weights only
    std::uint64_t missing = 0;
    std::string error;
};

// Whether text is NaN or infinity as a word, signed or not, in any case.
bool numberWord(std::string text) {
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.erase(0, 1);
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text == "nan" || text == "inf" || text == "infinity";
}

// ---- the model: the whole text in memory, one character at a time ----

struct Record {
    std::uint64_t line;
    std::vector<std::string> fields;
};

class Model {
  public:
    explicit Model(std::string_view text) : text_(text) {
        if (text_.substr(0, 3) == "\xEF\xBB\xBF") at_ = 3;
    }

    // weighted: the weights read and checked positive.
    Outcome run(bool weighted) {
        Outcome out;
        Record header;
        int source = -1, target = -1, weight = -1;
        if (next(&header, &out))
            for (int k = static_cast<int>(header.fields.size()) - 1; k >= 0; --k) {
                if (names(header.fields[k], "source")) source = k;
                if (names(header.fields[k], "target")) target = k;
                if (names(header.fields[k], "weight")) weight = k;
            }
        if (!out.error.empty()) return out;
        if (source < 0 || target < 0) return fail(&out, 1, "no source and target columns");
        const std::size_t needed = static_cast<std::size_t>(std::max({source, target, weight}) + 1);
        std::map<std::string, int> numbers;
        auto number = [&](const std::string& name) {
            auto [at, added] = numbers.emplace(name, static_cast<int>(numbers.size()));
            if (added) out.labels.push_back(name);
            return at->second;
        };
        Record record;
        while (next(&record, &out)) {
            const std::uint64_t line = record.line;
            if (record.fields.size() < needed)
                return fail(&out, line,
                            "expected " + std::to_string(header.fields.size()) + " fields, found " +
                                std::to_string(record.fields.size()));
            double value = 1;
            if (weight >= 0) {
                const std::string& field = record.fields[weight];
                const std::string quoted = std::string(1, '\'') + escaped(field, Escape::Token);
                if (field.empty() || field == "NA" || field == "NaN") {
                    ++out.missing;
                } else if (Graph_builder_txt::isWeight(field)) {
                    value = std::strtod(field.c_str(), nullptr);
                    if (weighted && !(value > 0 && std::isfinite(value)))
                        return fail(&out, line, quoted + "' is not a positive weight");
                } else {
                    return fail(
                        &out, line,
                        quoted + (weighted && numberWord(field) ? "' is not a positive weight"
                                                                : "' is not a valid weight"));
                }
            }
            if (weighted) out.weights.push_back(value);
            if (record.fields[source].empty() || record.fields[target].empty())
                return fail(&out, line, "empty vertex name");
            const int u = number(record.fields[source]);
            out.edges.emplace_back(u, number(record.fields[target]));
        }
        return out;
    }

  private:
    static bool names(std::string field, std::string_view column) {
        const std::size_t first = field.find_first_not_of(" \t");
        if (first == std::string::npos) return false;
        field = field.substr(first, field.find_last_not_of(" \t") - first + 1);
        for (char& c : field) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return field == column;
    }

    static Outcome fail(Outcome* out, std::uint64_t line, const std::string& what) {
        out->edges.clear();
        out->labels.clear();
        out->weights.clear();
        out->missing = 0;
        out->error = "ERROR: in.csv:" + std::to_string(line) + ": " + what + "\n";
        return *out;
    }

    bool more() const { return at_ < text_.size(); }

    void lineBreak() {
        if (text_[at_++] == '\r' && more() && text_[at_] == '\n') ++at_;
        ++line_;
    }

    // The next record; false at the end or on an error (then in out->error).
    bool next(Record* record, Outcome* out) {
        while (more() && (text_[at_] == '\n' || text_[at_] == '\r')) lineBreak();
        if (!more()) return false;
        record->line = line_;
        record->fields.clear();
        for (;;) {
            std::string field;
            if (text_[at_] == '"') {
                const std::uint64_t opened = line_;
                for (++at_;; ++at_) {
                    if (!more()) return fail(out, opened, "unterminated quoted field"), false;
                    if (text_[at_] == '"' && (at_ + 1 == text_.size() || text_[at_ + 1] != '"'))
                        break;
                    if (text_[at_] == '"') ++at_;
                    if (text_[at_] == '\n') ++line_;
                    field += text_[at_];
                }
                ++at_;
                if (more() && std::string_view(",\r\n").find(text_[at_]) == std::string_view::npos)
                    return fail(out, line_, "text after a closing quote"), false;
            } else {
                while (more() &&
                       std::string_view(",\r\n").find(text_[at_]) == std::string_view::npos)
                    field += text_[at_++];
            }
            record->fields.push_back(field);
            if (!more()) return true;
            if (text_[at_] != ',') {
                lineBreak();
                return true;
            }
            ++at_;
            if (!more()) {
                record->fields.emplace_back();
                return true;
            }
        }
    }

    std::string_view text_;
    std::size_t at_ = 0;
    std::uint64_t line_ = 1;
};

// ---- the readers ----

// Through the network reader (with weights), only the labels the graph's vertices carry are
// kept, and the adjacency weights must be one per entry.
Outcome readAsCsv(const std::string& bytes, bool throughNetworkReader, bool weighted) {
    Outcome out;
    std::istringstream input(bytes);
    try {
        if (throughNetworkReader) {
            Graph graph(true);
            const InputRead read =
                readNetwork(input, graph, "in.csv", {.format = InputFormat::csv, .weighted = true});
            FUZZ_CHECK(read.adjacencyWeights.size() == graph.numArcs);
            for (const double weight : read.adjacencyWeights) FUZZ_CHECK(weight > 0);
            for (const Vertex* vertex : graph.vertices) out.labels.emplace_back(vertex->name);
        } else {
            const NamedNetwork network = readCsv(input, "in.csv", weighted);
            for (const Edge& e : network.edges) out.edges.emplace_back(e.u, e.v);
            for (std::size_t k = 0; k < network.labels.size(); ++k)
                out.labels.emplace_back(network.labels[k]);
            out.weights = network.weights;
            out.missing = network.weightsMissing;
        }
    } catch (const Fatal& error) {
        out.error = error.what();
    }
    return out;
}

std::string gzip(const std::string& text) {
    uLongf size = compressBound(static_cast<uLong>(text.size())) + 32;
    std::string out(size, '\0');
    z_stream stream{};
    deflateInit2(&stream, 1, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// Every edge joins numbered vertices, every vertex has a file id (NCOL: the labels are the
// ids), every edge a positive weight, and no attribute names a vertex beyond the last.
void checkNetwork(const NamedNetwork& network, InputFormat format) {
    const std::size_t count = network.labels.size();
    for (const Edge& e : network.edges)
        FUZZ_CHECK(static_cast<std::size_t>(e.u) < count && static_cast<std::size_t>(e.v) < count);
    FUZZ_CHECK(network.fileIds.size() == (format == InputFormat::ncol ? 0 : count));
    FUZZ_CHECK(network.weights.size() == network.edges.size());
    for (const double weight : network.weights) FUZZ_CHECK(weight > 0 && std::isfinite(weight));
    for (std::size_t c = 0; c < network.attributes.columns().size(); ++c)
        FUZZ_CHECK(!network.attributes.value(c, count));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    for (const bool weighted : {false, true}) {
        const Outcome expected = Model(bytes).run(weighted);
        const Outcome actual = readAsCsv(bytes, false, weighted);
        if (actual.error != expected.error)
            std::fprintf(stderr, "got:  %s\nwant: %s\n", actual.error.c_str(),
                         expected.error.c_str());
        FUZZ_CHECK(actual.error == expected.error);
        FUZZ_CHECK(actual.edges == expected.edges && actual.labels == expected.labels);
        FUZZ_CHECK(actual.weights == expected.weights && actual.missing == expected.missing);
    }

    // The same with weights through decompression and the graph: one error line, or a graph
    // whose vertices carry labels the CSV reader gave.
    const Outcome expected = Model(bytes).run(true);
    const Outcome inflated = readAsCsv(gzip(bytes), true, true);
    if (expected.error.empty() && !expected.edges.empty()) {
        FUZZ_CHECK(inflated.error.empty());
        for (const std::string& label : inflated.labels)
            FUZZ_CHECK(std::find(expected.labels.begin(), expected.labels.end(), label) !=
                       expected.labels.end());
    } else {
        FUZZ_CHECK(fuzz::isOneErrorLine(inflated.error));
    }

    for (const char* name : {"in.csv.gz", "in.txt"}) {
        const InputFormat whole = detectInputFormat(bytes, name);
        for (const std::size_t cut : {size / 3, size / 2, size - 1})
            if (const auto early = detectInputFormat(bytes.substr(0, cut), name, cut == size))
                FUZZ_CHECK(*early == whole);
    }
    std::istringstream gexf(bytes);
    try {
        Graph graph(true);
        readNetwork(gexf, graph, "in.gexf", {.format = InputFormat::gexf});
        FUZZ_CHECK(graph.vertices.size() <= size);
    } catch (const Fatal& error) {
        FUZZ_CHECK(fuzz::isOneErrorLine(error.what()));
    }
    // The filters in front of igraph (GML strings, Pajek vertex lines, NCOL weights) and the
    // GEXF reader with weights: one error line, or a network whose parts agree.
    for (const InputFormat format :
         {InputFormat::gml, InputFormat::pajek, InputFormat::ncol, InputFormat::gexf}) {
        std::istringstream input(bytes);
        try {
            const NamedNetwork network = format == InputFormat::gexf
                                             ? readGexf(input, "in", true)
                                             : readWithIgraph(format, input, "in", true);
            checkNetwork(network, format);
        } catch (const Fatal& error) {
            FUZZ_CHECK(fuzz::isOneErrorLine(error.what()));
        }
    }
    return 0;
}
