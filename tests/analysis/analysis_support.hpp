// Shared helpers of the analysis tests: the bundled fixed-fuel case prepared
// for analysis, and traces made from vectors or from a model run.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "analysis/analysis_case.hpp"
#include "analysis/cycle_angles.hpp"
#include "analysis/pressure_trace.hpp"
#include "case/fort_files.hpp"
#include "test_support.hpp"

namespace diesel::analysis_test {

inline AnalysisCase c1_case() { return prepare_case(read_fort_case(test_support::example_texts("c1_fixed")), "c1_fixed"); }

// A trace as the reader would leave it: line i + 1 holds sample i.
inline PressureTrace trace_of(const std::vector<double>& angle, const std::vector<double>& pressure) {
    PressureTrace t;
    t.name = "trace";
    t.angle = angle;
    t.pressure = pressure;
    for (size_t i = 0; i < angle.size(); ++i) t.line.push_back(static_cast<int32_t>(i + 1));
    t.step = angle[1] - angle[0];
    return t;
}

// The cylinder-1 pressure of the case's inputs, changed by `edit`, run once.
inline SimulatedPressure simulated(const AnalysisCase& c, const std::function<void(RunState&)>& edit) {
    RunState inputs = *c.inputs;
    edit(inputs);
    RunOutcome outcome;
    const auto run = run_quietly(inputs, outcome);
    EXPECT_EQ(outcome.end, RunEnd::Completed) << outcome.reason;
    return simulated_pressure(*run);
}

}  // namespace diesel::analysis_test
