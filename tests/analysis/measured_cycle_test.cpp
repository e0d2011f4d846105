// One cycle from a measured trace: TDC correction, the cycle placed on
// -180 .. 540 deg, averaging, pegging.
#include "analysis/measured_cycle.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "analysis/cycle_angles.hpp"

namespace diesel {
namespace {

// A pressure that tells its own cycle angle apart: the same at angle and angle + 720.
double pressure_at(double a) { return 2.0 + std::sin(cycle_angle(a) * std::numbers::pi / 360.0); }

PressureTrace trace(double from, double step, int n, double cycleOffset = 0.0) {
    PressureTrace t;
    t.name = "bed.csv";
    t.step = step;
    for (int i = 0; i < n; ++i) {
        const double a = from + i * step;
        t.angle.push_back(a);
        // Cycle c of the trace is raised by c * cycleOffset.
        t.pressure.push_back(pressure_at(a) + std::floor((a - from) / 720.0) * cycleOffset);
        t.line.push_back(i + 2);
    }
    return t;
}

TEST(MeasuredCycle, PlacesShiftsAndAveragesTheCycle) {
    const NeededRange need{-180.0, 180.0, "compression and expansion"};
    const struct {
        const char* what;
        PressureTrace t;
        double shift;
        int32_t cycles;
        bool full;
        double first, last;  // angles of the cycle's first and last sample
        double offset;       // pressure above pressure_at()
    } cases[] = {
        {"a whole cycle from gas-exchange TDC", trace(-360.0, 1.0, 720), 0.0, 1, true, -180.0, 539.0, 0.0},
        {"TDC found 0.5 deg late", trace(-180.0, 1.0, 720), 0.5, 1, true, -179.5, 539.5, 0.0},
        {"three cycles, the first taken", trace(-180.0, 0.5, 4320, 3.0), 0.0, 1, true, -180.0, 539.5, 0.0},
        {"three cycles averaged", trace(-180.0, 0.5, 4320, 3.0), 0.0, 3, true, -180.0, 539.5, 3.0},
        {"compression and expansion around the second firing TDC", trace(540.0, 0.1, 3601), 0.0, 1, false, -180.0,
         180.0, 0.0},
    };
    for (const auto& c : cases) {
        const MeasuredCycle m = measured_cycle(c.t, c.shift, c.cycles, need);
        EXPECT_EQ(m.fullCycle, c.full) << c.what;
        EXPECT_NEAR(m.angle.front(), c.first, 1e-9) << c.what;
        EXPECT_NEAR(m.angle.back(), c.last, 1e-9) << c.what;
        for (size_t i = 0; i < m.angle.size(); ++i) {
            ASSERT_NEAR(m.angle[i] - m.angle.front(), i * c.t.step, 1e-9) << c.what << " at " << i;
            // Each sample keeps the pressure of the recorded angle it came from.
            ASSERT_NEAR(m.pressure[i], pressure_at(m.angle[i] + c.shift) + c.offset, 1e-12) << c.what << " at " << m.angle[i];
        }
    }
}

TEST(MeasuredCycle, PegLevelsTheMeanAroundTheAngleAcrossTheCycleEnd) {
    // 0.5 deg steps: 11 samples within 2.5 deg of -179, three of them past the wrap at 540 = -180.
    MeasuredCycle m = measured_cycle(trace(-180.0, 0.5, 1440), 0.0, 1, {-180.0, 180.0, ""});
    double mean = 0.0;
    for (double a = -181.5; a <= -176.5 + 1e-9; a += 0.5) mean += pressure_at(a) / 11.0;
    const double before = m.pressure[10];
    EXPECT_NEAR(peg_pressure(m, -179.0, 1.0), 1.0 - mean, 1e-12);
    EXPECT_NEAR(m.pressure[10] - before, 1.0 - mean, 1e-12);
}

}  // namespace
}  // namespace diesel
