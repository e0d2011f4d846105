// Progress of a long study command on stderr: a line about once a second
// while it works, with the count done and an estimate of the time left, and
// one at the end; nothing at all when quiet. Lines may come from any thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <iosfwd>
#include <mutex>
#include <string>

namespace diesel {

class Progress {
public:
    // `command` opens each line ("map"), `what` completes "map: 10 of 100
    // <what>" ("points done").
    Progress(std::ostream& err, std::string command, std::string what, std::size_t total, bool quiet = false);

    // A line when a second has passed since the last one; `note` is added to it.
    void tick(std::size_t done, const std::string& note = "");

    // The same, with the time left estimated from `share` (0 .. 1) of the work
    // done rather than from the count, for work whose items differ in size.
    void tick_share(std::size_t done, double share, const std::string& note = "");

    // The closing line, with the time taken.
    void finish(std::size_t done, const std::string& note = "");

    // A line of its own ("optimize: 2000 rpm: evaluation 7 ..."), unless quiet.
    void say(const std::string& line);

    double seconds() const;

    bool quiet() const { return quiet_; }

private:
    void line(std::size_t done, const std::string& note, bool last, double share);

    std::ostream& err_;
    std::string command_, what_;
    std::size_t total_;
    bool quiet_;
    std::chrono::steady_clock::time_point start_, shown_;
    std::mutex lock_;
};

// "12.3 s": a time for progress lines.
std::string seconds_text(double s);

}  // namespace diesel
