#include "auxiliary/gomory_hu.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "analysis/network.h"
#include "auxiliary/component.h"
#include "graph/log.h"

ConnectivityStatistics connectivityStatistics;

// ---- The tree ----

Nodo* GomoryHuTree::makeNode(Nodo* parent) {
    Nodo& node = store_.emplace_back();
    node.parent = parent;
    return &node;
}

const Nodo* GomoryHuTree::nodeOf(int id) const {
    const auto found = byRepresentative_.find(id);
    return found == byRepresentative_.end() ? nullptr : found->second;
}

void GomoryHuTree::indexNodes() {
    byRepresentative_.clear();
    for (const Nodo& node : store_)
        if (!node.members.empty()) byRepresentative_.emplace(node.representative(), &node);
}

void flujo_maximo_recursivo(Nodo* node, GomoryHuTree& tree) {
    // A node is split again before its new child is split, as recursion would order it.
    std::vector<Nodo*> pending{node};
    while (!pending.empty()) {
        Nodo* x = pending.back();
        pending.pop_back();
        Nodo* y = tree.makeNode(x);
        const double flow = Ford_Fulkerson(x->members[0]->index, x->members[1]->index, tree.nodes);
        std::vector<node_detail*> kept;
        for (node_detail* member : x->members) {
            if (member->id == -1) continue;
            (member->state == 0 ? y->members : kept).push_back(member);
        }
        x->members = std::move(kept);
        const int cut = static_cast<int>(std::lround(flow));
        y->position = static_cast<int>(x->children.size());
        y->cut = cut;
        x->children.push_back(y);
        x->cuts.push_back(cut);
        limpiar(tree.nodes);
        if (y->members.size() > 1) pending.push_back(y);
        if (x->members.size() > 1) pending.push_back(x);
    }
}

int hallar_corte_minimo_recursivo(const Nodo* node) {
    int best = -1;
    std::vector<const Nodo*> pending{node};
    while (!pending.empty()) {
        const Nodo* at = pending.back();
        pending.pop_back();
        for (const Nodo* child : at->children) {
            if (best == -1 || child->cut < best) best = child->cut;
            pending.push_back(child);
        }
    }
    return best;
}

void hallar_camino_recursivo(const Nodo* node, std::list<std::pair<int, int>>& path) {
    path.clear();
    for (const Nodo* at = node; at->parent; at = at->parent)
        path.emplace_front(at->cut, at->representative());
}

void imprimir_arbol_recursivo(const Nodo* node, int depth, Log& log) {
    std::vector<std::pair<const Nodo*, int>> pending{{node, depth}};
    while (!pending.empty()) {
        const auto [at, level] = pending.back();
        pending.pop_back();
        log << std::string(static_cast<std::size_t>(level), ' ') << at->representative();
        for (std::size_t i = 0; i < at->cuts.size(); ++i)
            log << std::string(i == 0 ? " (" : " ") << at->cuts[i];
        if (!at->cuts.empty()) log << std::string(")");
        log << std::string("\n");
        for (auto child = at->children.rbegin(); child != at->children.rend(); ++child)
            pending.emplace_back(*child, level + 1);
    }
}

// ---- Network operations of the tree ----

void Network::build_gomory_hu_tree(int n) {
    auto tree = std::make_unique<GomoryHuTree>();
    tree->nodes = read_input_file(graph.vertices, n);
    limpiar(tree->nodes);
    if (tree->nodes.size() > 0) {
        tree->root = tree->makeNode(nullptr);
        for (node_detail& entry : tree->nodes.nodes)
            if (entry.id != -1) tree->root->members.push_back(&entry);
        // With a single member there is nothing to separate (and no flow to run).
        if (tree->root->members.size() > 1) flujo_maximo_recursivo(tree->root, *tree);
    }
    tree->indexNodes();
    gomoryHuTree.reset(tree.release());
    print_gomory_hu_tree();
}

int Network::find_minimum_cut() const {
    if (!gomoryHuTree || !gomoryHuTree->root) return -1;
    return hallar_corte_minimo_recursivo(gomoryHuTree->root);
}

bool Network::find_path(int id, std::list<std::pair<int, int>>& path) const {
    path.clear();
    if (!gomoryHuTree) return false;
    const Nodo* node = gomoryHuTree->nodeOf(id);
    if (!node) return false;
    hallar_camino_recursivo(node, path);
    return true;
}

int Network::find_connectivity(int a, int b) const {
    std::list<std::pair<int, int>> first;
    std::list<std::pair<int, int>> second;
    if (!find_path(a, first) || !find_path(b, second)) return -1;
    auto i = first.begin();
    auto j = second.begin();
    while (i != first.end() && j != second.end() && i->second == j->second) {
        ++i;
        ++j;
    }
    int best = -1;
    for (; i != first.end(); ++i)
        if (best == -1 || i->first < best) best = i->first;
    for (; j != second.end(); ++j)
        if (best == -1 || j->first < best) best = j->first;
    return best;
}

void Network::print_gomory_hu_tree() const {
    if (gomoryHuTree && gomoryHuTree->root)
        imprimir_arbol_recursivo(gomoryHuTree->root, 0, logs().gomoryHu);
}

// ---- Shell connectivity statistics ----

void ConnectivityStatistics::clear() {
    mapa_si_conn.clear();
    mapa_cluster_cluster_conn.clear();
    contador = 0;
}

namespace {

// What the recording step needs of one end of a pair.
struct End {
    const Vertex* vertex = nullptr;
    const Cluster* cluster = nullptr;
    ClusterKey key;  // index −1 when the vertex has no cluster of this network's tree
};

End endOf(const Network& network, const Nodo* node) {
    End end;
    end.vertex = network.graph.vertexMap.find(node->representative());
    if (!end.vertex || !end.vertex->cluster || !network.component) return end;
    end.key.index = network.component->clusterIndex(end.vertex->cluster);
    if (end.key.index == -1) return end;
    end.cluster = end.vertex->cluster;
    end.key.tree = network.component->treeSerial();
    return end;
}

void record(const End& u, const End& w, int cut, int level, std::ostream& out) {
    ConnectivityStatistics& stats = connectivityStatistics;
    const Vertex* a = u.vertex;
    const Vertex* b = w.vertex;
    const int m = std::min(a->shellIndex, b->shellIndex);
    out << a->id << ' ' << b->id << ' ' << a->degree << ' ' << b->degree << ' ' << a->shellIndex
        << ' ' << b->shellIndex << ' ' << u.key.index << ' ' << w.key.index << ' ' << cut << ' '
        << (a->shellIndex == 0 ? 1 : 0) << ' ' << (b->shellIndex == 0 ? 1 : 0) << '\n';
    if (level == -1 || level == m) {
        ++stats.mapa_si_conn[{m, cut}];
        // Normalisation needs both clusters; a vertex outside the tree's clusters adds none.
        if (u.cluster && w.cluster) {
            auto add = [&](const End& first, const End& second, float amount) {
                ClusterPairValue& entry = stats.mapa_cluster_cluster_conn[{first.key, second.key}];
                entry.value += amount;
                entry.firstShell = first.cluster->front()->shellIndex;
                entry.secondShell = second.cluster->front()->shellIndex;
            };
            const float value = static_cast<float>(cut);
            if (u.cluster == w.cluster) {
                const float size = static_cast<float>(u.cluster->size());
                add(u, u, value / (size * (size - 1.0f)));
            } else {
                const float amount = value / (2.0f * static_cast<float>(u.cluster->size()) *
                                              static_cast<float>(w.cluster->size()));
                add(w, u, amount);
                add(u, w, amount);
            }
        }
    }
    if (++stats.contador % 1000000 == 0) out << stats.contador << '\n';
}

struct Step {
    const Nodo* to;
    int cut;
    int skip;
};

// Pushes the steps beyond `to` so that they are taken in the order recursion would take
// them: the parent (when the walk came up) first, then the children in order.
void pushBeyond(std::vector<Step>& pending, const Nodo* to, int cut, int skip) {
    for (std::size_t i = to->children.size(); i-- > 0;) {
        const Nodo* child = to->children[i];
        if (child->position != skip) pending.push_back({child, std::min(cut, to->cuts[i]), -1});
    }
    if (skip != -1 && to->parent)
        pending.push_back({to->parent, std::min(cut, to->cut), to->position});
}

}  // namespace

void extender_guardado_conectividades(Network& network, const Nodo* from, const Nodo* to, int cut,
                                      int skip, int level, std::ostream& out) {
    const End u = endOf(network, from);
    if (!u.vertex) return;
    std::vector<Step> pending{{to, cut, skip}};
    while (!pending.empty()) {
        const Step step = pending.back();
        pending.pop_back();
        const End w = endOf(network, step.to);
        if (w.vertex) record(u, w, step.cut, level, out);
        pushBeyond(pending, step.to, step.cut, step.skip);
    }
}

void hallar_conectividades_desde(Network& network, const Nodo* node, int level, std::ostream& out) {
    std::vector<const Nodo*> pending{node};
    while (!pending.empty()) {
        const Nodo* x = pending.back();
        pending.pop_back();
        if (x->parent)
            extender_guardado_conectividades(network, x, x->parent, x->cut, x->position, level,
                                             out);
        for (std::size_t i = 0; i < x->children.size(); ++i)
            extender_guardado_conectividades(network, x, x->children[i], x->cuts[i], -1, level,
                                             out);
        for (auto child = x->children.rbegin(); child != x->children.rend(); ++child)
            pending.push_back(*child);
    }
}

namespace {

// Cluster pairs per (shell, normalised value); the shell of a pair is that of the first
// cluster's first vertex, or the smaller of both when `smaller` is set.
std::map<std::pair<int, float>, int> clusterSummary(bool smaller) {
    std::map<std::pair<int, float>, int> summary;
    for (const auto& [pair, entry] : connectivityStatistics.mapa_cluster_cluster_conn) {
        const int shell =
            smaller ? std::min(entry.firstShell, entry.secondShell) : entry.firstShell;
        ++summary[{shell, entry.value}];
    }
    return summary;
}

void writeConnectivityCounts(Log& log) {
    for (const auto& [key, count] : connectivityStatistics.mapa_si_conn)
        log << key.first << std::string(" ") << key.second << std::string(" ") << count
            << std::string("\n");
}

}  // namespace

void Network::find_inner_connectivities(int level, std::ostream& out) {
    if (gomoryHuTree && gomoryHuTree->root)
        hallar_conectividades_desde(*this, gomoryHuTree->root, level, out);
    if (level != 1) return;
    logs().gomoryHu2 << std::string("#Shell Index - Connectivity - Amount of pairs\n");
    writeConnectivityCounts(logs().gomoryHu2);
    logs().gomoryHu3 << std::string(
        "#Shell Index - Not KConnected amount of pairs - KConnected amount of pairs\n");
    logs().gomoryHu4 << std::string("#Shell Index - Connectivity Normalized - Amount of pairs\n");
    out << "Cantidad de clusters al cuadrado: "
        << connectivityStatistics.mapa_cluster_cluster_conn.size() << '\n';
    for (const auto& [key, count] : clusterSummary(false))
        logs().gomoryHu4 << key.first << std::string(" ") << key.second << std::string(" ") << count
                         << std::string("\n");
}

void Network::find_connectivities(std::ostream& out) {
    if (gomoryHuTree && gomoryHuTree->root)
        hallar_conectividades_desde(*this, gomoryHuTree->root, -1, out);
    logs().gomoryHu2 << std::string("#Shell Index - Connectivity - Amount of pairs\n");
    logs().gomoryHu3 << std::string(
        "#Shell Index - Not KConnected amount of pairs - KConnected amount of pairs\n");
    logs().gomoryHu4 << std::string("#Shell Index - Inter-Cluster Connectivity Normalized\n");
    logs().gomoryHu5 << std::string(
        "#Shell Index - Average Inter-Cluster Connectivity Normalized\n");
    writeConnectivityCounts(logs().gomoryHu2);
    std::map<int, int> totals;
    std::map<int, int> pairs;
    for (const auto& [key, count] : clusterSummary(true)) {
        const auto [shell, value] = key;
        // Truncated at every addition, as an integer total.
        totals[shell] =
            static_cast<int>(static_cast<float>(totals[shell]) + static_cast<float>(count) * value);
        pairs[shell] += count;
        logs().gomoryHu4 << shell << std::string(" ") << value << std::string(" ") << count
                         << std::string("\n");
    }
    for (const auto& [shell, total] : totals)
        logs().gomoryHu5 << shell << std::string(" ")
                         << static_cast<float>(total) / static_cast<float>(pairs[shell])
                         << std::string("\n");
}

void AuxiliaryRelease::operator()(GomoryHuTree* tree) const {
    delete tree;
}
