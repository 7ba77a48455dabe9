#include "analysis/greedy.h"

#include "analysis/csr.h"
#include "graph/threads.h"

std::vector<Community*> makeStartingCommunities(const Graph& graph, Arena<Community>& store,
                                                const GreedyOptions& options, bool withLists) {
    const std::vector<Vertex*>& vertices = graph.vertices;
    const std::size_t count = vertices.size();
    const unsigned threads = options.optimizer.threads;
    std::vector<Community*> startingCommunities = bigVector<Community*>(count, nullptr, threads);
    store.reserve(count);
    const int firstNumber = Community::next_available_number;
    // With its lists, each community has a member list and two lists as long as its vertex's.
    HeapGrowthAdvice advice(withLists
                                ? count * 3 * 32 + std::size_t{graph.numArcs} *
                                                       (sizeof(Community*) + sizeof(std::uint32_t))
                                : 0,
                            threads);
    // The objects and their lists lie in memory in ascending id order, as the vertices of a
    // bulk build do; numbers and indices follow the vertices' positions.
    for (const auto& [id, vertex] : graph.vertexMap) {
        Community* community = store.emplace(vertex->index);
        community->number = firstNumber + static_cast<int>(vertex->index);
        if (withLists) community->members.push_back(id);
        startingCommunities[vertex->index] = community;
        advice.check();
    }
    Community::next_available_number = firstNumber + static_cast<int>(count);
    if (withLists) {
        for (const auto& [id, vertex] : graph.vertexMap) {
            Community* community = startingCommunities[vertex->index];
            community->neighbours.reserve(vertex->neighbours.size());
            community->cuts.assign(vertex->neighbours.size(), 1);
            advice.check();
        }
    }
    // The links: the vertex's adjacency, in its order; on large graphs two threads share
    // them, each writing only its own communities.
    auto fill = [&](std::size_t from, std::size_t to) {
        for (std::size_t p = from; p < to; ++p) {
            const Vertex* vertex = vertices[p];
            Community* community = startingCommunities[p];
            for (const Vertex* neighbour : vertex->neighbours) {
                if (withLists)
                    community->neighbours.push_back(startingCommunities[neighbour->index]);
                if (neighbour == vertex) ++community->internalDegree;
            }
            community->degreeSum = static_cast<std::uint32_t>(vertex->neighbours.size());
        }
    };
    if (graph.numArcs >= options.startOnTwoThreadsFrom && count >= 2 && threads >= 2) {
        const std::size_t split =
            halfOfTheWork(count, [&](std::size_t p) { return vertices[p]->neighbours.size(); });
        onTwoThreads(threads, std::max<std::size_t>(split, 1), count, fill);
    } else {
        fill(0, count);
    }
    return startingCommunities;
}

void agglomerate(std::list<Community*>& communities, const std::vector<Community*>* starting,
                 const GreedyOptions& options, const LinksFrom* linksFrom) {
    if (options.progress)
        options.progress->start("Merging communities",
                                communities.empty() ? 0 : communities.size() - 1);
    SolutionSubmodular optimizer(communities, starting, options.optimizer, linksFrom);
    std::uint64_t merges = 0;
    for (;;) {
        const bool has = optimizer.proposeNeighbour();
        const float value = optimizer.evaluateNeighbour();
        if (!(value >= options.threshold) || !has) break;
        merges += optimizer.joins.size();
        optimizer.acceptNeighbour();
        advance(options.progress, merges);
    }
    optimizer.publish();
}

Partition greedyPartition(Graph& graph, const GreedyOptions& options) {
    Arena<Community> store(options.optimizer.threads);
    // Listed in ascending vertex id: the optimizer's slots follow the list.
    std::list<Community*> communities;
    {
        const std::vector<Community*> starting =
            makeStartingCommunities(graph, store, options, /*withLists=*/false);
        for (const auto& [id, vertex] : graph.vertexMap)
            communities.push_back(starting[vertex->index]);
    }
    // Made again when the partition is listed; the merges need the memory more.
    graph.vertexMap.forgetOrder();
    {
        // The optimizer makes its lists from the CSR, so the graph's own are not needed until
        // the partition is listed: they give their memory back to the merges meanwhile.
        Csr csr = csrOf(graph, options.optimizer.threads);
        AdjacencyLoan loan(graph, csr);
        const LinksFrom links{graph, csr};
        agglomerate(communities, nullptr, options, &links);  // leaves only the survivors listed
        loan.giveBack();
    }
    return partitionOf(communities, graph);
}
