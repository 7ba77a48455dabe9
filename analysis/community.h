// A group of vertices of the partition: the sums that enter the modularity, the adjacent
// communities with the number of edges to each, the best merge candidate and the layout
// fields of scene composition.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "graph/defs.h"

class Community;

// A candidate merge: the owner c1 (the larger number) with its neighbour c2. Its value is
// cut / product, larger is better; both are kept in single precision on purpose, every
// comparison uses the stored values.
struct bestNeighbour {
    Community* c1 = nullptr;
    Community* c2 = nullptr;
    float cut = 0.0f;
    float product = 0.0f;
};

// Adjacency is held as two parallel vectors, `neighbours` and `cuts` (12 bytes an entry),
// in the order the links were made; that order is observable (ties of the best candidate,
// the bars of the community scene). Vectors keep the positions stable, so a lookup index
// from neighbour to position (for example a hash map built once a list grows long) can be
// laid over them without changing the order.
class Community {
  public:
    // Takes the next number of the class-wide counter. index is the community's place in
    // the creation order of its graph (the order of first appearance of its vertex).
    explicit Community(Index index = 0);

    // A fresh, highest number: a merged community then owns all of its candidate pairs.
    void renew();
    // One adjacency entry with a cut of 1; a link to itself counts as internal as well.
    void addNeighbour(Community* community);
    // Linear search; the graph's repeated-edge test does not rely on it.
    bool hasNeighbour(const Community* community) const;

    // The next number to hand out; the first community gets 1.
    static inline int next_available_number = 1;

    int number;
    // Kept beside `number` (it fills what would be padding).
    Index index;
    std::vector<VertexId> members;
    std::uint32_t degreeSum = 0;
    std::uint32_t internalDegree = 0;
    int size = 1;
    int maxShell = 0;
    float rho = 0.0f;
    float theta = 0.0f;
    float x = 0.0f;
    float y = 0.0f;
    float abstractSize = 0.0f;
    float realSize = 0.0f;
    std::vector<Community*> neighbours;
    std::vector<std::uint32_t> cuts;
    bool removed = false;
    int lastStep = 0;
    std::unique_ptr<bestNeighbour> best;
};
