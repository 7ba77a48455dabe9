// The CSV tables and the GEXF file of -export (formats in data_files.h).
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string_view>

#include "export/data_files.h"
#include "graph/graph.h"
#include "graph/text.h"

namespace {

const char* noEscape(char32_t) {
    return nullptr;
}

const char* doubledQuote(char32_t point) {
    return point == '"' ? "\"\"" : nullptr;
}

// The label a vertex shows in the tables: its name, else its id.
template <class EscapeOf>
void appendLabel(std::string& out, const Vertex& vertex, EscapeOf&& escapeOf) {
    if (vertex.name.empty())
        appendSigned(out, vertex.id);
    else
        appendCleanText(out, vertex.name, escapeOf);
}

// A text field of a CSV table: cleaned, quoted when it holds a comma or a quote.
void appendCsvText(std::string& out, std::string_view text) {
    if (text.find_first_of(",\"") == std::string_view::npos) {
        appendCleanText(out, text, noEscape);
        return;
    }
    out += '"';
    appendCleanText(out, text, doubledQuote);
    out += '"';
}

void appendCsvLabel(std::string& out, const Vertex& vertex) {
    if (vertex.name.empty())
        appendSigned(out, vertex.id);
    else
        appendCsvText(out, vertex.name);
}

// The table's fixed columns; a file's attribute of one of these names gains "attr_".
constexpr const char* kVertexColumns[] = {"Id",      "Label",    "community",  "shell", "coreness",
                                          "degree",  "x",        "y",          "size",  "color",
                                          "file_id", "strength", "member_rank"};

bool sameNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::vector<std::string> attributeColumnNames(const AttributeTable& attributes) {
    std::vector<std::string> names;
    for (const AttributeTable::Column& column : attributes.columns()) {
        bool clash = false;
        for (const char* fixed : kVertexColumns) clash = clash || sameNoCase(column.name, fixed);
        names.push_back(clash ? "attr_" + column.name : column.name);
    }
    return names;
}

namespace {

void appendColour(std::string& out, tColor colour) {
    appendHexColour(out, rgbOf(colour));
}

}  // namespace

namespace {

// The file's view of a vertex: its file id (the id itself for an edge list), and where it
// has a value of each attribute.
void appendFileColumns(std::string& text, const RunResults& results, VertexId id) {
    const DeclaredVertices* declared = results.declared;
    const bool known = declared && id >= 0 && std::size_t(id) < declared->size();
    text += ',';
    if (known)
        appendCsvText(text, declared->fileId(std::size_t(id)));
    else
        appendSigned(text, id);
}

void appendAttributes(std::string& text, const RunResults& results, VertexId id) {
    if (!results.declared) return;
    const AttributeTable& attributes = results.declared->attributes;
    for (std::size_t c = 0; c < attributes.columns().size(); ++c) {
        text += ',';
        if (id < 0) continue;
        if (const auto value = attributes.value(c, std::size_t(id))) appendCsvText(text, *value);
    }
}

void appendVertexRow(std::string& text, const RunResults& results, Index p) {
    const Vertex& vertex = *results.graph->vertices[p];
    const Index community = results.community[p];
    appendSigned(text, vertex.id);
    text += ',';
    appendCsvLabel(text, vertex);
    text += ',';
    appendInteger(text, std::uint64_t{community} + 1);
    text += ',';
    appendSigned(text, results.shell[p]);
    text += ',';
    appendSigned(text, results.coreness[p]);
    text += ',';
    appendSigned(text, vertex.degree);
    text += ',';
    appendFloat(text, results.x[p]);
    text += ',';
    appendFloat(text, results.y[p]);
    text += ',';
    appendFloat(text, results.radius[p]);
    text += ',';
    appendColour(text, results.communities[community].colour);
    appendFileColumns(text, results, vertex.id);
    text += ',';
    appendNumber(text, results.strength[p]);
    text += ',';
    appendInteger(text, results.memberRank[p]);
    appendAttributes(text, results, vertex.id);
    text += '\n';
}

// A vertex the file declares without an edge: no community, no place in the pictures.
void appendIsolatedRow(std::string& text, const RunResults& results, VertexId id) {
    appendSigned(text, id);
    text += ',';
    const std::string_view label = results.declared->label(std::size_t(id));
    if (label.empty())
        appendSigned(text, id);
    else
        appendCsvText(text, label);
    text += ",,0,0,0,,,,";
    appendFileColumns(text, results, id);
    text += ",0,";
    appendAttributes(text, results, id);
    text += '\n';
}

}  // namespace

void writeVertexTable(const RunResults& results, std::ostream& out) {
    TextSink sink(out);
    std::string& text = sink.text();
    text += "Id,Label,community,shell,coreness,degree,x,y,size,color,file_id,strength,member_rank";
    if (results.declared)
        for (const std::string& name : attributeColumnNames(results.declared->attributes)) {
            text += ',';
            appendCsvText(text, name);
        }
    text += '\n';
    if (!results.declared) {
        for (const Index p : results.byId) {
            appendVertexRow(text, results, p);
            sink.spill();
        }
        return;
    }
    // Every declared vertex in ascending id (its number), those without an edge included.
    const Graph& graph = *results.graph;
    for (std::size_t k = 0; k < results.declared->size(); ++k) {
        const VertexId id = static_cast<VertexId>(k);
        if (const Vertex* vertex = graph.vertexMap.find(id))
            appendVertexRow(text, results, vertex->index);
        else
            appendIsolatedRow(text, results, id);
        sink.spill();
    }
}

void writeCommunityTable(const RunResults& results, std::ostream& out) {
    TextSink sink(out);
    std::string& text = sink.text();
    text += "community,size,e_ii,a_ij,degree_sum,max_shell,x,y,radius,color,strength_sum\n";
    for (std::size_t k = 0; k < results.communities.size(); ++k) {
        const RunResults::Community& c = results.communities[k];
        appendInteger(text, k + 1);
        for (const std::uint64_t count : {std::uint64_t{c.size}, std::uint64_t{c.internal},
                                          std::uint64_t{c.external}, std::uint64_t{c.degreeSum}}) {
            text += ',';
            appendInteger(text, count);
        }
        text += ',';
        appendSigned(text, c.maxShell);
        for (const float value : {c.x, c.y, c.radius}) {
            text += ',';
            appendFloat(text, value);
        }
        text += ',';
        appendColour(text, c.colour);
        text += ',';
        appendNumber(text, c.strengthSum);
        text += '\n';
        sink.spill();
    }
}

void writeLinkTable(const RunResults& results, std::ostream& out) {
    TextSink sink(out);
    std::string& text = sink.text();
    text += "Source,Target,Weight,weight_sum,source_rank,target_rank\n";
    const auto row = [&](Index a, Index b, std::uint32_t edges, double weightSum, Index aRank,
                         Index bRank) {
        appendInteger(text, std::uint64_t{a} + 1);
        text += ',';
        appendInteger(text, std::uint64_t{b} + 1);
        text += ',';
        appendInteger(text, edges);
        text += ',';
        appendNumber(text, weightSum);
        text += ',';
        appendInteger(text, aRank);
        text += ',';
        appendInteger(text, bRank);
        text += '\n';
        sink.spill();
    };
    // A community's link to itself comes before its links to later communities.
    auto self = results.selfLinks.begin();
    for (const RunResults::Link& link : results.links) {
        for (; self != results.selfLinks.end() && self->community <= link.a; ++self)
            row(self->community, self->community, self->edges, self->edges, self->rank, self->rank);
        row(link.a, link.b, link.edges, link.weightSum, link.sourceRank, link.targetRank);
    }
    for (; self != results.selfLinks.end(); ++self)
        row(self->community, self->community, self->edges, self->edges, self->rank, self->rank);
}

namespace {

// Scene units to GEXF units: the communities' discs, the whole picture, span about 1,000.
double gexfScale(const RunResults& results) {
    double half = 0.0;
    for (const RunResults::Community& c : results.communities) {
        const double reach = std::max(std::fabs(double(c.x)), std::fabs(double(c.y))) + c.radius;
        if (reach > half) half = reach;  // a NaN never widens it
    }
    return half > 0.0 && std::isfinite(half) ? 500.0 / half : 1.0;
}

// A value the GEXF type accepts as written (a reader of the file parses it by its type).
bool fitsType(std::string_view value, AttributeType type) {
    switch (type) {
        case AttributeType::text:
            return true;
        case AttributeType::boolean:
            return value == "true" || value == "false";
        case AttributeType::integer: {
            std::size_t i = !value.empty() && (value[0] == '-' || value[0] == '+');
            if (i == value.size()) return false;
            for (; i < value.size(); ++i)
                if (value[i] < '0' || value[i] > '9') return false;
            return true;
        }
        case AttributeType::real: {
            if (value.empty() || value.size() > 64) return false;
            const std::string text(value);
            char* end = nullptr;
            std::strtod(text.c_str(), &end);
            return end == text.c_str() + text.size() &&
                   !std::isspace(static_cast<unsigned char>(text[0]));
        }
    }
    return false;
}

// The ids of the GEXF attributes: ours, then the file's.
enum GexfAttribute : std::size_t { kCommunity, kShell, kCoreness, kDegree, kFileId, kFileOwn };

void appendAttvalue(std::string& text, std::size_t attribute) {
    text += "<attvalue for=\"";
    appendInteger(text, attribute);
    text += "\" value=\"";
}

// The file id and the file's attributes of a vertex, as attvalues.
void appendGexfFileValues(std::string& text, const RunResults& results, VertexId id) {
    appendAttvalue(text, kFileId);
    const DeclaredVertices* declared = results.declared;
    if (declared && id >= 0 && std::size_t(id) < declared->size())
        appendCleanText(text, declared->fileId(std::size_t(id)), xmlAttributeEscape);
    else
        appendSigned(text, id);
    text += "\"/>";
    if (!declared || id < 0) return;
    const AttributeTable& attributes = declared->attributes;
    for (std::size_t c = 0; c < attributes.columns().size(); ++c) {
        const auto value = attributes.value(c, std::size_t(id));
        if (!value || !fitsType(*value, attributes.columns()[c].type)) continue;
        appendAttvalue(text, kFileOwn + c);
        appendCleanText(text, *value, xmlAttributeEscape);
        text += "\"/>";
    }
}

void appendGexfNode(std::string& text, const RunResults& results, Index p, double scale) {
    const Vertex& vertex = *results.graph->vertices[p];
    const Index community = results.community[p];
    const std::uint32_t rgb = rgbOf(results.communities[community].colour);
    text += "      <node id=\"";
    appendSigned(text, vertex.id);
    text += "\" label=\"";
    appendLabel(text, vertex, xmlAttributeEscape);
    text += "\"><attvalues>";
    appendAttvalue(text, kCommunity);
    appendInteger(text, std::uint64_t{community} + 1);
    text += "\"/>";
    appendAttvalue(text, kShell);
    appendSigned(text, results.shell[p]);
    text += "\"/>";
    appendAttvalue(text, kCoreness);
    appendSigned(text, results.coreness[p]);
    text += "\"/>";
    appendAttvalue(text, kDegree);
    appendSigned(text, vertex.degree);
    text += "\"/>";
    appendGexfFileValues(text, results, vertex.id);
    text += "</attvalues><viz:size value=\"";
    appendFloat(text, float(results.radius[p] * scale));
    text += "\"/><viz:position x=\"";
    appendFloat(text, float(results.x[p] * scale));
    text += "\" y=\"";
    appendFloat(text, float(results.y[p] * scale));
    text += "\" z=\"0\"/><viz:color r=\"";
    appendInteger(text, rgb >> 16);
    text += "\" g=\"";
    appendInteger(text, (rgb >> 8) & 255);
    text += "\" b=\"";
    appendInteger(text, rgb & 255);
    text += "\"/></node>\n";
}

// A declared vertex without an edge: in no community and not drawn, so without viz.
void appendGexfIsolatedNode(std::string& text, const RunResults& results, VertexId id) {
    text += "      <node id=\"";
    appendSigned(text, id);
    text += "\" label=\"";
    const std::string_view label = results.declared->label(std::size_t(id));
    if (label.empty())
        appendSigned(text, id);
    else
        appendCleanText(text, label, xmlAttributeEscape);
    text += "\"><attvalues>";
    for (const GexfAttribute zero : {kShell, kCoreness, kDegree}) {
        appendAttvalue(text, zero);
        text += "0\"/>";
    }
    appendGexfFileValues(text, results, id);
    text += "</attvalues></node>\n";
}

void appendGexfAttributes(std::string& text, const RunResults& results) {
    text +=
        "    <attributes class=\"node\">\n"
        "      <attribute id=\"0\" title=\"community\" type=\"integer\"/>\n"
        "      <attribute id=\"1\" title=\"shell\" type=\"integer\"/>\n"
        "      <attribute id=\"2\" title=\"coreness\" type=\"integer\"/>\n"
        "      <attribute id=\"3\" title=\"degree\" type=\"integer\"/>\n"
        "      <attribute id=\"4\" title=\"file_id\" type=\"string\"/>\n";
    if (results.declared) {
        const AttributeTable& attributes = results.declared->attributes;
        const std::vector<std::string> names = attributeColumnNames(attributes);
        for (std::size_t c = 0; c < names.size(); ++c) {
            text += "      <attribute id=\"";
            appendInteger(text, kFileOwn + c);
            text += "\" title=\"";
            appendCleanText(text, names[c], xmlAttributeEscape);
            text += "\" type=\"";
            text += attributeTypeName(attributes.columns()[c].type);
            text += "\"/>\n";
        }
    }
    text += "    </attributes>\n";
}

}  // namespace

void writeGexf(const RunResults& results, std::ostream& out) {
    TextSink sink(out);
    std::string& text = sink.text();
    text +=
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<gexf xmlns=\"http://www.gexf.net/1.2draft\" "
        "xmlns:viz=\"http://www.gexf.net/1.2draft/viz\" version=\"1.2\">\n"
        "  <meta>\n"
        "    <creator>Quorvane " QUORVANE_VERSION
        "</creator>\n"
        "  </meta>\n"
        "  <graph mode=\"static\" defaultedgetype=\"undirected\">\n";
    appendGexfAttributes(text, results);
    text += "    <nodes>\n";
    const double scale = gexfScale(results);
    const Graph& graph = *results.graph;
    if (results.declared) {
        // Every declared vertex in ascending id, those without an edge included.
        for (std::size_t k = 0; k < results.declared->size(); ++k) {
            const VertexId id = static_cast<VertexId>(k);
            if (const Vertex* vertex = graph.vertexMap.find(id))
                appendGexfNode(text, results, vertex->index, scale);
            else
                appendGexfIsolatedNode(text, results, id);
            sink.spill();
        }
    } else {
        for (const Index p : results.byId) {
            appendGexfNode(text, results, p, scale);
            sink.spill();
        }
    }
    text += "    </nodes>\n    <edges>\n";
    // Each edge once, from its end with the smaller id (a self-loop from its vertex).
    // The weights lie in the order of the vertices' positions: where each one's begin.
    std::vector<std::size_t> firstWeight;
    if (results.weights) {
        firstWeight.reserve(graph.vertices.size());
        std::size_t entry = 0;
        for (const Vertex* vertex : graph.vertices) {
            firstWeight.push_back(entry);
            entry += vertex->neighbours.size();
        }
    }
    std::uint64_t number = 0;
    for (const Index p : results.byId) {
        const Vertex& vertex = *graph.vertices[p];
        for (std::size_t k = 0; k < vertex.neighbours.size(); ++k) {
            const Vertex* neighbour = vertex.neighbours[k];
            if (neighbour->id < vertex.id) continue;
            text += "      <edge id=\"";
            appendInteger(text, number++);
            text += "\" source=\"";
            appendSigned(text, vertex.id);
            text += "\" target=\"";
            appendSigned(text, neighbour->id);
            if (results.weights) {
                text += "\" weight=\"";
                appendNumber(text, (*results.weights)[firstWeight[p] + k]);
            }
            text += "\"/>\n";
        }
        sink.spill();
    }
    text += "    </edges>\n  </graph>\n</gexf>\n";
}
