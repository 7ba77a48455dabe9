// The scanner of the XML formats behind TokenGuard (token_guard.h): it follows the document as
// libxml2 will read it (tags, attribute values, text, comments, processing instructions, CDATA
// sections, the document type and its internal subset) in constant memory besides the
// entities the document declares, and refuses what would cost libxml2 or igraph more than
// linear time, before they see the bytes:
//
// - a token longer than the cap (`token`: 64 KiB for GraphML, which igraph reads, 1 MiB, the
//   project's token cap, for GEXF): an attribute value, a run of text between two tags (CDATA
//   included), a comment, a processing instruction, a name, a literal of a declaration;
//   "ERROR: NAME:LINE: WHAT longer than 64 KiB\n". For GraphML, the text igraph collects for a
//   <data> or <default> element (all of its text outside its children, in every piece between
//   children, comments and references) is one token: igraph copies the whole of it again for
//   each piece it appends.
// - a tag longer than 4 MiB ("tag longer than 4 MiB"), a declaration too ("declaration ..."):
//   libxml2 scans a tag it has not seen whole again for every chunk past 10 MB;
// - an element with more than 256 attributes ("element with more than 256 attributes"), or a
//   document type declaring more than 256 attribute defaults ("more than 256 attribute
//   defaults"): libxml2 compares every attribute of an element with every other (100,000 of
//   them took 194 s);
// - entity references that multiply work. A reference to an internal entity counts the text it
//   expands to (entities used in entities included) wherever it is used, and so does an
//   attribute default each time an element receives it; the sum must stay within 8 times the
//   bytes of input read so far, at least 8 MiB and at most 256 MiB (libxml2's own guard, 10
//   times past 10 MB, would otherwise speak first, with a reason that names no bound):
//   "entity references expand to more than 8 times the input read (8 MiB at least, 256 MiB at
//   most)"; a single reference may expand to at most 8 times the input read before it (only
//   entities built on entities can, and libxml2 would stop them itself with a reason that
//   speaks of a loop): "entity 'NAME' expands to more than 8 times the input read"; a single
//   token counts its references expanded;
// - what would read other files or hide text from this scan: a reference to an external entity
//   ("external entity 'NAME' is not read"), a parameter entity reference ("parameter entity
//   references are not read"), an entity whose text holds markup ("entity 'NAME' holds
//   markup"), a document in UTF-16, UTF-32 or EBCDIC or declaring an encoding in which ASCII's
//   bytes may mean other characters ("encoding 'X' is not read: UTF-8 or an encoding that
//   keeps ASCII").
//
// Predefined entities and character references count as the bytes they are written with (at
// least what they stand for). A malformed document is left to libxml2, which says what is
// wrong; the scan only keeps its counts sound.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "graph/formats/token_guard.h"

struct XmlLimits {
    std::size_t token;
    // GraphML: the text of a <data> or <default> element is one token, as igraph collects it.
    bool collectedText = false;
    std::size_t tag = std::size_t{4} << 20;
    std::size_t attributes = 256;
    std::uint64_t expansionFloor = std::uint64_t{8} << 20;
    std::uint64_t expansionCeiling = std::uint64_t{256} << 20;
    std::uint64_t expansionRatio = 8;
};

std::unique_ptr<GuardScanner> xmlScanner(const std::string& name, const XmlLimits& limits);
