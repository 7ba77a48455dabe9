#include "analysis/cores.h"

#include <algorithm>
#include <atomic>
#include <limits>

#include "analysis/workers.h"
#include "graph/threads.h"

using peeling::Buckets;
using peeling::kNone;
using peeling::peelAll;

namespace {

// Core numbers peeled level by level on a team of threads. At level k, every vertex left
// whose count of unpeeled neighbours is k is peeled with core number k; each of its
// neighbours above k loses one, and one that comes down to k is peeled in the next round of
// the same level. Counts change by atomic steps: a neighbour two threads both see above k may
// be lowered twice, once too many, which the second undoes. The core numbers do not depend
// on the order of peeling, so neither on the threads, nor on the order in which the workers'
// lists are joined. Each level reads only the vertices still left, and jumps to the smallest
// count among them: O(V + E) work in all.
class ParallelPeel {
  public:
    ParallelPeel(const Graph& graph, unsigned threads)
        : vertices_(graph.vertices),
          count_(bigVector(vertices_.size(), 0, threads)),
          core_(bigVector(vertices_.size(), -1, threads)),
          left_(bigVector<Index>(vertices_.size(), 0, threads)),
          workers_(threads),
          found_(workers_.count()),
          kept_(workers_.count()),
          smallest_(workers_.count()) {
        for (std::size_t p = 0; p < vertices_.size(); ++p) {
            count_[p] = vertices_[p]->degree;
            left_[p] = static_cast<Index>(p);
        }
    }

    std::vector<int> run(Progress* progress) {
        int k = 0;
        while (!left_.empty()) {
            const int next = scan(k);
            if (round_.empty()) {
                k = next;
                continue;
            }
            peelRounds(k, progress);
            ++k;
        }
        return std::move(core_);
    }

  private:
    // Chunks of an eighth of a loop, within bounds: small loops still share the work.
    static std::size_t chunkOf(std::size_t items, std::size_t most) {
        return std::clamp<std::size_t>(items / 8, 16, most);
    }

    // Who is left, who is peeled first at level k (into round_), and the smallest count
    // above k among those left.
    int scan(int k) {
        for (unsigned w = 0; w < workers_.count(); ++w) {
            found_[w].clear();
            kept_[w].clear();
            smallest_[w] = std::numeric_limits<int>::max();
        }
        const std::size_t chunk = chunkOf(left_.size(), 4096);
        forRange(workers_, left_.size(), chunk, 2 * chunk,
                 [&](std::size_t from, std::size_t to, unsigned w) {
                     for (std::size_t i = from; i < to; ++i) {
                         const Index p = left_[i];
                         if (core_[p] >= 0) continue;
                         if (count_[p] <= k) {
                             found_[w].push_back(p);
                         } else {
                             kept_[w].push_back(p);
                             smallest_[w] = std::min(smallest_[w], count_[p]);
                         }
                     }
                 });
        left_.clear();
        round_.clear();
        int next = std::numeric_limits<int>::max();
        for (unsigned w = 0; w < workers_.count(); ++w) {
            left_.insert(left_.end(), kept_[w].begin(), kept_[w].end());
            round_.insert(round_.end(), found_[w].begin(), found_[w].end());
            next = std::min(next, smallest_[w]);
        }
        return next;
    }

    // Peels round_ and the rounds it leads to at level k.
    void peelRounds(int k, Progress* progress) {
        while (!round_.empty()) {
            for (const Index p : round_) core_[p] = k;
            for (auto& list : found_) list.clear();
            const std::size_t share = chunkOf(round_.size(), 256);
            forRange(workers_, round_.size(), share, 2 * share,
                     [&](std::size_t from, std::size_t to, unsigned w) {
                         for (std::size_t i = from; i < to; ++i)
                             for (const Vertex* neighbour : vertices_[round_[i]]->neighbours)
                                 lower(neighbour->index, k, found_[w]);
                     });
            peeled_ += round_.size();
            advance(progress, peeled_);
            round_.clear();
            for (const auto& list : found_) round_.insert(round_.end(), list.begin(), list.end());
        }
    }

    // One neighbour fewer for q at level k; q joins the next round when that brings it to k.
    void lower(Index q, int k, std::vector<Index>& next) {
        std::atomic_ref<int> value(count_[q]);
        if (value.load(std::memory_order_relaxed) <= k) return;
        const int before = value.fetch_sub(1, std::memory_order_relaxed);
        if (before == k + 1)
            next.push_back(q);
        else if (before <= k)
            value.fetch_add(1, std::memory_order_relaxed);
    }

    const std::vector<Vertex*>& vertices_;
    std::vector<int> count_;
    std::vector<int> core_;
    std::vector<Index> left_;
    Workers workers_;
    // Per worker: the vertices it found for the next round, and what it kept of left_.
    std::vector<std::vector<Index>> found_, kept_;
    std::vector<int> smallest_;
    std::vector<Index> round_;
    std::uint64_t peeled_ = 0;
};

}  // namespace

std::vector<int> computeCoreness(const Graph& graph, unsigned threads, Progress* progress,
                                 std::size_t parallelFrom) {
    const std::vector<Vertex*>& vertices = graph.vertices;
    if (progress) progress->start("Core numbers", vertices.size());
    if (threads >= 2 && graph.numArcs >= parallelFrom && !vertices.empty())
        return ParallelPeel(graph, threads).run(progress);
    std::vector<int> core = bigVector(vertices.size(), 0, threads);
    for (std::size_t p = 0; p < vertices.size(); ++p) core[p] = vertices[p]->degree;
    std::uint64_t peeled = 0;
    peelAll(core, [&](Index at, auto&& visit) {
        advance(progress, ++peeled);
        for (const Vertex* neighbour : vertices[at]->neighbours) visit(neighbour->index);
    });
    return core;
}

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
    for (std::size_t i = 0; i < count; ++i) {
        // The members and their neighbours lie all over memory: the member's object is asked
        // for eight places ahead, its list four, the neighbours' objects two.
        if (i + 8 < count) __builtin_prefetch(&members[i + 8]->neighbours);
        if (i + 4 < count) __builtin_prefetch(members[i + 4]->neighbours.data());
        if (i + 2 < count)
            for (const Vertex* neighbour : members[i + 2]->neighbours)
                __builtin_prefetch(&neighbour->index);
        for (const Vertex* neighbour : members[i]->neighbours) {
            const Index j = placeOf_[neighbour->index];
            if (j > i) continue;
            links_.emplace_back(j, static_cast<Index>(i));
            ++offset_[j + 1];
            ++offset_[i + 1];
        }
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
    const Buckets buckets = peelAll(shell, [&](Index at, auto&& visit) {
        for (Index k = offset_[at]; k < offset_[at + 1]; ++k) visit(ends_[k]);
    });
    for (int top = largest; top >= 0; --top) {
        if (buckets.head(top) == kNone) continue;
        maxShell = top;
        for (Index at = buckets.head(top); at != kNone; at = buckets.next(at))
            topCore.push_back(at);
        break;
    }
}

CommunityShells computeCommunityShells(const Partition& partition, const Graph& graph,
                                       unsigned threads, std::size_t twoThreadsFrom) {
    const std::size_t communities = partition.count();
    CommunityShells result;
    result.shell.assign(partition.members.size(), 0);
    result.maxShell.assign(communities, 0);
    result.topCore.resize(communities);
    // The members of every community, one community after another.
    const std::vector<Index>& begin = partition.begin;
    std::vector<Vertex*> walk(partition.members.size());
    for (std::size_t i = 0; i < walk.size(); ++i) walk[i] = graph.vertices[partition.members[i]];
    // Each community's work, its members' adjacency: one pass over objects all over memory,
    // asked for eight places ahead.
    std::vector<std::size_t> work(communities, 0);
    std::size_t total = 0;
    for (std::size_t k = 0; k < communities; ++k) {
        for (std::size_t i = begin[k]; i < begin[k + 1]; ++i) {
            if (i + 8 < walk.size()) __builtin_prefetch(&walk[i + 8]->neighbours);
            work[k] += walk[i]->neighbours.size();
        }
        total += work[k];
    }
    // The communities do not depend on each other, and each writes only its own results:
    // large partitions share them between this thread and a second one, split where half
    // of the members' adjacency lies on either side.
    auto shellsOf = [&](std::size_t from, std::size_t to) {
        InducedCores cores;
        for (std::size_t k = from; k < to; ++k) {
            Vertex* const* members = walk.data() + begin[k];
            const std::size_t count = begin[k + 1] - begin[k];
            cores.compute(graph, members, count);
            std::copy(cores.shell.begin(), cores.shell.begin() + static_cast<std::ptrdiff_t>(count),
                      result.shell.begin() + begin[k]);
            result.maxShell[k] = cores.maxShell;
            result.topCore[k] = cores.topCore;
        }
    };
    if (total < twoThreadsFrom || communities < 2 || threads < 2) {
        shellsOf(0, communities);
        return result;
    }
    const std::size_t split = halfOfTheWork(communities, [&](std::size_t k) { return work[k]; });
    onTwoThreads(threads, split, communities, shellsOf);
    return result;
}
