// Calibration of the bundled case against its bundled trace, made with SOC 9,
// DURC0 62, MWIEB0 1.1: a start of combustion on a crank-step end, where the
// RMS difference has a kink, found from the analysis, cold or warm started.
#include "analysis/calibration.hpp"

#include <gtest/gtest.h>

#include "analysis/analysis_support.hpp"

namespace diesel {
namespace {

using namespace analysis_test;

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
