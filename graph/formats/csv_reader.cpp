#include "graph/formats/csv_reader.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <limits>
#include <vector>

#include "graph/defs.h"
#include "graph/formats/format_errors.h"
#include "graph/graph_builder_txt.h"
#include "graph/text.h"

namespace {

constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
// No name or weight is longer; the bound keeps a file of one endless field from filling
// the memory.
constexpr std::size_t kLongestField = std::size_t{1} << 20;

// The bytes that end an unquoted field.
constexpr std::array<bool, 256> kFieldEnd = [] {
    std::array<bool, 256> table{};
    for (unsigned char c : {',', '\n', '\r'}) table[c] = true;
    return table;
}();

// The records of the input, one at a time, in blocks of kBlockBytes. A record's fields are
// copied out only as far as the caller keeps them.
class Records {
  public:
    Records(std::istream& input, const std::string& name)
        : input_(input), name_(name), block_(kBlockBytes) {
        refill();
        if (end_ - p_ >= 3 && std::string_view(p_, 3) == "\xEF\xBB\xBF") p_ += 3;
    }

    // The next record, its first `keep` fields kept; false at the end of the input.
    bool next(std::size_t keep) {
        return record(
            [&](std::size_t k) -> std::string* {
                if (k >= keep) return nullptr;
                if (k == fields_.size()) fields_.emplace_back();
                return &fields_[k];
            },
            [](std::size_t, const std::string*) {});
    }

    // The next record's fields handed to visit(k, field) one at a time, so that a record of
    // any length (a header) holds one field at a time; false at the end of the input.
    template <class Visit>
    bool visitNext(Visit&& visit) {
        return record([&](std::size_t) { return &scratch_; },
                      [&](std::size_t k, const std::string* field) { visit(k, *field); });
    }

    std::size_t count() const { return count_; }
    const std::string& field(std::size_t k) const { return fields_[k]; }
    std::uint64_t line() const { return line_; }

    [[noreturn]] void fail(std::uint64_t line, const std::string& what) const {
        failReading(name_, line, what);
    }

  private:
    // Reads a record: field k into fieldFor(k) (null: not kept), then fieldRead(k, that).
    template <class FieldFor, class FieldRead>
    bool record(FieldFor&& fieldFor, FieldRead&& fieldRead) {
        while (more() && (*p_ == '\n' || *p_ == '\r')) lineBreak();
        if (!more()) return false;
        line_ = physicalLine_;
        count_ = 0;
        for (;;) {
            std::string* field = fieldFor(count_);
            readField(field);
            fieldRead(count_, field);
            ++count_;
            if (!more()) return true;
            if (*p_ != ',') {
                lineBreak();
                return true;
            }
            ++p_;
        }
    }

    bool more() { return p_ < end_ || refill(); }

    bool refill() {
        if (atEnd_) return false;
        input_.read(block_.data(), static_cast<std::streamsize>(block_.size()));
        const std::size_t got = static_cast<std::size_t>(input_.gcount());
        if (input_.bad()) throw Fatal("ERROR: Input file " + name_ + " cannot be opened\n");
        if (got < block_.size()) atEnd_ = true;
        p_ = block_.data();
        end_ = p_ + got;
        return got > 0;
    }

    // Past one line break: LF, CR LF or a lone CR.
    void lineBreak() {
        if (*p_++ == '\r' && more() && *p_ == '\n') ++p_;
        ++physicalLine_;
    }

    void append(std::string* out, const char* from, const char* to) {
        if (!out) return;
        if (out->size() + static_cast<std::size_t>(to - from) > kLongestField)
            fail(physicalLine_, "field longer than 1 MiB");
        out->append(from, to);
    }

    // One field, up to the comma or line break after it (left unread), into out when given.
    void readField(std::string* out) {
        if (out) out->clear();
        if (!more() || *p_ != '"') {
            while (more()) {
                const char* q = p_;
                while (q < end_ && !kFieldEnd[static_cast<unsigned char>(*q)]) ++q;
                append(out, p_, q);
                p_ = q;
                if (q < end_) return;
            }
            return;
        }
        const std::uint64_t opened = physicalLine_;
        ++p_;
        for (;;) {
            if (!more()) fail(opened, "unterminated quoted field");
            const char* q = p_;
            while (q < end_ && *q != '"' && *q != '\n') ++q;
            append(out, p_, q);
            p_ = q;
            if (q == end_) continue;
            if (*p_ == '\n') {
                append(out, p_, p_ + 1);
                ++p_;
                ++physicalLine_;
                continue;
            }
            ++p_;  // a quote: doubled, or the closing one
            if (more() && *p_ == '"') {
                append(out, p_, p_ + 1);
                ++p_;
                continue;
            }
            if (more() && !kFieldEnd[static_cast<unsigned char>(*p_)])
                fail(physicalLine_, "text after a closing quote");
            return;
        }
    }

    std::istream& input_;
    const std::string& name_;
    std::vector<char> block_;
    const char* p_ = nullptr;
    const char* end_ = nullptr;
    bool atEnd_ = false;
    std::uint64_t physicalLine_ = 1;
    std::uint64_t line_ = 1;
    std::vector<std::string> fields_;
    std::string scratch_;
    std::size_t count_ = 0;
};

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

// A header field naming a column: blanks around it ignored, any case.
bool names(std::string_view field, std::string_view column) {
    const std::size_t first = field.find_first_not_of(" \t");
    if (first == std::string_view::npos) return false;
    field = field.substr(first, field.find_last_not_of(" \t") - first + 1);
    return field.size() == column.size() &&
           std::equal(field.begin(), field.end(), column.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == b;
           });
}

struct Columns {
    std::size_t source = kNone;
    std::size_t target = kNone;
    std::size_t weight = kNone;
    std::size_t header = 0;  // fields in the header
    std::size_t needed = 0;  // fields a record must have
};

// The header is read whole, one field at a time: a first line of a billion commas costs no
// more memory than one field.
Columns readHeader(Records& records) {
    Columns columns;
    const bool any = records.visitNext([&](std::size_t k, const std::string& field) {
        if (columns.source == kNone && names(field, "source")) columns.source = k;
        if (columns.target == kNone && names(field, "target")) columns.target = k;
        if (columns.weight == kNone && names(field, "weight")) columns.weight = k;
    });
    if (any) columns.header = records.count();
    if (columns.source == kNone || columns.target == kNone)
        records.fail(1, "no source and target columns");
    columns.needed = 1 + std::max(columns.source, columns.target);
    if (columns.weight != kNone) columns.needed = std::max(columns.needed, columns.weight + 1);
    return columns;
}

// The names of up to kRecords records waiting for their numbers. The look-ups of a large
// shuffled file all miss the cache; a batch asks for every name's slot, then for every
// name's bytes, before the first is compared, so the misses overlap instead of following one
// another (half the time of numbering them one by one on 2 million edges).
class NameBatch {
  public:
    static constexpr std::size_t kRecords = 256;

    void add(const std::string& source, const std::string& target, std::uint64_t line) {
        for (const std::string* name : {&source, &target}) {
            bytes_ += *name;
            ends_.push_back(bytes_.size());
        }
        lines_.push_back(line);
    }
    bool full() const { return lines_.size() == kRecords; }

    // Numbers the names in order and appends their edges. The vertex limit is checked here,
    // a batch at a time (it takes more names than a machine holds to reach it).
    void flush(NameNumbers& numbers, std::vector<Edge>& edges, const Records& records) {
        hashes_.resize(ends_.size());
        for (std::size_t k = 0; k < ends_.size(); ++k) {
            hashes_[k] = NameNumbers::hashOf(name(k));
            numbers.prefetchSlot(hashes_[k]);
        }
        for (const std::uint64_t hash : hashes_) numbers.prefetchBytes(hash);
        for (std::size_t r = 0; r < lines_.size(); ++r) {
            const std::uint32_t u = numbers.number(name(2 * r), hashes_[2 * r]);
            const std::uint32_t v = numbers.number(name(2 * r + 1), hashes_[2 * r + 1]);
            if (std::max(u, v) > static_cast<std::uint32_t>(std::numeric_limits<VertexId>::max()))
                records.fail(lines_[r], "more than 2147483648 vertices");
            edges.push_back({static_cast<VertexId>(u), static_cast<VertexId>(v)});
        }
        bytes_.clear();
        ends_.clear();
        lines_.clear();
    }

  private:
    std::string_view name(std::size_t k) const {
        const std::size_t begin = k == 0 ? 0 : ends_[k - 1];
        return std::string_view(bytes_).substr(begin, ends_[k] - begin);
    }

    std::string bytes_;
    std::vector<std::size_t> ends_;
    std::vector<std::uint64_t> lines_;
    std::vector<std::uint64_t> hashes_;
};

// A weight field: missing (empty, NA, NaN) counts 1 and is counted; otherwise a plain
// decimal, and positive when weighted. Returns the weight.
double takeWeight(const std::string& field, bool weighted, const Records& records,
                  NamedNetwork& network) {
    if (field.empty() || field == "NA" || field == "NaN") {
        ++network.weightsMissing;
        return 1.0;
    }
    double weight = 1.0;
    const WeightToken token = weighted                             ? readWeight(field, &weight)
                              : Graph_builder_txt::isWeight(field) ? WeightToken::positive
                                                                   : WeightToken::invalid;
    if (token == WeightToken::positive) return weight;
    // Built by appending: g++ 12 warns falsely (-Wrestrict) on "'" + a temporary.
    std::string reason(1, '\'');
    reason += escaped(field, Escape::Token);
    reason +=
        token == WeightToken::invalid ? "' is not a valid weight" : "' is not a positive weight";
    records.fail(records.line(), reason);
}

}  // namespace

NamedNetwork readCsv(std::istream& input, const std::string& name, bool weighted) {
    Records records(input, name);
    const Columns columns = readHeader(records);
    NameNumbers numbers;
    NameBatch batch;
    NamedNetwork network;
    while (records.next(columns.needed)) {
        if (records.count() < columns.needed)
            records.fail(records.line(), "expected " + std::to_string(columns.header) +
                                             " fields, found " + std::to_string(records.count()));
        if (columns.weight != kNone) {
            const double weight =
                takeWeight(records.field(columns.weight), weighted, records, network);
            if (weighted) network.weights.push_back(weight);
        } else if (weighted) {
            network.weights.push_back(1.0);
        }
        const std::string& source = records.field(columns.source);
        const std::string& target = records.field(columns.target);
        if (source.empty() || target.empty()) records.fail(records.line(), "empty vertex name");
        batch.add(source, target, records.line());
        if (batch.full()) batch.flush(numbers, network.edges, records);
    }
    batch.flush(numbers, network.edges, records);
    network.labels = numbers.release();
    return network;
}
