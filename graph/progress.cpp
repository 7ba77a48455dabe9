#include "graph/progress.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kDrawEvery = std::chrono::milliseconds(100);
constexpr auto kLookEvery = std::chrono::milliseconds(20);
// The line never wraps on a terminal of 80 columns, so a carriage return erases it all.
constexpr std::size_t kWidest = 78;

void writeAll(int descriptor, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(descriptor, data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<std::size_t>(n);
        } else if (!(n < 0 && errno == EINTR)) {
            return;
        }
    }
}

// 1,234,567
std::string grouped(std::uint64_t value) {
    std::string digits = std::to_string(value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), 1, ',');
    return digits;
}

std::string megabytes(std::uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", double(bytes) / 1e6);
    return text;
}

}  // namespace

Progress::Progress(int descriptor) : descriptor_(descriptor) {}

Progress::~Progress() {
    clear();
}

void Progress::start(std::string_view stage, std::uint64_t total, Unit unit) {
    stage_ = stage;
    note_.clear();
    total_ = total;
    unit_ = unit;
    done_ = 0;
    step_ = 1;
    nextLook_ = 1;
    stageStart_ = lastLook_ = Clock::now();
    draw();
}

void Progress::look(std::uint64_t done) {
    done_ = done;
    const Clock::time_point now = Clock::now();
    // Spaces the looks at the clock to about one in kLookEvery whatever the stage's pace.
    if (now - lastLook_ < kLookEvery / 2)
        step_ = std::min<std::uint64_t>(step_ * 2, std::uint64_t{1} << 40);
    else if (now - lastLook_ > kLookEvery * 2 && step_ > 1)
        step_ /= 2;
    lastLook_ = now;
    nextLook_ = done + step_;
    if (now - lastDraw_ >= kDrawEvery) draw();
}

void Progress::note(std::string_view text) {
    note_ = text;
    if (Clock::now() - lastDraw_ >= kDrawEvery) draw();
}

void Progress::tick() {
    if (Clock::now() - lastDraw_ >= kDrawEvery) draw();
}

std::string Progress::countText() const {
    if (!note_.empty()) return note_;
    if (unit_ == Unit::bytes) {
        std::string text = megabytes(done_);
        if (total_ == 0) return text;
        char percent[16];
        std::snprintf(percent, sizeof percent, " (%d %%)",
                      static_cast<int>(100.0 * double(std::min(done_, total_)) / double(total_)));
        return text + " of " + megabytes(total_) + percent;
    }
    if (total_ == 0) return done_ == 0 ? std::string() : grouped(done_);
    char percent[16];
    std::snprintf(percent, sizeof percent, " (%d %%)",
                  static_cast<int>(100.0 * double(std::min(done_, total_)) / double(total_)));
    return grouped(done_) + " of " + grouped(total_) + percent;
}

void Progress::draw() {
    lastDraw_ = Clock::now();
    char elapsed[32];
    std::snprintf(elapsed, sizeof elapsed, "%.1f s",
                  std::chrono::duration<double>(lastDraw_ - stageStart_).count());
    std::string line = "\r" + stage_;
    const std::string count = countText();
    if (!count.empty()) line += ": " + count;
    line += ", ";
    line += elapsed;
    if (line.size() > kWidest + 1) line.resize(kWidest + 1);
    line += "\033[K";
    writeAll(descriptor_, line.data(), line.size());
    shown_ = true;
}

void Progress::clear() {
    if (!shown_.exchange(false)) return;
    writeAll(descriptor_, "\r\033[K", 4);
}

void Progress::clearFromSignal() noexcept {
    if (shown_.load()) {
        const ssize_t ignored = ::write(descriptor_, "\r\033[K", 4);
        (void)ignored;
    }
}
