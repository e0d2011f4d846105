// The model's single-Wiebe burn law fitted to a measured burnt fraction.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace diesel {

// Burnt fraction [-] of the model's Wiebe law at `angle` [deg]: with
// y = (angle - start)/duration, (1 - exp(-6.9 y^(m+1))) / (1 - exp(-6.9)) for
// 0 <= y <= 1, 0 before and 1 after. The model burns 1 - e^-6.9 of the fuel
// by y = 1 and no more; scaled by it, the law reaches 1 as a measured burnt
// fraction (cumulative over its maximum) does.
double wiebe_fraction(double angle, double start, double duration, double exponent);

// Its rate d(fraction)/d(angle) [1/deg].
double wiebe_rate(double angle, double start, double duration, double exponent);

struct WiebeBounds {
    double startMin, startMax;        // [deg]
    double durationMin, durationMax;  // [deg]
    double exponentMin, exponentMax;  // [-]
};

struct WiebeFit {
    double start = 0.0;     // effective start of combustion [deg from firing TDC]
    double duration = 0.0;  // effective combustion duration [deg]
    double exponent = 0.0;  // shape exponent m [-]
    double rms = 0.0;       // RMS of measured minus fitted burnt fraction over the fitted samples [-]
    double maxAbs = 0.0;    // largest absolute difference [-]
    int32_t samples = 0;    // samples fitted
    int32_t evaluations = 0;
    std::vector<std::string> atBounds;  // parameters that ended on a bound: "start", "duration", "exponent"
};

// Least-squares fit of start, duration and exponent to `burnt` [-] at `angle`
// [deg], samples first .. last, within `bounds`. NLopt's BOBYQA (bounded,
// derivative-free, quadratic trust-region models) does the minimising: three
// parameters, bounds to respect, and a sum of squares that is smooth except
// where a sample passes an end of the burn window, where a gradient method
// would stumble. It starts from the angles of 10, 50 and 90 % burnt (`mfb10`,
// `mfb50`, `mfb90` [deg]) read as a Wiebe curve of a few shape exponents and
// keeps the best. Throws AnalysisError when NLopt fails.
WiebeFit fit_wiebe(const std::vector<double>& angle, const std::vector<double>& burnt, size_t first, size_t last,
                   const WiebeBounds& bounds, double mfb10, double mfb50, double mfb90);

}  // namespace diesel
