// One engine cycle of a measured trace, ready for analysis: TDC corrected,
// averaged over the cycles asked for, placed on the cycle -180 .. 540 deg from
// firing TDC, and optionally pegged to a known absolute pressure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/pressure_trace.hpp"

namespace diesel {

struct MeasuredCycle {
    std::string name;              // the trace file, for messages
    std::vector<double> angle;     // [deg from firing TDC], ascending in equal steps
    std::vector<double> pressure;  // [bar]
    std::vector<int32_t> line;     // line of each sample in the file (its first averaged cycle)
    double step = 0.0;             // [deg]
    bool fullCycle = false;        // all 720 deg are covered; the samples then run -180 <= angle < 540
    int32_t cyclesAveraged = 1;
    int32_t cyclesInFile = 0;      // whole cycles of 720 deg in the file
};

// The angle range [deg from firing TDC] an analysis needs, and what it is, for messages.
struct NeededRange {
    double from;
    double to;
    std::string what;
};

// The first `cycles` cycles of `trace` averaged sample by sample, with every
// angle corrected to angle - tdcShift [deg] (the true TDC lies tdcShift after
// the recorded 0). The cycles follow each other with the angle running on by
// 720 deg; without averaging (cycles = 1) a trace longer than one cycle gives
// its first cycle. A whole cycle is rotated onto -180 <= angle < 540; a shorter
// trace is moved by the multiple of 720 deg that brings `need` inside it.
// Throws AnalysisError naming the file and lines when the trace holds fewer
// cycles than asked for, when its cycles do not line up, or when it does not
// cover `need`.
MeasuredCycle measured_cycle(const PressureTrace& trace, double tdcShift, int32_t cycles, const NeededRange& need);

// Adds to every pressure the offset that makes the mean of the samples within
// 2.5 deg of `angle` [deg] equal `pressure` [bar] (the nearest two samples,
// interpolated, when the step is coarser); returns the offset [bar].
double peg_pressure(MeasuredCycle& cycle, double angle, double pressure);

// Throws AnalysisError naming the line of the first pressure that is not
// positive (the first law needs absolute pressures) or above 5000 bar (no
// cylinder pressure, but a pressure in Pa by mistake).
void require_absolute_pressure(const MeasuredCycle& cycle);

}  // namespace diesel
