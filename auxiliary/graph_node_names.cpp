#include "auxiliary/graph_node_names.h"

#include <charconv>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string_view>

#include "graph/text.h"

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

class Records {
  public:
    Records(std::string_view text, const std::string& name) : text_(text), name_(name) {
        if (text_.substr(0, 3) == "\xEF\xBB\xBF") at_ = 3;
    }

    // The next record's id; false at the end of the input.
    bool nextId(VertexId* id) {
        skipBlanks();
        if (at_ == text_.size()) return false;
        const std::string_view token = word();
        if (!parseId(token, id))
            throw Fatal("ERROR: " + name_ + ":" + std::to_string(tokenLine_) + ": '" +
                        escaped(token, Escape::Token) + "' is not a valid vertex id\n");
        return true;
    }

    // The label after an id; false when the input ends first.
    bool nextLabel(std::string* label) {
        skipBlanks();
        if (at_ == text_.size()) return false;
        if (text_[at_] != '"') {
            *label = word();
            return true;
        }
        const std::size_t start = ++at_;
        while (at_ < text_.size() && text_[at_] != '"' && text_[at_] != '\n') ++at_;
        std::size_t end = at_;
        if (at_ < text_.size() && text_[at_] == '"') {
            while (at_ < text_.size() && text_[at_] != '\n') ++at_;
        } else {
            while (end > start && isBlank(text_[end - 1])) --end;
        }
        *label = text_.substr(start, end - start);
        return true;
    }

  private:
    void skipBlanks() {
        while (at_ < text_.size() && isBlank(text_[at_])) {
            if (text_[at_] == '\n') ++line_;
            ++at_;
        }
    }

    std::string_view word() {
        tokenLine_ = line_;
        const std::size_t start = at_;
        while (at_ < text_.size() && !isBlank(text_[at_])) ++at_;
        return text_.substr(start, at_ - start);
    }

    std::string_view text_;
    const std::string& name_;
    std::size_t at_ = 0;
    std::uint64_t line_ = 1;
    std::uint64_t tokenLine_ = 1;
};

}  // namespace

void Graph_node_names::readFile(Graph& graph, const std::string& fileName) const {
    std::ifstream input = openForReading(fileName, "Names file");
    readFile(input, graph, fileName);
}

void Graph_node_names::readFile(std::istream& input, Graph& graph, const std::string& name) const {
    const std::string text{std::istreambuf_iterator<char>(input), std::istreambuf_iterator<char>()};
    if (input.bad()) throw Fatal("ERROR: Names file " + name + " cannot be opened\n");
    Records records(text, name);
    VertexId id = 0;
    std::string label;
    while (records.nextId(&id) && records.nextLabel(&label))
        if (!label.empty()) graph.addName(id, label);
}
