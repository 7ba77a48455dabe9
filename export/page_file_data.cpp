// The file's data in the page's data block. A page of an edge list (no declared vertices)
// has no "file" key, and is byte for byte what it was without this part:
//
//   "file": {
//     "isolated": [type, base64]   ids of the vertices declared without an edge, ascending:
//                                  drawn nowhere and counted nowhere, but found by the search
//     "labels":   texts            their labels
//     "ids":      texts            file id of every entry, absent where it is its label
//     "columns":  [string, ...]    names of the first 8 attributes, as the tables name them
//     "values":   [texts, ...]     a column's value of every entry, column by column
//   }
//
// Entries are the drawn vertices in the page's order, then the isolated ones in theirs.
// texts is ["the texts joined", [type, base64 ends]]: ends[k] is twice where text k ends in
// the joined string, in UTF-16 code units as the script slices it, plus 1 when it is absent
// (it then ends where the one before it does). One string and one offset array a list, so
// that millions of values cost the script no string each until one is shown. Texts are
// cleaned and escaped as labels are; a value or file id past kPageValueBytes is cut.
#include "export/page_file_data.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "export/data_files.h"
#include "export/page_encoding.h"
#include "export/results.h"
#include "graph/graph.h"

namespace {

// The bytes of text up to most, cut at the start of a character; cut tells whether any went.
std::string_view headOf(std::string_view text, std::size_t most, bool& cut) {
    cut = text.size() > most;
    if (!cut) return text;
    std::size_t end = most;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

// One list of texts as it is written: add each text in turn, then finish.
class TextList {
  public:
    TextList(TextSink& sink, std::size_t most) : sink_(sink), most_(most) { sink_.text() += "[\""; }
    void add(std::optional<std::string_view> text);
    void finish();

  private:
    // Past this many units (more than a browser's string holds) the rest are left out, so
    // that an end and its flag fit 32 bits.
    static constexpr std::uint64_t kMostUnits = std::uint64_t{1} << 30;

    TextSink& sink_;
    std::size_t most_;
    std::uint64_t units_ = 0;
    std::vector<std::uint32_t> ends_;
};

void TextList::add(std::optional<std::string_view> text) {
    // A text has at most as many UTF-16 units as bytes; the cut adds one, "…".
    if (!text || units_ + std::min(text->size(), most_) + 1 > kMostUnits) {
        ends_.push_back(std::uint32_t(2 * units_ + 1));
        return;
    }
    bool cut = false;
    std::string& out = sink_.text();
    units_ += appendJsonText(out, headOf(*text, most_, cut));
    if (cut) {
        out += "\xE2\x80\xA6";
        ++units_;
    }
    ends_.push_back(std::uint32_t(2 * units_));
    sink_.spill();
}

void TextList::finish() {
    sink_.text() += "\",";
    writeTypedArray(sink_,
                    unsignedArray("ends", ends_.size(), [&](std::size_t k) { return ends_[k]; }));
    sink_.text() += ']';
}

// The page's entries: the drawn vertices in the page's order, then the isolated ones.
class Entries {
  public:
    Entries(const RunResults& results, const std::vector<Index>& order)
        : r_(results), declared_(*results.declared), order_(order) {
        for (std::size_t k = 0; k < declared_.size(); ++k)
            if (!r_.graph->vertexMap.find(static_cast<VertexId>(k)))
                isolated_.push_back(std::uint32_t(k));
    }

    std::size_t size() const { return order_.size() + isolated_.size(); }
    const std::vector<std::uint32_t>& isolated() const { return isolated_; }
    // The declared number of entry e, or none for a drawn vertex the file did not declare.
    std::optional<std::size_t> number(std::size_t e) const {
        if (e >= order_.size()) return isolated_[e - order_.size()];
        const VertexId id = r_.graph->vertices[order_[e]]->id;
        if (id < 0 || std::size_t(id) >= declared_.size()) return std::nullopt;
        return std::size_t(id);
    }
    // The label the page shows for entry e.
    std::string_view label(std::size_t e) const {
        if (e >= order_.size()) return declared_.label(isolated_[e - order_.size()]);
        return r_.graph->vertices[order_[e]]->name;
    }

  private:
    const RunResults& r_;
    const DeclaredVertices& declared_;
    const std::vector<Index>& order_;
    std::vector<std::uint32_t> isolated_;
};

void writeIsolated(TextSink& sink, const DeclaredVertices& declared, const Entries& entries) {
    const std::vector<std::uint32_t>& isolated = entries.isolated();
    sink.text() += "\"isolated\":";
    writeTypedArray(sink, unsignedArray("isolated", isolated.size(),
                                        [&](std::size_t k) { return isolated[k]; }));
    sink.text() += ",\"labels\":";
    TextList labels(sink, std::numeric_limits<std::size_t>::max());
    for (const std::uint32_t k : isolated) labels.add(declared.label(k));
    labels.finish();
}

void writeFileIds(TextSink& sink, const DeclaredVertices& declared, const Entries& entries) {
    sink.text() += ",\"ids\":";
    TextList ids(sink, kPageValueBytes);
    for (std::size_t e = 0; e < entries.size(); ++e) {
        const std::optional<std::size_t> k = entries.number(e);
        const std::optional<std::string_view> id =
            k ? std::optional(declared.fileId(*k)) : std::nullopt;
        ids.add(id && *id != entries.label(e) ? id : std::nullopt);
    }
    ids.finish();
}

void writeAttributes(TextSink& sink, const AttributeTable& attributes, const Entries& entries) {
    const std::vector<std::string> names = attributeColumnNames(attributes);
    const std::size_t shown = std::min(names.size(), kPageAttributes);
    std::string& out = sink.text();
    out += ",\"columns\":[";
    for (std::size_t c = 0; c < shown; ++c) {
        if (c > 0) out += ',';
        appendLabelJson(out, names[c]);
    }
    out += "],\"values\":[";
    for (std::size_t c = 0; c < shown; ++c) {
        if (c > 0) sink.text() += ',';
        TextList values(sink, kPageValueBytes);
        for (std::size_t e = 0; e < entries.size(); ++e) {
            const std::optional<std::size_t> k = entries.number(e);
            values.add(k ? attributes.value(c, *k) : std::nullopt);
        }
        values.finish();
    }
    sink.text() += ']';
}

}  // namespace

void writePageFileData(TextSink& sink, const RunResults& results, const std::vector<Index>& order) {
    if (!results.declared) return;
    const DeclaredVertices& declared = *results.declared;
    const Entries entries(results, order);
    sink.text() += ",\"file\":{";
    writeIsolated(sink, declared, entries);
    writeFileIds(sink, declared, entries);
    writeAttributes(sink, declared.attributes, entries);
    sink.text() += '}';
}
