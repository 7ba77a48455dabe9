#include "auxiliary/pair_communities.h"

#include <functional>
#include <map>

#include "analysis/network.h"

int overlap(const Network& a, const Network& b) {
    const VertexMap& left = a.graph.vertexMap;
    const VertexMap& right = b.graph.vertexMap;
    auto i = left.begin();
    auto j = right.begin();
    int shared = 0;
    while (i != left.end() && j != right.end()) {
        if (i->first < j->first) {
            ++i;
        } else if (j->first < i->first) {
            ++j;
        } else {
            ++shared;
            ++i;
            ++j;
        }
    }
    return shared;
}

void elegir(const std::vector<Network*>& candidates, Network*& chosen, int& best,
            const Network* network) {
    for (Network* candidate : candidates) {
        if (candidate->paired) continue;
        const int shared = overlap(*network, *candidate);
        if (shared > best) {
            best = shared;
            chosen = candidate;
        }
    }
}

Pairing pair_communities(const std::vector<Network*>& first, const std::vector<Network*>& second,
                         int value, std::ostream& out) {
    // Largest overlap first; equal overlaps in order of insertion.
    std::multimap<int, std::pair<Network*, Network*>, std::greater<int>> candidates;
    auto propose = [&](Network* a) {
        Network* chosen = nullptr;
        int best = -1;
        elegir(second, chosen, best, a);
        if (!chosen) return false;
        a->paired = false;
        chosen->paired = false;
        candidates.emplace(best, std::make_pair(a, chosen));
        return true;
    };

    long long firstTotal = 0;
    for (Network* a : first) {
        firstTotal += a->graph.numVertices;
        if (!propose(a)) out << "ELEGIDA NULL\n";
    }
    Pairing pairing;
    pairing.value = value;
    for (const Network* b : second) pairing.secondTotal += b->graph.numVertices;

    long long matched = 0;
    long long matchedTotal = 0;
    while (!candidates.empty()) {
        const auto front = candidates.begin();
        const int shared = front->first;
        auto [a, b] = front->second;
        candidates.erase(front);
        if (a->paired || b->paired) {
            propose(a);  // the next best free candidate, if any; otherwise a stays unmatched
            continue;
        }
        a->paired = true;
        b->paired = true;
        pairing.pairs.emplace_back(a, b);
        ++matched;
        matchedTotal += shared;
        pairing.secondUnmatched += static_cast<long long>(b->graph.numVertices) - shared;
        pairing.firstUnmatched += static_cast<long long>(a->graph.numVertices) - shared;
    }

    // A first set without vertices has nothing to match: score 0.
    const long long score = firstTotal == 0 ? 0 : matchedTotal * 100 / firstTotal;
    out << "Puntaje: " << score << "% (i=" << matched << ")"
        << " (" << matchedTotal << "/" << firstTotal << ")\n";
    return pairing;
}
