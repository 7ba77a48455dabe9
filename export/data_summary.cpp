// The JSON summary of -export, the summary line, and the set of export files.
#include <algorithm>
#include <charconv>
#include <cmath>

#include "analysis/modularity.h"
#include "export/data_files.h"
#include "export/page_encoding.h"
#include "graph/graph.h"

std::string jsonString(std::string_view text) {
    std::string out;
    appendLabelJson(out, text);
    return out;
}

std::string jsonNumber(double value) {
    std::string out;
    appendNumber(out, value);
    return out;
}

namespace {

// Q without weights from the communities' counts, which are the adjacency's own when the
// graph keeps no repeated edge (greedy agglomeration counts a repeat once) and the
// communities cover every entry (their degree sums add up to the graph's); the adjacency is
// read only otherwise. Reading it costs a cache miss or two per entry: 9 s on 100 million
// edges, and the summary asks twice.
double unweightedModularity(const RunResults& results) {
    std::uint64_t inside = 0;
    std::uint64_t arcs = 0;
    std::uint64_t squares = 0;
    for (const RunResults::Community& c : results.communities) {
        inside += c.internal;
        arcs += c.degreeSum;
        squares += std::uint64_t{c.degreeSum} * c.degreeSum;
    }
    if (!results.graph->simple || arcs != results.graph->numArcs)
        return modularity(*results.graph, results.community);
    return modularityOfCounts(inside, arcs, squares);
}

}  // namespace

double modularity(const RunResults& results) {
    if (!results.graph) return 0.0;
    return results.weights ? modularity(*results.graph, results.community, 1.0, results.weights)
                           : unweightedModularity(results);
}

namespace {

// The counts of the summary that the results give.
struct Counts {
    std::uint64_t edges = 0;
    std::uint64_t selfLoops = 0;
    std::uint64_t repeatedLines = 0;
    std::uint64_t largestCommunity = 0;
    int maxCoreness = 0;
    int maxShell = 0;
};

Counts countsOf(const RunResults& results) {
    const Graph& graph = *results.graph;
    Counts counts;
    counts.selfLoops = graph.selfLoops;
    counts.edges = (std::uint64_t{graph.numArcs} - graph.selfLoops) / 2;
    const std::uint64_t linked = counts.edges + counts.selfLoops;
    counts.repeatedLines = graph.edgeLines > linked ? graph.edgeLines - linked : 0;
    for (const RunResults::Community& c : results.communities) {
        counts.largestCommunity = std::max<std::uint64_t>(counts.largestCommunity, c.size);
        counts.maxShell = std::max(counts.maxShell, c.maxShell);
    }
    for (const int core : results.coreness) counts.maxCoreness = std::max(counts.maxCoreness, core);
    return counts;
}

// Seconds to the microsecond, which is as far as a stage's timing means anything.
double microseconds(double seconds) {
    return std::isfinite(seconds) ? std::round(seconds * 1e6) / 1e6 : 0.0;
}

}  // namespace

void writeSummary(const RunResults& results, const RunSummary& summary, std::ostream& out) {
    const Counts counts = countsOf(results);
    std::string text = "{\n  \"input\": " + jsonString(summary.input);
    auto field = [&](const char* name, std::uint64_t value) {
        text += ",\n  \"";
        text += name;
        text += "\": ";
        appendInteger(text, value);
    };
    // The declared vertices without an edge are vertices of the network all the same.
    field("vertices", results.graph->vertices.size() + summary.isolatedDeclared);
    field("edges", counts.edges);
    field("self_loops", counts.selfLoops);
    field("repeated_edge_lines", counts.repeatedLines);
    field("communities", results.communities.size());
    text += ",\n  \"modularity\": " + jsonNumber(modularity(results));
    if (results.weights) {
        text += ",\n  \"modularity_unweighted\": " + jsonNumber(unweightedModularity(results));
        text += ",\n  \"weighted\": true,\n  \"weighted_detection\": ";
        text += results.weightedDetection ? "true" : "false";
    } else {
        text += ",\n  \"weighted\": false";
    }
    field("largest_community", counts.largestCommunity);
    field("max_coreness", std::uint64_t(counts.maxCoreness));
    field("max_shell", std::uint64_t(counts.maxShell));
    if (results.labelsShown) {
        field("labels_drawn", results.labelsDrawn);
        field("labels_asked", results.labelsAsked);
    } else {
        text += ",\n  \"labels_drawn\": null,\n  \"labels_asked\": null";
    }
    text += ",\n  \"partition\": " +
            (summary.partition.empty() ? "\"detected\"" : jsonString(summary.partition));
    field("unassigned", summary.unassigned);
    field("unknown_ids", summary.unknownIds);
    field("isolated_declared", summary.isolatedDeclared);
    text += ",\n  \"options\": {";
    for (std::size_t k = 0; k < summary.options.size(); ++k) {
        text += k > 0 ? ", " : "";
        text += jsonString(summary.options[k].first) + ": " + summary.options[k].second;
    }
    text += "},\n  \"version\": \"" QUORVANE_VERSION "\",\n  \"seconds\": {";
    const RunSummary::Seconds& s = summary.seconds;
    const std::pair<const char*, double> seconds[] = {
        {"read", s.read},     {"cores", s.cores},   {"communities", s.communities},
        {"layout", s.layout}, {"scenes", s.scenes}, {"export", s.exported}};
    for (const auto& [name, value] : seconds) {
        text += name == seconds[0].first ? "\"" : ", \"";
        text += name;
        text += "\": " + jsonNumber(microseconds(value));
    }
    text += "}\n}\n";
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

std::string summaryLine(const RunResults& results) {
    const Counts counts = countsOf(results);
    std::string line = "\t";
    appendInteger(line, results.graph->vertices.size());
    line += " vertices, ";
    appendInteger(line, counts.edges);
    line += " edges, ";
    appendInteger(line, results.communities.size());
    line += results.communities.size() == 1 ? " community, Q = " : " communities, Q = ";
    char q[32];
    const double value = modularity(results);
    char* end = std::to_chars(q, q + sizeof q, value, std::chars_format::fixed, 4).ptr;
    // A value that rounds to zero is shown without a sign.
    const std::string_view shown(q, static_cast<std::size_t>(end - q));
    line += shown == "-0.0000" ? "0.0000" : shown;
    line += ", largest core ";
    appendInteger(line, std::uint64_t(counts.maxCoreness));
    line += '\n';
    return line;
}

ExportFiles::ExportFiles(std::string stem, ExportFormats formats, TemporaryFiles* temporaries)
    : stem_(std::move(stem)), formats_(formats), files_("Export file", temporaries) {}

std::vector<std::pair<std::string, ExportFiles::Writer>> ExportFiles::dataFiles() const {
    std::vector<std::pair<std::string, Writer>> files;
    if (formats_.csv) {
        files.emplace_back(stem_ + "_vertices.csv", writeVertexTable);
        files.emplace_back(stem_ + "_communities.csv", writeCommunityTable);
        files.emplace_back(stem_ + "_links.csv", writeLinkTable);
    }
    if (formats_.gexf) files.emplace_back(stem_ + ".gexf", writeGexf);
    return files;
}

std::vector<std::string> ExportFiles::names() const {
    std::vector<std::string> names;
    for (const auto& [name, writer] : dataFiles()) names.push_back(name);
    names.push_back(stem_ + "_summary.json");
    return names;
}

void ExportFiles::writeData(const RunResults& results) {
    for (const auto& [name, writer] : dataFiles())
        files_.write(name, [&, writer = writer](std::ostream& out) { writer(results, out); });
}

void ExportFiles::writeSummary(const RunResults& results, const RunSummary& summary) {
    files_.write(stem_ + "_summary.json",
                 [&](std::ostream& out) { ::writeSummary(results, summary, out); });
}
