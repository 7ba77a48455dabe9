// Deterministic edge-list generator for the benchmarks: the same model, size and seed give
// the same file on every machine (own random generator, no library distributions).
//
//   gen_edges MODEL EDGES OUTPUT [SEED]
//
// Models (EDGES is the number of lines written):
//   planted   EDGES/10 vertices in blocks of 20 to 400; 90 % of the edges inside a block
//   random    EDGES/10 vertices, both ends uniform
//   pa        preferential attachment, 5 edges per new vertex (hub-heavy)
//   star      one hub and EDGES leaves
//   path      EDGES + 1 vertices in a line
//   complete  the complete graph with at most EDGES edges
//   loops     EDGES self-loops
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/seeded_random.h"

namespace {

// splitmix64: tiny, fast and fully specified.
class Writer {
  public:
    explicit Writer(std::FILE* file) : file_(file) { buffer_.reserve(1 << 20); }
    ~Writer() { flush(); }
    void edge(std::uint64_t u, std::uint64_t v) {
        char text[48];
        char* end = std::to_chars(text, text + 20, u).ptr;
        *end++ = ' ';
        end = std::to_chars(end, end + 20, v).ptr;
        *end++ = '\n';
        buffer_.append(text, end);
        if (buffer_.size() >= (1 << 20) - 64) flush();
    }
    void flush() {
        std::fwrite(buffer_.data(), 1, buffer_.size(), file_);
        buffer_.clear();
    }

  private:
    std::FILE* file_;
    std::string buffer_;
};

void planted(std::uint64_t edges, SeededRandom& random, Writer& out) {
    const std::uint64_t vertices = std::max<std::uint64_t>(edges / 10, 2);
    std::vector<std::uint64_t> blockStart, blockOf(vertices);
    for (std::uint64_t v = 0; v < vertices;) {
        const std::uint64_t size = std::min<std::uint64_t>(20 + random.below(381), vertices - v);
        blockStart.push_back(v);
        for (std::uint64_t k = 0; k < size; ++k) blockOf[v + k] = blockStart.size() - 1;
        v += size;
    }
    blockStart.push_back(vertices);
    for (std::uint64_t i = 0; i < edges; ++i) {
        const std::uint64_t u = random.below(vertices);
        std::uint64_t v;
        if (random.below(10) != 0) {
            const std::uint64_t b = blockOf[u];
            v = blockStart[b] + random.below(blockStart[b + 1] - blockStart[b]);
        } else {
            v = random.below(vertices);
        }
        out.edge(u, v);
    }
}

void uniform(std::uint64_t edges, SeededRandom& random, Writer& out) {
    const std::uint64_t vertices = std::max<std::uint64_t>(edges / 10, 2);
    for (std::uint64_t i = 0; i < edges; ++i)
        out.edge(random.below(vertices), random.below(vertices));
}

void preferential(std::uint64_t edges, SeededRandom& random, Writer& out) {
    // Every edge end goes into `ends`; a uniform pick from it is a pick by degree.
    std::vector<std::uint32_t> ends;
    ends.reserve(2 * edges + 12);
    const std::uint64_t perVertex = 5;
    for (std::uint32_t v = 0; v <= perVertex && ends.size() / 2 < edges; ++v)
        for (std::uint32_t w = 0; w < v && ends.size() / 2 < edges; ++w) {
            out.edge(v, w);
            ends.push_back(v);
            ends.push_back(w);
        }
    for (std::uint32_t v = perVertex + 1; ends.size() / 2 < edges; ++v) {
        const std::size_t existing = ends.size();
        for (std::uint64_t k = 0; k < perVertex && ends.size() / 2 < edges; ++k) {
            const std::uint32_t w = ends[random.below(existing)];
            out.edge(v, w);
            ends.push_back(v);
            ends.push_back(w);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stdout, "usage: gen_edges MODEL EDGES OUTPUT [SEED]\n");
        return 1;
    }
    const std::string model = argv[1];
    const std::uint64_t edges = std::strtoull(argv[2], nullptr, 10);
    SeededRandom random(argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 1);
    std::FILE* file = std::fopen(argv[3], "wb");
    if (!file) {
        std::fprintf(stdout, "cannot write %s\n", argv[3]);
        return 1;
    }
    {
        Writer out(file);
        if (model == "planted") {
            planted(edges, random, out);
        } else if (model == "random") {
            uniform(edges, random, out);
        } else if (model == "pa") {
            preferential(edges, random, out);
        } else if (model == "star") {
            for (std::uint64_t leaf = 1; leaf <= edges; ++leaf) out.edge(0, leaf);
        } else if (model == "path") {
            for (std::uint64_t v = 0; v < edges; ++v) out.edge(v, v + 1);
        } else if (model == "complete") {
            std::uint64_t n = 1;
            while ((n + 1) * n / 2 <= edges) ++n;
            for (std::uint64_t u = 0; u < n; ++u)
                for (std::uint64_t v = u + 1; v < n; ++v) out.edge(u, v);
        } else if (model == "loops") {
            for (std::uint64_t v = 0; v < edges; ++v) out.edge(v, v);
        } else {
            std::fprintf(stdout, "unknown model %s\n", model.c_str());
            std::fclose(file);
            return 1;
        }
    }
    return std::fclose(file) == 0 ? 0 : 1;
}
