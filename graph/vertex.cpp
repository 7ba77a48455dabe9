#include "graph/vertex.h"

#include <algorithm>

Vertex::Vertex(VertexId id) : id(id) {}

Vertex::Vertex(const Vertex* source)
    : id(source->id),
      x(source->x),
      y(source->y),
      size(source->size),
      fillColor(source->fillColor) {}

bool Vertex::hasNeighbour(const Vertex* vertex) const {
    return std::find(neighbours.begin(), neighbours.end(), vertex) != neighbours.end();
}
