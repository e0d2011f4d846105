// Single-Wiebe combustion: the shape and duration laws and the burn window
// with its wrap at 720 degrees. The fuel burnt over a cycle is weighed in a
// closed cylinder (zone_balances_test) and in whole runs (whole_run_test).
#include "cylinder/combustion.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "input/run_setup.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

// The bundled fixed-fuel example after set-up, optionally at another speed [rpm].
std::unique_ptr<RunState> example_state(float speed = 0.0f) {
    auto s = test_support::read_state(test_support::example_texts("c1_fixed"));
    if (speed > 0.0f) s->SPEED = speed;
    set_up_run(*s);
    return s;
}

// A cylinder with the given shape exponent and duration; SOC before firing TDC [rad].
std::unique_ptr<RunState> burner(float MWIEB, float DURC, float SOC) {
    auto s = std::make_unique<RunState>();
    s->NCYL = 1;
    s->PI = 3.1415925f;
    s->MWIEB = MWIEB;
    s->DURC = DURC;
    s->SOC = SOC;
    s->QF = 3.5f;
    return s;
}

TEST(WiebeWindow, BothEndsAreInsideTheWindow) {
    const float DURC = 0.5f;  // [rad]; exact sums with 2 pi in float
    const float e69 = std::exp(-6.9f);
    const struct {
        float MWIEB, SOC, asoc, WIEBE;  // asoc: angle since start of combustion [rad], 0 or DURC
    } cases[] = {
        {0.8f, 0.125f, 0.0f, 0.0f},                // starts at zero rate for MWIEB > 0
        {0.0f, 0.125f, 0.0f, 6.9f},                // a step to 6.9 for MWIEB = 0
        {0.0f, 0.0f, 0.5f, 6.9f * 1.0f * e69},     // end: 6.9 (MWIEB+1) e^-6.9
        {0.8f, 0.125f, 0.5f, 6.9f * 1.8f * e69},
        {2.0f, 0.0f, 0.5f, 6.9f * 3.0f * e69},
    };
    for (const auto& c : cases) {
        auto s = burner(c.MWIEB, DURC, c.SOC);
        s->THETA[1] = c.asoc - c.SOC;  // firing TDC at 0 mod 4 pi
        burn_rate(*s, 1);
        EXPECT_EQ(s->ASOC[1], c.asoc);
        EXPECT_NEAR(s->WIEBE[1], c.WIEBE, 1e-6f * (1.0f + c.WIEBE)) << c.MWIEB << " at " << c.asoc;
        // Fuel rate [kg/rad]: the cycle's fuel mass spread over the duration by the shape.
        const float rate = c.WIEBE * 3.5f * 0.825f / 100000.0f / DURC;
        EXPECT_NEAR(s->DMF[1], rate, 1e-6f * rate + 1e-15f);
        // One degree outside the window nothing burns.
        const float degree = s->PI / 180.0f;
        s->THETA[1] = (c.asoc == 0.0f ? -degree : DURC + degree) - c.SOC;
        burn_rate(*s, 1);
        EXPECT_EQ(s->WIEBE[1], 0.0f);
        EXPECT_EQ(s->DMF[1], 0.0f);
    }
}

TEST(WiebeWindow, RelativeAngleWrapsAfterTwoPi) {
    const float SOC = 6.0f * 3.1415925f / 180.0f;
    auto s = burner(0.8f, 1.309f, SOC);
    const float twoPi = 6.283185f;
    const float degree = s->PI / 180.0f;
    const struct {
        float THETA, ASOC, tol;
    } cases[] = {
        {twoPi - degree, SOC + twoPi - degree, 1e-5f},  // just before the relative angle reaches 2 pi ...
        {twoPi + degree, SOC - twoPi + degree, 1e-5f},  // ... and after it: the next window is ahead
        {3.0f * twoPi + degree, SOC - twoPi + degree, 1e-4f},  // one cycle later
        {-twoPi + degree, SOC - twoPi + degree, 1e-5f},        // below zero (mod 4 pi)
    };
    for (const auto& c : cases) {
        s->THETA[1] = c.THETA;
        burn_rate(*s, 1);
        EXPECT_NEAR(s->ASOC[1], c.ASOC, c.tol) << c.THETA;
        EXPECT_EQ(s->WIEBE[1], 0.0f) << c.THETA;
    }
    // ASOC stays negative until the relative angle reaches -SOC.
    s->THETA[1] = -SOC - degree;
    burn_rate(*s, 1);
    EXPECT_LT(s->ASOC[1], 0.0f);
    s->THETA[1] = -SOC + degree;
    burn_rate(*s, 1);
    EXPECT_GT(s->ASOC[1], 0.0f);
    EXPECT_GT(s->WIEBE[1], 0.0f);
}

// Shape exponent: MWIEB0 at the reference charge state, larger for a hotter
// charge, smaller at higher pressure or speed. Duration: DURC0 at the
// reference exhaust EQR (the start-of-step EQR0, not EQR) and speed.
TEST(WiebeLaws, ShapeAndDurationFollowChargeExhaustAndSpeed) {
    auto s = example_state();
    auto fast = example_state(2.0f * s->SPEEDR);
    for (RunState* r : {s.get(), fast.get()}) {
        r->TIVC = 2.0f * r->TREFM;
        r->PIVC = 4.0f * r->PREFM;
        wiebe_exponent(*r);
        r->EQR0[r->NCYL + 2] = 2.0f * r->EQRREF;
        r->EQR[r->NCYL + 2] = 100.0f;
        combustion_duration(*r);
    }
    EXPECT_NEAR(s->MWIEB, 0.5f * s->MWIEB0, 1e-6f);
    EXPECT_NEAR(fast->MWIEB, 0.5f * s->MWIEB0 * std::pow(0.5f, 0.3f), 1e-5f);
    EXPECT_NEAR(s->DURC0, 75.0f * 3.1415925f / 180.0f, 1e-6f);
    EXPECT_NEAR(s->DURC, s->DURC0 * std::pow(2.0f, s->XDUREQ), 1e-5f);
    EXPECT_NEAR(fast->DURC, s->DURC0 * std::pow(2.0f, s->XDUREQ + s->XDURN), 1e-5f);
}

}  // namespace
}  // namespace diesel
