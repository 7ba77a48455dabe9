#include "analysis/network.h"

#include <limits>
#include <string>

#include "analysis/cores.h"
#include "analysis/greedy.h"
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
    GreedyOptions options;
    options.threshold = threshold;
    agglomerate(communitiesList, &startingCommunities, options);
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
    const Partition adopted = partitionFromMembership(graph, communityOf, count);
    // The communities as objects, as detection leaves them: members, sums and lists.
    communityStore_.reserve(count);
    std::vector<Community*> made;
    made.reserve(count);
    for (Index k = 0; k < count; ++k) made.push_back(communityStore_.emplace(k));
    for (Index k = 0; k < count; ++k) {
        Community* community = made[k];
        community->size = static_cast<int>(adopted.size(k));
        for (Index i = adopted.begin[k]; i < adopted.begin[k + 1]; ++i)
            community->members.push_back(graph.vertices[adopted.members[i]]->id);
        community->internalDegree = adopted.internal[k];
        community->degreeSum = adopted.degreeSum[k];
        for (Index j = adopted.linkBegin[k]; j < adopted.linkBegin[k + 1]; ++j) {
            community->neighbours.push_back(made[adopted.links[j].to]);
            community->cuts.push_back(adopted.links[j].cut);
        }
    }
    communitiesList.assign(made.begin(), made.end());
    finalizeCommunities();
    logAllCommunities();
}

Partition Network::partition() const {
    std::list<Community*> survivors;
    for (Community* community : communitiesList)
        if (!community->removed) survivors.push_back(community);
    return partitionOf(survivors, graph);
}
