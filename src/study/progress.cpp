#include "study/progress.hpp"

#include <cstdio>
#include <ostream>

namespace diesel {

std::string seconds_text(double s) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f s", s);
    return buf;
}

Progress::Progress(std::ostream& err, std::string command, std::string what, std::size_t total, bool quiet)
    : err_(err),
      command_(std::move(command)),
      what_(std::move(what)),
      total_(total),
      quiet_(quiet),
      start_(std::chrono::steady_clock::now()),
      shown_(start_) {}

double Progress::seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void Progress::tick(std::size_t done, const std::string& note) {
    tick_share(done, total_ == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total_), note);
}

void Progress::tick_share(std::size_t done, double share, const std::string& note) {
    if (quiet_) return;
    std::lock_guard<std::mutex> hold(lock_);
    const auto now = std::chrono::steady_clock::now();
    if (now - shown_ < std::chrono::seconds(1)) return;
    shown_ = now;
    line(done, note, false, share);
}

void Progress::finish(std::size_t done, const std::string& note) {
    if (quiet_) return;
    std::lock_guard<std::mutex> hold(lock_);
    line(done, note, true, 1.0);
}

void Progress::say(const std::string& text) {
    if (quiet_) return;
    std::lock_guard<std::mutex> hold(lock_);
    err_ << command_ << ": " << text << '\n';
}

void Progress::line(std::size_t done, const std::string& note, bool last, double share) {
    const double elapsed = seconds();
    err_ << command_ << ": " << done << " of " << total_ << " " << what_;
    if (!note.empty()) err_ << ", " << note;
    if (last) {
        err_ << ", " << seconds_text(elapsed);
    } else if (share > 0.0 && share < 1.0) {
        err_ << ", about " << seconds_text(elapsed / share * (1.0 - share)) << " left";
    }
    err_ << '\n';
}

}  // namespace diesel
