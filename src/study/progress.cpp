#include "study/progress.hpp"

#include <cstdio>
#include <ostream>

namespace diesel {

namespace {

std::string seconds_text(double s) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f s", s);
    return buf;
}

}  // namespace

Progress::Progress(std::ostream& err, std::string what, std::size_t total)
    : err_(err), what_(std::move(what)), total_(total), start_(std::chrono::steady_clock::now()), shown_(start_) {}

double Progress::seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void Progress::tick(std::size_t done, const std::string& note) {
    const auto now = std::chrono::steady_clock::now();
    if (now - shown_ < std::chrono::seconds(1)) return;
    shown_ = now;
    line(done, note, false);
}

void Progress::finish(std::size_t done, const std::string& note) { line(done, note, true); }

void Progress::line(std::size_t done, const std::string& note, bool last) {
    const double elapsed = seconds();
    err_ << "map: " << done << " of " << total_ << " " << what_;
    if (!note.empty()) err_ << ", " << note;
    if (last) {
        err_ << ", " << seconds_text(elapsed);
    } else if (done > 0 && done < total_) {
        err_ << ", about " << seconds_text(elapsed / static_cast<double>(done) * static_cast<double>(total_ - done))
             << " left";
    }
    err_ << '\n';
}

}  // namespace diesel
