// Progress lines of the long commands: the count done and the time left
// about once a second, a closing line, and nothing at all when quiet.
#include "study/progress.hpp"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <thread>

namespace diesel {
namespace {

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
    EXPECT_TRUE(std::regex_match(loud.str(), std::regex("full-load: 1 of 4 speeds done, 12 runs, about [0-9.]+ s left\n"
                                                        "full-load: 2000 rpm: found\n"
                                                        "full-load: 4 of 4 speeds done, 31 runs, [0-9.]+ s\n")))
        << loud.str();
    EXPECT_EQ(quiet.str(), "");
}

}  // namespace
}  // namespace diesel
