// A live status line for a person at a terminal: what the current stage has done, of how
// much when it knows, and the time since it began, rewritten in place (carriage return, no
// scrolling) at most ten times a second. Stages report through a pointer that may be null
// (no terminal, or -progress off), so a run without it pays one test of a pointer a call.
//
// The cost when on: advance() compares its count with the next count worth a look at the
// clock, which it spaces so that the clock is read about fifty times a second; drawing is a
// single write of one line.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

class Progress {
  public:
    // What a stage counts.
    enum class Unit { items, bytes };

    // Writes to the file descriptor (standard output).
    explicit Progress(int descriptor = 1);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // A new stage: its name ("Reading", "Finding communities") and how much it will do (0:
    // unknown). Draws at once.
    void start(std::string_view stage, std::uint64_t total = 0, Unit unit = Unit::items);
    // The stage has done `done` of its total.
    void advance(std::uint64_t done) {
        if (done >= nextLook_) look(done);
    }
    // A word on the stage instead of a count ("level 3, 10,442 vertices moved").
    void note(std::string_view text);
    // Redraws the line if a tenth of a second has passed (for stages timed while they run).
    void tick();
    // Erases the line, so what is printed next reads as it would without it.
    void clear();

    // For a signal handler: erases the line if one is shown, with write(2) alone.
    void clearFromSignal() noexcept;

  private:
    void look(std::uint64_t done);
    void draw();
    std::string countText() const;

    int descriptor_;
    std::string stage_;
    std::string note_;
    std::uint64_t total_ = 0;
    std::uint64_t done_ = 0;
    Unit unit_ = Unit::items;
    std::uint64_t nextLook_ = 0;
    std::uint64_t step_ = 1;
    std::chrono::steady_clock::time_point stageStart_;
    std::chrono::steady_clock::time_point lastLook_;
    std::chrono::steady_clock::time_point lastDraw_;
    std::atomic<bool> shown_{false};
};

// advance() on a progress that may be null.
inline void advance(Progress* progress, std::uint64_t done) {
    if (progress) progress->advance(done);
}
