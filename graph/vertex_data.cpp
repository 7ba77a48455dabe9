#include "graph/vertex_data.h"

const char* attributeTypeName(AttributeType type) {
    switch (type) {
        case AttributeType::integer:
            return "integer";
        case AttributeType::real:
            return "double";
        case AttributeType::boolean:
            return "boolean";
        case AttributeType::text:
            break;
    }
    return "string";
}

std::size_t AttributeTable::addColumn(std::string name, AttributeType type) {
    columns_.push_back({std::move(name), type});
    values_.emplace_back();
    return columns_.size() - 1;
}

void AttributeTable::set(std::size_t column, std::size_t vertex, std::string_view value) {
    Values& values = values_[column];
    // The vertices before this one without a value of this column.
    while (values.ends.size() < vertex) values.ends.push_back(values.bytes.size() | kAbsent);
    if (values.ends.size() > vertex) return;  // a second value of the same vertex: the first holds
    values.bytes.append(value);
    values.ends.push_back(values.bytes.size());
}

std::optional<std::string_view> AttributeTable::value(std::size_t column,
                                                      std::size_t vertex) const {
    const Values& values = values_[column];
    if (vertex >= values.ends.size() || (values.ends[vertex] & kAbsent)) return std::nullopt;
    const std::size_t begin = vertex == 0 ? 0 : values.ends[vertex - 1] & ~kAbsent;
    const std::size_t end = values.ends[vertex];
    return std::string_view(values.bytes).substr(begin, end - begin);
}

std::size_t AttributeTable::bytes() const {
    std::size_t total = 0;
    for (const Values& values : values_)
        total += values.bytes.capacity() + values.ends.capacity() * sizeof(std::uint64_t);
    return total;
}
