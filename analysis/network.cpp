#include "analysis/network.h"

#include <limits>
#include <string>

#include "analysis/solution_submodular.h"
#include "driver/log.h"

Network::Network() = default;

Network::~Network() = default;

namespace {

constexpr Index kNone = std::numeric_limits<Index>::max();

// The shells while peeling: one doubly linked list per shell value, threaded through
// arrays indexed by vertex position. Appending and unlinking are O(1), and a walk that
// follows `next` sees vertices appended behind it during the walk.
class Buckets {
  public:
    Buckets(std::size_t vertexCount, std::size_t shellCount)
        : head_(shellCount, kNone),
          tail_(shellCount, kNone),
          next_(vertexCount, kNone),
          previous_(vertexCount, kNone) {}

    void append(int shell, Index vertex) {
        previous_[vertex] = tail_[shell];
        next_[vertex] = kNone;
        if (tail_[shell] == kNone)
            head_[shell] = vertex;
        else
            next_[tail_[shell]] = vertex;
        tail_[shell] = vertex;
    }

    void unlink(int shell, Index vertex) {
        const Index before = previous_[vertex];
        const Index after = next_[vertex];
        if (before == kNone)
            head_[shell] = after;
        else
            next_[before] = after;
        if (after == kNone)
            tail_[shell] = before;
        else
            previous_[after] = before;
    }

    Index head(int shell) const { return head_[shell]; }
    Index next(Index vertex) const { return next_[vertex]; }
    std::size_t shellCount() const { return head_.size(); }

  private:
    std::vector<Index> head_;
    std::vector<Index> tail_;
    std::vector<Index> next_;
    std::vector<Index> previous_;
};

// The peeling walk: shells upwards, each bucket in order (including vertices appended to it
// during the walk); every neighbour still in a higher shell moves down one, to the back of
// its new bucket. forEachNeighbour(at, visit) calls visit with each adjacency entry's
// position; shellOf(position) is that vertex's shell, by reference.
template <class ForEachNeighbour, class ShellOf>
void peel(Buckets& buckets, int largest, ForEachNeighbour&& forEachNeighbour, ShellOf&& shellOf) {
    for (int current = 0; current <= largest; ++current) {
        for (Index at = buckets.head(current); at != kNone; at = buckets.next(at)) {
            forEachNeighbour(at, [&](Index neighbour) {
                int& value = shellOf(neighbour);
                if (value <= current) return;
                buckets.unlink(value, neighbour);
                --value;
                buckets.append(value, neighbour);
            });
        }
    }
}

}  // namespace

void Network::findCores() {
    cores.clear();
    const std::vector<Vertex*>& vertices = graph.vertices;
    int largest = 0;
    for (Vertex* vertex : vertices) {
        vertex->shellIndex = vertex->degree;
        largest = std::max(largest, vertex->degree);
    }
    if (graph.degreesList.empty()) {
        minShell = 0;
        return;
    }

    // The starting buckets are the degree list: degree groups in creation order. They are
    // formed from the current degrees, which is the degree list itself whenever it was
    // built after the last change to the graph.
    Buckets buckets(vertices.size(), static_cast<std::size_t>(largest) + 1);
    for (Vertex* vertex : vertices) buckets.append(vertex->degree, vertex->index);

    peel(
        buckets, largest,
        [&](Index at, auto&& visit) {
            for (const Vertex* neighbour : vertices[at]->neighbours) visit(neighbour->index);
        },
        [&](Index at) -> int& { return vertices[at]->shellIndex; });

    for (int shell = 0; shell <= largest; ++shell) {
        if (buckets.head(shell) == kNone) continue;
        std::vector<Vertex*>& list = cores[shell];
        for (Index at = buckets.head(shell); at != kNone; at = buckets.next(at))
            list.push_back(vertices[at]);
    }
    if (cores.empty()) {
        minShell = 0;
    } else {
        minShell = cores.begin()->first;
        maxShell = cores.rbegin()->first;
    }
}

std::vector<Vertex*> Network::getTopCore() {
    return cores[maxShell];
}

Network Network::getLayer(int k) const {
    Network layer;
    for (const Vertex* vertex : graph.vertices)
        if (vertex->shellIndex >= k) layer.graph.addVertex(vertex);
    return layer;
}

Network Network::getInducedGraph(const std::list<Vertex*>& members) const {
    Network induced;
    induced.graph.addVertices(members);
    return induced;
}

void Network::printCores(std::ostream& out) const {
    out << "Cores BEGIN\n";
    for (const auto& [shell, list] : cores) {
        out << shell << ": ";
        for (const Vertex* vertex : list) out << vertex->id << ' ';
        out << '\n';
    }
    out << "Cores END\n";
}

void Network::logCores() const {
    for (const auto& [shell, list] : cores)
        for (const Vertex* vertex : list)
            logCore << shell << std::string(" ") << vertex->id << std::string("\n");
}

void Network::findCommunities(float threshold) {
    // A second call must not append the starting communities again: absorbed ones would
    // come back and every degree sum would count twice.
    if (communitiesList.empty())
        for (Community* community : graph.communitiesById()) communitiesList.push_back(community);
    {
        SolutionSubmodular optimizer(communitiesList, this);
        // Merged lists grow all the time; on large graphs the heap grows by hundreds of
        // megabytes during detection.
        HeapGrowthAdvice advice(graph.numArcs >= (1u << 22) ? std::size_t{256} << 20 : 0);
        for (;;) {
            const bool has = optimizer.proposeNeighbour();
            const float value = optimizer.evaluateNeighbour();
            if (!(value >= threshold) || !has) break;
            optimizer.acceptNeighbour();
            advice.check();
        }
    }
    finalizeCommunities();
    logAllCommunities();
}

void Network::finalizeCommunities() {
    for (Community* community : communitiesList) {
        if (community->removed) continue;
        for (VertexId id : community->members)
            if (Vertex* vertex = graph.vertexMap.find(id)) vertex->community = community;
    }
}

void Network::logAllCommunities() const {
    std::string text = "#Number; Size; e_ii; a_ij; Sum degrees;\n";
    int number = 0;
    for (const Community* community : communitiesList) {
        if (community->removed) continue;
        text += std::to_string(++number);
        text += ' ';
        text += std::to_string(community->size);
        text += ' ';
        text += std::to_string(community->internalDegree);
        text += ' ';
        text += std::to_string(community->degreeSum - community->internalDegree);
        text += ' ';
        text += std::to_string(community->degreeSum);
        text += '\n';
    }
    logCommunities << text;
}

float Network::getQ() const {
    const long double arcs = static_cast<unsigned>(graph.numArcs);
    if (arcs == 0) return 0.0f;
    long double internal = 0.0L;
    long double squares = 0.0L;
    for (const Community* community : communitiesList) {
        if (community->removed) continue;
        internal += community->internalDegree;
        squares += static_cast<long double>(community->degreeSum) * community->degreeSum;
    }
    return static_cast<float>((internal - squares / arcs) / arcs);
}

void Network::printCommunities(std::ostream& out) const {
    for (const Community* community : communitiesList)
        if (!community->removed) community->printCommunity(out);
}

void Network::assignCommunitiesFromFile(const std::string&) {}

void InducedCores::compute(const Graph& graph, Vertex* const* members, std::size_t count) {
    if (placeOf_.size() < graph.vertices.size()) placeOf_.resize(graph.vertices.size(), kNone);
    for (std::size_t i = 0; i < count; ++i) placeOf_[members[i]->index] = static_cast<Index>(i);
    // The copy of member i links to every listed neighbour already copied (place ≤ i), in
    // the order of i's list: the neighbour's adjacency gains i, then i's gains the
    // neighbour (a self-loop thus gives two entries). The links are collected in that order
    // (one visit of each neighbour, whose record is a cache miss), counted, then laid out,
    // so each adjacency comes out as the copies' would.
    links_.clear();
    offset_.assign(count + 1, 0);
    for (std::size_t i = 0; i < count; ++i)
        for (const Vertex* neighbour : members[i]->neighbours) {
            const Index j = placeOf_[neighbour->index];
            if (j > i) continue;
            links_.emplace_back(j, static_cast<Index>(i));
            ++offset_[j + 1];
            ++offset_[i + 1];
        }
    for (std::size_t i = 0; i < count; ++i) offset_[i + 1] += offset_[i];
    ends_.resize(offset_[count]);
    {
        std::vector<Index> cursor(offset_.begin(), offset_.end() - 1);
        for (const auto& [j, i] : links_) {
            ends_[cursor[j]++] = i;
            ends_[cursor[i]++] = j;
        }
    }
    for (std::size_t i = 0; i < count; ++i) placeOf_[members[i]->index] = kNone;

    // Peeling as findCores does it, from buckets in degree-list order.
    shell.resize(count);
    topCore.clear();
    maxShell = 0;
    if (count == 0) return;
    int largest = 0;
    for (std::size_t i = 0; i < count; ++i) {
        shell[i] = static_cast<int>(offset_[i + 1] - offset_[i]);
        largest = std::max(largest, shell[i]);
    }
    Buckets buckets(count, static_cast<std::size_t>(largest) + 1);
    for (std::size_t i = 0; i < count; ++i) buckets.append(shell[i], static_cast<Index>(i));
    peel(
        buckets, largest,
        [&](Index at, auto&& visit) {
            for (Index k = offset_[at]; k < offset_[at + 1]; ++k) visit(ends_[k]);
        },
        [&](Index at) -> int& { return shell[at]; });
    for (int top = largest; top >= 0; --top) {
        if (buckets.head(top) == kNone) continue;
        maxShell = top;
        for (Index at = buckets.head(top); at != kNone; at = buckets.next(at))
            topCore.push_back(at);
        break;
    }
}
