#include "graph/graph_builder_txt.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>

#include "graph/text.h"
#include "graph/threads.h"
#include "graph/token_scanner.h"

namespace {

// Bytes from the current position to the end, or 0 when the stream cannot tell (a pipe).
std::uint64_t remainingBytes(std::istream& input) {
    const std::istream::pos_type start = input.tellg();
    if (start == std::istream::pos_type(-1)) {
        input.clear();
        return 0;
    }
    input.seekg(0, std::ios::end);
    const std::istream::pos_type end = input.tellg();
    input.clear();
    input.seekg(start);
    return end > start ? static_cast<std::uint64_t>(end - start) : 0;
}

constexpr std::size_t kSample = 1 << 16;

// The third column's token at line: checked as a plain decimal, and, when weights are
// wanted, read into them as a positive weight.
void takeWeight(const TokenScanner& scanner, std::uint64_t line, std::string_view token,
                std::vector<double>* weights, const std::string& name) {
    if (!weights) {
        if (!Graph_builder_txt::isWeight(token)) scanner.failAt(line, token, "weight");
        return;
    }
    double weight = 0;
    switch (readWeight(token, &weight)) {
        case WeightToken::positive:
            weights->push_back(weight);
            return;
        case WeightToken::notPositive:
            throw Fatal("ERROR: " + name + ":" + std::to_string(line) + ": '" +
                        escaped(token, Escape::Token) + "' is not a positive weight\n");
        case WeightToken::invalid:
            break;
    }
    scanner.failAt(line, token, "weight");
}

// The ids of whole lines [begin, end), appended to ids, and the lines' count (of '\n'). end
// is just past a line break; begin is at a line's start, or at a token with nothing but
// blanks before it on its line. The rules are the scanner's; false at the first token that
// is not a vertex id (the scanner then reads from the start of these lines to report it).
bool idsOfLines(const char* begin, const char* end, std::vector<VertexId>& ids,
                std::uint64_t* lines) {
    std::uint64_t count = 0;
    bool lineStart = true;
    for (const char* p = begin; p < end;) {
        const char c = *p;
        if (scanning::isSpace(c)) {
            scanning::passSpace(c, count, lineStart);
            ++p;
        } else if (lineStart && scanning::isCommentMark(c)) {
            p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        } else {
            VertexId id = 0;
            const char* after = parseId(p, end, &id);
            if (!after || !scanning::isSpace(*after)) return false;
            ids.push_back(id);
            p = after;
            lineStart = false;
        }
    }
    *lines = count;
    return true;
}

// Where a read of pairs on two threads stopped: at the input's end, or where the scanner
// must take over (a token that is not an id, a line too long for a batch, a block that could
// not be read), with the bytes read from there on, their first line, and the exception a
// failed read threw, for the scanner to meet when it reads on. Kept current as the batches
// go: a pair's first id when the pairs read end between the two, and whether room for the
// edges was reserved.
struct Handover {
    bool done = false;
    std::string bytes;
    std::uint64_t line = 0;
    std::exception_ptr failure;
    bool held = false;
    VertexId pending = 0;
    bool reserved = false;
};

// A stream whose every read throws the given exception (as the input's own reads would go on
// failing), with badbit exceptions on so that it comes out as it went in.
class Raising : public std::streambuf {
  public:
    explicit Raising(std::exception_ptr failure) : failure_(std::move(failure)) {}

  protected:
    int_type underflow() override { std::rethrow_exception(failure_); }

  private:
    std::exception_ptr failure_;
};

// The pairs of the input from the scanner's position on (line), read in batches of whole
// lines whose two halves are parsed at once, each into its own ids, then paired in file order.
Handover readPairsOnTwoThreads(std::string_view unread, std::uint64_t line, std::istream& input,
                               std::size_t block, std::uint64_t size, unsigned threads,
                               std::vector<Edge>& edges) {
    const std::size_t batch = 8 * block;
    // Room for the unread bytes or what a batch leaves for the next (at most a batch), and a
    // batch more.
    const std::size_t capacity = std::max(unread.size(), batch) + batch + 1;
    const std::unique_ptr<char[]> buffer = std::make_unique_for_overwrite<char[]>(capacity);
    char* data = buffer.get();
    std::memcpy(data, unread.data(), unread.size());
    std::size_t kept = unread.size();
    std::vector<VertexId> ids[2];
    Handover out;
    out.line = line;
    out.reserved = size == 0;
    auto handOver = [&](const char* from, const char* to) {
        out.bytes.assign(from, to);
        return std::move(out);
    };
    for (;;) {
        // Block by block, as the scanner reads: a block that fails to come ends the batch, and
        // the scanner reads what came before it first, as it would on one thread.
        std::size_t got = 0;
        while (got < batch) {
            const std::size_t want = std::min(block, batch - got);
            try {
                input.read(data + kept + got, static_cast<std::streamsize>(want));
            } catch (...) {
                out.failure = std::current_exception();
            }
            if (out.failure || input.bad()) return handOver(data, data + kept + got);
            const std::size_t came = static_cast<std::size_t>(input.gcount());
            got += came;
            if (came < want) break;
        }
        std::size_t filled = kept + got;
        // At the end a line break closes the last line, as the scanner's does.
        const bool atEnd = got < batch;
        if (atEnd) data[filled++] = '\n';
        const char* read = data + filled - (atEnd ? 1 : 0);
        const char* last = static_cast<const char*>(memrchr(data, '\n', filled));
        if (!last) return handOver(data, read);
        const char* stop = last + 1;
        const char* half = data + (stop - data) / 2;
        const char* middle = static_cast<const char*>(
            std::memchr(half, '\n', static_cast<std::size_t>(stop - half)));
        middle = middle ? middle + 1 : stop;
        bool parsed[2] = {false, false};
        std::uint64_t lines[2] = {0, 0};
        ids[0].clear();
        ids[1].clear();
        inParallel(
            threads, [&] { parsed[0] = idsOfLines(data, middle, ids[0], &lines[0]); },
            [&] { parsed[1] = idsOfLines(middle, stop, ids[1], &lines[1]); });
        if (!out.reserved) {
            // Room for all of the input (with a tenth to spare), from this batch's density.
            const double perByte = 0.5 * static_cast<double>(ids[0].size() + ids[1].size()) /
                                   static_cast<double>(stop - data);
            reserveBig(edges, static_cast<std::size_t>(1.1 * perByte * size) + kSample, threads);
            out.reserved = true;
        }
        const char* starts[2] = {data, middle};
        for (int k = 0; k < 2; ++k) {
            if (!parsed[k]) return handOver(starts[k], read);
            const std::vector<VertexId>& these = ids[k];
            std::size_t i = 0;
            if (out.held && !these.empty()) {
                edges.push_back({out.pending, these[0]});
                out.held = false;
                i = 1;
            }
            for (; i + 1 < these.size(); i += 2) edges.push_back({these[i], these[i + 1]});
            if (i < these.size()) {
                out.held = true;
                out.pending = these[i];
            }
            out.line += lines[k];
        }
        if (atEnd) {
            out.done = true;
            return out;
        }
        // The part of a line longer than a batch (the first batch's part of the unread bytes
        // aside): the scanner reads it, holding no more than a long token's message needs.
        kept = filled - static_cast<std::size_t>(stop - data);
        if (kept > batch) return handOver(stop, read);
        std::memmove(data, stop, kept);
    }
}

}  // namespace

Graph_builder_txt::Graph_builder_txt(std::size_t blockSize)
    : blockSize_(std::max<std::size_t>(blockSize, 1)) {}

void Graph_builder_txt::readFile(std::istream& input, Graph& graph, const std::string& name) {
    graph.addEdges(readEdges(input, name, graph.threads));
}

std::vector<double> Graph_builder_txt::readWeightedFile(std::istream& input, Graph& graph,
                                                        const std::string& name) {
    std::vector<double> weights;
    std::vector<Edge> edges = readEdges(input, name, graph.threads, &weights);
    return graph.addWeightedEdges(std::move(edges), std::move(weights));
}

std::vector<Edge> Graph_builder_txt::readEdges(std::istream& input, const std::string& name,
                                               unsigned threads,
                                               std::vector<double>* weights) const {
    const std::uint64_t size = remainingBytes(input);
    TokenScanner scanner(input, name, blockSize_);
    std::vector<Edge> edges;
    if (!scanner.nextToken()) throw Fatal("ERROR: Input file " + name + " contains no edges\n");

    // The first line that holds a token sets the number of columns; its tokens are checked
    // once that number is known.
    const std::uint64_t firstLine = scanner.line();
    std::vector<std::string> first;
    std::size_t count = 0;
    bool more = true;
    while (more && scanner.line() == firstLine) {
        const std::string_view text = scanner.takeText();
        if (count < 3) first.emplace_back(text);
        ++count;
        more = scanner.nextToken();
    }
    if (count != 2 && count != 3)
        throw Fatal("ERROR: " + name + ":" + std::to_string(firstLine) +
                    ": expected 2 or 3 columns, found " + std::to_string(count) + "\n");
    const std::size_t columns = count;
    VertexId ids[2];
    for (std::size_t i = 0; i < 2; ++i) {
        const std::string& text = first[i];
        const char* end = parseId(text.data(), text.data() + text.size(), &ids[i]);
        if (end != text.data() + text.size()) scanner.failAt(firstLine, text, "vertex id");
    }
    if (columns == 3) takeWeight(scanner, firstLine, first[2], weights, name);
    // Without a weight column every edge weighs 1.
    const bool unitWeights = weights && columns == 2;
    if (unitWeights) weights->push_back(1.0);
    edges.push_back({ids[0], ids[1]});

    std::size_t column = 0;
    bool reserve = size > 0;
    // Pairs are read on two threads, in batches of whole lines; where that stops short of
    // the end (at a token to report, or a line longer than a batch), a scanner reads on.
    TokenScanner* reader = &scanner;
    std::optional<Raising> raising;
    std::optional<std::istream> failing;
    std::optional<TokenScanner> rest;
    std::string_view unread;
    // The batches start at the token the scanner stands on as at a line's start: a comment
    // mark there (which the scanner took for a token, other blanks before it) stays its own.
    if (more && columns == 2 && threads >= 2 && scanner.unread(&unread) &&
        !scanning::isCommentMark(unread[0])) {
        const Handover handover =
            readPairsOnTwoThreads(unread, scanner.line(), input, blockSize_, size, threads, edges);
        if (unitWeights) {
            reserveBig(*weights, edges.capacity(), threads);
            weights->resize(edges.size(), 1.0);
        }
        // A pending id at the end is a group cut short, ignored like any other.
        if (handover.done) return edges;
        if (handover.failure) {
            raising.emplace(handover.failure);
            failing.emplace(&*raising);
            failing->exceptions(std::ios::badbit);
        }
        rest.emplace(failing ? *failing : input, name, blockSize_, handover.bytes, "Input file",
                     handover.line);
        reader = &*rest;
        more = reader->nextToken();
        if (handover.held) {
            ids[0] = handover.pending;
            column = 1;
        }
        reserve = reserve && !handover.reserved;
    }
    for (; more; more = reader->nextToken()) {
        if (column < 2) {
            ids[column] = reader->takeId();
        } else {
            const std::string_view weight = reader->takeText();
            takeWeight(*reader, reader->line(), weight, weights, name);
        }
        if (++column == columns) {
            edges.push_back({ids[0], ids[1]});
            if (unitWeights) weights->push_back(1.0);
            column = 0;
            // Once a sample of the file is read, room for all of it (with a tenth to spare)
            // is reserved, sparing the copies of repeated doubling.
            if (reserve && edges.size() >= kSample) {
                reserve = false;
                const double perByte = static_cast<double>(kSample) / reader->consumed();
                const std::size_t room = static_cast<std::size_t>(1.1 * perByte * size) + kSample;
                reserveBig(edges, room, threads);
                if (weights) reserveBig(*weights, room, threads);
            }
        }
    }
    return edges;
}

bool Graph_builder_txt::isWeight(std::string_view token) {
    return token.size() <= kLongestToken && !token.empty() &&
           plainDecimalLength(token) == token.size();
}
