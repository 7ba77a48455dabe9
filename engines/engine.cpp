#include "engines/engine.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <utility>

#include "graph/defs.h"

namespace {

Fatal cannotWrite(const std::string& name) {
    return Fatal("ERROR: Scene file " + name + " cannot be written\n");
}

}  // namespace

namespace {

// 10^0 … 10^22, every one exact in a double.
constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The integer nearest to magnitude × 10^scale, as printf rounds the exact value. The product
// (a quotient for a negative scale) is rounded once, to within half a unit in its last
// place, so the nearest integer is certain unless a half lies within a unit of it: then, and
// for scales or products out of reach, false, and the exact formatter decides.
bool nearestScaled(double magnitude, int scale, std::uint64_t& nearest) {
    if (scale < -22 || scale > 22) return false;
    const double x =
        scale >= 0 ? magnitude * kPowersOfTen[scale] : magnitude / kPowersOfTen[-scale];
    if (!(x < 0x1p52)) return false;  // also NaN
    const double whole = std::floor(x);
    const double fraction = x - whole;  // exact
    if (std::fabs(fraction - 0.5) <= x * 0x1p-52) return false;
    nearest = static_cast<std::uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
    return true;
}

// count digits of value, leading zeros included.
char* fixedDigits(char* out, std::uint64_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    return out + count;
}

// %.5f, or nullptr where the exact formatter must decide.
char* fixedFive(char* first, double value) {
    std::uint64_t scaled = 0;
    if (!nearestScaled(std::fabs(value), 5, scaled)) return nullptr;
    char* out = first;
    if (std::signbit(value)) *out++ = '-';
    out = std::to_chars(out, out + 24, scaled / 100000).ptr;
    *out++ = '.';
    return fixedDigits(out, scaled % 100000, 5);
}

// %.6g, or nullptr where the exact formatter must decide: the six significant digits of
// the value, the exponent being that of the rounded value, trailing zeros dropped.
char* generalSix(char* first, double value) {
    const double magnitude = std::fabs(value);
    char* out = first;
    if (std::signbit(value)) *out++ = '-';
    if (magnitude == 0) {
        *out++ = '0';
        return out;
    }
    if (!(magnitude >= 1e-17 && magnitude < 1e27)) return nullptr;  // also NaN, infinities
    // Within one of the decimal exponent, from the binary one (the value is normal here).
    const int binary = static_cast<int>(std::bit_cast<std::uint64_t>(magnitude) >> 52) - 1023;
    int exponent = static_cast<int>(std::floor(binary * 0.30102999566398120));
    std::uint64_t digits = 0;
    for (int tries = 0;; ++tries) {
        if (tries == 4 || !nearestScaled(magnitude, 5 - exponent, digits)) return nullptr;
        if (digits >= 1000000)
            ++exponent;
        else if (digits < 100000)
            --exponent;
        else
            break;
    }
    char text[6];
    fixedDigits(text, digits, 6);
    int kept = 6;
    while (kept > 1 && text[kept - 1] == '0') --kept;
    if (exponent >= 0 && exponent < 6) {
        const int whole = exponent + 1;
        out = std::copy(text, text + whole, out);
        if (kept > whole) {
            *out++ = '.';
            out = std::copy(text + whole, text + kept, out);
        }
    } else if (exponent < 0 && exponent >= -4) {
        *out++ = '0';
        *out++ = '.';
        out = std::fill_n(out, -exponent - 1, '0');
        out = std::copy(text, text + kept, out);
    } else {
        *out++ = text[0];
        if (kept > 1) {
            *out++ = '.';
            out = std::copy(text + 1, text + kept, out);
        }
        *out++ = 'e';
        *out++ = exponent < 0 ? '-' : '+';
        out = fixedDigits(out, static_cast<std::uint64_t>(std::abs(exponent)), 2);
    }
    return out;
}

}  // namespace

// std::to_chars with an explicit format and precision is defined to produce what printf
// gives for %.*g and %.*f, which is exactly what the stream's num_put writes for a double.
// It is exact for every value but slow (scenes hold tens of millions of numbers): the
// values a scene holds mostly take the short way, in which a single rounding settles the
// digits, and every other value the exact one.
char* formatNumber(char* first, double value, bool fixed) {
    if (char* end = fixed ? fixedFive(first, value) : generalSix(first, value)) return end;
    char* last = first + maxNumberLength;
    std::to_chars_result result =
        fixed ? std::to_chars(first, last, value, std::chars_format::fixed, 5)
              : std::to_chars(first, last, value, std::chars_format::general, 6);
    return result.ptr;
}

SceneFile::SceneFile(std::ostream& out, std::string name)
    : fileName(std::move(name)),
      buffer(std::make_unique_for_overwrite<char[]>(capacity)),
      stream(&out) {
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
