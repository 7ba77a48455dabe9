#include "graph/formats/input_bytes.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "graph/defs.h"

namespace {

constexpr std::size_t kBufferBytes = std::size_t{1} << 18;
constexpr std::size_t kCompressedBytes = std::size_t{1} << 18;
// From this size on a read bypasses the buffer.
constexpr std::size_t kDirectBytes = std::size_t{1} << 16;

}  // namespace

// zlib's stream and the compressed bytes it reads from.
struct InputBytes::Inflater {
    z_stream stream{};
    std::vector<unsigned char> input = std::vector<unsigned char>(kCompressedBytes);
    bool inMember = true;
    bool sourceEnded = false;

    Inflater() {
        // 16 + 15: a gzip wrapper, the largest window.
        if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) throw Fatal("ERROR: Out of memory\n");
    }
    ~Inflater() { inflateEnd(&stream); }
};

InputBytes::InputBytes(std::istream& source, const std::string& name)
    : source_(source), name_(name), buffer_(kBufferBytes) {
    // Two bytes decide; they are kept as the start of the compressed input or of the buffer.
    char magic[2];
    const std::size_t got = readSource(magic, 2);
    if (got == 2 && static_cast<unsigned char>(magic[0]) == 0x1F &&
        static_cast<unsigned char>(magic[1]) == 0x8B) {
        inflater_ = std::make_unique<Inflater>();
        std::memcpy(inflater_->input.data(), magic, 2);
        inflater_->stream.next_in = inflater_->input.data();
        inflater_->stream.avail_in = 2;
        setg(buffer_.data(), buffer_.data(), buffer_.data());
    } else {
        std::memcpy(buffer_.data(), magic, got);
        setg(buffer_.data(), buffer_.data(), buffer_.data() + got);
    }
}

InputBytes::~InputBytes() = default;

std::string_view InputBytes::peek(std::size_t count) {
    if (static_cast<std::size_t>(egptr() - gptr()) < count) {
        const std::size_t kept = static_cast<std::size_t>(egptr() - gptr());
        std::memmove(buffer_.data(), gptr(), kept);
        if (buffer_.size() < count) buffer_.resize(count);
        std::size_t filled = kept;
        while (filled < count) {
            const std::size_t got = produce(buffer_.data() + filled, count - filled);
            if (got == 0) break;
            filled += got;
        }
        setg(buffer_.data(), buffer_.data(), buffer_.data() + filled);
    }
    return {gptr(), std::min(count, static_cast<std::size_t>(egptr() - gptr()))};
}

InputBytes::int_type InputBytes::underflow() {
    if (gptr() == egptr()) {
        // A long peek (detection past a long preamble) is given back once it is read.
        if (buffer_.size() > kBufferBytes) {
            buffer_.resize(kBufferBytes);
            buffer_.shrink_to_fit();
        }
        const std::size_t got = produce(buffer_.data(), buffer_.size());
        setg(buffer_.data(), buffer_.data(), buffer_.data() + got);
        if (got == 0) return traits_type::eof();
    }
    return traits_type::to_int_type(*gptr());
}

std::streamsize InputBytes::xsgetn(char* to, std::streamsize count) {
    std::size_t wanted = static_cast<std::size_t>(count);
    std::size_t done = std::min(wanted, static_cast<std::size_t>(egptr() - gptr()));
    std::memcpy(to, gptr(), done);
    gbump(static_cast<int>(done));
    while (done < wanted) {
        if (wanted - done >= kDirectBytes) {
            const std::size_t got = produce(to + done, wanted - done);
            if (got == 0) break;
            done += got;
        } else {
            if (traits_type::eq_int_type(underflow(), traits_type::eof())) break;
            const std::size_t part =
                std::min(wanted - done, static_cast<std::size_t>(egptr() - gptr()));
            std::memcpy(to + done, gptr(), part);
            gbump(static_cast<int>(part));
            done += part;
        }
    }
    return static_cast<std::streamsize>(done);
}

// A compressed input has no positions; a plain one has its source's, less what is buffered.
InputBytes::pos_type InputBytes::seekoff(off_type offset, std::ios_base::seekdir direction,
                                         std::ios_base::openmode which) {
    const pos_type failed(off_type(-1));
    if (compressed() || !(which & std::ios_base::in)) return failed;
    std::streambuf& source = *source_.rdbuf();
    const off_type buffered = egptr() - gptr();
    if (direction == std::ios_base::cur && offset == 0) {
        const pos_type at = source.pubseekoff(0, std::ios_base::cur, std::ios_base::in);
        return at == failed ? failed : pos_type(at - buffered);
    }
    if (direction == std::ios_base::cur) offset -= buffered;
    const pos_type at = source.pubseekoff(offset, direction, std::ios_base::in);
    if (at != failed) {
        // The source may have met its end before; it reads again from the new position.
        source_.clear();
        setg(buffer_.data(), buffer_.data(), buffer_.data());
    }
    return at;
}

InputBytes::pos_type InputBytes::seekpos(pos_type position, std::ios_base::openmode which) {
    return seekoff(off_type(position), std::ios_base::beg, which);
}

std::size_t InputBytes::produce(char* to, std::size_t count) {
    const std::size_t got = compressed() ? inflateInto(to, count) : readSource(to, count);
    produced_ += got;
    if (progress_) report();
    return got;
}

void InputBytes::watch(Progress* progress, std::uint64_t fileSize) {
    progress_ = progress;
    fileSize_ = fileSize;
    if (progress_) progress_->start("Reading", compressed() ? 0 : fileSize, Progress::Unit::bytes);
}

void InputBytes::report() {
    if (!compressed()) {
        progress_->advance(sourceRead_);
        return;
    }
    // A compressed file tells how much of it is read, and what it has given so far.
    if (produced_ < nextNote_) return;
    nextNote_ = produced_ + (std::uint64_t{16} << 20);
    char text[80];
    if (fileSize_ > 0)
        std::snprintf(
            text, sizeof text, "%.1f MB decompressed (%d %% of the file)", double(produced_) / 1e6,
            static_cast<int>(100.0 * double(std::min(sourceRead_, fileSize_)) / double(fileSize_)));
    else
        std::snprintf(text, sizeof text, "%.1f MB decompressed", double(produced_) / 1e6);
    progress_->note(text);
}

std::size_t InputBytes::readSource(char* to, std::size_t count) {
    source_.read(to, static_cast<std::streamsize>(count));
    if (source_.bad()) throw Fatal("ERROR: Input file " + name_ + " cannot be opened\n");
    const std::size_t got = static_cast<std::size_t>(source_.gcount());
    sourceRead_ += got;
    return got;
}

// False when the source has no more bytes.
bool InputBytes::refillCompressed() {
    Inflater& z = *inflater_;
    if (z.sourceEnded) return false;
    const std::size_t got = readSource(reinterpret_cast<char*>(z.input.data()), z.input.size());
    z.stream.next_in = z.input.data();
    z.stream.avail_in = static_cast<uInt>(got);
    if (got == 0) z.sourceEnded = true;
    return got > 0;
}

std::size_t InputBytes::inflateInto(char* to, std::size_t count) {
    Inflater& z = *inflater_;
    z.stream.next_out = reinterpret_cast<unsigned char*>(to);
    z.stream.avail_out = static_cast<uInt>(std::min<std::size_t>(count, UINT32_MAX));
    const uInt asked = z.stream.avail_out;
    while (z.stream.avail_out > 0) {
        if (z.stream.avail_in == 0 && !refillCompressed()) {
            if (z.inMember) throw Fatal("ERROR: " + name_ + ": truncated compressed file\n");
            break;
        }
        if (!z.inMember) {
            // Another member follows, or bytes that are none (padding, garbage) end the input.
            if (z.stream.next_in[0] != 0x1F) {
                z.stream.avail_in = 0;
                z.sourceEnded = true;
                break;
            }
            inflateReset(&z.stream);
            z.inMember = true;
        }
        const int status = inflate(&z.stream, Z_NO_FLUSH);
        if (status == Z_STREAM_END) {
            z.inMember = false;
        } else if (status == Z_MEM_ERROR) {
            throw Fatal("ERROR: Out of memory\n");
        } else if (status != Z_OK && status != Z_BUF_ERROR) {
            throw Fatal("ERROR: " + name_ + ": corrupt compressed file (" +
                        (z.stream.msg ? z.stream.msg : "unknown error") + ")\n");
        }
    }
    return asked - z.stream.avail_out;
}
