// One-to-one matching of two sets of networks (for example the communities of two runs) by
// shared vertex ids, greedily from the largest overlap down, with a similarity score.
#pragma once

#include <iostream>
#include <list>
#include <utility>
#include <vector>

class Network;

struct Pairing {
    // Matched pairs (first-set network, second-set network) in acceptance order.
    std::list<std::pair<Network*, Network*>> pairs;
    int value = 0;  // as passed by the caller
    long long secondTotal = 0;
    // Sums over the matched pairs of the vertices outside the overlap, per side.
    long long secondUnmatched = 0;
    long long firstUnmatched = 0;
};

// Vertex ids present in both networks: one merge over the two ascending id sequences.
int overlap(const Network& a, const Network& b);

// Among the candidates not yet paired, in vector order, the first one whose overlap with
// network exceeds best; chosen and best are updated when one does.
void elegir(const std::vector<Network*>& candidates, Network*& chosen, int& best,
            const Network* network);

// Matches first against second and writes "Puntaje: S% (i=N) (M/T)": the matched overlap M
// as a percentage of the first set's vertex count T (0 when T is 0), over N pairs. A
// first-set network without any free candidate writes "ELEGIDA NULL". Sets `paired` on the
// matched networks. O(|first| × Σ second sizes) overlap work.
Pairing pair_communities(const std::vector<Network*>& first, const std::vector<Network*>& second,
                         int value, std::ostream& out = std::cout);
