// The component and cluster tree of the shells: a level-k component is a connected part of
// the vertices of shell at least k; its children are the connected components of its vertices
// of shell above k, its clusters the connected components of its vertices of shell exactly k.
#pragma once

#include <cstdint>
#include <iostream>
#include <list>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "graph/vertex.h"

// One vertex cluster: connected vertices of one shell, in search order.
using Cluster = std::list<Vertex*>;

// The root of a tree owns every component and cluster below it (flat stores, so releasing a
// deep tree needs no deep recursion); the links between them are plain pointers.
class Component {
  public:
    Component(int level, Component* parent);
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;
    ~Component();

    // Makes this component the root of a tree over the given vertices and splits it level by
    // level. The three values (largest and smallest shell, largest degree) are kept for the
    // sector layout. Reads `shellIndex`; sets `component`, `componentLevel` and `cluster` of
    // the vertices, which must be unmarked (componentLevel 0, no cluster). Draws one rand()
    // per cluster for the shuffle. O((V + E) × number of levels) time and memory, since each
    // component lists all of its vertices.
    void computeComponents(const std::vector<Vertex*>& members, float maxShell, float minShell,
                           float maxDegree);
    // Appends every cluster under its component's level, pre-order over the tree.
    void buildClustersMap(std::map<int, std::list<Cluster*>>& map) const;
    // The clusters of the tree, indented by level, pre-order.
    void printComponent(std::ostream& out = std::cout) const;

    // Polar position of point i of n (shifted by a fraction of the outline) on the outline of
    // a sector of radius R and opening theta: out along the first radius, along the arc, back
    // in along the second radius; a full circle when theta is 2π.
    void placeInCircularSector(float R, float theta, int i, int n, float shift, float& radius,
                               float& angle) const;
    // Total cardinal of the parent's children (this one included); the own cardinal for a root.
    int getBrotherComponentsCardinal() const;
    // Cardinal of the siblings before this one plus half its own: the middle of its share.
    int getPreviousComponentsCardinal() const;

    // The order in which the tree made this cluster, from 0 (−1 when not of this tree).
    int clusterIndex(const Cluster* cluster) const;
    // A number of its own per tree in the process, so clusters of different trees never match.
    std::uint64_t treeSerial() const;
    // Clusters of the whole tree in creation order (valid on the root).
    const std::vector<std::unique_ptr<Cluster>>& allClusters() const { return clusterStore_; }

    std::list<Cluster*> clusters;
    std::vector<Vertex*> vertices;
    std::vector<Component*> children;
    Component* parent;
    int cardinal = 0;
    int shellCount = 0;
    int level;
    float maxShell = 0.0f;
    float minShell = 0.0f;
    float maxDegree = 0.0f;

  private:
    Component* root();
    const Component* rootOf() const;
    Component* makeChild();
    Cluster* makeCluster();
    void split(std::vector<Vertex*>& candidates);

    std::uint64_t serial_;
    static inline std::uint64_t nextSerial_ = 0;
    // Only on the root.
    std::vector<std::unique_ptr<Component>> componentStore_;
    std::vector<std::unique_ptr<Cluster>> clusterStore_;
    std::unordered_map<const Cluster*, int> clusterNumbers_;
};
