// Helpers shared by the auxiliary-analysis tests: small networks from edge lists, captured
// log text, and a rand() sequence that starts afresh and is left as a new process finds it.
#pragma once

#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/network.h"
#include "graph/log.h"

namespace aux_test {

// The logs the networks of these tests write into (nowhere, unless captured).
inline Logs& logs() {
    static Logs set;
    return set;
}

// A network built edge by edge, with its shell indices, writing into logs().
inline void build(Network& network, const std::vector<Edge>& edges) {
    network.attachLogs(&logs());
    for (const Edge& edge : edges) network.graph.addEdge(edge.u, edge.v);
    network.graph.buildDegreesList();
    network.findCores();
}

// Vertices without neighbours, by copying fresh vertices in.
inline void addIsolated(Network& network, const std::vector<VertexId>& ids) {
    for (VertexId id : ids) {
        const Vertex source(id);
        network.graph.addVertex(&source);
    }
}

template <class Range>
std::vector<VertexId> ids(const Range& vertices) {
    std::vector<VertexId> out;
    for (const Vertex* vertex : vertices) out.push_back(vertex->id);
    return out;
}

template <class Range>
std::set<VertexId> idSet(const Range& vertices) {
    std::set<VertexId> out;
    for (const Vertex* vertex : vertices) out.insert(vertex->id);
    return out;
}

// Sends what is written into a log to a string while it lives.
class LogCapture {
  public:
    explicit LogCapture(Log& log)
        : log_(log), previous_(log.stream.std::basic_ios<char>::rdbuf(&buffer_)) {}
    ~LogCapture() { log_.stream.std::basic_ios<char>::rdbuf(previous_); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;
    std::string text() const { return buffer_.str(); }

  private:
    Log& log_;
    std::stringbuf buffer_;
    std::streambuf* previous_;
};

// srand(1) gives the sequence of a generator never seeded: tests that draw start from it and
// leave it so for whatever runs after them in the same process.
class FreshRand {
  public:
    FreshRand() { std::srand(1); }
    ~FreshRand() { std::srand(1); }
};

}  // namespace aux_test
