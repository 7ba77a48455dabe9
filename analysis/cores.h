// k-core decompositions: the core number of every vertex of a whole graph, and the shells
// inside each community of a partition (the shells of the sub-network it induces).
#pragma once

#include <algorithm>
#include <cstddef>
#include <limits>
#include <utility>
#include <vector>

#include "analysis/partition.h"
#include "graph/graph.h"
#include "graph/progress.h"

// The bucket peeling that every core decomposition here shares.
namespace peeling {

inline constexpr Index kNone = std::numeric_limits<Index>::max();

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

// Buckets of the given start values (shell[p] for item p), in item order within a value,
// peeled by forEachNeighbour; shell ends as the core numbers.
template <class ForEachNeighbour>
Buckets peelAll(std::vector<int>& shell, ForEachNeighbour&& forEachNeighbour) {
    int largest = 0;
    for (const int value : shell) largest = std::max(largest, value);
    Buckets buckets(shell.size(), static_cast<std::size_t>(largest) + 1);
    for (std::size_t i = 0; i < shell.size(); ++i) buckets.append(shell[i], static_cast<Index>(i));
    peel(buckets, largest, forEachNeighbour, [&](Index at) -> int& { return shell[at]; });
    return buckets;
}

}  // namespace peeling

// The core number of every vertex, by vertex position: the largest k such that the vertex
// lies in a subgraph where every vertex has degree at least k (a self-loop counting 1).
// Bucket peeling, O(V + E + maxDegree); graphs of at least parallelFrom adjacency entries are
// peeled level by level on `threads` threads (the same numbers).
std::vector<int> computeCoreness(const Graph& graph, unsigned threads, Progress* progress = nullptr,
                                 std::size_t parallelFrom = std::size_t{1} << 20);

// The shells of the sub-network that a set of a graph's vertices induces, as a fresh
// Network would find them after its graph copied the vertices one by one (addVertex) and
// built its degree list: the same shell indices, the same top shell and the same bucket
// order, computed on arrays of the set's size instead of copied vertices. Meant for many
// sets of one graph in turn: the table from vertex position to place in the set is kept
// between calls.
class InducedCores {
  public:
    // members[0, count) are vertices of graph, each at most once.
    void compute(const Graph& graph, Vertex* const* members, std::size_t count);

    // By place in the set.
    std::vector<int> shell;
    // The highest shell; 0 for an empty set.
    int maxShell = 0;
    // Places of the vertices of the highest shell, in bucket order.
    std::vector<Index> topCore;

  private:
    std::vector<Index> placeOf_;  // by vertex position; kNone outside the set
    std::vector<std::pair<Index, Index>> links_;
    std::vector<Index> offset_;
    std::vector<Index> ends_;
};

// The shells inside the communities of a partition.
struct CommunityShells {
    // By member place (partition.members): the vertex's shell index inside its community.
    std::vector<int> shell;
    // By partition place: the top shell, and the members of the innermost core as places in
    // the community's member list (bucket order).
    std::vector<int> maxShell;
    std::vector<std::vector<Index>> topCore;
};

// Each community's shells from its own induced sub-network: linear in the members and their
// adjacency. Large partitions (members with at least twoThreadsFrom adjacency entries) are
// shared between two threads when threads allows; the result is the same.
CommunityShells computeCommunityShells(const Partition& partition, const Graph& graph,
                                       unsigned threads,
                                       std::size_t twoThreadsFrom = std::size_t{1} << 18);
