#include "graph/formats/gexf_reader.h"

#include <libxml/xmlreader.h>

#include <algorithm>
#include <cctype>
#include <exception>
#include <limits>
#include <memory>
#include <string_view>
#include <vector>

#include "graph/defs.h"
#include "graph/formats/format_errors.h"
#include "graph/formats/xml_quiet.h"
#include "graph/text.h"

namespace {

struct XmlFree {
    void operator()(xmlChar* text) const { xmlFree(text); }
};
using XmlText = std::unique_ptr<xmlChar, XmlFree>;

struct ReaderFree {
    void operator()(xmlTextReaderPtr reader) const { xmlFreeTextReader(reader); }
};

std::string_view view(const xmlChar* text) {
    return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

bool equalNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// What libxml2 reads from and reports to: the input stream, the exception a read of it threw
// (a truncated compressed file), and the first error of the parser.
struct Channel {
    std::istream& input;
    std::exception_ptr readFailure;
    std::string error;
    int errorLine = 0;
};

int readInput(void* context, char* buffer, int length) {
    Channel& channel = *static_cast<Channel*>(context);
    try {
        channel.input.read(buffer, length);
        return static_cast<int>(channel.input.gcount());
    } catch (...) {
        channel.readFailure = std::current_exception();
        return -1;
    }
}

void collectError(void* context, xmlErrorPtr error) {
    Channel& channel = *static_cast<Channel*>(context);
    if (!error || error->level < XML_ERR_ERROR || !channel.error.empty()) return;
    std::string_view message = error->message ? error->message : "XML error";
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.remove_suffix(1);
    channel.error = escaped(message, Escape::Text);
    channel.errorLine = error->line;
}

// Where an element stands: only the first graph's nodes and edges count, the nodes of a
// hierarchy (<nodes> inside a <node>) among them.
enum class Place : std::uint8_t { other, root, graph, attributes, nodes, node, attvalues, edges };

class GexfReader {
  public:
    GexfReader(std::istream& input, const std::string& name)
        : channel_{input, nullptr, "", 0}, name_(name) {}

    NamedNetwork read() {
        // Entities are expanded by the parser, in one pass (the guard in front has refused
        // the ones that would read files or grow too far); left to the attribute look-ups,
        // every reference in a value would copy the value again.
        reader_.reset(xmlReaderForIO(readInput, nullptr, &channel_, nullptr, nullptr,
                                     XML_PARSE_NONET | XML_PARSE_BIG_LINES | XML_PARSE_NOENT));
        if (!reader_) throw Fatal("ERROR: Out of memory\n");
        xmlTextReaderSetStructuredErrorHandler(reader_.get(), collectError, &channel_);
        int status;
        while ((status = xmlTextReaderRead(reader_.get())) == 1) {
            const int type = xmlTextReaderNodeType(reader_.get());
            if (type == XML_READER_TYPE_ELEMENT) {
                start(view(xmlTextReaderConstLocalName(reader_.get())));
            } else if (type == XML_READER_TYPE_END_ELEMENT) {
                open_.resize(std::min<std::size_t>(open_.size(), depth()));
            }
        }
        if (channel_.readFailure) std::rethrow_exception(channel_.readFailure);
        if (status != 0 || !channel_.error.empty())
            failReading(name_, static_cast<std::uint64_t>(std::max(channel_.errorLine, 0)),
                        channel_.error.empty() ? "not a well-formed XML document" : channel_.error);
        network_.labels = std::move(labels_);
        return std::move(network_);
    }

  private:
    static constexpr std::uint32_t kNoNode = NameNumbers::kAbsent;

    struct Open {
        Place place;
        std::uint32_t node;  // the node of a node or attvalues element
    };

    std::size_t depth() const {
        return static_cast<std::size_t>(std::max(xmlTextReaderDepth(reader_.get()), 0));
    }

    // The line of the element being read (the parser itself may be further on).
    std::uint64_t line() const {
        const xmlNodePtr node = xmlTextReaderCurrentNode(reader_.get());
        return node ? static_cast<std::uint64_t>(std::max(xmlGetLineNo(node), 0L)) : 0;
    }

    XmlText attribute(const char* name) const {
        return XmlText(xmlTextReaderGetAttribute(reader_.get(), BAD_CAST name));
    }

    void start(std::string_view element) {
        const std::size_t at = depth();
        open_.resize(std::min(open_.size(), at));
        const Open parent =
            open_.empty() || open_.size() < at ? Open{Place::other, kNoNode} : open_.back();
        if (at == 0 && element != "gexf")
            failReading(
                name_, line(),
                "the first element is <" + escaped(element, Escape::Text) + ">, not <gexf>");
        const Open here = place(element, parent, at);
        if (xmlTextReaderIsEmptyElement(reader_.get()) != 1 && open_.size() == at)
            open_.push_back(here);
    }

    // Reads what the element stands for and says where its children stand.
    Open place(std::string_view element, const Open& parent, std::size_t at) {
        const Place from = parent.place;
        if (at == 0) return {Place::root, kNoNode};
        if (from == Place::root && element == "graph" && !graphSeen_) {
            graphSeen_ = true;
            return {Place::graph, kNoNode};
        }
        if (from == Place::graph && element == "attributes")
            return {view(attribute("class").get()) == "node" ? Place::attributes : Place::other,
                    kNoNode};
        if (from == Place::attributes && element == "attribute") declareAttribute();
        if ((from == Place::graph || from == Place::node) && element == "nodes")
            return {Place::nodes, kNoNode};
        if (from == Place::nodes && element == "node") return {Place::node, startNode()};
        if (from == Place::node && element == "attvalues") return {Place::attvalues, parent.node};
        if (from == Place::attvalues && element == "attvalue") nameValue(parent.node);
        if (from == Place::graph && element == "edges") return {Place::edges, kNoNode};
        if (from == Place::edges && element == "edge") edge();
        return {Place::other, kNoNode};
    }

    // A node attribute titled "name" (any case) may label nodes; its id is kept in a hash
    // table, so each value is looked up in constant time whatever the declarations.
    void declareAttribute() {
        const XmlText id = attribute("id");
        if (id && equalNoCase(view(attribute("title").get()), "name"))
            nameKeys_.number(view(id.get()));
    }

    std::uint32_t startNode() {
        const XmlText id = attribute("id");
        if (!id) failReading(name_, line(), "node without an id");
        const std::string_view key = view(id.get());
        const std::size_t before = ids_.size();
        const std::uint32_t number = ids_.number(key);
        if (ids_.size() == before)
            failReading(name_, line(), "node '" + escaped(key, Escape::Text) + "' declared twice");
        if (number > static_cast<std::uint32_t>(std::numeric_limits<VertexId>::max()))
            failReading(name_, line(), "more than 2147483648 vertices");
        const XmlText label = attribute("label");
        labelled_ = label && *label.get() != 0;
        labels_.push(labelled_ ? view(label.get()) : key);
        return number;
    }

    // A value of the node's "name" attribute labels a node that has no label of its own.
    void nameValue(std::uint32_t node) {
        if (node == kNoNode || labelled_ || node + 1 != labels_.size()) return;
        XmlText key = attribute("for");
        if (!key) key = attribute("id");  // GEXF 1.1
        if (!key || nameKeys_.find(view(key.get())) == NameNumbers::kAbsent) return;
        const XmlText value = attribute("value");
        if (!value || *value.get() == 0) return;
        labels_.replaceLast(view(value.get()));
        labelled_ = true;
    }

    void edge() {
        const XmlText source = attribute("source");
        const XmlText target = attribute("target");
        if (!source || !target) failReading(name_, line(), "edge without a source or a target");
        network_.edges.push_back({endpoint(view(source.get())), endpoint(view(target.get()))});
    }

    VertexId endpoint(std::string_view id) const {
        const std::uint32_t number = ids_.find(id);
        if (number == NameNumbers::kAbsent)
            failReading(name_, line(),
                        "edge to undeclared node '" + escaped(id, Escape::Text) + "'");
        return static_cast<VertexId>(number);
    }

    Channel channel_;
    const std::string& name_;
    std::unique_ptr<xmlTextReader, ReaderFree> reader_;
    NamedNetwork network_;
    NameNumbers ids_;
    Labels labels_;
    NameNumbers nameKeys_;
    std::vector<Open> open_;  // the open elements, by depth
    bool graphSeen_ = false;
    bool labelled_ = false;  // the last node has a label of its own or a name
};

}  // namespace

NamedNetwork readGexf(std::istream& input, const std::string& name, bool) {
    const QuietLibxml quiet;
    return GexfReader(input, name).read();
}
