#include "analysis/network.h"

#include <limits>
#include <string>

#include "analysis/cores.h"
#include "analysis/solution_submodular.h"
#include "graph/threads.h"

Network::Network() = default;

Network::~Network() = default;

using peeling::Buckets;
using peeling::kNone;
using peeling::peel;

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
            logs().core << shell << std::string(" ") << vertex->id << std::string("\n");
}

Logs& Network::logs() const {
    static Logs nowhere;
    return logs_ ? *logs_ : nowhere;
}

std::vector<Community*> makeStartingCommunities(const Graph& graph, Arena<Community>& store) {
    const std::vector<Vertex*>& vertices = graph.vertices;
    const std::size_t count = vertices.size();
    std::vector<Community*> startingCommunities = bigVector<Community*>(count, nullptr);
    store.reserve(count);
    const int firstNumber = Community::next_available_number;
    // Each community has a member list and two lists as long as its vertex's.
    HeapGrowthAdvice advice(count * 3 * 32 + std::size_t{graph.numArcs} *
                                                 (sizeof(Community*) + sizeof(std::uint32_t)));
    // The objects and their lists lie in memory in ascending id order, as the vertices of a
    // bulk build do; numbers and indices follow the vertices' positions.
    for (const auto& [id, vertex] : graph.vertexMap) {
        Community* community = store.emplace(vertex->index);
        community->number = firstNumber + static_cast<int>(vertex->index);
        community->members.push_back(id);
        startingCommunities[vertex->index] = community;
        advice.check();
    }
    Community::next_available_number = firstNumber + static_cast<int>(count);
    for (const auto& [id, vertex] : graph.vertexMap) {
        Community* community = startingCommunities[vertex->index];
        community->neighbours.reserve(vertex->neighbours.size());
        community->cuts.assign(vertex->neighbours.size(), 1);
        advice.check();
    }
    // The links: the vertex's adjacency, in its order; on large graphs two threads share
    // them, each writing only its own communities.
    auto fill = [&](std::size_t from, std::size_t to) {
        for (std::size_t p = from; p < to; ++p) {
            const Vertex* vertex = vertices[p];
            Community* community = startingCommunities[p];
            for (const Vertex* neighbour : vertex->neighbours) {
                community->neighbours.push_back(startingCommunities[neighbour->index]);
                if (neighbour == vertex) ++community->internalDegree;
            }
            community->degreeSum = static_cast<std::uint32_t>(vertex->neighbours.size());
        }
    };
    if (graph.numArcs >= Graph::fillOnTwoThreadsFrom && count >= 2) {
        const std::size_t split =
            halfOfTheWork(count, [&](std::size_t p) { return vertices[p]->neighbours.size(); });
        onTwoThreads(std::max<std::size_t>(split, 1), count, fill);
    } else {
        fill(0, count);
    }
    return startingCommunities;
}

void Network::makeStartingCommunities() {
    startingCommunities = ::makeStartingCommunities(graph, communityStore_);
}

void Network::listStartingCommunities() {
    if (startingCommunities.size() != graph.vertices.size()) makeStartingCommunities();
    communitiesList.clear();
    for (const auto& [id, vertex] : graph.vertexMap)
        communitiesList.push_back(startingCommunities[vertex->index]);
}

Community* Network::startingCommunity(VertexId id) const {
    const Vertex* vertex = graph.vertexMap.find(id);
    return vertex && vertex->index < startingCommunities.size() ? startingCommunities[vertex->index]
                                                                : nullptr;
}

void Network::findCommunities(float threshold) {
    // A second call must not list the starting communities again: absorbed ones would
    // come back and every degree sum would count twice.
    if (communitiesList.empty()) listStartingCommunities();
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
        optimizer.publish();
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
    logs().communities << text;
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

Membership Network::assignCommunitiesFromFile(const std::string& fileName) {
    Membership membership = readPartitionFile(fileName, graph);
    adoptMembership(membership.communityOf, membership.communities);
    return membership;
}

void Network::adoptMembership(const std::vector<Index>& communityOf, Index count) {
    const Partition adopted = partitionFromMembership(graph, communityOf, count, communityStore_);
    communitiesList.assign(adopted.communities.begin(), adopted.communities.end());
    finalizeCommunities();
    logAllCommunities();
}

Partition Network::partition() const {
    std::list<Community*> survivors;
    for (Community* community : communitiesList)
        if (!community->removed) survivors.push_back(community);
    return partitionOf(survivors, graph);
}
