#include "graph/formats/igraph_filters.h"

#include <libxml/xmlreader.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <memory>

namespace {

bool isBreak(char c) {
    return c == '\n' || c == '\r';
}
bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// The characters an XML document may hold, the ones a reference may name.
bool isXmlCharacter(std::uint32_t point) {
    return point == 0x9 || point == 0xA || point == 0xD || (point >= 0x20 && point <= 0xD7FF) ||
           (point >= 0xE000 && point <= 0xFFFD) || (point >= 0x10000 && point <= 0x10FFFF);
}

void appendUtf8(std::uint32_t point, std::string& out) {
    if (point < 0x80) {
        out += static_cast<char>(point);
    } else if (point < 0x800) {
        out += static_cast<char>(0xC0 | point >> 6);
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += static_cast<char>(0xE0 | point >> 12);
        out += static_cast<char>(0x80 | (point >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | point >> 18);
        out += static_cast<char>(0x80 | (point >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (point >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    }
}

// The character a reference's body (between & and ;) names, or 0 when it names none.
std::uint32_t referenced(std::string_view body) {
    static constexpr std::pair<std::string_view, char> kNamed[] = {
        {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& [name, character] : kNamed)
        if (body == name) return static_cast<unsigned char>(character);
    if (body.size() < 2 || body[0] != '#') return 0;
    const bool hex = body[1] == 'x';
    const std::string_view digits = body.substr(hex ? 2 : 1);
    std::uint32_t point = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), point, hex ? 16 : 10);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
        !isXmlCharacter(point))
        return 0;
    return point;
}

std::string decodeReferences(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t amp = text.find('&', i);
        out.append(text.substr(i, amp - i));
        if (amp == std::string_view::npos) break;
        // The longest reference: "&#x10FFFF;" (leading zeros make a longer one malformed).
        const std::size_t semicolon = text.substr(amp, 16).find(';');
        const std::uint32_t point = semicolon == std::string_view::npos
                                        ? 0
                                        : referenced(text.substr(amp + 1, semicolon - 1));
        if (point == 0) {
            out += '&';
            i = amp + 1;
        } else {
            appendUtf8(point, out);
            i = amp + semicolon + 1;
        }
    }
    return out;
}

bool isInteger(std::string_view word) {
    if (!word.empty() && (word[0] == '+' || word[0] == '-')) word.remove_prefix(1);
    return !word.empty() &&
           std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

// ---- GML ----

void GmlFilter::filter(std::string_view bytes, bool end, std::string& out) {
    for (const char c : bytes) {
        if (inComment_) {
            out += c;
            if (isBreak(c)) inComment_ = false, lineStart_ = true;
            continue;
        }
        if (inString_) {
            if (c == '"') inString_ = false;
            if (c == '&' || c == '\x01') {
                out += '\x01';
                out += c == '&' ? 'a' : 'b';
            } else {
                out += c;
            }
            continue;
        }
        out += c;
        const bool wordByte =
            !isBlank(c) && !isBreak(c) && c != '[' && c != ']' && c != '"' && c != 0;
        if (wordByte && lineStart_ && c == '#') {
            inComment_ = true;
        } else if (wordByte) {
            word_ += c;
        } else {
            endWord();
            if (c == '"') {
                inString_ = true;
                value(false);
            } else if (c == '[') {
                open();
            } else if (c == ']') {
                depth_ -= depth_ > 0;
                expectKey_ = true;
            }
        }
        lineStart_ = isBreak(c);
    }
    if (end) endWord();
}

void GmlFilter::endWord() {
    if (word_.empty()) return;
    if (expectKey_) {
        key_.assign(word_);
        expectKey_ = false;
    } else {
        value(!isInteger(word_));
    }
    word_.clear();
}

void GmlFilter::value(bool real) {
    if (expectKey_) return;
    if (real && depth_ == 2 && nodeList_ && !realKeys_.contains(key_)) realKeys_.insert(key_);
    expectKey_ = true;
}

void GmlFilter::open() {
    if (!expectKey_ && depth_ == 1) nodeList_ = key_ == "node";
    ++depth_;
    expectKey_ = true;
}

std::string gmlText(std::string_view fromIgraph) {
    if (fromIgraph.find('\x01') == std::string_view::npos) return std::string(fromIgraph);
    std::string written;
    written.reserve(fromIgraph.size());
    for (std::size_t i = 0; i < fromIgraph.size(); ++i) {
        if (fromIgraph[i] == '\x01' && i + 1 < fromIgraph.size()) {
            written += fromIgraph[++i] == 'a' ? '&' : '\x01';
        } else {
            written += fromIgraph[i];
        }
    }
    return decodeReferences(written);
}

std::string graphmlAttributeText(std::string_view fromIgraph) {
    std::string out;
    for (std::size_t i = 0; i < fromIgraph.size();) {
        const std::size_t at = fromIgraph.find("&#38;", i);
        out.append(fromIgraph.substr(i, at - i));
        if (at == std::string_view::npos) break;
        out += '&';
        i = at + 5;
    }
    return out;
}

// ---- NCOL ----

void NcolFilter::filter(std::string_view bytes, bool end, std::string& out) {
    for (const char c : bytes) {
        const bool tokenByte = static_cast<unsigned char>(c) > 0x20 && c != 0x7F;
        if (tokenByte && !inToken_) ++tokens_;
        inToken_ = tokenByte;
        if (isBreak(c)) {
            if (tokens_ == 2) out += " 1";
            tokens_ = 0;
        }
        out += c;
    }
    if (end && tokens_ == 2) out += " 1";
}

// ---- Pajek ----

void PajekFilter::filter(std::string_view bytes, bool end, std::string& out) {
    for (std::size_t i = 0; i < bytes.size();) {
        const char c = bytes[i];
        if (passing_ || !lineStart_) {
            // The rest of the line, to its break.
            std::size_t stop = bytes.find_first_of("\r\n", i);
            if (stop == std::string_view::npos) stop = bytes.size();
            (passing_ ? out : pending_).append(bytes.substr(i, stop - i));
            i = stop;
            if (i == bytes.size()) break;
            if (!passing_) line(pending_, out);
            pending_.clear();
            out += bytes[i++];
            passing_ = false;
            lineStart_ = true;
        } else if (isBlank(c) || isBreak(c)) {
            pending_ += c;
            ++i;
            if (isBreak(c)) out += pending_, pending_.clear();
        } else {
            // Section lines and vertex lines are read whole; the others go through.
            lineStart_ = false;
            passing_ = c != '*' && (!inVertices_ || c == '%');
            if (passing_) out += pending_, pending_.clear();
        }
    }
    if (end && !passing_ && !lineStart_) line(pending_, out);
    if (end) out += pending_, pending_.clear();
}

void PajekFilter::line(std::string_view text, std::string& out) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first != std::string_view::npos && text[first] == '*') {
        std::string word(text.substr(first, 9));
        for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        inVertices_ = word == "*vertices";
        out += text;
    } else {
        vertexLine(text, out);
    }
    pending_.clear();
}

namespace {

// The tokens of a vertex line: words, and quoted strings without their quotes, a quote
// ending one only when a blank or the line's end follows it.
std::vector<std::string_view> vertexTokens(std::string_view text) {
    std::vector<std::string_view> tokens;
    for (std::size_t i = 0;;) {
        while (i < text.size() && isBlank(text[i])) ++i;
        if (i == text.size()) return tokens;
        if (text[i] == '"') {
            std::size_t close = i + 1;
            while (close < text.size() &&
                   !(text[close] == '"' && (close + 1 == text.size() || isBlank(text[close + 1]))))
                ++close;
            tokens.push_back(text.substr(i + 1, close - i - 1));
            i = std::min(close + 1, text.size());
        } else {
            const std::size_t end = std::min(text.find_first_of(" \t", i), text.size());
            tokens.push_back(text.substr(i, end - i));
            i = end;
        }
    }
}

bool isNumber(std::string_view token) {
    double value;
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
    return !token.empty() && error == std::errc() && end == token.data() + token.size();
}

bool isShape(std::string_view token) {
    std::string word(token.substr(0, 9));
    for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return word == "ellipse" || word == "box" || word == "diamond" || word == "triangle" ||
           word == "cross" || word == "empty";
}

}  // namespace

void PajekFilter::vertexLine(std::string_view text, std::string& out) {
    const std::vector<std::string_view> tokens = vertexTokens(text);
    std::uint64_t number = 0;
    const auto [end, error] =
        tokens.empty()
            ? std::from_chars_result{nullptr, std::errc::invalid_argument}
            : std::from_chars(tokens[0].data(), tokens[0].data() + tokens[0].size(), number);
    if (tokens.empty() || error != std::errc() || end != tokens[0].data() + tokens[0].size() ||
        number == 0) {
        out += text;  // igraph says what is wrong with it
        return;
    }
    out += tokens[0];
    names_.push(tokens.size() > 1 ? tokens[1] : std::string_view());
    numbers_.push_back(number);
    if (number > lastNumber_) pairs(number - 1, tokens, 2);
    lastNumber_ = std::max(lastNumber_, number);
}

void PajekFilter::pairs(std::uint64_t vertex, const std::vector<std::string_view>& tokens,
                        std::size_t first) {
    std::size_t at = first;
    for (int coordinate = 0; coordinate < 3 && at < tokens.size() && isNumber(tokens[at]);
         ++coordinate)
        ++at;
    if (at < tokens.size() && isShape(tokens[at])) ++at;
    for (; at + 1 < tokens.size(); at += 2) {
        const std::string key(tokens[at]);
        auto column = columns_.find(key);
        if (column == columns_.end())
            column = columns_.emplace(key, attributes_.addColumn(key, AttributeType::text)).first;
        attributes_.set(column->second, vertex, tokens[at + 1]);
    }
}

void PajekFilter::release(std::size_t count, NamedNetwork& network) {
    constexpr std::uint32_t kNone = UINT32_MAX;
    std::vector<std::uint32_t> lineOf(count, kNone);
    for (std::size_t k = 0; k < numbers_.size(); ++k)
        if (numbers_[k] <= count) lineOf[numbers_[k] - 1] = static_cast<std::uint32_t>(k);
    std::string number;
    for (std::size_t v = 0; v < count; ++v) {
        number = std::to_string(v + 1);
        const bool named = lineOf[v] != kNone && !names_[lineOf[v]].empty();
        network.labels.push(named ? names_[lineOf[v]] : std::string_view(number));
        network.fileIds.push(number);
    }
    network.attributes = std::move(attributes_);
    names_ = {};
    numbers_ = {};
}

// ---- GraphML key declarations ----

namespace {

struct XmlFree {
    void operator()(xmlChar* text) const { xmlFree(text); }
};
struct ReaderFree {
    void operator()(xmlTextReaderPtr reader) const { xmlFreeTextReader(reader); }
};
void ignoreError(void*, xmlErrorPtr) {}

std::string attributeOf(xmlTextReaderPtr reader, const char* name) {
    const std::unique_ptr<xmlChar, XmlFree> value(xmlTextReaderGetAttribute(reader, BAD_CAST name));
    return value ? std::string(reinterpret_cast<const char*>(value.get())) : std::string();
}

}  // namespace

std::unordered_map<std::string, AttributeType> graphmlKeyTypes(std::string_view head) {
    std::unordered_map<std::string, AttributeType> types;
    const std::unique_ptr<xmlTextReader, ReaderFree> reader(xmlReaderForMemory(
        head.data(), static_cast<int>(head.size()), nullptr, nullptr, XML_PARSE_NONET));
    if (!reader) return types;
    xmlTextReaderSetStructuredErrorHandler(reader.get(), ignoreError, nullptr);
    while (xmlTextReaderRead(reader.get()) == 1) {
        if (xmlTextReaderNodeType(reader.get()) != XML_READER_TYPE_ELEMENT) continue;
        const std::string_view element =
            reinterpret_cast<const char*>(xmlTextReaderConstLocalName(reader.get()));
        if (element == "graph") break;
        if (element != "key") continue;
        const std::string domain = attributeOf(reader.get(), "for");
        if (domain != "node" && domain != "all") continue;
        const std::string type = attributeOf(reader.get(), "attr.type");
        types[attributeOf(reader.get(), "attr.name")] =
            type == "int" || type == "long"       ? AttributeType::integer
            : type == "float" || type == "double" ? AttributeType::real
            : type == "boolean"                   ? AttributeType::boolean
                                                  : AttributeType::text;
    }
    return types;
}
