#include "progress.h"

#include <unistd.h>

#include <string>

#include <fmt/format.h>

namespace talvhost {

Progress::Progress(long total, bool wanted)
    : total_(total), active_(wanted && (total < 0 || total >= kWorthShowing) && ::isatty(STDERR_FILENO)) {
    last_ = std::chrono::steady_clock::now();
}

void Progress::advance(long forms) {
    if (!active_) return;
    done_ += forms;
    auto now = std::chrono::steady_clock::now();
    if (now - last_ < std::chrono::milliseconds(100) && (total_ < 0 || done_ < total_)) return;
    // A streamed batch has no total to show until its end.
    if (total_ < 0 && done_ < kWorthShowing) return;
    last_ = now;
    draw();
}

void Progress::draw() {
    if (total_ < 0) {
        fmt::print(stderr, "\r{} forms", done_);
        std::fflush(stderr);
        drawn_ = true;
        return;
    }
    constexpr int kWidth = 30;
    int filled = total_ > 0 ? static_cast<int>(done_ * kWidth / total_) : kWidth;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kWidth, '.');
    fmt::print(stderr, "\r[{}] {}/{} forms {:3}%", bar, done_, total_, total_ > 0 ? done_ * 100 / total_ : 100);
    std::fflush(stderr);
    drawn_ = true;
}

void Progress::finish_line() {
    if (!drawn_) return;
    drawn_ = false;
    fmt::print(stderr, "\r\033[K");
    std::fflush(stderr);
}

void Progress::finish() {
    if (!active_) return;
    finish_line();
    active_ = false;
}

}  // namespace talvhost
