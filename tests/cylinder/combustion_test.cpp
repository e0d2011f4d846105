// The burn window of the single-Wiebe law and its wrap at 720 degrees. The fuel
// burnt over a cycle is weighed in a closed cylinder (zone_balances_test).
#include "cylinder/combustion.hpp"

#include <gtest/gtest.h>

namespace diesel {
namespace {

// The angle since start of combustion wraps once the angle relative to it
// passes 2 pi (firing TDC at 0 mod 4 pi, SOC 6 degrees before it).
TEST(WiebeWindow, AngleSinceStartWraps) {
    RunState s{};
    s.NCYL = 1;
    s.PI = 3.1415925f;
    s.DURC = 1.309f;
    s.SOC = 6.0f * s.PI / 180.0f;
    const float twoPi = 6.283185f, degree = s.PI / 180.0f;
    const struct {
        float THETA, ASOC;
    } cases[] = {
        {twoPi - degree, s.SOC + twoPi - degree},  // just before the wrap ...
        {twoPi + degree, s.SOC - twoPi + degree},  // ... and after it: the next window is ahead
        {-twoPi + degree, s.SOC - twoPi + degree},  // below zero (mod 4 pi)
    };
    for (const auto& c : cases) {
        s.THETA[1] = c.THETA;
        burn_rate(s, 1);
        EXPECT_NEAR(s.ASOC[1], c.ASOC, 1e-5f) << c.THETA;
        EXPECT_EQ(s.WIEBE[1], 0.0f) << c.THETA;
    }
}

}  // namespace
}  // namespace diesel
