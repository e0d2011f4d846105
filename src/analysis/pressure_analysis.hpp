// The analysis of a measured pressure trace against a case: the cycle taken
// from the trace, its heat release, burn figures, pressure figures and the
// model's Wiebe law fitted to it.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/analysis_case.hpp"
#include "analysis/burn_figures.hpp"
#include "analysis/cycle_angles.hpp"
#include "analysis/heat_release.hpp"
#include "analysis/measured_cycle.hpp"
#include "analysis/pressure_figures.hpp"
#include "analysis/pressure_trace.hpp"
#include "analysis/wiebe_fit.hpp"
#include "analysis/wiebe_inputs.hpp"

namespace diesel {

struct AnalysisOptions {
    double tdcShift = 0.0;  // the true TDC lies this far after the recorded 0 [deg]
    int32_t cycles = 1;     // cycles averaged from the start of the trace
    bool peg = false;       // level the pressure to the case's pressure at intake closing
    double smooth = 0.0;    // width of the low-pass filter (see smooth_pressure) [deg]; 0: none
    HeatReleaseOptions heat;
};

// A start of combustion needs a heat release of at least this share of the
// fuel energy (of the compression work when the case burns no fuel).
inline constexpr double kCombustionShare = 0.05;

struct AnalysisResult {
    AnalysisOptions options;
    MeasuredCycle cycle;            // as measured, averaged and pegged
    std::vector<double> analysed;   // the pressure analysed: smoothed, or as measured [bar]
    std::vector<double> volume;     // [m3]
    ClosedPart closed;
    double pegReference = 0.0;      // the case's pressure at intake closing [bar]
    double pegOffset = 0.0;         // added to the measured pressure [bar]; 0 without --peg
    Charge charge;
    double fuelEnergy = 0.0;        // [J]
    double significant = 0.0;       // smallest heat release taken for combustion [J]
    HeatRelease heat;
    BurnFigures burn;
    PressureFigures pressure;
    bool fitted = false;            // there was a combustion to fit
    WiebeBounds bounds{};
    WiebeFit fit;
    WiebeInputs inputs{};
    std::vector<double> fittedBurnt;  // burnt fraction of the fitted law per sample [-]; NaN where not fitted
};

// Throws AnalysisError for a trace that does not suit the case.
AnalysisResult analyse_pressure(const AnalysisCase& c, const PressureTrace& trace, const AnalysisOptions& options);

}  // namespace diesel
