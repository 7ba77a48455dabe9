// What stands between the input and igraph's parsers, and what it learns on the way: each
// filter sees every byte once, in blocks, and keeps constant state besides what it records.
//
// GML: igraph decodes the five named XML references in strings but leaves numeric ones
// (`&#235;`, as networkx writes every non-ASCII character) as written, so after igraph a
// `&amp;#38;` could not be told from a `&#38;`. The filter hides every `&` of a string from
// igraph (`&` becomes \x01 'a', a \x01 becomes \x01 'b'; no line break moves) and gmlText
// decodes the string igraph hands back once, exactly as written. The filter also notes the
// node keys a value is written for as a real (`score 0.5`), since igraph keeps only "numeric".
//
// Pajek: igraph refuses vertex parameters it does not know (`club "Mr. Hi"`, as networkx
// writes node attributes), and a name with quotes inside (`"The "Boss""`). The filter reads
// each vertex line itself: NUMBER [NAME [X Y [Z]] [SHAPE] [KEY VALUE]...], where a quoted
// token ends at a quote followed by a blank or the line's end; igraph gets the number alone.
// The names, the file's numbers and the pairs (text attributes) are recorded here; a value
// left without its key's partner is absent. A vertex line's attributes are kept while the
// lines come in ascending order (as every writer puts them); a line out of that order keeps
// its name but not its pairs.
//
// NCOL, weighted: igraph gives an edge without a weight 0, which could not be told from a
// written 0; the filter writes the 1 such an edge weighs at the end of its line.
//
// GraphML: the key declarations (before the first <graph>) say which numbers are integers;
// the first 1 MiB is kept and read for them after igraph is done.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "graph/formats/named_network.h"
#include "graph/vertex_data.h"

class IgraphFilter {
  public:
    virtual ~IgraphFilter() = default;
    // The next bytes of the input; appends what igraph is to read to `out`. end: no more
    // bytes follow.
    virtual void filter(std::string_view bytes, bool end, std::string& out) = 0;
};

class GmlFilter : public IgraphFilter {
  public:
    void filter(std::string_view bytes, bool end, std::string& out) override;
    // The node keys with a value written as a real.
    const std::unordered_set<std::string>& realKeys() const { return realKeys_; }

  private:
    void endWord();
    void value(bool real);
    void open();

    std::string word_;
    std::string key_;
    std::unordered_set<std::string> realKeys_;
    std::uint64_t depth_ = 0;
    bool nodeList_ = false;  // the list at depth 2 is a node's
    bool expectKey_ = true;
    bool inString_ = false;
    bool inComment_ = false;
    bool lineStart_ = true;
};

class NcolFilter : public IgraphFilter {
  public:
    void filter(std::string_view bytes, bool end, std::string& out) override;

  private:
    int tokens_ = 0;  // on the current line so far
    bool inToken_ = false;
};

// A string of the GML file as its writer meant it, from what igraph handed back after
// GmlFilter: `&#NNN;`, `&#xHH;` (a valid code point, as UTF-8) and `&amp;` `&lt;` `&gt;`
// `&quot;` `&apos;` decoded; a malformed reference stays as written.
std::string gmlText(std::string_view fromIgraph);

// A string igraph took from a GraphML attribute value (a node id): libxml2, not asked to
// substitute entities, keeps each literal `&` there as `&#38;` (so an application could tell
// it from an entity reference) and igraph copies the value as it is. Every `&` of such a
// value starts `&#38;`.
std::string graphmlAttributeText(std::string_view fromIgraph);

class PajekFilter : public IgraphFilter {
  public:
    void filter(std::string_view bytes, bool end, std::string& out) override;
    // Hands over what the vertex lines said of the `count` vertices igraph made: labels
    // (the name, else the number), file ids (the number) and the pairs.
    void release(std::size_t count, NamedNetwork& network);

  private:
    void line(std::string_view text, std::string& out);
    void vertexLine(std::string_view text, std::string& out);
    void pairs(std::uint64_t vertex, const std::vector<std::string_view>& tokens,
               std::size_t first);

    std::string pending_;  // a vertex line not ended yet
    bool inVertices_ = false;
    bool lineStart_ = true;
    bool passing_ = false;  // the current line goes through as it is
    Labels names_;
    std::vector<std::uint64_t> numbers_;  // the number of each vertex line, by name
    std::uint64_t lastNumber_ = 0;
    AttributeTable attributes_;
    std::unordered_map<std::string, std::size_t> columns_;
};

// The GraphML key declarations of node attributes in `head` (the file's first bytes): the
// type each attribute name is declared with.
std::unordered_map<std::string, AttributeType> graphmlKeyTypes(std::string_view head);
