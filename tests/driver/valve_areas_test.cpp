#include "driver/valve_areas.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

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
    return a;
}

TEST(ValveAreas, FirstMatchingRuleGivesTheArea) {
    enum Part { Zero, Opening, Full, Closing };
    const struct {
        const char* name;
        float D;       // crank angle [deg], before the remainder by 720
        float o, c;    // opening and closing angle [deg]
        Part part;     // which rule must apply
        float approx;  // area fraction the flank steps to at its ends, or 0
    } cases[] = {
        // Ordinary event 130 .. 370: flanks 130..230 and 270..370, fully open
        // between; 50 K is 79 degrees, not 90, so the area steps at both ends of each flank.
        {"before opening", 129.99f, 130.0f, 370.0f, Zero, 0.0f},
        {"at opening", 130.0f, 130.0f, 370.0f, Opening, 0.0092f},
        {"mid opening flank", 180.0f, 130.0f, 370.0f, Opening, 0.0f},
        {"end of opening flank", 229.999f, 130.0f, 370.0f, Opening, 0.9908f},
        {"fully open from", 230.0f, 130.0f, 370.0f, Full, 0.0f},
        {"fully open until", 269.99f, 130.0f, 370.0f, Full, 0.0f},
        {"start of closing flank", 270.0f, 130.0f, 370.0f, Closing, 0.9908f},
        {"end of closing flank", 369.999f, 130.0f, 370.0f, Closing, 0.0092f},
        {"at closing", 370.0f, 130.0f, 370.0f, Zero, 0.0f},
        {"second cycle", 900.0f, 130.0f, 370.0f, Opening, 0.0f},  // remainder by 720
        // Flanks overlap (o + 100 > c - 100): the opening flank wins.
        {"overlap, opening wins", 170.0f, 100.0f, 250.0f, Opening, 0.0f},
        {"overlap, then closing", 200.0f, 100.0f, 250.0f, Closing, 0.0f},
        // Event wrapping past 720 (c < o): no fully open part, zero from 0 to c - 100.
        {"wrap, zero before closing flank", 49.99f, 680.0f, 150.0f, Zero, 0.0f},
        {"wrap, closing flank", 50.0f, 680.0f, 150.0f, Closing, 0.0f},
        {"wrap, at closing", 150.0f, 680.0f, 150.0f, Zero, 0.0f},
        {"wrap, at opening", 680.0f, 680.0f, 150.0f, Opening, 0.0f},
        // The remainder keeps the sign, so -10 is not 710.
        {"negative angle", -10.0f, 680.0f, 150.0f, Zero, 0.0f},
    };
    const float AIMAX = 7.0E-4f;
    const float AEMAX = 6.0E-4f;
    for (const auto& t : cases) {
        float AINL = -1.0f;
        float AEXH = -1.0f;
        // The same event on both valves, each with its own full-open area.
        const float angle = angle_for(t.D);
        VALVES(t.o, t.c, t.o, t.c, AIMAX, AEMAX, angle, AINL, AEXH);
        const double F = std::fmod(static_cast<double>(degrees_of(angle)), 720.0);
        const double f = t.part == Zero      ? 0.0
                         : t.part == Full    ? 1.0
                         : t.part == Opening ? std::sin(((F - t.o) - 50.0) * K) * 0.5 + 0.5
                                             : 0.5 - std::sin(((F - t.c) + 50.0) * K) * 0.5;
        EXPECT_NEAR(AINL, f * AIMAX, 1.0E-6 * AIMAX) << t.name;
        EXPECT_NEAR(AEXH, f * AEMAX, 1.0E-6 * AEMAX) << t.name;
        if (t.part == Zero || t.part == Full) {
            EXPECT_EQ(AEXH, static_cast<float>(f) * AEMAX) << t.name;
        }
        if (t.approx > 0.0f) {
            EXPECT_NEAR(AEXH, t.approx * AEMAX, 1.0E-4f * AEMAX) << t.name;
        }
    }
}

TEST(ValveAreas, EachValveFollowsItsOwnEventAndArea) {
    // Example timing: exhaust 130 .. 370, intake 340 .. 576.
    const float AIMAX = 7.0E-4f;
    const float AEMAX = 6.0E-4f;
    for (const auto& [D, intake, exhaust] : {std::tuple{250.0f, 0.0f, AEMAX}, {450.0f, AIMAX, 0.0f}}) {
        float AINL = -1.0f;
        float AEXH = -1.0f;
        VALVES(340.0f, 576.0f, 130.0f, 370.0f, AIMAX, AEMAX, angle_for(D), AINL, AEXH);
        EXPECT_EQ(AINL, intake) << D;
        EXPECT_EQ(AEXH, exhaust) << D;
    }
}

// CHECKV opens when the receiver pressure is at least the cylinder pressure
// and the force on the seat exceeds the preload; the area is then the curtain
// area of the lift, without a lift limit. Seat 0.02 m, stiffness 20000 N/m.
TEST(ValveAreas, CheckValve) {
    const struct {
        const char* name;
        float P1, P2;  // exhaust receiver, cylinder [Pa]
        float FRV;     // preload [N]
        bool open;
    } cases[] = {
        // 60 N preload: opens near 191 kPa above the cylinder.
        {"cylinder above receiver", 200000.0f, 250000.0f, 60.0f, false},
        {"force just below preload", 290000.0f, 100000.0f, 60.0f, false},
        {"force above preload", 400000.0f, 100000.0f, 60.0f, true},
        {"force equal to preload", 100000.0f, 100000.0f, 0.0f, false},
        // A negative preload would open the valve at any pressure difference; it still needs P1 >= P2.
        {"negative preload, cylinder above", 99999.0f, 100000.0f, -10.0f, false},
        {"negative preload, equal pressures", 100000.0f, 100000.0f, -10.0f, true},
    };
    for (const auto& t : cases) {
        float AEXH = 1.0f;  // a stale value is always overwritten
        CHECKV(t.P1, t.P2, 0.02f, t.FRV, 20000.0f, AEXH);
        const double lift = ((static_cast<double>(t.P1) - t.P2) * (0.02 * 0.02 * M_PI / 4.0) - t.FRV) / 20000.0;
        const double area = t.open ? M_PI * 0.02 * lift : 0.0;
        ASSERT_TRUE(!t.open || lift > 0.0) << t.name;
        EXPECT_NEAR(AEXH, area, 1.0E-5 * area) << t.name;
    }
}

}  // namespace
}  // namespace diesel
