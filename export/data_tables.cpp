// The CSV tables and the GEXF file of -export (formats in data_files.h).
#include <algorithm>
#include <cmath>

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

void appendCsvLabel(std::string& out, const Vertex& vertex) {
    if (vertex.name.find_first_of(",\"") == std::string::npos) {
        appendLabel(out, vertex, noEscape);
        return;
    }
    out += '"';
    appendLabel(out, vertex, doubledQuote);
    out += '"';
}

void appendColour(std::string& out, tColor colour) {
    appendHexColour(out, rgbOf(colour));
}

}  // namespace

void writeVertexTable(const RunResults& results, std::ostream& out) {
    TextSink sink(out);
    std::string& text = sink.text();
    text += "Id,Label,community,shell,coreness,degree,x,y,size,color\n";
    const std::vector<Vertex*>& vertices = results.graph->vertices;
    for (const Index p : results.byId) {
        const Vertex& vertex = *vertices[p];
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
        text += '\n';
        sink.spill();
    }
}

void writeCommunityTable(const RunResults& results, std::ostream& out) {
    TextSink sink(out);
    std::string& text = sink.text();
    text += "community,size,e_ii,a_ij,degree_sum,max_shell,x,y,radius,color\n";
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
        text += '\n';
        sink.spill();
    }
}

void writeLinkTable(const RunResults& results, std::ostream& out) {
    TextSink sink(out);
    std::string& text = sink.text();
    text += "Source,Target,Weight\n";
    for (const RunResults::Link& link : results.links) {
        appendInteger(text, std::uint64_t{link.a} + 1);
        text += ',';
        appendInteger(text, std::uint64_t{link.b} + 1);
        text += ',';
        appendInteger(text, link.edges);
        text += '\n';
        sink.spill();
    }
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

void appendGexfNode(std::string& text, const RunResults& results, Index p, double scale) {
    const Vertex& vertex = *results.graph->vertices[p];
    const Index community = results.community[p];
    const std::uint32_t rgb = rgbOf(results.communities[community].colour);
    text += "      <node id=\"";
    appendSigned(text, vertex.id);
    text += "\" label=\"";
    appendLabel(text, vertex, xmlAttributeEscape);
    text += "\"><attvalues><attvalue for=\"0\" value=\"";
    appendInteger(text, std::uint64_t{community} + 1);
    text += "\"/><attvalue for=\"1\" value=\"";
    appendSigned(text, results.shell[p]);
    text += "\"/><attvalue for=\"2\" value=\"";
    appendSigned(text, results.coreness[p]);
    text += "\"/><attvalue for=\"3\" value=\"";
    appendSigned(text, vertex.degree);
    text += "\"/></attvalues><viz:size value=\"";
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
        "  <graph mode=\"static\" defaultedgetype=\"undirected\">\n"
        "    <attributes class=\"node\">\n"
        "      <attribute id=\"0\" title=\"community\" type=\"integer\"/>\n"
        "      <attribute id=\"1\" title=\"shell\" type=\"integer\"/>\n"
        "      <attribute id=\"2\" title=\"coreness\" type=\"integer\"/>\n"
        "      <attribute id=\"3\" title=\"degree\" type=\"integer\"/>\n"
        "    </attributes>\n"
        "    <nodes>\n";
    const double scale = gexfScale(results);
    for (const Index p : results.byId) {
        appendGexfNode(text, results, p, scale);
        sink.spill();
    }
    text += "    </nodes>\n    <edges>\n";
    // Each edge once, from its end with the smaller id (a self-loop from its vertex).
    std::uint64_t number = 0;
    const std::vector<Vertex*>& vertices = results.graph->vertices;
    for (const Index p : results.byId) {
        const Vertex& vertex = *vertices[p];
        for (const Vertex* neighbour : vertex.neighbours) {
            if (neighbour->id < vertex.id) continue;
            text += "      <edge id=\"";
            appendInteger(text, number++);
            text += "\" source=\"";
            appendSigned(text, vertex.id);
            text += "\" target=\"";
            appendSigned(text, neighbour->id);
            text += "\"/>\n";
        }
        sink.spill();
    }
    text += "    </edges>\n  </graph>\n</gexf>\n";
}
