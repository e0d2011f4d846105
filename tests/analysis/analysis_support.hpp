// Shared helpers of the analysis tests: the bundled fixed-fuel case prepared
// for analysis, and traces made from vectors or from a model run.
#pragma once

#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <random>
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

// The lines "angle,pressure" of `sim` as a test bed records them: `cycles`
// cycles, the angle running on by 720 a cycle and recorded `shift` deg late,
// normal noise of `noise` bar (Box-Muller from the raw 32-bit draws of a
// Mersenne Twister seeded with `seed`, which the standard fixes), 0.01 bar resolution.
inline std::string recorded_lines(const SimulatedPressure& sim, unsigned seed, double noise, int cycles, double shift) {
    std::mt19937 draw(seed);
    auto uniform = [&] { return (static_cast<double>(draw()) + 0.5) / 4294967296.0; };
    auto normal = [&] { return noise * std::sqrt(-2.0 * std::log(uniform())) * std::cos(2.0 * std::numbers::pi * uniform()); };
    std::string text;
    char buf[64];
    for (int cycle = 0; cycle < cycles; ++cycle) {
        for (size_t i = 0; i < sim.angle.size(); ++i) {
            const double p = std::round((sim.pressure[i] + normal()) * 100.0) / 100.0;
            std::snprintf(buf, sizeof buf, "%g,%.2f\n", sim.angle[i] + 720.0 * cycle + shift, p);
            text += buf;
        }
    }
    return text;
}

// The cylinder pressure of c1_fixed burning with `soc`, `durc0`, `mwieb0`.
inline SimulatedPressure c1_burning(float soc, float durc0, float mwieb0) {
    return simulated(c1_case(), [&](RunState& s) {
        s.SOC = soc;
        s.DURC0 = durc0;
        s.MWIEB0 = mwieb0;
    });
}

}  // namespace diesel::analysis_test
