#include "graph/graph_builder.h"

Graph_builder::~Graph_builder() = default;
