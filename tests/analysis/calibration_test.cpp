// Calibration of the bundled case against its bundled trace, made with SOC 9,
// DURC0 62, MWIEB0 1.1: a start of combustion on a crank-step end, where the
// RMS difference has a kink, from either start, and within a run limit.
#include "analysis/calibration.hpp"

#include <gtest/gtest.h>

#include "analysis/analysis_support.hpp"

namespace diesel {
namespace {

using namespace analysis_test;

TEST(Calibration, BundledTraceFromEitherStartAndWithinTheRunLimit) {
    const AnalysisCase c = c1_case();
    const PressureTrace trace =
        read_pressure_trace(test_support::source_file("examples/c1_fixed/measured-pressure.csv"), "measured-pressure.csv");
    const struct {
        int32_t cycles;
        bool fromCase;
        int32_t maxRuns;
        bool accurate;  // false: stopped by the run limit, only better than the start
        bool warm = false;
    } cases[] = {
        {1, false, 400, true},
        {2, true, 400, true},
        {1, false, 30, false},
        {1, false, 400, true, true},
    };
    for (const auto& k : cases) {
        AnalysisOptions options;
        options.cycles = k.cycles;
        const AnalysisResult analysis = analyse_pressure(c, trace, options);
        CalibrationOptions o;
        o.startFromCase = k.fromCase;
        o.maxRuns = k.maxRuns;
        o.warmStart = k.warm;
        int32_t heard = 0;
        const CalibrationResult r = calibrate(c, analysis, o, [&](const CalibrationStep& s) {
            EXPECT_EQ(s.run, ++heard);
            EXPECT_TRUE(s.completed) << s.failure;
        });
        ASSERT_TRUE(r.found);
        EXPECT_EQ(r.runs, heard);
        EXPECT_LE(r.runs, k.maxRuns);
        EXPECT_EQ(r.startFrom[0], k.fromCase ? "case" : "analysis");
        EXPECT_LT(r.rms, r.startRms);
        // The calibrated case holds the fitted values and runs at fixed fuel.
        EXPECT_EQ(r.calibrated.real(Item::SOC), static_cast<float>(r.fitted[0]));
        EXPECT_EQ(r.calibrated.integer(Item::MODE), 2);
        if (!k.accurate) {
            EXPECT_EQ(r.stopReason, "the run limit was reached");
            continue;
        }
        EXPECT_NEAR(r.fitted[0], 9.0, 0.1) << k.cycles;
        EXPECT_NEAR(r.fitted[1], 62.0, 0.005 * 62.0) << k.cycles;
        EXPECT_NEAR(r.fitted[2], 1.1, 0.01 * 1.1) << k.cycles;
        EXPECT_LT(r.rms, 0.06);  // the trace's noise: 0.05 bar, less when averaged
    }
}

}  // namespace
}  // namespace diesel
