// Where the combustion lies: mass fraction burnt, start of combustion and the
// angles of burnt-fraction levels, from the cumulative heat release.
#pragma once

#include <vector>

#include "analysis/heat_release.hpp"

namespace diesel {

struct BurnFigures {
    bool combustion = false;     // the heat release is large enough to call it combustion
    double heatReleaseMax = 0.0; // largest cumulative heat release of the closed part [J]
    std::vector<double> burnt;   // mass fraction burnt per sample: cumulative / its maximum [-];
                                 // NaN outside the closed part and without combustion
    // [deg from firing TDC]; NaN without combustion or when the level is never reached
    double start = 0.0;          // start of combustion
    double mfb5 = 0.0, mfb10 = 0.0, mfb50 = 0.0, mfb90 = 0.0;
    double duration1090 = 0.0;   // burn duration mfb90 - mfb10 [deg]
};

// The start of combustion is the first angle after which the cumulative heat
// release stays above 1 % of its maximum (interpolated between samples), so
// that early noise and a dip from the charge's cooling before ignition do not
// count. A burnt-fraction angle is the first angle from there on at which the
// burnt fraction reaches its level. There is no combustion when the maximum is
// below `significant` [J]; every angle is then NaN.
BurnFigures burn_figures(const std::vector<double>& angle, const HeatRelease& h, double significant);

// Angle [deg] at which `value`, sampled at `angle`, first reaches `level` at
// or after sample `from`, interpolated; NaN when it never does.
double first_reaching(const std::vector<double>& angle, const std::vector<double>& value, size_t from, size_t to,
                      double level);

}  // namespace diesel
