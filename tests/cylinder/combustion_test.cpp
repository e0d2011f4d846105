// Single-Wiebe combustion: the shape and duration laws, the burn window with
// its wrap at 720 degrees, and the fuel burnt over a cycle.
#include "cylinder/combustion.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <ostream>

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

// Cylinder angle [rad] at which the angle since start of combustion is `asoc`,
// exact in float for the values used here (firing TDC is at 0 mod 4 pi).
float theta_for(const RunState& s, float asoc) { return asoc - s.SOC; }

struct WindowEdge {
    float MWIEB;
    float SOC;       // [rad]
    float asoc;      // angle since start of combustion [rad], 0 or DURC
    float expected;  // WIEBE
};

std::ostream& operator<<(std::ostream& os, const WindowEdge& c) {
    return os << "MWIEB " << c.MWIEB << ", SOC " << c.SOC << ", ASOC " << c.asoc;
}

class WiebeWindowEdges : public ::testing::TestWithParam<WindowEdge> {};

TEST_P(WiebeWindowEdges, BothEndsAreInsideTheWindow) {
    const WindowEdge c = GetParam();
    const float DURC = 0.5f;  // [rad]; exact sums with 2 pi in float
    auto s = burner(c.MWIEB, DURC, c.SOC);
    s->THETA[1] = theta_for(*s, c.asoc);
    burn_rate(*s, 1);
    EXPECT_EQ(s->ASOC[1], c.asoc);
    EXPECT_NEAR(s->WIEBE[1], c.expected, 1e-6f * (1.0f + c.expected));
    // Fuel rate [kg/rad]: the cycle's fuel mass spread over the duration by the shape.
    const float rate = c.expected * 3.5f * 0.825f / 100000.0f / DURC;
    EXPECT_NEAR(s->DMF[1], rate, 1e-6f * rate + 1e-15f);

    // One degree outside the window nothing burns.
    const float degree = s->PI / 180.0f;
    s->THETA[1] = theta_for(*s, c.asoc == 0.0f ? -degree : DURC + degree);
    burn_rate(*s, 1);
    EXPECT_EQ(s->WIEBE[1], 0.0f);
    EXPECT_EQ(s->DMF[1], 0.0f);
}

const float kE69 = std::exp(-6.9f);

INSTANTIATE_TEST_SUITE_P(
    Shapes, WiebeWindowEdges,
    ::testing::Values(WindowEdge{0.8f, 0.0f, 0.0f, 0.0f},        // starts at zero rate for MWIEB > 0
                      WindowEdge{0.8f, 0.125f, 0.0f, 0.0f},
                      WindowEdge{0.0f, 0.0f, 0.0f, 6.9f},        // a step to 6.9 for MWIEB = 0
                      WindowEdge{0.0f, 0.125f, 0.0f, 6.9f},
                      WindowEdge{0.0f, 0.0f, 0.5f, 6.9f * 1.0f * kE69},  // end: 6.9 (MWIEB+1) e^-6.9
                      WindowEdge{0.8f, 0.125f, 0.5f, 6.9f * 1.8f * kE69},
                      WindowEdge{2.0f, 0.0f, 0.5f, 6.9f * 3.0f * kE69}));

TEST(WiebeWindow, RelativeAngleWrapsAfterTwoPi) {
    const float SOC = 6.0f * 3.1415925f / 180.0f;
    auto s = burner(0.8f, 1.309f, SOC);
    const float twoPi = 6.283185f;
    const float degree = s->PI / 180.0f;

    // Just before the relative angle reaches 2 pi, ASOC is about SOC + 2 pi ...
    s->THETA[1] = twoPi - degree;
    burn_rate(*s, 1);
    EXPECT_NEAR(s->ASOC[1], SOC + twoPi - degree, 1e-5f);
    EXPECT_EQ(s->WIEBE[1], 0.0f);
    // ... and just after it, about SOC - 2 pi: the next cycle's window is ahead.
    s->THETA[1] = twoPi + degree;
    burn_rate(*s, 1);
    EXPECT_NEAR(s->ASOC[1], SOC - twoPi + degree, 1e-5f);
    EXPECT_EQ(s->WIEBE[1], 0.0f);

    // The same holds one cycle later and for angles below zero (mod 4 pi).
    s->THETA[1] = 3.0f * twoPi + degree;
    burn_rate(*s, 1);
    EXPECT_NEAR(s->ASOC[1], SOC - twoPi + degree, 1e-4f);
    s->THETA[1] = -twoPi + degree;
    burn_rate(*s, 1);
    EXPECT_NEAR(s->ASOC[1], SOC - twoPi + degree, 1e-5f);

    // ASOC stays negative until the relative angle reaches -SOC.
    s->THETA[1] = -SOC - degree;
    burn_rate(*s, 1);
    EXPECT_LT(s->ASOC[1], 0.0f);
    s->THETA[1] = -SOC + degree;
    burn_rate(*s, 1);
    EXPECT_GT(s->ASOC[1], 0.0f);
    EXPECT_GT(s->WIEBE[1], 0.0f);
}

// Summed over a cycle of one-degree steps, a cylinder burns 1 - e^-6.9 of its fuel
// (less the rectangle-rule error of the one-degree steps, largest for small MWIEB).
class FuelOfACycle : public ::testing::TestWithParam<float> {};

TEST_P(FuelOfACycle, AlmostAllTheFuelBurns) {
    const float MWIEB = GetParam();
    auto s = burner(MWIEB, 75.0f * 3.1415925f / 180.0f, 6.0f * 3.1415925f / 180.0f);
    const float H = s->PI / 180.0f;  // step [rad]
    double burnt = 0.0;              // [kg]
    for (int32_t i = 1; i <= 720; ++i) {
        const float PHI = 540.0f + static_cast<float>(i);  // ANGST 540 as in the examples
        s->THETA[1] = PHI * s->PI / 180.0f;
        burn_rate(*s, 1);
        burnt += static_cast<double>(s->DMF[1]) * H;
    }
    const double fuel = 3.5 * 0.825 / 100000.0;
    EXPECT_NEAR(burnt, (1.0 - std::exp(-6.9)) * fuel, 0.005 * fuel) << "MWIEB " << MWIEB;
}

INSTANTIATE_TEST_SUITE_P(Shapes, FuelOfACycle, ::testing::Values(0.5f, 0.8f, 1.5f, 3.0f));

TEST(WiebeLaws, ShapeExponentFollowsChargeStateAndSpeed) {
    auto s = example_state();
    // At the reference charge state and speed the exponent is its reference value.
    s->PIVC = s->PREFM;
    s->TIVC = s->TREFM;
    wiebe_exponent(*s);
    EXPECT_FLOAT_EQ(s->MWIEB, s->MWIEB0);
    // A hotter charge (at the same pressure) gives a larger exponent, a higher pressure a smaller one.
    s->TIVC = 2.0f * s->TREFM;
    wiebe_exponent(*s);
    EXPECT_FLOAT_EQ(s->MWIEB, 2.0f * s->MWIEB0);
    s->TIVC = s->TREFM;
    s->PIVC = 2.0f * s->PREFM;
    wiebe_exponent(*s);
    EXPECT_FLOAT_EQ(s->MWIEB, 0.5f * s->MWIEB0);

    // Twice the reference speed: (1/2)^0.3.
    auto fast = example_state(2.0f * s->SPEEDR);
    fast->PIVC = fast->PREFM;
    fast->TIVC = fast->TREFM;
    wiebe_exponent(*fast);
    EXPECT_NEAR(fast->MWIEB, fast->MWIEB0 * std::pow(0.5f, 0.3f), 1e-5f);
}

TEST(WiebeLaws, DurationFollowsExhaustEqrAndSpeed) {
    auto s = example_state();
    const int32_t e = s->NCYL + 2;
    s->EQR0[e] = s->EQRREF;
    combustion_duration(*s);
    EXPECT_FLOAT_EQ(s->DURC, s->DURC0);
    EXPECT_NEAR(s->DURC, 75.0f * 3.1415925f / 180.0f, 1e-6f);
    // Richer exhaust burns longer; the duration uses the start-of-step value EQR0, not EQR.
    s->EQR0[e] = 2.0f * s->EQRREF;
    s->EQR[e] = 100.0f;
    combustion_duration(*s);
    EXPECT_NEAR(s->DURC, s->DURC0 * std::pow(2.0f, s->XDUREQ), 1e-5f);

    s->EQR0[e] = s->EQRREF;
    s->SPEED = 2.0f * s->SPEEDR;
    combustion_duration(*s);
    EXPECT_NEAR(s->DURC, s->DURC0 * std::pow(2.0f, s->XDURN), 1e-5f);
}

}  // namespace
}  // namespace diesel
