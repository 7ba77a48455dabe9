// How the program writes a file: never through what is already at its name. Each file is
// created under a temporary name of its own in the same directory, exclusively and without
// following a link (O_CREAT | O_EXCL | O_NOFOLLOW), written there in full, and only then
// renamed over its final name. A link or a file planted at any name is never followed or
// truncated (a link at the final name is replaced, its target untouched); a run that fails
// or is interrupted leaves the earlier files of those names as they were.
//
// The temporary name is a dot and random letters, never longer than the final file's own
// name (at most 12 characters), so a name near the file system's limit still works.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

// This run's temporary files, for a signal handler to remove: a fixed table of names that
// add and forget fill and clear without locking, and that removeAll reads with nothing but
// atomic loads and unlink(2), so it may run inside a signal handler.
class TemporaryFiles {
  public:
    static constexpr std::size_t kSlots = 32;
    static constexpr std::size_t kLongestName = 4096;

    // Lists name; the slot to forget it by, or kSlots when the table is full or the name too
    // long (the file is then not removed by removeAll).
    std::size_t add(const std::string& name) noexcept;
    void forget(std::size_t slot) noexcept;
    // Unlinks every listed file. Async-signal-safe.
    void removeAll() noexcept;

  private:
    enum State : int { kFree, kFilling, kListed };
    struct Slot {
        std::atomic<int> state{kFree};
        char name[kLongestName];
    };
    Slot slots_[kSlots];
};

// A file descriptor as an output stream's buffer; writes go straight to write(2) in pieces
// of at most 64 KiB, failures are kept for the owner to see.
class DescriptorBuffer : public std::streambuf {
  public:
    DescriptorBuffer();
    ~DescriptorBuffer() override;
    DescriptorBuffer(const DescriptorBuffer&) = delete;
    DescriptorBuffer& operator=(const DescriptorBuffer&) = delete;

    // Takes descriptor over (closed by close() or the destructor).
    void attach(int descriptor);
    // Hands over what is buffered and closes the descriptor; false when any write or the
    // close failed since attach.
    bool close();
    bool failed() const { return failed_; }

  protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* data, std::streamsize count) override;
    int sync() override;

  private:
    bool drain();
    void deliver(const char* data, std::size_t size);

    int descriptor_ = -1;
    bool failed_ = false;
    std::unique_ptr<char[]> buffer_;
};

// One file under its temporary name until commit() renames it to its final name. Destroyed
// before that (a failure, an exception passing), it removes the temporary and leaves the
// final name as it was. Errors: Fatal("ERROR: WHAT NAME cannot be written\n"), the final
// name in the message.
class OutputFile {
  public:
    // Creates the temporary; temporaries, when given, lists it until it is renamed or removed.
    OutputFile(std::string name, std::string what, TemporaryFiles* temporaries);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    std::ostream& stream() { return stream_; }
    const std::string& name() const { return name_; }
    // Ends the writing: flushes and closes the temporary. Throws when anything written was
    // lost. Later calls do nothing.
    void finish();
    // Renames the finished temporary over the final name.
    void commit();

  private:
    [[noreturn]] void failed() const;
    void discard() noexcept;

    std::string name_;
    std::string what_;
    std::string temporary_;
    TemporaryFiles* temporaries_;
    std::size_t slot_;
    DescriptorBuffer buffer_;
    std::ostream stream_;
    bool finished_ = false;
};

// Files that appear complete or not at all: each is written in full under its temporary
// name, and only commit() renames them to their names, all together once every one is
// written. A set destroyed before commit() removes its temporaries, so no half-written file
// is left and earlier files of those names are kept.
class FileSet {
  public:
    // what names a file in messages: "ERROR: WHAT NAME cannot be written".
    explicit FileSet(std::string what, TemporaryFiles* temporaries = nullptr)
        : what_(std::move(what)), temporaries_(temporaries) {}
    FileSet(const FileSet&) = delete;
    FileSet& operator=(const FileSet&) = delete;

    // A new file of the set, open for writing until commit(). Throws Fatal when it cannot
    // be created (a directory of that name included, which would only refuse the rename).
    std::ostream& open(const std::string& name);
    // Writes the file's content with write(stream) and finishes it.
    void write(const std::string& name, const std::function<void(std::ostream&)>& write);
    // Finishes every file, then renames each to its name. Throws Fatal when one cannot be
    // written or renamed.
    void commit();

  private:
    std::string what_;
    TemporaryFiles* temporaries_;
    std::vector<std::unique_ptr<OutputFile>> files_;
};

// Opens (creating or emptying) a file that is written as the run goes, such as a log: a new
// file is created under a temporary name and renamed over name at once, so a link or a file
// planted there is replaced rather than followed; the returned descriptor writes to the new
// file. -1 when it cannot be created (no directory, say); errno tells why. temporaries, when
// given, lists the temporary name until it is renamed.
int openReplacing(const std::string& name, TemporaryFiles* temporaries = nullptr);
