// Fuzz target of the configuration-file parser and of the number conversions it uses. A bad
// line is never an error, so reading must never throw; every field ends either untouched or
// set from the last line whose whole key names it, as a slow model of the rules computes; the
// fields the file cannot set keep their defaults. The conversions are checked against the C
// library's strtol and strtod.
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <string_view>

#include "driver/parameters.h"
#include "fuzz/fuzz_check.h"

namespace {

bool sameFloat(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0 || (a == b);
}

std::string strip(const std::string& text, const char* set) {
    const std::size_t begin = text.find_first_not_of(set);
    if (begin == std::string::npos) return "";
    return text.substr(begin, text.find_last_not_of(set) - begin + 1);
}

// strtol clamped to int.
int modelInteger(const std::string& text) {
    errno = 0;
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// strtod, except that only a plain decimal counts: "nan", "inf" and hexadecimal forms give
// what their plain decimal prefix gives ("0x10" is 0, "inf" is 0).
float modelDecimal(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::strchr(" \t\n\v\f\r", text[i]) && text[i] != '\0') ++i;
    std::size_t j = i;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    const bool hex = j + 1 < text.size() && text[j] == '0' && (text[j + 1] | 0x20) == 'x';
    if (hex) return text[i] == '-' ? -0.0f : 0.0f;
    const bool startsNumber =
        j < text.size() &&
        ((text[j] >= '0' && text[j] <= '9') ||
         (text[j] == '.' && j + 1 < text.size() && text[j + 1] >= '0' && text[j + 1] <= '9'));
    if (!startsNumber) return 0.0f;
    return static_cast<float>(std::strtod(text.c_str(), nullptr));
}

void checkConversions(const std::string& text) {
    FUZZ_CHECK(toInteger(text) == modelInteger(text));
    FUZZ_CHECK(sameFloat(toDecimal(text), modelDecimal(text)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    // The conversions see the text up to the first NUL as a C library call would.
    checkConversions(text.substr(0, text.find('\0')));

    Parameters expected;
    std::istringstream lines(text);
    std::string line;
    bool first = true;
    while (std::getline(lines, line)) {
        // A byte order mark before the first key.
        if (first && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
        first = false;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find('#') != std::string::npos) continue;
        const std::size_t equals = line.find('=');
        const std::string key = strip(line.substr(0, equals), " \t");
        const std::string value =
            strip(equals == std::string::npos ? line : line.substr(equals + 1), " ");
        if (value.empty()) continue;
        checkConversions(value.substr(0, value.find('\0')));
        if (key == "bckgnd" && (value == "white" || value == "black")) expected.bckgnd = value;
        if (key == "color" && (value == "col" || value == "bw" || value == "bwi"))
            expected.color = value;
        if (key == "render" && (value == "povray" || value == "svg" || value == "html"))
            expected.render = value;
        if (key == "edges") expected.edges = modelDecimal(value.substr(0, value.find('\0')));
        if (key == "minedges") expected.minEdges = modelInteger(value.substr(0, value.find('\0')));
        if (key == "width") expected.width = modelInteger(value.substr(0, value.find('\0')));
        if (key == "height") expected.height = modelInteger(value.substr(0, value.find('\0')));
        if (key == "u") expected.unitLength = modelDecimal(value.substr(0, value.find('\0')));
        if (key == "opacity") expected.opacity = modelDecimal(value.substr(0, value.find('\0')));
    }

    Parameters actual;
    std::istringstream input(text);
    try {
        actual.readConfiguration(input);
    } catch (...) {
        FUZZ_CHECK(!"a configuration file is never an error");
    }
    FUZZ_CHECK(actual.bckgnd == expected.bckgnd);
    FUZZ_CHECK(actual.color == expected.color);
    FUZZ_CHECK(actual.render == expected.render);
    FUZZ_CHECK(sameFloat(actual.edges, expected.edges));
    FUZZ_CHECK(actual.minEdges == expected.minEdges);
    FUZZ_CHECK(actual.width == expected.width);
    FUZZ_CHECK(actual.height == expected.height);
    FUZZ_CHECK(sameFloat(actual.unitLength, expected.unitLength));
    FUZZ_CHECK(sameFloat(actual.opacity, expected.opacity));

    // Fields only the command line sets.
    const Parameters defaults;
    FUZZ_CHECK(sameFloat(actual.font, defaults.font));
    FUZZ_CHECK(sameFloat(actual.hstart, defaults.hstart) && sameFloat(actual.hend, defaults.hend));
    FUZZ_CHECK(sameFloat(actual.vstart, defaults.vstart) && sameFloat(actual.vend, defaults.vend));
    FUZZ_CHECK(actual.inputFile.empty() && actual.namesFile.empty() && actual.java.empty());
    FUZZ_CHECK(actual.sceneFile1.empty() && actual.imageFile1.empty());
    FUZZ_CHECK(!actual.multigraph && !actual.weighted && !actual.onlygraphic && !actual.nographic &&
               !actual.logfile);
    return 0;
}
