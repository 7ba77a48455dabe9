#include "graph/partition_reader.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "graph/text.h"
#include "graph/token_scanner.h"
#include "graph/vertex_data.h"

namespace {

constexpr const char* kRole = "Partition file";
constexpr Index kUnlisted = ~Index{0};
// The first line is looked at for a CSV header only this far.
constexpr std::size_t kHeaderLimit = std::size_t{1} << 16;

[[noreturn]] void failLine(const std::string& name, std::uint64_t line, const std::string& what) {
    throw Fatal("ERROR: " + name + ":" + std::to_string(line) + ": " + what + "\n");
}

[[noreturn]] void expectedTwo(const std::string& name, std::uint64_t line) {
    failLine(name, line, "expected an id and a community");
}

[[noreturn]] void notValid(const std::string& name, std::uint64_t line, std::string_view token,
                           const char* what) {
    failLine(name, line,
             "'" + escaped(token, Escape::Token) + "' is not a valid " + std::string(what));
}

// The digits of a decimal integer token without sign and leading zeros ("0" for zero), and
// whether it is negative; nothing when the token is not one.
struct IntegerValue {
    bool negative = false;
    std::string_view digits;
};
std::optional<IntegerValue> integerValue(std::string_view token) {
    IntegerValue value;
    if (!token.empty() && token[0] == '-') {
        value.negative = true;
        token.remove_prefix(1);
    }
    if (token.empty()) return std::nullopt;
    for (const char c : token)
        if (c < '0' || c > '9') return std::nullopt;
    const std::size_t first = std::min(token.find_first_not_of('0'), token.size() - 1);
    value.digits = token.substr(first);
    if (value.digits == "0") value.negative = false;
    return value;
}

bool lessByValue(const IntegerValue& a, const IntegerValue& b) {
    if (a.negative != b.negative) return a.negative;
    if (a.digits.size() != b.digits.size())
        return (a.digits.size() < b.digits.size()) != a.negative;
    return a.negative ? b.digits < a.digits : a.digits < b.digits;
}

bool sameValue(const IntegerValue& a, const IntegerValue& b) {
    return a.negative == b.negative && a.digits == b.digits;
}

struct TokenHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view token) const {
        return std::hash<std::string_view>()(token);
    }
};

// Which vertex a line names. A token is the file's id of a vertex first (an edge list's
// integer, a named format's node id or name, a Pajek vertex's number), then, when the graph
// has labels, a vertex's label. The look-up tables are made when first needed.
class VertexNamer {
  public:
    struct Named {
        bool found = false;
        VertexId id = 0;
    };

    VertexNamer(const Graph& graph, const DeclaredVertices* declared, const std::string& name)
        : graph_(graph), declared_(declared), name_(name) {}

    Named byToken(std::string_view token, std::uint64_t line) {
        if (declared_) {
            if (fileIds_.empty() && declared_->size() > 0)
                for (std::size_t k = 0; k < declared_->size(); ++k)
                    fileIds_.emplace(declared_->fileId(k), static_cast<VertexId>(k));
            if (const auto found = fileIds_.find(token); found != fileIds_.end())
                return {true, found->second};
        } else if (VertexId id = 0; parseId(token, &id)) {
            if (graph_.vertexMap.contains(id) || !hasLabels()) return {true, id};
        }
        if (hasLabels()) {
            const auto found = labels_.find(token);
            if (found == labels_.end()) return {};
            if (found->second == kShared)
                failLine(
                    name_, line,
                    "'" + escaped(token, Escape::Token) + "' is the label of more than one vertex");
            return {true, found->second};
        }
        // Without file ids or labels a token can only be a vertex id.
        if (!declared_) notValid(name_, line, token, "vertex id");
        return {};
    }

  private:
    static constexpr VertexId kShared = -1;

    bool hasLabels() {
        if (!labelsKnown_) {
            labelsKnown_ = true;
            for (const auto& [id, vertex] : graph_.vertexMap) {
                if (vertex->name.empty()) continue;
                const auto [at, fresh] = labels_.emplace(vertex->name, id);
                if (!fresh) at->second = kShared;
            }
        }
        return !labels_.empty();
    }

    const Graph& graph_;
    const DeclaredVertices* declared_;
    const std::string& name_;
    std::unordered_map<std::string_view, VertexId> fileIds_;
    std::unordered_map<std::string_view, VertexId> labels_;
    bool labelsKnown_ = false;
};

// What the lines of either form say, collected: every listed vertex's token (as an index
// into the distinct tokens, in order of first appearance), then the places.
class MembershipBuilder {
  public:
    MembershipBuilder(const Graph& graph, const std::string& name)
        : graph_(graph), name_(name), tokenOf_(graph.vertices.size(), kUnlisted) {}

    const Vertex* vertexOf(VertexNamer::Named named) const {
        return named.found ? graph_.vertexMap.find(named.id) : nullptr;
    }

    // A line's vertex (found or not; `shown` names it in messages and tells unknown ones
    // apart) and community.
    void assign(VertexNamer::Named named, std::string_view shown, std::string_view text,
                std::uint64_t line) {
        const Vertex* vertex = vertexOf(named);
        if (!vertex) {
            unknown_.emplace(shown);
            return;
        }
        const Index token = intern(text);
        Index& assigned = tokenOf_[vertex->index];
        if (assigned == kUnlisted || assigned == token) {
            assigned = token;
            return;
        }
        // "7" and "07" are one community as long as every token is an integer; whether they
        // are is known only at the end, so the first such pair waits.
        if (allIntegers_ && sameValue(values_[assigned], values_[token])) {
            if (!waiting_) waiting_ = {line, std::string(shown)};
            return;
        }
        twoCommunities(line, shown);
    }

    // A vertex's place among its community's members (the table's member_rank column).
    void rank(const Vertex& vertex, Index rank) {
        if (rankOf_.empty()) rankOf_.assign(graph_.vertices.size(), kNoRank);
        rankOf_[vertex.index] = rank;
    }

    Membership finish();

  private:
    Index intern(std::string_view token) {
        const auto found = tokens_.find(token);
        if (found != tokens_.end()) return found->second;
        const Index index = static_cast<Index>(values_.size());
        // Keys live in the map's nodes, which never move: the values may point into them.
        const std::string_view key = tokens_.emplace(std::string(token), index).first->first;
        const std::optional<IntegerValue> value = integerValue(key);
        values_.push_back(value.value_or(IntegerValue{}));
        if (!value && allIntegers_) {
            allIntegers_ = false;
            if (waiting_) twoCommunities(waiting_->first, waiting_->second);
        }
        return index;
    }

    [[noreturn]] void twoCommunities(std::uint64_t line, std::string_view shown) const {
        failLine(name_, line, "vertex " + std::string(shown) + " has two communities");
    }

    std::vector<Index> placesOfTokens() const;

    const Graph& graph_;
    const std::string& name_;
    std::vector<Index> tokenOf_;  // by vertex position
    std::unordered_map<std::string, Index, TokenHash, std::equal_to<>> tokens_;
    std::vector<IntegerValue> values_;  // by token index
    bool allIntegers_ = true;
    std::optional<std::pair<std::uint64_t, std::string>> waiting_;
    std::unordered_set<std::string> unknown_;  // as shown: an id's number, else its token
    std::vector<Index> rankOf_;                // by vertex position, when the file gives ranks
};

// The place of every token's community: by value when all tokens are integers (equal values
// share a place), else by smallest vertex id; kUnlisted for a token no vertex kept.
std::vector<Index> MembershipBuilder::placesOfTokens() const {
    std::vector<Index> place(values_.size(), kUnlisted);
    std::vector<bool> used(values_.size(), false);
    for (const Index token : tokenOf_)
        if (token != kUnlisted) used[token] = true;
    Index next = 0;
    if (allIntegers_) {
        std::vector<Index> order;
        for (Index token = 0; token < values_.size(); ++token)
            if (used[token]) order.push_back(token);
        std::sort(order.begin(), order.end(),
                  [&](Index a, Index b) { return lessByValue(values_[a], values_[b]); });
        for (std::size_t k = 0; k < order.size(); ++k) {
            if (k > 0 && !sameValue(values_[order[k - 1]], values_[order[k]])) ++next;
            place[order[k]] = next;
        }
        return place;
    }
    for (const auto& [id, vertex] : graph_.vertexMap) {
        const Index token = tokenOf_[vertex->index];
        if (token != kUnlisted && place[token] == kUnlisted) place[token] = next++;
    }
    return place;
}

Membership MembershipBuilder::finish() {
    Membership membership;
    const std::vector<Index> place = placesOfTokens();
    Index count = 0;
    for (const Index p : place)
        if (p != kUnlisted) count = std::max(count, p + 1);
    membership.communityOf.assign(graph_.vertices.size(), kUnlisted);
    for (const auto& [id, vertex] : graph_.vertexMap) {
        const Index token = tokenOf_[vertex->index];
        if (token != kUnlisted) {
            membership.communityOf[vertex->index] = place[token];
        } else {
            membership.communityOf[vertex->index] = count++;
            ++membership.unassigned;
        }
    }
    membership.communities = count;
    membership.unknownIds = unknown_.size();
    membership.rank = std::move(rankOf_);
    return membership;
}

// Bytes from the start of input up to the first line break (and a little beyond, a block
// at most), or the first kHeaderLimit bytes of a longer line.
std::string firstBytes(std::istream& input, const std::string& name) {
    std::string bytes;
    char block[4096];
    while (bytes.size() < kHeaderLimit) {
        input.read(block, sizeof block);
        const std::size_t got = static_cast<std::size_t>(input.gcount());
        if (input.bad()) throw Fatal("ERROR: Partition file " + name + " cannot be opened\n");
        bytes.append(block, got);
        if (std::memchr(block, '\n', got) || got < sizeof block) break;
    }
    return bytes;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// The columns of "Id" and "community" when the first line is a CSV header naming both.
struct CsvColumns {
    std::size_t id = 0;
    std::size_t community = 0;
    std::optional<std::size_t> rank;  // member_rank, when the table has it
};
std::optional<CsvColumns> csvHeader(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    const std::size_t lineEnd = bytes.find('\n');
    if (lineEnd == std::string_view::npos && bytes.size() >= kHeaderLimit) return std::nullopt;
    std::string_view line = bytes.substr(0, lineEnd);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find(',') == std::string_view::npos) return std::nullopt;
    std::optional<std::size_t> id, community, rank;
    std::size_t column = 0;
    std::size_t i = 0;
    for (;;) {
        std::string field;
        if (i < line.size() && line[i] == '"') {
            for (++i;; ++i) {
                if (i >= line.size()) return std::nullopt;  // a quote left open
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        field += '"';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += line[i];
            }
            if (i < line.size() && line[i] != ',') return std::nullopt;
        } else {
            const std::size_t comma = std::min(line.find(',', i), line.size());
            field = line.substr(i, comma - i);
            i = comma;
        }
        if (!id && equalsIgnoringCase(field, "Id")) id = column;
        if (!community && equalsIgnoringCase(field, "community")) community = column;
        if (!rank && equalsIgnoringCase(field, "member_rank")) rank = column;
        if (i >= line.size()) break;
        ++i;  // the comma
        ++column;
    }
    if (!id || !community) return std::nullopt;
    return CsvColumns{*id, *community, rank};
}

// How messages and the count of unknown ids show a line's vertex: an id by its number (so
// "7" and "007" are one), a name quoted.
void showVertex(std::string& shown, std::string_view token) {
    shown.clear();
    if (VertexId id = 0; parseId(token, &id)) {
        shown = std::to_string(id);
        return;
    }
    shown.push_back('\'');
    shown.append(escaped(token, Escape::Token));
    shown.push_back('\'');
}

void readWhitespaceForm(std::istream& input, const std::string& name, std::string_view prefix,
                        VertexNamer& namer, MembershipBuilder& builder) {
    TokenScanner scanner(input, name, std::size_t{1} << 20, prefix, kRole);
    std::string shown;
    bool more = scanner.nextToken();
    while (more) {
        const std::uint64_t line = scanner.line();
        if (scanner.tokenCut()) scanner.fail(scanner.token(), "vertex id");
        const std::string_view token = scanner.takeText();
        const VertexNamer::Named named = namer.byToken(token, line);
        showVertex(shown, token);
        more = scanner.nextToken();
        if (!more || scanner.line() != line) expectedTwo(name, line);
        const bool cut = scanner.tokenCut();
        const std::string_view community = scanner.takeText();
        if (cut || community.size() > kLongestToken) scanner.fail(community, "community");
        builder.assign(named, shown, community, line);
        more = scanner.nextToken();
        if (more && scanner.line() == line) expectedTwo(name, line);
    }
}

// RFC 4180 records, fed in blocks; only the two used fields are kept (each to at most
// kLongestToken + 1 bytes: a longer one is invalid whatever follows, and its message shows
// only its start). Lenient where the RFC is strict: a quote inside an unquoted field and text
// after a closing quote are kept as they are, and a quote left open runs to the end.
class CsvReader {
  public:
    CsvReader(const std::string& name, CsvColumns columns, VertexNamer& namer,
              MembershipBuilder& builder)
        : name_(name), columns_(columns), namer_(namer), builder_(builder) {}

    void feed(std::string_view bytes) {
        for (const char c : bytes) take(c);
    }
    void finish() {
        if (state_ != State::Start || column_ > 0 || pendingReturn_) endRecord();
    }

  private:
    enum class State { Start, Unquoted, Quoted, AfterQuote };

    void take(char c) {
        if (c == '\n') ++line_;
        if (state_ == State::Quoted) {
            if (c == '"')
                state_ = State::AfterQuote;
            else
                keep(c);
            return;
        }
        if (state_ == State::AfterQuote && c == '"') {  // a doubled quote
            keep(c);
            state_ = State::Quoted;
            return;
        }
        if (c == '\n') {
            pendingReturn_ = false;  // CR LF ends the line as LF does
            endRecord();
            return;
        }
        if (pendingReturn_) {
            pendingReturn_ = false;
            keep('\r');
        }
        if (c == ',') {
            endField();
        } else if (c == '\r') {
            pendingReturn_ = true;
        } else if (c == '"' && state_ == State::Start) {
            state_ = State::Quoted;
        } else {
            keep(c);
        }
    }

    void keep(char c) {
        if (state_ == State::Start || state_ == State::AfterQuote) state_ = State::Unquoted;
        if (column_ == columns_.id && id_.size() <= kLongestToken) id_ += c;
        if (column_ == columns_.community && community_.size() <= kLongestToken) community_ += c;
        if (column_ == columns_.rank && rank_.size() <= kLongestToken) rank_ += c;
    }

    void endField() {
        if (column_ == columns_.id) idSeen_ = true;
        if (column_ == columns_.community) {
            communityField_ = true;
            communitySeen_ = !community_.empty();
        }
        ++column_;
        state_ = State::Start;
    }

    void endRecord() {
        const bool blank = column_ == 0 && state_ == State::Start;
        endField();
        const std::uint64_t line = recordLine_;
        recordLine_ = line_;
        if (!header_ && !blank) record(line);
        header_ = false;
        column_ = 0;
        idSeen_ = communityField_ = communitySeen_ = false;
        id_.clear();
        community_.clear();
        rank_.clear();
    }

    // The Id column holds the vertex number (the tool's own table); another token is looked
    // up as a name.
    void record(std::uint64_t line) {
        if (!idSeen_) expectedTwo(name_, line);
        if (id_.size() > kLongestToken) notValid(name_, line, id_, "vertex id");
        VertexNamer::Named named;
        if (VertexId id = 0; parseId(id_, &id))
            named = {true, id};
        else
            named = namer_.byToken(id_, line);
        if (!communitySeen_) {
            // A vertex the file declares without an edge has no community in the table.
            if (communityField_ && !builder_.vertexOf(named)) return;
            expectedTwo(name_, line);
        }
        if (community_.size() > kLongestToken) notValid(name_, line, community_, "community");
        showVertex(shown_, id_);
        builder_.assign(named, shown_, community_, line);
        const Vertex* vertex = builder_.vertexOf(named);
        if (!vertex || rank_.empty()) return;
        // Ranks are places among at most 2^32 − 2 members.
        VertexId rank = 0;
        if (!parseId(rank_, &rank)) notValid(name_, line, rank_, "member rank");
        builder_.rank(*vertex, static_cast<Index>(rank));
    }

    const std::string& name_;
    CsvColumns columns_;
    VertexNamer& namer_;
    MembershipBuilder& builder_;
    State state_ = State::Start;
    std::string id_;
    std::string community_;
    std::string rank_;
    std::string shown_;
    std::size_t column_ = 0;
    bool pendingReturn_ = false;
    bool idSeen_ = false;
    bool communityField_ = false;
    bool communitySeen_ = false;
    bool header_ = true;
    std::uint64_t line_ = 1;
    std::uint64_t recordLine_ = 1;
};

void readCsvForm(std::istream& input, const std::string& name, std::string_view prefix,
                 CsvColumns columns, VertexNamer& namer, MembershipBuilder& builder) {
    CsvReader reader(name, columns, namer, builder);
    if (prefix.substr(0, 3) == "\xEF\xBB\xBF") prefix.remove_prefix(3);
    reader.feed(prefix);
    std::vector<char> block(std::size_t{1} << 20);
    for (;;) {
        input.read(block.data(), static_cast<std::streamsize>(block.size()));
        const std::size_t got = static_cast<std::size_t>(input.gcount());
        if (input.bad()) throw Fatal("ERROR: Partition file " + name + " cannot be opened\n");
        reader.feed({block.data(), got});
        if (got < block.size()) break;
    }
    reader.finish();
}

}  // namespace

Membership readPartition(std::istream& input, const std::string& name, const Graph& graph,
                         const DeclaredVertices* declared) {
    MembershipBuilder builder(graph, name);
    VertexNamer namer(graph, declared && declared->size() > 0 ? declared : nullptr, name);
    const std::string prefix = firstBytes(input, name);
    if (const std::optional<CsvColumns> columns = csvHeader(prefix))
        readCsvForm(input, name, prefix, *columns, namer, builder);
    else
        readWhitespaceForm(input, name, prefix, namer, builder);
    return builder.finish();
}

Membership readPartitionFile(const std::string& fileName, const Graph& graph,
                             const DeclaredVertices* declared) {
    std::ifstream input = openForReading(fileName, kRole);
    return readPartition(input, fileName, graph, declared);
}

namespace {

// The comma-separated fields of a line (no quoting: the links table has only numbers).
std::vector<std::string_view> fieldsOf(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t comma = line.find(',');
        fields.push_back(line.substr(0, comma));
        if (comma == std::string_view::npos) return fields;
        line.remove_prefix(comma + 1);
    }
}

// A number of a links table's row that fits below limit.
std::optional<std::uint64_t> fieldNumber(std::string_view field, std::uint64_t limit) {
    VertexId value = 0;
    if (!parseId(field, &value) || static_cast<std::uint64_t>(value) >= limit) return std::nullopt;
    return value;
}

}  // namespace

std::optional<std::vector<LinkRank>> readLinkRanks(std::istream& input, std::size_t maxRows) {
    char buffer[256];
    const auto nextLine = [&](std::string_view& line) {
        input.getline(buffer, sizeof buffer);
        if (input.fail()) return false;  // the end, or a line too long for a row of numbers
        line = {buffer, static_cast<std::size_t>(input.gcount()) - (input.eof() ? 0 : 1)};
        return true;
    };
    std::string_view line;
    if (!nextLine(line)) return std::nullopt;
    if (line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
    const char* names[] = {"Source", "Target", "Weight", "source_rank", "target_rank"};
    std::size_t column[5];
    std::fill(std::begin(column), std::end(column), ~std::size_t{0});
    const std::vector<std::string_view> header = fieldsOf(line);
    for (std::size_t i = 0; i < header.size(); ++i)
        for (std::size_t n = 0; n < 5; ++n)
            if (column[n] == ~std::size_t{0} && equalsIgnoringCase(header[i], names[n]))
                column[n] = i;
    for (const std::size_t c : column)
        if (c == ~std::size_t{0}) return std::nullopt;

    std::vector<LinkRank> rows;
    constexpr std::uint64_t kPlaces = kUnlisted;
    while (!input.eof()) {
        if (!nextLine(line)) {
            if (input.eof() && input.gcount() == 0) break;
            return std::nullopt;
        }
        if (line.empty() || line == "\r") continue;
        if (rows.size() == maxRows) return std::nullopt;
        const std::vector<std::string_view> fields = fieldsOf(line);
        std::optional<std::uint64_t> value[5];
        for (std::size_t n = 0; n < 5; ++n) {
            if (column[n] >= fields.size()) return std::nullopt;
            value[n] = fieldNumber(fields[column[n]], n == 2 ? std::uint64_t{1} << 32 : kPlaces);
            if (!value[n] || (n < 2 && *value[n] == 0)) return std::nullopt;
        }
        rows.push_back({static_cast<Index>(*value[0] - 1), static_cast<Index>(*value[1] - 1),
                        static_cast<std::uint32_t>(*value[2]), static_cast<Index>(*value[3]),
                        static_cast<Index>(*value[4])});
    }
    return rows;
}
