// How closely a model run matches a measured pressure: the RMS difference
// over a window of crank angle.
#pragma once

#include <vector>

#include "analysis/cycle_angles.hpp"
#include "analysis/measured_cycle.hpp"

namespace diesel {

// A window of crank angle [deg from firing TDC], within -180 .. 540.
struct PressureWindow {
    double from = -60.0;  // [deg]
    double to = 90.0;     // [deg]
};

// The measured samples within a window.
struct WindowedPressure {
    std::vector<double> angle;     // [deg from firing TDC], ascending
    std::vector<double> pressure;  // [bar]
};

// The samples of `cycle` within `window`. Throws AnalysisError, naming the
// trace, when the window is not a range within -180 .. 540 or the trace does
// not cover it, or holds fewer than two samples there.
WindowedPressure pressure_in_window(const MeasuredCycle& cycle, const PressureWindow& window);

// RMS of simulated minus measured pressure [bar] over the samples of
// `measured`, the simulated cycle interpolated linearly at their angles (it
// repeats every 720 deg).
double rms_difference(const WindowedPressure& measured, const SimulatedPressure& simulated);

}  // namespace diesel
