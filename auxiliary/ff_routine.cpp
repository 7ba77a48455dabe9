#include "auxiliary/ff_routine.h"

#include <algorithm>
#include <climits>
#include <tuple>
#include <unordered_map>

namespace {

struct Arc {
    int from;
    int to;
    int capacity;
};

bool arcBefore(const Arc& a, const Arc& b) {
    return std::tie(a.from, a.to) < std::tie(b.from, b.to);
}

}  // namespace

FlowNetwork read_input_file(const std::vector<Vertex*>& vertices, int& n) {
    // Entries in order of first appearance, owner before neighbour.
    std::unordered_map<int, int> entryOf;
    std::vector<int> ids;
    auto entry = [&](int id) {
        const auto [at, added] = entryOf.emplace(id, static_cast<int>(ids.size()));
        if (added) ids.push_back(id);
        return at->second;
    };
    std::vector<Arc> arcs;
    for (const Vertex* vertex : vertices) {
        for (const Vertex* neighbour : vertex->neighbours) {
            const int a = entry(vertex->id);
            const int g = entry(neighbour->id);
            arcs.push_back({a, g, 1});
        }
    }

    // Counts per ordered pair (as a map of pairs would hold them), then the missing reverse
    // pairs with capacity 0, all in ascending pair order.
    std::sort(arcs.begin(), arcs.end(), arcBefore);
    std::vector<Arc> pairs;
    for (const Arc& arc : arcs) {
        if (!pairs.empty() && pairs.back().from == arc.from && pairs.back().to == arc.to)
            ++pairs.back().capacity;
        else
            pairs.push_back(arc);
    }
    std::vector<Arc>().swap(arcs);
    const std::size_t counted = pairs.size();
    for (std::size_t i = 0; i < counted; ++i) {
        const Arc back{pairs[i].to, pairs[i].from, 0};
        if (!std::binary_search(pairs.begin(), pairs.begin() + static_cast<long>(counted), back,
                                arcBefore))
            pairs.push_back(back);
    }
    std::sort(pairs.begin(), pairs.end(), arcBefore);

    FlowNetwork network;
    n = std::max(n, static_cast<int>(ids.size()));
    network.nodes.resize(ids.size());
    for (std::size_t i = 0; i < ids.size(); ++i) {
        network.nodes[i].id = ids[i];
        network.nodes[i].index = static_cast<int>(i);
    }
    network.edges.resize(pairs.size());
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        flow_edge& edge = network.edges[i];
        edge.capacity = pairs[i].capacity;
        edge.target = &network.nodes[static_cast<std::size_t>(pairs[i].to)];
        node_detail& owner = network.nodes[static_cast<std::size_t>(pairs[i].from)];
        if (!owner.edges) owner.edges = &edge;
        if (i + 1 < pairs.size() && pairs[i + 1].from == pairs[i].from)
            edge.next = &network.edges[i + 1];
        const Arc back{pairs[i].to, pairs[i].from, 0};
        const auto found = std::lower_bound(pairs.begin(), pairs.end(), back, arcBefore);
        edge.reverse = &network.edges[static_cast<std::size_t>(found - pairs.begin())];
    }
    return network;
}

void limpiar(FlowNetwork& network) {
    for (flow_edge& edge : network.edges) edge.flow = 0;
}

bool bfs(int s, int t, FlowNetwork& network) {
    for (node_detail& node : network.nodes) node.state = 0;
    std::vector<node_detail*> queue{&network.nodes[static_cast<std::size_t>(s)]};
    queue.front()->state = 1;
    node_detail& sink = network.nodes[static_cast<std::size_t>(t)];
    for (std::size_t head = 0; head < queue.size(); ++head) {
        node_detail* u = queue[head];
        u->state = 2;
        for (flow_edge* edge = u->edges; edge; edge = edge->next) {
            node_detail* v = edge->target;
            if (v->state != 0 || edge->flow >= edge->capacity) continue;
            queue.push_back(v);
            v->state = 1;
            v->parent = u->index;
            v->via = edge;
            if (v == &sink) {
                sink.state = 2;
                return true;
            }
        }
    }
    return sink.state == 2;
}

double Ford_Fulkerson(int s, int t, FlowNetwork& network) {
    double total = 0.0;
    if (s == t) return total;
    node_detail* source = &network.nodes[static_cast<std::size_t>(s)];
    node_detail* sink = &network.nodes[static_cast<std::size_t>(t)];
    while (bfs(s, t, network)) {
        int bottleneck = INT_MAX;
        for (node_detail* at = sink; at != source;
             at = &network.nodes[static_cast<std::size_t>(at->parent)])
            bottleneck = std::min(bottleneck, at->via->capacity - at->via->flow);
        for (node_detail* at = sink; at != source;
             at = &network.nodes[static_cast<std::size_t>(at->parent)]) {
            at->via->flow += bottleneck;
            at->via->reverse->flow -= bottleneck;
        }
        total += bottleneck;
    }
    return total;
}

flow_edge* find_edge(int u, int v, FlowNetwork& network) {
    for (flow_edge* edge = network.nodes[static_cast<std::size_t>(u)].edges; edge;
         edge = edge->next)
        if (edge->target->index == v) return edge;
    return nullptr;
}
