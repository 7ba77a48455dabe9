// What a network file says of its vertices besides their edges: the id each has in the file,
// its label as the writing tool meant it, and its attributes; and the weights of its edges.
// The readers fill these; the run carries them to the tables, the GEXF file and the page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The kinds of attribute values a file declares.
enum class AttributeType { text, integer, real, boolean };

// "string", "integer", "double", "boolean": the names GEXF gives the types.
const char* attributeTypeName(AttributeType type);

// Attribute values by column and vertex number, as text: strings as the file means them,
// numbers as the file writes them, booleans "true" or "false". A value may be absent.
// Memory: the values' bytes and 8 bytes a value (an end offset, its top bit marking an
// absent value).
class AttributeTable {
  public:
    struct Column {
        std::string name;
        AttributeType type = AttributeType::text;
    };

    // A new column; its number.
    std::size_t addColumn(std::string name, AttributeType type);
    // Sets the value of a column for a vertex. The vertices of a column come in ascending
    // order; the ones skipped keep no value.
    void set(std::size_t column, std::size_t vertex, std::string_view value);
    std::optional<std::string_view> value(std::size_t column, std::size_t vertex) const;
    const std::vector<Column>& columns() const { return columns_; }
    bool empty() const { return columns_.empty(); }
    // Bytes held, for the memory figures.
    std::size_t bytes() const;

  private:
    static constexpr std::uint64_t kAbsent = std::uint64_t{1} << 63;
    struct Values {
        std::string bytes;
        std::vector<std::uint64_t> ends;
    };
    std::vector<Column> columns_;
    std::vector<Values> values_;
};

// The vertices a name-based file declares, numbered 0, 1, 2, ... as the graph's vertex ids:
// the id each has in the file (a GraphML, GEXF or GML node id, a Pajek vertex's number, a CSV
// or NCOL name) and its attributes. A declared vertex without an edge is no vertex of the
// graph; it is here all the same. Empty for an edge list, whose vertices' ids are the file's.
struct DeclaredVertices {
    // Number k's file id is fileIds[k] (the bytes of all of them kept in one block).
    std::vector<std::uint64_t> fileIdEnds;
    std::string fileIdBytes;
    // Number k's label (its name in the graph when it has an edge): as the file's tool meant
    // it, label(k); every vertex has one (its file id when the file names no label).
    std::vector<std::uint64_t> labelEnds;
    std::string_view labelBytes;  // the graph keeps the bytes (Graph::keepNames)
    AttributeTable attributes;

    std::size_t size() const { return fileIdEnds.size(); }
    std::string_view fileId(std::size_t k) const {
        const std::size_t begin = k == 0 ? 0 : fileIdEnds[k - 1];
        return std::string_view(fileIdBytes).substr(begin, fileIdEnds[k] - begin);
    }
    std::string_view label(std::size_t k) const {
        const std::size_t begin = k == 0 ? 0 : labelEnds[k - 1];
        return labelBytes.substr(begin, labelEnds[k] - begin);
    }
};
