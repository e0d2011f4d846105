// Progress lines of the long commands: the count done and the time left
// about once a second, a closing line, and nothing at all when quiet.
#include "study/progress.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <sstream>
#include <string>
#include <thread>

namespace diesel {
namespace {

// The text with every time (the figure before the word "s") written as '#':
// times vary from run to run, the counts and words around them ("4 speeds") do not.
std::string times_masked(const std::string& text) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        size_t end = i;
        while (end < text.size() && (std::isdigit(static_cast<unsigned char>(text[end])) || text[end] == '.')) ++end;
        const bool seconds = text.compare(end, 2, " s") == 0 &&
                             (end + 2 == text.size() || !std::isalpha(static_cast<unsigned char>(text[end + 2])));
        if (end > i && seconds) {
            out += '#';
            i = end;
        } else {
            out += text[i++];
        }
    }
    return out;
}

TEST(Progress, CountAndTimeLeftOnceASecondNothingWhenQuiet) {
    std::ostringstream loud, quiet;
    Progress shown(loud, "full-load", "speeds done", 4), silent(quiet, "map", "points done", 4, true);
    for (Progress* p : {&shown, &silent}) {
        p->tick(1, "3 runs");  // within the first second: no line
        if (p == &shown) std::this_thread::sleep_for(std::chrono::milliseconds(1050));
        p->tick(1, "12 runs");
        p->tick(2, "20 runs");  // within a second of the last line
        p->say("2000 rpm: found");
        p->finish(4, "31 runs");
    }
    EXPECT_EQ(times_masked(loud.str()), "full-load: 1 of 4 speeds done, 12 runs, about # s left\n"
                                        "full-load: 2000 rpm: found\n"
                                        "full-load: 4 of 4 speeds done, 31 runs, # s\n");
    EXPECT_EQ(quiet.str(), "");
}

}  // namespace
}  // namespace diesel
