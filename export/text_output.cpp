#include "export/text_output.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "graph/defs.h"

void appendInteger(std::string& out, std::uint64_t value) {
    char text[24];
    out.append(text, std::to_chars(text, text + sizeof text, value).ptr);
}

void appendSigned(std::string& out, std::int64_t value) {
    char text[24];
    out.append(text, std::to_chars(text, text + sizeof text, value).ptr);
}

void appendNumber(std::string& out, double value) {
    if (!std::isfinite(value)) value = 0;
    char text[32];
    out.append(text, std::to_chars(text, text + sizeof text, value).ptr);
}

void appendFloat(std::string& out, float value) {
    if (!std::isfinite(value)) value = 0;
    char text[32];
    out.append(text, std::to_chars(text, text + sizeof text, value).ptr);
}

namespace {

std::uint32_t component(float value) {
    const float scaled = std::round(value * 255.0f);
    if (!(scaled > 0.0f)) return 0;
    return scaled >= 255.0f ? 255 : static_cast<std::uint32_t>(scaled);
}

void removeQuietly(const std::string& name) {
    std::error_code ignored;
    std::filesystem::remove(name, ignored);
}

}  // namespace

std::uint32_t rgbOf(tColor colour) {
    return component(colour.r) << 16 | component(colour.g) << 8 | component(colour.b);
}

void appendHexColour(std::string& out, std::uint32_t rgb) {
    static constexpr char digits[] = "0123456789abcdef";
    out += '#';
    for (int shift = 20; shift >= 0; shift -= 4) out += digits[(rgb >> shift) & 15];
}

FileSet::~FileSet() {
    for (const std::string& name : written_) removeQuietly(name + ".partial");
}

void FileSet::failed(const std::string& name) const {
    throw Fatal("ERROR: " + what_ + " " + name + " cannot be written\n");
}

void FileSet::write(const std::string& name, const std::function<void(std::ostream&)>& write) {
    // A directory of that name would only refuse the rename, after the others are done.
    std::error_code error;
    if (std::filesystem::is_directory(name, error)) failed(name);
    const std::string partial = name + ".partial";
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    if (!out) failed(name);
    written_.push_back(name);
    write(out);
    out.close();
    if (out.fail()) failed(name);
}

void FileSet::commit() {
    std::vector<std::string> names;
    names.swap(written_);
    for (std::size_t k = 0; k < names.size(); ++k) {
        std::error_code error;
        std::filesystem::rename(names[k] + ".partial", names[k], error);
        if (error) {
            for (std::size_t j = k; j < names.size(); ++j) removeQuietly(names[j] + ".partial");
            failed(names[k]);
        }
    }
}
