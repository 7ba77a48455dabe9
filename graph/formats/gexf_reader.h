// The GEXF reader, on libxml2's streaming reader (memory grows with the vertices' ids and
// labels, never with the document). The network is the document's first <graph>: every
// <node> of its <nodes> (and of the <nodes> inside a node, a hierarchy) is a vertex, numbered
// 0, 1, 2, ... in document order; every <edge> of its <edges> links its source and target,
// which must be nodes declared before it (GEXF puts <nodes> before <edges>). Elements
// elsewhere (in <meta>, in a second <graph>) are not read. A node's label is its label
// attribute, else the value of a node attribute titled "name" (<attvalue for=...>; the
// declarations are looked up in a hash table), else its id. Directed and mutual edges are
// read as undirected; weights, spells, the hierarchy's structure and viz are ignored.
// Entities are expanded by the parser; the guard in front of it (xml_guard.h) has refused
// those that would read other files or grow too far.
//
// Errors (Fatal, exact text):
//   "ERROR: NAME:LINE: LIBXML2'S REASON\n" (XML that is not well formed)
//   "ERROR: NAME:LINE: the first element is <X>, not <gexf>\n"
//   "ERROR: NAME:LINE: node without an id\n"
//   "ERROR: NAME:LINE: node 'ID' declared twice\n"
//   "ERROR: NAME:LINE: edge without a source or a target\n"
//   "ERROR: NAME:LINE: edge to undeclared node 'ID'\n"
#pragma once

#include <istream>
#include <string>

#include "graph/formats/named_network.h"

NamedNetwork readGexf(std::istream& input, const std::string& name, bool weighted = false);
