#include "driver/valve_areas.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace diesel {
namespace {

constexpr float kPi = 3.1415925f;
constexpr double K = 0.0275762025;  // 1.58 degrees in radians

// Degrees the valve routine makes of a crank angle [rad].
float degrees_of(float angle) { return angle * 180.0f / kPi; }

// The crank angle [rad] whose degrees are the least float at or above `deg`.
// Not every float of degrees is reachable from radians, so an edge is probed
// from its upper side, which is the side its half-open rule covers.
float angle_for(float deg) {
    float a = deg * kPi / 180.0f;
    while (degrees_of(a) >= deg) a = std::nextafter(a, -1.0E30f);
    while (degrees_of(a) < deg) a = std::nextafter(a, 1.0E30f);
    EXPECT_NEAR(degrees_of(a), deg, 1.0E-4f);
    return a;
}

enum class Part { Zero, Opening, Full, Closing };

// Area fraction of the flank or plateau at cycle angle F, evaluated in double.
double fraction(Part part, double F, double o, double c) {
    switch (part) {
        case Part::Zero: return 0.0;
        case Part::Full: return 1.0;
        case Part::Opening: return std::sin(((F - o) - 50.0) * K) * 0.5 + 0.5;
        case Part::Closing: return 0.5 - std::sin(((F - c) + 50.0) * K) * 0.5;
    }
    return -1.0;
}

struct AreaCase {
    std::string name;
    float D;     // crank angle [deg], before the remainder by 720
    float o, c;  // opening and closing angle [deg]
    Part part;   // which rule must apply
};

class ValveAreaTest : public ::testing::TestWithParam<AreaCase> {};

TEST_P(ValveAreaTest, FirstMatchingRuleGivesTheArea) {
    const AreaCase& t = GetParam();
    const float AIMAX = 7.0E-4f;
    const float AEMAX = 6.0E-4f;
    float AINL = -1.0f;
    float AEXH = -1.0f;
    // The same event on both valves, each with its own full-open area.
    const float angle = angle_for(t.D);
    VALVES(t.o, t.c, t.o, t.c, AIMAX, AEMAX, angle, AINL, AEXH);
    const double F = std::fmod(static_cast<double>(degrees_of(angle)), 720.0);  // keeps the sign of D
    const double f = fraction(t.part, F, t.o, t.c);
    EXPECT_NEAR(AINL, f * AIMAX, 1.0E-6 * AIMAX);
    EXPECT_NEAR(AEXH, f * AEMAX, 1.0E-6 * AEMAX);
    if (t.part == Part::Zero) {
        EXPECT_EQ(AINL, 0.0f);
        EXPECT_EQ(AEXH, 0.0f);
    }
    if (t.part == Part::Full) {
        EXPECT_EQ(AINL, AIMAX);
        EXPECT_EQ(AEXH, AEMAX);
    }
}

INSTANTIATE_TEST_SUITE_P(
    ValveAreas, ValveAreaTest,
    ::testing::Values(
        // Ordinary event 130 .. 370: flanks 130..230 and 270..370, fully open between.
        AreaCase{"BeforeOpening", 129.99f, 130.0f, 370.0f, Part::Zero},
        AreaCase{"AtOpening", 130.0f, 130.0f, 370.0f, Part::Opening},
        AreaCase{"MidOpeningFlank", 180.0f, 130.0f, 370.0f, Part::Opening},
        AreaCase{"EndOfOpeningFlank", 229.99f, 130.0f, 370.0f, Part::Opening},
        AreaCase{"FullyOpenFrom", 230.0f, 130.0f, 370.0f, Part::Full},
        AreaCase{"FullyOpenUntil", 269.99f, 130.0f, 370.0f, Part::Full},
        AreaCase{"StartOfClosingFlank", 270.0f, 130.0f, 370.0f, Part::Closing},
        AreaCase{"EndOfClosingFlank", 369.99f, 130.0f, 370.0f, Part::Closing},
        AreaCase{"AtClosing", 370.0f, 130.0f, 370.0f, Part::Zero},
        AreaCase{"CycleStart", 0.0f, 130.0f, 370.0f, Part::Zero},
        // Crank angles beyond one cycle are reduced by the remainder.
        AreaCase{"SecondCycle", 900.0f, 130.0f, 370.0f, Part::Opening},
        AreaCase{"ThirdCycle", 1440.0f + 250.0f, 130.0f, 370.0f, Part::Full},
        AreaCase{"Multiple720", 1440.0f, 130.0f, 370.0f, Part::Zero},
        // Flanks overlap (o + 100 > c - 100): the opening flank wins.
        AreaCase{"OverlapOpeningWins", 170.0f, 100.0f, 250.0f, Part::Opening},
        AreaCase{"OverlapOpeningEnd", 199.99f, 100.0f, 250.0f, Part::Opening},
        AreaCase{"OverlapThenClosing", 200.0f, 100.0f, 250.0f, Part::Closing},
        AreaCase{"OverlapClosingEnd", 249.99f, 100.0f, 250.0f, Part::Closing},
        // Event wrapping past 720 (c < o): no fully open part, zero from 0 to c - 100.
        AreaCase{"WrapZeroAtCycleStart", 0.0f, 680.0f, 150.0f, Part::Zero},
        AreaCase{"WrapZeroBeforeClosingFlank", 49.99f, 680.0f, 150.0f, Part::Zero},
        AreaCase{"WrapClosingFlankStart", 50.0f, 680.0f, 150.0f, Part::Closing},
        AreaCase{"WrapClosingFlankMid", 100.0f, 680.0f, 150.0f, Part::Closing},
        AreaCase{"WrapAtClosing", 150.0f, 680.0f, 150.0f, Part::Zero},
        AreaCase{"WrapBeforeOpening", 679.99f, 680.0f, 150.0f, Part::Zero},
        AreaCase{"WrapAtOpening", 680.0f, 680.0f, 150.0f, Part::Opening},
        AreaCase{"WrapOpeningAtCycleEnd", 719.99f, 680.0f, 150.0f, Part::Opening},
        // Negative crank angles: the remainder keeps the sign, so -30 is not 690.
        AreaCase{"NegativeNotWrappedIntoClosingFlank", -30.0f, 600.0f, 710.0f, Part::Zero},
        AreaCase{"NegativeNotWrappedIntoOpeningFlank", -10.0f, 680.0f, 150.0f, Part::Zero},
        AreaCase{"NegativeBeyondOneCycle", -700.0f, 0.0f, 300.0f, Part::Zero}),
    [](const ::testing::TestParamInfo<AreaCase>& info) { return info.param.name; });

TEST(ValveAreas, FlanksRunFromAboutOnePercentToAboutNinetyNinePercent) {
    const float A = 1.0E-3f;
    float AINL = 0.0f;
    float AEXH = 0.0f;
    // 50 K is 79 degrees, not 90: the area steps at both ends of each flank.
    VALVES(340.0f, 576.0f, 130.0f, 370.0f, A, A, angle_for(130.0f), AINL, AEXH);
    EXPECT_NEAR(AEXH, 0.0092f * A, 1.0E-4f * A);
    VALVES(340.0f, 576.0f, 130.0f, 370.0f, A, A, angle_for(229.999f), AINL, AEXH);
    EXPECT_NEAR(AEXH, 0.9908f * A, 1.0E-4f * A);
    VALVES(340.0f, 576.0f, 130.0f, 370.0f, A, A, angle_for(270.0f), AINL, AEXH);
    EXPECT_NEAR(AEXH, 0.9908f * A, 1.0E-4f * A);
    VALVES(340.0f, 576.0f, 130.0f, 370.0f, A, A, angle_for(369.999f), AINL, AEXH);
    EXPECT_NEAR(AEXH, 0.0092f * A, 1.0E-4f * A);
}

TEST(ValveAreas, EachValveFollowsItsOwnEventAndArea) {
    // Example timing: exhaust 130 .. 370, intake 340 .. 576.
    const float AIMAX = 7.0E-4f;
    const float AEMAX = 6.0E-4f;
    struct Probe {
        float D;
        bool exhaustOpen, intakeOpen;
    };
    for (const Probe p : {Probe{100.0f, false, false}, Probe{250.0f, true, false}, Probe{355.0f, true, true},
                          Probe{450.0f, false, true}, Probe{600.0f, false, false}, Probe{250.0f + 720.0f, true, false},
                          Probe{450.0f + 720.0f, false, true}}) {
        float AINL = -1.0f;
        float AEXH = -1.0f;
        VALVES(340.0f, 576.0f, 130.0f, 370.0f, AIMAX, AEMAX, angle_for(p.D), AINL, AEXH);
        EXPECT_EQ(AEXH > 0.0f, p.exhaustOpen) << p.D;
        EXPECT_EQ(AINL > 0.0f, p.intakeOpen) << p.D;
        EXPECT_LE(AEXH, AEMAX) << p.D;
        EXPECT_LE(AINL, AIMAX) << p.D;
    }
    float AINL = 0.0f;
    float AEXH = 0.0f;
    VALVES(340.0f, 576.0f, 130.0f, 370.0f, AIMAX, AEMAX, angle_for(250.0f), AINL, AEXH);
    EXPECT_EQ(AEXH, AEMAX);
    VALVES(340.0f, 576.0f, 130.0f, 370.0f, AIMAX, AEMAX, angle_for(450.0f), AINL, AEXH);
    EXPECT_EQ(AINL, AIMAX);
}

struct CheckCase {
    std::string name;
    float P1, P2;        // exhaust receiver, cylinder [Pa]
    float DRV, FRV, KRV; // seat [m], preload [N], stiffness [N/m]
    bool open;
};

class CheckValveTest : public ::testing::TestWithParam<CheckCase> {};

TEST_P(CheckValveTest, OpensOnlyWhenReceiverPressureForceBeatsThePreload) {
    const CheckCase& t = GetParam();
    float AEXH = 1.0f;  // a stale value is always overwritten
    CHECKV(t.P1, t.P2, t.DRV, t.FRV, t.KRV, AEXH);
    if (!t.open) {
        EXPECT_EQ(AEXH, 0.0f);
        return;
    }
    // Curtain area of the lift, without a lift limit.
    const double seat = static_cast<double>(t.DRV) * t.DRV * M_PI / 4.0;
    const double lift = ((static_cast<double>(t.P1) - t.P2) * seat - t.FRV) / t.KRV;
    const double area = M_PI * t.DRV * lift;
    ASSERT_GT(lift, 0.0);
    EXPECT_NEAR(AEXH, area, 1.0E-5 * area);
}

INSTANTIATE_TEST_SUITE_P(
    ValveAreas, CheckValveTest,
    ::testing::Values(
        // Example valve: 0.02 m seat, 60 N preload (opens near 191 kPa), 20000 N/m.
        CheckCase{"CylinderAboveReceiver", 200000.0f, 250000.0f, 0.02f, 60.0f, 20000.0f, false},
        CheckCase{"ForceBelowPreload", 250000.0f, 100000.0f, 0.02f, 60.0f, 20000.0f, false},
        CheckCase{"ForceJustBelowPreload", 290000.0f, 100000.0f, 0.02f, 60.0f, 20000.0f, false},
        CheckCase{"ForceAbovePreload", 400000.0f, 100000.0f, 0.02f, 60.0f, 20000.0f, true},
        CheckCase{"NoLiftLimit", 5.0E6f, 100000.0f, 0.02f, 60.0f, 20000.0f, true},
        // Without the pressure rule a negative preload would open the valve at any
        // pressure difference; it still needs P1 >= P2.
        CheckCase{"NegativePreloadCylinderAbove", 99999.0f, 100000.0f, 0.02f, -10.0f, 20000.0f, false},
        CheckCase{"NegativePreloadEqualPressures", 100000.0f, 100000.0f, 0.02f, -10.0f, 20000.0f, true},
        CheckCase{"ZeroLiftGivesZeroArea", 100000.0f, 100000.0f, 0.02f, 0.0f, 20000.0f, false}),
    [](const ::testing::TestParamInfo<CheckCase>& info) { return info.param.name; });

}  // namespace
}  // namespace diesel
