// The analysed network: a graph with its k-core decomposition and its communities.
#pragma once

#include <iostream>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "analysis/community.h"
#include "analysis/partition.h"
#include "graph/graph.h"
#include "graph/log.h"
#include "graph/memory.h"
#include "graph/partition_reader.h"

// Held by the network, defined by the auxiliary analyses (which also define how they are
// released).
class Component;
class GomoryHuTree;
struct AuxiliaryRelease {
    void operator()(Component* component) const;
    void operator()(GomoryHuTree* tree) const;
};

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

    // The starting partition of greedy detection: one singleton community per vertex, with
    // the vertex's adjacency as its links (cut 1 each), numbered in vertex order; made from
    // the finished graph in one pass over the adjacency. A detector that does not start
    // from singletons never makes them.
    void makeStartingCommunities();
    // Makes the starting communities when there are none yet and lists them in ascending
    // vertex id in `communitiesList`, replacing what it held.
    void listStartingCommunities();
    // The starting community of the vertex with this id, or null.
    Community* startingCommunity(VertexId id) const;

    // Community detection by greedy modularity agglomeration: starts from the starting
    // communities (listStartingCommunities) unless `communitiesList` already holds a
    // partition, which is then taken further; merges while a step is worth at least
    // threshold (a NaN value stops); leaves the survivors in `communitiesList` with their
    // lists, records every vertex's community and writes the communities log. A step costs
    // its merges (linear in the two merged communities' lists) and O(log V) for every
    // community whose best candidate it changes.
    void findCommunities(float threshold);
    // The surviving communities in log order, with every vertex's place among them.
    Partition partition() const;
    // Takes a membership found elsewhere (a file, another detector) as the partition:
    // communityOf by vertex position, places 0 … count − 1 in log order. The communities are
    // made from the graph (partitionFromMembership), every vertex's community is set and
    // the communities log written; the starting communities are not made.
    void adoptMembership(const std::vector<Index>& communityOf, Index count);
    // "log/communities.log": a header, then per surviving community its running number,
    // size, internal degree, external degree and degree sum.
    void logAllCommunities() const;
    // Sets every vertex's `community` from the members of the surviving communities.
    void finalizeCommunities();
    // The modularity of the current partition over the graph's adjacency entries: the sum
    // over the surviving communities of e/A − (a/A)², with A = `numArcs`; 0 without arcs.
    float getQ() const;
    void printCommunities(std::ostream& out = std::cout) const;
    // Takes the partition in the file (graph/partition_reader.h) instead of detecting one:
    // its communities (partitionFromMembership) replace `communitiesList`, every vertex's
    // community is set and the communities log is written, as findCommunities leaves them;
    // the starting communities are not made. Returns the membership read (with the file's
    // counts of unlisted vertices and unknown ids). Throws Fatal on an unreadable or
    // malformed file. O(file + V + E).
    Membership assignCommunitiesFromFile(const std::string& fileName);

    // The logs the analyses write into; while none are attached they write nowhere.
    void attachLogs(Logs* logs) { logs_ = logs; }
    Logs& logs() const;

    Graph graph{true};
    int maxShell = 0;
    int minShell = 0;
    // Shell index → its vertices: first those whose degree is the shell, in creation order,
    // then those lowered into it, in order of arrival.
    std::map<int, std::vector<Vertex*>> cores;
    std::list<Community*> communitiesList;
    // By vertex position; empty until makeStartingCommunities.
    std::vector<Community*> startingCommunities;
    std::map<int, std::list<std::list<Vertex*>*>> clustersMap;
    bool paired = false;

    // ---- Auxiliary analyses (defined under auxiliary/; the run calls none of them) ----

    // The component and cluster tree of the shells (needs the shell indices); a second call
    // builds it afresh. Draws one rand() per cluster.
    void findComponents();
    // clustersMap: shell index → the clusters of that shell, pre-order over the tree.
    void buildClustersMap();
    void printComponents(std::ostream& out = std::cout) const;
    // The Gomory-Hu tree of the graph, written to the Gomory-Hu log; n is the expected number
    // of vertices with neighbours (a smaller n is raised). With fewer than two such vertices
    // the tree has at most one node and no edge. n − 1 maximum flows.
    void build_gomory_hu_tree(int n);
    // Smallest cut value of the tree, −1 when it has no edge.
    int find_minimum_cut() const;
    // The tree path from the root to the node of vertex id as (cut value, representative id)
    // pairs; false (and an empty path) when the vertex is not in the tree.
    bool find_path(int id, std::list<std::pair<int, int>>& path) const;
    // Edge connectivity of a and b read from the tree; −1 when a equals b or either vertex is
    // not in the tree.
    int find_connectivity(int a, int b) const;
    void print_gomory_hu_tree() const;
    // Shell connectivity statistics over every ordered pair of tree nodes (one trace line each
    // on out, so n(n − 1) of them), into the Gomory-Hu logs 2 to 5. Needs the tree, the shell
    // indices and the component tree.
    void find_connectivities(std::ostream& out = std::cout);
    // The same for the pairs whose smaller shell index is level; logs 2 to 4 are written only
    // when level is 1.
    void find_inner_connectivities(int level, std::ostream& out = std::cout);

    // Root of the component tree; null until findComponents.
    std::unique_ptr<Component, AuxiliaryRelease> component;
    // Null until build_gomory_hu_tree.
    std::unique_ptr<GomoryHuTree, AuxiliaryRelease> gomoryHuTree;

  private:
    Arena<Community> communityStore_;
    Logs* logs_ = nullptr;
};
