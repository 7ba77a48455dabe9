#include "graph/formats/format_errors.h"

#include "graph/defs.h"
#include "graph/text.h"

void failReading(const std::string& name, std::uint64_t line, const std::string& reason) {
    const std::string where = line == 0 ? name : name + ":" + std::to_string(line);
    throw Fatal("ERROR: " + where + ": " + reason + "\n");
}
