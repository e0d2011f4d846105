// The RMS difference of a simulated cycle from measured samples, and the
// windows a measured cycle can and cannot give.
#include "analysis/pressure_match.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "analysis/analysis_error.hpp"

namespace diesel {
namespace {

// A cycle -180 .. 539 deg in steps of `step` with pressure f(angle).
template <class F>
SimulatedPressure cycle_of(double step, F f) {
    SimulatedPressure s;
    for (double a = -180.0; a < 540.0 - 1e-9; a += step) {
        s.angle.push_back(a);
        s.pressure.push_back(f(a));
    }
    return s;
}

TEST(PressureMatch, RmsOfTheSimulatedCycleInterpolatedAtTheMeasuredAngles) {
    // Linear between samples, and across the cycle's end to its start.
    const SimulatedPressure sim = cycle_of(1.0, [](double a) { return 1.0 + std::fabs(a - 180.0) / 100.0; });
    const struct {
        std::vector<double> angle, measured;
        double rms;
    } cases[] = {
        {{0.0, 10.0}, {2.8, 2.7}, 0.0},                 // on samples
        {{0.25, 10.5}, {2.7975, 2.695}, 0.0},           // between them
        {{0.0, 10.0}, {2.7, 2.8}, 0.1},                 // 0.1 off at both
        {{539.5}, {4.595}, 0.0},                       // between 539 and -180 + 720
        {{-60.0, -59.0, -58.0, -57.0}, {3.4 + 0.3, 3.39 - 0.3, 3.38 + 0.3, 3.37 - 0.3}, 0.3},
    };
    for (const auto& c : cases) {
        const WindowedPressure m{c.angle, c.measured};
        EXPECT_NEAR(rms_difference(m, sim), c.rms, 1e-12) << c.angle.front();
    }
}

TEST(PressureMatch, WindowsTheTraceCannotGive) {
    MeasuredCycle partial;
    partial.name = "bed.csv";
    partial.step = 1.0;
    for (double a = -180.0; a <= 180.0; a += 1.0) {
        partial.angle.push_back(a);
        partial.pressure.push_back(1.0);
    }
    MeasuredCycle full = partial;
    full.fullCycle = true;
    const struct {
        const MeasuredCycle* cycle;
        PressureWindow window;
        size_t samples;  // 0: refused
        std::string message;
    } cases[] = {
        {&partial, {-60.0, 90.0}, 151, ""},
        {&partial, {-60.0, -60.0}, 0, "the window -60 .. -60 deg is no range of crank angle within -180 .. 540"},
        {&partial, {-200.0, 90.0}, 0, "within -180 .. 540"},
        {&partial, {100.0, 300.0}, 0, "bed.csv: the trace covers -180 .. 180 deg, not the whole window 100 .. 300 deg"},
        {&full, {100.2, 100.8}, 0, "bed.csv: fewer than two samples in the window 100.2 .. 100.8 deg"},
        {&full, {100.0, 180.0}, 81, ""},
    };
    for (const auto& c : cases) {
        if (c.samples > 0) {
            EXPECT_EQ(pressure_in_window(*c.cycle, c.window).angle.size(), c.samples);
            continue;
        }
        try {
            pressure_in_window(*c.cycle, c.window);
            ADD_FAILURE() << c.message;
        } catch (const AnalysisError& e) {
            EXPECT_EQ(e.status, 2);
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace diesel
