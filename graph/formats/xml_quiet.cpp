#include "graph/formats/xml_quiet.h"

#include <libxml/globals.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>

namespace {

void ignoreGeneric(void*, const char*, ...) {}
void ignoreStructured(void*, xmlErrorPtr) {}

}  // namespace

QuietLibxml::QuietLibxml()
    : genericContext_(xmlGenericErrorContext),
      genericHandler_(xmlGenericError),
      structuredContext_(xmlStructuredErrorContext),
      structuredHandler_(xmlStructuredError) {
    xmlInitParser();
    xmlSetGenericErrorFunc(nullptr, ignoreGeneric);
    xmlSetStructuredErrorFunc(nullptr, ignoreStructured);
}

QuietLibxml::~QuietLibxml() {
    xmlSetGenericErrorFunc(genericContext_, genericHandler_);
    xmlSetStructuredErrorFunc(structuredContext_, structuredHandler_);
}
