#include "engines/engine.h"

#include <charconv>
#include <cstring>
#include <ostream>
#include <utility>

#include "graph/defs.h"

namespace {

Fatal cannotWrite(const std::string& name) {
    return Fatal("ERROR: Scene file " + name + " cannot be written\n");
}

}  // namespace

// std::to_chars with an explicit format and precision is defined to produce what printf
// gives for %.*g and %.*f, which is exactly what the stream's num_put writes for a double.
char* formatNumber(char* first, double value, bool fixed) {
    char* last = first + maxNumberLength;
    std::to_chars_result result =
        fixed ? std::to_chars(first, last, value, std::chars_format::fixed, 5)
              : std::to_chars(first, last, value, std::chars_format::general, 6);
    return result.ptr;
}

SceneFile::SceneFile(std::ostream& out, std::string name)
    : fileName(std::move(name)), buffer(std::make_unique<char[]>(capacity)), stream(&out) {
    if (!out) failed = true;
}

SceneFile::~SceneFile() {
    if (!closed) finish();
}

void SceneFile::integer(long long value) {
    if (capacity - used < 24) flushBuffer();
    used = static_cast<std::size_t>(
        std::to_chars(buffer.get() + used, buffer.get() + capacity, value).ptr - buffer.get());
}

void SceneFile::close() {
    if (closed) return;
    bool finished = finish();
    closed = true;
    if (!finished) throw cannotWrite(fileName);
}

void SceneFile::flushBuffer() {
    deliver(buffer.get(), used);
    used = 0;
}

void SceneFile::writeLarge(std::string_view piece) {
    flushBuffer();
    if (piece.size() >= capacity) {
        deliver(piece.data(), piece.size());
        return;
    }
    piece.copy(buffer.get(), piece.size());
    used = piece.size();
}

void SceneFile::deliver(const char* data, std::size_t size) {
    if (closed || failed || size == 0) return;
    if (!stream->write(data, static_cast<std::streamsize>(size))) failed = true;
}

// Hands over the buffer and ends the file; true when every step since the start succeeded.
bool SceneFile::finish() {
    flushBuffer();
    if (!failed && !stream->flush()) failed = true;
    return !failed;
}
