// The Gomory-Hu tree of a network (a flow-equivalent cut tree: the connectivity of two
// vertices is the smallest cut on the tree path between them), its queries and log, and the
// shell connectivity statistics read from it.
#pragma once

#include <compare>
#include <cstdint>
#include <deque>
#include <iostream>
#include <list>
#include <map>
#include <unordered_map>
#include <utility>
#include <vector>

#include "auxiliary/ff_routine.h"

class Log;
class Network;

// One node of the cut tree. After the build every node stands for one vertex, its
// representative (the first member).
struct Nodo {
    int representative() const { return members.front()->id; }

    std::vector<node_detail*> members;
    std::vector<Nodo*> children;
    std::vector<int> cuts;  // parallel to children: the cut value on the edge to each
    Nodo* parent = nullptr;
    int cut = 0;       // value on the edge to the parent
    int position = 0;  // place among the parent's children, from 0
};

// The tree with what it refers to: the flow network (its entries are the members) and the
// nodes, all owned here.
class GomoryHuTree {
  public:
    GomoryHuTree() = default;
    GomoryHuTree(const GomoryHuTree&) = delete;
    GomoryHuTree& operator=(const GomoryHuTree&) = delete;

    Nodo* makeNode(Nodo* parent);
    // The node whose representative has this vertex id, or null.
    const Nodo* nodeOf(int id) const;
    // Indexes the nodes by representative; done once the tree is complete.
    void indexNodes();

    FlowNetwork nodes;
    // Null when no vertex has neighbours.
    Nodo* root = nullptr;

  private:
    std::deque<Nodo> store_;
    std::unordered_map<int, const Nodo*> byRepresentative_;
};

// Splits a node until every node has one member: the first two members are separated by a
// minimum cut over the whole flow network, the members on the sink side move to a new child.
// Runs without recursion (trees can be as deep as the graph is long).
void flujo_maximo_recursivo(Nodo* node, GomoryHuTree& tree);
// Smallest cut value below a node; −1 when the node is a leaf.
int hallar_corte_minimo_recursivo(const Nodo* node);
// The path from the root down to the node: (cut value, representative id) per step below the
// root; empty for the root itself.
void hallar_camino_recursivo(const Nodo* node, std::list<std::pair<int, int>>& path);
// One line per node in pre-order: depth spaces, the representative, the children's cut values
// in parentheses.
void imprimir_arbol_recursivo(const Nodo* node, int depth, Log& log);

// ---- Shell connectivity statistics ----

// A cluster as the statistics know it: the tree that made it and its creation index, so that
// keys never refer to freed memory and compare the same on every run.
struct ClusterKey {
    std::uint64_t tree = 0;
    int index = -1;
    auto operator<=>(const ClusterKey&) const = default;
};

struct ClusterPairValue {
    float value = 0.0f;
    // Shell index of the first vertex of each cluster (as last recorded).
    int firstShell = 0;
    int secondShell = 0;
};

// Process-wide accumulators, shared by every call; they only grow (clear() is for starting a
// fresh analysis).
struct ConnectivityStatistics {
    // (smaller shell index, connectivity) → number of recorded vertex pairs.
    std::map<std::pair<int, int>, int> mapa_si_conn;
    // (cluster, cluster) → accumulated normalised connectivity.
    std::map<std::pair<ClusterKey, ClusterKey>, ClusterPairValue> mapa_cluster_cluster_conn;
    std::int64_t contador = 0;

    void clear();
};

extern ConnectivityStatistics connectivityStatistics;

// Records every pair of tree nodes with node in its walk; level −1 records every pair,
// otherwise those whose smaller shell index is level. One trace line per visit on out.
void hallar_conectividades_desde(Network& network, const Nodo* node, int level, std::ostream& out);
// The walk from `from` to every node beyond `to` (skip: the position of the child the walk
// came up from, −1 when going down); cut is the smallest value on the path so far.
void extender_guardado_conectividades(Network& network, const Nodo* from, const Nodo* to, int cut,
                                      int skip, int level, std::ostream& out);
