// Calibration of a case against a measured pressure trace: the named inputs
// adjusted, run by run of the whole model, until the simulated cylinder
// pressure matches the measured one best over a window of crank angle.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "analysis/analysis_case.hpp"
#include "analysis/calibration_inputs.hpp"
#include "analysis/pressure_analysis.hpp"
#include "analysis/pressure_match.hpp"

namespace diesel {

struct CalibrationOptions {
    std::vector<CalibrationInput> inputs;  // the inputs adjusted; empty: wiebe_calibration_inputs()
    PressureWindow window;                 // where the pressures are compared
    bool startFromCase = false;            // start SOC, DURC0, MWIEB0 from the case, not from the analysis
    int32_t maxRuns = 400;                 // model runs at most, the start run included
    bool warmStart = false;                // each run from the end of the latest completed one
};

// One evaluation of the search, for progress lines.
struct CalibrationStep {
    int32_t run = 0;             // 1-based
    std::vector<double> values;  // per input [its unit]
    bool completed = false;
    double rms = 0.0;            // [bar], when completed
    std::string failure;         // why not, otherwise
    double bestRms = 0.0;        // best so far [bar]; infinite before the first completed run
};

struct CalibrationResult {
    std::vector<CalibrationInput> inputs;
    std::vector<double> start;            // where the search started [each input's unit], within its bounds
    std::vector<std::string> startFrom;   // per input: "analysis" (the Wiebe fit) or "case"
    bool startCompleted = false;          // the start run completed
    double startRms = 0.0;                // its RMS difference [bar]
    bool found = false;                   // a run completed: `fitted` is the best of them
    std::vector<double> fitted;           // [each input's unit], as the calibrated case holds them
    double rms = 0.0;                     // RMS difference at `fitted` [bar]
    int32_t samples = 0;                  // measured samples in the window
    int32_t runs = 0;                     // model runs made
    int32_t failedRuns = 0;               // of them, ended by a stopping rule or refused
    int32_t searches = 0;                 // BOBYQA searches: the first and its restarts
    std::string stopReason;               // why the last search ended
    std::vector<std::string> atBounds;    // inputs that ended on a bound
    Case calibrated;                      // the fixed-fuel case with `fitted` set (when found)
};

// Calibrates `c` against the measured cycle of `analysis` (the analysis of
// the trace against `c`, whose Wiebe fit gives the start of SOC, DURC0 and
// MWIEB0; other inputs start from the case's values). The search is NLopt's
// BOBYQA through minimise(); a run that a stopping rule ends counts as a
// failed evaluation. `progress` hears of every run. Throws AnalysisError when
// the window does not suit the trace.
CalibrationResult calibrate(const AnalysisCase& c, const AnalysisResult& analysis, const CalibrationOptions& options,
                            const std::function<void(const CalibrationStep&)>& progress);

}  // namespace diesel
