#include "analysis/cores.h"

#include <algorithm>
#include <limits>

#include "graph/threads.h"

using peeling::Buckets;
using peeling::kNone;
using peeling::peelAll;

std::vector<int> computeCoreness(const Graph& graph, unsigned threads, Progress* progress) {
    const std::vector<Vertex*>& vertices = graph.vertices;
    std::vector<int> core = bigVector(vertices.size(), 0, threads);
    for (std::size_t p = 0; p < vertices.size(); ++p) core[p] = vertices[p]->degree;
    if (progress) progress->start("Core numbers", vertices.size());
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
    std::size_t total = 0;
    for (const Vertex* v : walk) total += v->neighbours.size();
    if (total < twoThreadsFrom || communities < 2 || threads < 2) {
        shellsOf(0, communities);
        return result;
    }
    const std::size_t split = halfOfTheWork(communities, [&](std::size_t k) {
        std::size_t work = 0;
        for (std::size_t i = begin[k]; i < begin[k + 1]; ++i) work += walk[i]->neighbours.size();
        return work;
    });
    onTwoThreads(threads, split, communities, shellsOf);
    return result;
}
