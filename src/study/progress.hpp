// Progress of a long map command on stderr: a line about once a second while
// it works, and one at the end.
#pragma once

#include <chrono>
#include <cstddef>
#include <iosfwd>
#include <string>

namespace diesel {

class Progress {
public:
    // `what` completes "map: 10 of 100 <what>", e.g. "points done".
    Progress(std::ostream& err, std::string what, std::size_t total);

    // A line when a second has passed since the last one; `note` is added to it.
    void tick(std::size_t done, const std::string& note = "");

    // The closing line, with the time taken.
    void finish(std::size_t done, const std::string& note = "");

    double seconds() const;

private:
    void line(std::size_t done, const std::string& note, bool last);

    std::ostream& err_;
    std::string what_;
    std::size_t total_;
    std::chrono::steady_clock::time_point start_, shown_;
};

}  // namespace diesel
