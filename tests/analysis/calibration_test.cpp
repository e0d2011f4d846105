// Calibration: --fit lists, the RMS difference of a simulated cycle from
// measured samples and the windows a measured cycle can give, and the bundled
// case calibrated against its bundled trace.
#include "analysis/calibration.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "analysis/analysis_error.hpp"
#include "analysis/analysis_support.hpp"
#include "analysis/calibration_inputs.hpp"
#include "analysis/pressure_match.hpp"

namespace diesel {
namespace {

using namespace analysis_test;

// --fit lists: names and keys, default and given bounds; what the search cannot vary.
TEST(CalibrationInputs, ReadsNamesKeysAndBoundsOrRefuses) {
    using Expected = std::tuple<Item, std::string, double, double>;  // item, name in results, bounds
    const struct {
        std::string list;
        std::vector<Expected> inputs;  // none: refused with `message`
        std::string message = "";
    } cases[] = {
        {"SOC,DURC0,MWIEB0", {{Item::SOC, "SOC", -10, 30}, {Item::DURC0, "DURC0", 20, 150}, {Item::MWIEB0, "MWIEB0", 0, 4}}},
        {"SOC=-5:+12.5", {{Item::SOC, "SOC", -5, 12.5}}},
        {"combustion.reference_duration=30:120,SOC", {{Item::DURC0, "DURC0", 30, 120}, {Item::SOC, "SOC", -10, 30}}},
        // A model name several items share is named by its key.
        {"start.intake_receiver.temperature=280:340", {{Item::TEMP0_INTAKE, "start.intake_receiver.temperature", 280, 340}}},
        {"", {}, "--fit : name the inputs to adjust"},
        {"SPED=1000:2000", {}, "--fit SPED=1000:2000: "},
        {"MODE=0:2", {}, "MODE (operating_point.mode) is a whole number"},
        {"SOC,SOC=0:10", {}, "SOC (combustion.start_btdc) is named twice"},
        {"SOC=0:nan", {}, "bounds are two numbers LO:HI"},
        {"SOC=5:5", {}, "the lower bound must lie below the upper"},
        {"MWIEB0=-1:2", {}, "MWIEB0 must be at least 0"},
        {"SPEED", {}, "has no default bounds; give them as SPEED=LO:HI [rpm]"},
    };
    for (const auto& c : cases) {
        std::string error;
        std::vector<Expected> got;
        for (const CalibrationInput& in : parse_calibration_inputs(c.list, error)) got.emplace_back(in.item, in.name, in.lower, in.upper);
        EXPECT_EQ(got, c.inputs) << c.list;
        if (c.message.empty()) EXPECT_EQ(error, "") << c.list;
        else EXPECT_NE(error.find(c.message), std::string::npos) << c.list << ": " << error;
    }
}

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
        size_t samples = 0;
        std::string message;
        try {
            samples = pressure_in_window(*c.cycle, c.window).angle.size();
        } catch (const AnalysisError& e) {
            EXPECT_EQ(e.status, 2);
            message = e.what();
        }
        EXPECT_EQ(samples, c.samples) << c.message;
        EXPECT_NE(message.find(c.message), std::string::npos) << message;
    }
}

TEST(Calibration, BundledTraceColdAndWarmStarted) {
    const AnalysisCase c = c1_case();
    const PressureTrace trace =
        read_pressure_trace(test_support::source_file("examples/c1_fixed/measured-pressure.csv"), "measured-pressure.csv");
    const AnalysisResult analysis = analyse_pressure(c, trace, {});
    for (const bool warm : {false, true}) {
        CalibrationOptions o;
        o.warmStart = warm;
        int32_t heard = 0;
        const CalibrationResult r = calibrate(c, analysis, o, [&](const CalibrationStep& s) {
            EXPECT_EQ(s.run, ++heard);
            EXPECT_TRUE(s.completed) << s.failure;
        });
        ASSERT_TRUE(r.found);
        EXPECT_EQ(r.runs, heard);
        EXPECT_LE(r.runs, o.maxRuns);
        EXPECT_EQ(r.startFrom[0], "analysis");
        EXPECT_LT(r.rms, r.startRms);
        // The calibrated case holds the fitted values and runs at fixed fuel.
        EXPECT_EQ(r.calibrated.real(Item::SOC), static_cast<float>(r.fitted[0]));
        EXPECT_EQ(r.calibrated.integer(Item::MODE), 2);
        EXPECT_NEAR(r.fitted[0], 9.0, 0.1) << warm;
        EXPECT_NEAR(r.fitted[1], 62.0, 0.005 * 62.0) << warm;
        EXPECT_NEAR(r.fitted[2], 1.1, 0.01 * 1.1) << warm;
        EXPECT_LT(r.rms, 0.06);  // the trace's noise: 0.05 bar
    }
}

}  // namespace
}  // namespace diesel
