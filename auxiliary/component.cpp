#include "auxiliary/component.h"

#include <cstdlib>
#include <numbers>
#include <utility>

#include "analysis/network.h"

Component::Component(int level, Component* parent)
    : parent(parent), level(level), serial_(nextSerial_++) {}

Component::~Component() = default;

Component* Component::root() {
    Component* node = this;
    while (node->parent) node = node->parent;
    return node;
}

const Component* Component::rootOf() const {
    const Component* node = this;
    while (node->parent) node = node->parent;
    return node;
}

Component* Component::makeChild() {
    Component* top = root();
    top->componentStore_.push_back(std::make_unique<Component>(level + 1, this));
    Component* child = top->componentStore_.back().get();
    child->maxShell = maxShell;
    child->minShell = minShell;
    child->maxDegree = maxDegree;
    children.push_back(child);
    return child;
}

Cluster* Component::makeCluster() {
    Component* top = root();
    top->clusterStore_.push_back(std::make_unique<Cluster>());
    Cluster* cluster = top->clusterStore_.back().get();
    top->clusterNumbers_.emplace(cluster, static_cast<int>(top->clusterStore_.size()) - 1);
    return cluster;
}

int Component::clusterIndex(const Cluster* cluster) const {
    const Component* top = rootOf();
    const auto found = top->clusterNumbers_.find(cluster);
    return found == top->clusterNumbers_.end() ? -1 : found->second;
}

std::uint64_t Component::treeSerial() const {
    return rootOf()->serial_;
}

void Component::computeComponents(const std::vector<Vertex*>& members, float largestShell,
                                  float smallestShell, float largestDegree) {
    vertices = members;
    cardinal += static_cast<int>(members.size());
    maxShell = largestShell;
    minShell = smallestShell;
    maxDegree = largestDegree;
    // Pre-order over the tree: a component is split, then each child (with its subtree) in
    // creation order. The order fixes the cluster numbers and the rand() draws.
    std::vector<Component*> pending{this};
    while (!pending.empty()) {
        Component* component = pending.back();
        pending.pop_back();
        component->split(component->vertices);
        for (auto child = component->children.rbegin(); child != component->children.rend();
             ++child)
            pending.push_back(*child);
    }
}

namespace {

// Depth-first search from start, which the caller has already taken: every neighbour that
// take accepts is taken (take marks it) and searched in turn. Iterative (a vertex and its
// next neighbour position per frame) yet in the order recursion would visit, so deep graphs
// cannot exhaust the stack.
template <class Take>
void walkFrom(Vertex* start, std::vector<std::pair<Vertex*, std::size_t>>& stack, Take take) {
    stack.emplace_back(start, 0);
    while (!stack.empty()) {
        Vertex* at = stack.back().first;
        const std::size_t next = stack.back().second++;
        if (next == at->neighbours.size()) {
            stack.pop_back();
            continue;
        }
        Vertex* neighbour = at->neighbours[next];
        if (take(neighbour)) stack.emplace_back(neighbour, 0);
    }
}

}  // namespace

void Component::split(std::vector<Vertex*>& candidates) {
    const int k = level;
    std::vector<std::pair<Vertex*, std::size_t>> stack;

    // Children: connected components of the vertices of shell above k.
    std::vector<Vertex*> shell;
    auto assign = [k](Component* owner, Vertex* vertex) {
        vertex->setComponent(owner);
        owner->vertices.push_back(vertex);
        ++owner->cardinal;
        vertex->componentLevel = k + 1;
    };
    for (Vertex* vertex : candidates) {
        if (vertex->componentLevel == k + 1) continue;
        if (vertex->shellIndex > k) {
            Component* child = makeChild();
            assign(child, vertex);
            walkFrom(vertex, stack, [&](Vertex* neighbour) {
                if (neighbour->shellIndex <= k || neighbour->componentLevel == k + 1) return false;
                assign(child, neighbour);
                return true;
            });
        } else {
            ++shellCount;
            shell.push_back(vertex);
        }
    }

    // Clusters: connected components of the vertices of shell exactly k.
    std::vector<Cluster*> made;
    for (Vertex* vertex : shell) {
        if (vertex->cluster) continue;
        Cluster* cluster = makeCluster();
        vertex->setCluster(cluster);
        cluster->push_back(vertex);
        walkFrom(vertex, stack, [&](Vertex* neighbour) {
            if (neighbour->shellIndex != k || neighbour->cluster) return false;
            neighbour->setCluster(cluster);
            cluster->push_back(neighbour);
            return true;
        });
        made.push_back(cluster);
    }

    // Shuffle: each cluster to the back or the front on a draw of the C generator.
    clusters.clear();
    for (Cluster* cluster : made) {
        const double u = static_cast<double>(std::rand()) / 2147483648.0;
        if (u > 0.5)
            clusters.push_back(cluster);
        else
            clusters.push_front(cluster);
    }
}

void Component::buildClustersMap(std::map<int, std::list<Cluster*>>& map) const {
    std::vector<const Component*> pending{this};
    while (!pending.empty()) {
        const Component* component = pending.back();
        pending.pop_back();
        std::list<Cluster*>& entry = map[component->level];
        entry.insert(entry.end(), component->clusters.begin(), component->clusters.end());
        for (auto child = component->children.rbegin(); child != component->children.rend();
             ++child)
            pending.push_back(*child);
    }
}

void Component::printComponent(std::ostream& out) const {
    std::vector<const Component*> pending{this};
    while (!pending.empty()) {
        const Component* component = pending.back();
        pending.pop_back();
        const std::string indent(static_cast<std::size_t>(component->level), ' ');
        if (!component->clusters.empty()) out << indent;
        for (const Cluster* cluster : component->clusters) {
            out << indent;
            for (const Vertex* vertex : *cluster) out << vertex->id << ' ';
            out << '\n';
        }
        for (auto child = component->children.rbegin(); child != component->children.rend();
             ++child)
            pending.push_back(*child);
    }
    out.flush();
}

void Component::placeInCircularSector(float R, float theta, int i, int n, float shift,
                                      float& radius, float& angle) const {
    float f = static_cast<float>(i) / static_cast<float>(n) + shift;
    if (f > 1.0f) f -= 1.0f;
    float m;
    if (theta == 2.0f * std::numbers::pi_v<float>)
        m = R + theta * (R * f);
    else
        m = f * (2.0f * R + R * theta);
    radius = 0.0f;
    angle = 0.0f;
    if (m < R) {
        radius = m;
    } else if (m < R + R * theta) {
        radius = R;
        angle = (m - R) / R;
    } else {
        radius = R - (m - R - R * theta);
        angle = theta;
    }
}

int Component::getBrotherComponentsCardinal() const {
    if (!parent) return cardinal;
    int total = 0;
    for (const Component* sibling : parent->children) total += sibling->cardinal;
    return total;
}

int Component::getPreviousComponentsCardinal() const {
    int total = 0;
    if (parent) {
        for (const Component* sibling : parent->children) {
            if (sibling == this) break;
            total += sibling->cardinal;
        }
    }
    return total + cardinal / 2;
}

// ---- Network operations of the tree ----

void Network::findComponents() {
    // The marks of an earlier tree would make the split skip vertices: start unmarked.
    for (Vertex* vertex : graph.vertices) {
        vertex->componentLevel = 0;
        vertex->setCluster(nullptr);
        vertex->setComponent(nullptr);
    }
    clustersMap.clear();  // it pointed into the earlier tree
    component.reset(new Component(0, nullptr));
    component->computeComponents(graph.vertices, static_cast<float>(maxShell),
                                 static_cast<float>(minShell), static_cast<float>(graph.maxDegree));
}

void Network::buildClustersMap() {
    clustersMap.clear();
    if (component) component->buildClustersMap(clustersMap);
}

void Network::printComponents(std::ostream& out) const {
    if (component) component->printComponent(out);
}

void AuxiliaryRelease::operator()(Component* component) const {
    delete component;
}
