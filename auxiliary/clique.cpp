#include "auxiliary/clique.h"

#include <algorithm>
#include <cstdint>
#include <unordered_set>

bool comp(const Vertex* a, const Vertex* b) {
    return a->triangleScore > b->triangleScore;
}

bool compareHosts(const Vertex* a, const Vertex* b) {
    return a->id < b->id;
}

int intersection(const std::vector<Vertex*>& a, const std::vector<Vertex*>& b) {
    const std::unordered_set<const Vertex*> inB(b.begin(), b.end());
    int count = 0;
    for (const Vertex* vertex : a)
        if (inB.count(vertex)) ++count;
    return count;
}

bool Clique::not_exist_l(const Vertex* vertex) const {
    if (!graph_ || vertex->index >= placed_.size() || graph_->vertices[vertex->index] != vertex)
        return true;
    return placed_[vertex->index] != 0;
}

// Links are symmetric in a graph, so "x lists v" is tested as "v lists x": v's neighbours are
// stamped once, and every (w, x) pair is then checked in O(1). Adjacency to all clique members
// is tested the same way, from the candidate's side.
void Clique::buildCliques(Graph& graph, int shell) {
    cliques.clear();
    graph_ = &graph;
    const std::vector<Vertex*>& vertices = graph.vertices;
    std::vector<std::uint64_t> stamp(vertices.size(), 0);
    std::uint64_t token = 0;

    for (Vertex* v : vertices) {
        ++token;
        for (const Vertex* x : v->neighbours) stamp[x->index] = token;
        std::int64_t score = 0;
        for (const Vertex* w : v->neighbours) {
            if (w->shellIndex != shell) continue;
            for (const Vertex* x : w->neighbours)
                if (x->shellIndex == shell && stamp[x->index] == token) ++score;
        }
        v->triangleScore = static_cast<float>(score);
    }

    // Equal scores keep the graph's vertex order (and candidates their adjacency order).
    l_ = vertices;
    std::stable_sort(l_.begin(), l_.end(), comp);
    placed_.assign(vertices.size(), 0);

    std::vector<Vertex*> candidates;
    for (Vertex* v : l_) {
        if (placed_[v->index]) continue;
        std::vector<Vertex*> clique{v};
        placed_[v->index] = 1;
        // A self-loop or a repeated link must not put a vertex in its clique twice: placed
        // vertices are no candidates.
        candidates.clear();
        for (Vertex* w : v->neighbours)
            if (!placed_[w->index]) candidates.push_back(w);
        std::stable_sort(candidates.begin(), candidates.end(), comp);
        for (Vertex* candidate : candidates) {
            if (placed_[candidate->index]) continue;
            ++token;
            for (const Vertex* x : candidate->neighbours) stamp[x->index] = token;
            const bool adjacentToAll =
                std::all_of(clique.begin(), clique.end(),
                            [&](const Vertex* member) { return stamp[member->index] == token; });
            if (!adjacentToAll) continue;
            clique.push_back(candidate);
            placed_[candidate->index] = 1;
        }
        std::stable_sort(clique.begin(), clique.end(), compareHosts);
        cliques.push_back(std::move(clique));
    }
    l_.clear();
}
