// What a calibration hands to its user: calibration.json and a short summary.
#pragma once

#include <string>

#include "analysis/calibration.hpp"

namespace diesel {

// Where the calibration came from and what it cost, for the file and the summary.
struct CalibrationSources {
    std::string caseFolder;
    std::string pressureFile;
    AnalysisOptions trace;       // how the trace was read
    PressureWindow window;
    float fuel = 0.0f;           // [10 mm3]
    bool loadControlled = false;
    double seconds = 0.0;        // wall-clock time of the whole command [s]
    std::string writtenCase;     // folder of the calibrated case; empty when none was written
};

// {"fitted": {NAME: value}, "rms_bar", "runs", "seconds", "start": {NAME: value},
// then start_rms_bar, failed_runs, stop_reason, bounds, units, keys, ...}.
// Values are those the calibrated case holds, in their shortest exact text.
std::string calibration_json(const CalibrationResult& r, const CalibrationSources& s);

// A few lines for the terminal.
std::string calibration_summary(const CalibrationResult& r, const CalibrationSources& s);

// An input's value as the case holds it, in its shortest exact text ("8.92").
std::string held_text(double value);

}  // namespace diesel
