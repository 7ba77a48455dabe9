#include "graph/output_file.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "graph/defs.h"

namespace {

constexpr std::size_t kPiece = std::size_t{64} << 10;
constexpr int kAttempts = 100;

// The directory part of name, with its slash ("" for a name in the current directory).
std::string directoryOf(const std::string& name) {
    const std::size_t slash = name.rfind('/');
    return slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
}

// A name nobody can guess: a dot and random letters and digits, as long as the final name's
// own part allows, at most 12 characters (one random character for a one-character name).
std::string randomName(std::size_t finalLength) {
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    const std::size_t length = std::clamp<std::size_t>(finalLength, 1, 12);
    unsigned char random[12];
    std::size_t got = 0;
    while (got < length) {
        const ssize_t n = getrandom(random + got, length - got, 0);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
        } else if (n < 0 && errno != EINTR) {
            // Without the kernel's generator, the clock and the address still vary per run.
            const auto seed = reinterpret_cast<std::uintptr_t>(&got) ^
                              static_cast<std::uintptr_t>(std::clock()) ^
                              static_cast<std::uintptr_t>(::getpid());
            for (; got < length; ++got) random[got] = static_cast<unsigned char>(seed >> got * 5);
        }
    }
    std::string name(length, '.');
    for (std::size_t k = length == 1 ? 0 : 1; k < length; ++k)
        name[k] = kLetters[random[k] % (sizeof kLetters - 1)];
    return name;
}

// While it lives, the signals that end a run wait: a temporary file is created and listed
// for their handler as one step, so none can be left behind unlisted.
class SignalsHeld {
  public:
    SignalsHeld() {
        sigset_t held;
        sigemptyset(&held);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&held, signal);
        pthread_sigmask(SIG_BLOCK, &held, &previous_);
    }
    ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

  private:
    sigset_t previous_;
};

// Creates a new file beside name under a random name, exclusively and without following a
// link; its descriptor, and its name in *temporary. -1 (errno set) when none can be made.
int createTemporary(const std::string& name, std::string* temporary) {
    const std::string directory = directoryOf(name);
    const std::size_t ownLength = name.size() - directory.size();
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        *temporary = directory + randomName(ownLength);
        const int descriptor =
            ::open(temporary->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (descriptor >= 0 || errno != EEXIST) return descriptor;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

// ---- TemporaryFiles ----

std::size_t TemporaryFiles::add(const std::string& name) noexcept {
    if (name.size() >= kLongestName) return kSlots;
    for (std::size_t k = 0; k < kSlots; ++k) {
        int expected = kFree;
        if (!slots_[k].state.compare_exchange_strong(expected, kFilling)) continue;
        std::memcpy(slots_[k].name, name.c_str(), name.size() + 1);
        slots_[k].state.store(kListed, std::memory_order_release);
        return k;
    }
    return kSlots;
}

void TemporaryFiles::forget(std::size_t slot) noexcept {
    if (slot < kSlots) slots_[slot].state.store(kFree, std::memory_order_release);
}

void TemporaryFiles::removeAll() noexcept {
    for (Slot& slot : slots_)
        if (slot.state.load(std::memory_order_acquire) == kListed) ::unlink(slot.name);
}

// ---- DescriptorBuffer ----

DescriptorBuffer::DescriptorBuffer() : buffer_(new char[kPiece]) {
    setp(buffer_.get(), buffer_.get() + kPiece);
}

DescriptorBuffer::~DescriptorBuffer() {
    close();
}

void DescriptorBuffer::attach(int descriptor) {
    descriptor_ = descriptor;
    failed_ = false;
}

void DescriptorBuffer::deliver(const char* data, std::size_t size) {
    while (size > 0 && !failed_) {
        const ssize_t n = ::write(descriptor_, data, std::min(size, kPiece * 16));
        if (n > 0) {
            data += n;
            size -= static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            failed_ = true;
        }
    }
}

bool DescriptorBuffer::drain() {
    if (descriptor_ < 0) {
        failed_ = failed_ || pptr() != pbase();
    } else {
        deliver(pbase(), static_cast<std::size_t>(pptr() - pbase()));
    }
    setp(buffer_.get(), buffer_.get() + kPiece);
    return !failed_;
}

DescriptorBuffer::int_type DescriptorBuffer::overflow(int_type c) {
    if (!drain()) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

std::streamsize DescriptorBuffer::xsputn(const char* data, std::streamsize count) {
    const std::size_t size = static_cast<std::size_t>(count);
    if (size <= static_cast<std::size_t>(epptr() - pptr())) {
        std::memcpy(pptr(), data, size);
        pbump(static_cast<int>(size));
        return count;
    }
    if (!drain()) return 0;
    if (size < kPiece) {
        std::memcpy(pptr(), data, size);
        pbump(static_cast<int>(size));
    } else {
        deliver(data, size);
    }
    return failed_ ? 0 : count;
}

int DescriptorBuffer::sync() {
    return drain() ? 0 : -1;
}

bool DescriptorBuffer::close() {
    if (descriptor_ < 0) return !failed_;
    drain();
    if (::close(descriptor_) != 0) failed_ = true;
    descriptor_ = -1;
    return !failed_;
}

// ---- OutputFile ----

OutputFile::OutputFile(std::string name, std::string what, TemporaryFiles* temporaries)
    : name_(std::move(name)),
      what_(std::move(what)),
      temporaries_(temporaries),
      slot_(TemporaryFiles::kSlots),
      stream_(&buffer_) {
    // A name without a file part names nothing that could be renamed into place.
    if (name_.empty() || name_.back() == '/') failed();
    const SignalsHeld held;
    const int descriptor = createTemporary(name_, &temporary_);
    if (descriptor < 0) failed();
    if (temporaries_) slot_ = temporaries_->add(temporary_);
    buffer_.attach(descriptor);
}

OutputFile::~OutputFile() {
    discard();
}

void OutputFile::failed() const {
    throw Fatal("ERROR: " + what_ + " " + name_ + " cannot be written\n");
}

void OutputFile::discard() noexcept {
    if (temporary_.empty()) return;
    buffer_.close();
    ::unlink(temporary_.c_str());
    if (temporaries_) temporaries_->forget(slot_);
    temporary_.clear();
}

void OutputFile::finish() {
    if (finished_) return;
    finished_ = true;
    stream_.flush();
    if (!buffer_.close() || stream_.bad()) failed();
}

void OutputFile::commit() {
    finish();
    if (::rename(temporary_.c_str(), name_.c_str()) != 0) failed();
    if (temporaries_) temporaries_->forget(slot_);
    temporary_.clear();
}

// ---- FileSet ----

std::ostream& FileSet::open(const std::string& name) {
    // A directory of that name would only refuse the rename, after the others are done.
    struct stat info;
    if (::stat(name.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        throw Fatal("ERROR: " + what_ + " " + name + " cannot be written\n");
    files_.push_back(std::make_unique<OutputFile>(name, what_, temporaries_));
    return files_.back()->stream();
}

void FileSet::write(const std::string& name, const std::function<void(std::ostream&)>& write) {
    write(open(name));
    files_.back()->finish();
}

void FileSet::commit() {
    for (const auto& file : files_) file->finish();
    for (const auto& file : files_) file->commit();
    files_.clear();
}

// ---- Files written as the run goes ----

int openReplacing(const std::string& name, TemporaryFiles* temporaries) {
    std::string temporary;
    const SignalsHeld held;
    const int descriptor = createTemporary(name, &temporary);
    if (descriptor < 0) return -1;
    const std::size_t slot = temporaries ? temporaries->add(temporary) : TemporaryFiles::kSlots;
    const bool renamed = ::rename(temporary.c_str(), name.c_str()) == 0;
    const int error = errno;
    if (!renamed) ::unlink(temporary.c_str());
    if (temporaries) temporaries->forget(slot);
    if (renamed) return descriptor;
    ::close(descriptor);
    errno = error;
    return -1;
}
