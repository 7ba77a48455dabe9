#include "analysis/community.h"

#include <algorithm>

Community::Community(Index index) : number(next_available_number++), index(index) {}

void Community::renew() {
    number = next_available_number++;
}

void Community::addNeighbour(Community* community) {
    neighbours.push_back(community);
    cuts.push_back(1);
    ++degreeSum;
    if (community == this) ++internalDegree;
}

bool Community::hasNeighbour(const Community* community) const {
    return std::find(neighbours.begin(), neighbours.end(), community) != neighbours.end();
}
