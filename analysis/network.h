// The analysed network: a graph with its k-core decomposition and its communities.
#pragma once

#include <iostream>
#include <list>
#include <map>
#include <string>
#include <vector>

#include "analysis/community.h"
#include "graph/graph.h"

class Network {
  public:
    Network();
    Network(Network&&) noexcept = default;
    Network& operator=(Network&&) noexcept = default;
    ~Network();

    // Shell indices by bucket peeling, from the graph's degree list. Without a degree list
    // (never built) every shell index is set to the degree and `cores` stays empty. Buckets
    // are intrusive lists over vertex positions, so moving a vertex down one shell costs
    // O(1): O(V + E + maxDegree) time in all.
    void findCores();
    // The innermost shell, in bucket order. When `cores` has no entry for `maxShell`, an
    // empty one is made and returned.
    std::vector<Vertex*> getTopCore();
    // A new network of copies of the vertices with shell index at least k, in vertex order.
    Network getLayer(int k) const;
    // A new network of copies of the given vertices, in list order: the subgraph they induce.
    Network getInducedGraph(const std::list<Vertex*>& members) const;
    void printCores(std::ostream& out = std::cout) const;
    // One line "shell id" per vertex into the cores log, shells ascending, bucket order.
    void logCores() const;

    // Community detection by greedy modularity agglomeration: starts from the graph's
    // singleton communities (ascending vertex id) unless `communitiesList` already holds a
    // partition, which is then taken further; merges while a step is worth at least
    // threshold (a NaN value stops); leaves the survivors in `communitiesList` with compact
    // lists, records every vertex's community and writes the communities log. A step costs
    // its merges (linear in the absorbed communities' lists) and O(log V) for every
    // community whose best candidate it changes.
    void findCommunities(float threshold);
    // "log/communities.log": a header, then per surviving community its running number,
    // size, internal degree, external degree and degree sum.
    void logAllCommunities() const;
    // Sets every vertex's `community` from the members of the surviving communities.
    void finalizeCommunities();
    // The modularity of the current partition over the graph's adjacency entries: the sum
    // over the surviving communities of e/A − (a/A)², with A = `numArcs`; 0 without arcs.
    float getQ() const;
    void printCommunities(std::ostream& out = std::cout) const;
    // Kept for callers that name it; a partition is not read from files.
    void assignCommunitiesFromFile(const std::string& fileName);

    Graph graph{true};
    int maxShell = 0;
    int minShell = 0;
    // Shell index → its vertices: first those whose degree is the shell, in creation order,
    // then those lowered into it, in order of arrival.
    std::map<int, std::vector<Vertex*>> cores;
    std::list<Community*> communitiesList;
    std::map<int, std::list<std::list<Vertex*>*>> clustersMap;
    bool paired = false;
};
