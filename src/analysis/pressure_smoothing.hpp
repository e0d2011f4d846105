// The low-pass filter applied to a pressure trace before it is differentiated.
#pragma once

#include <vector>

namespace diesel {

// `p` smoothed by a Gaussian kernel whose full width at half maximum is
// `width` [deg] on samples `step` [deg] apart (standard deviation
// width/2.3548). The kernel is symmetric, so the filter shifts nothing in
// crank angle; its gain is exp(-(pi*f*width)^2/(4 ln 2)) at f cycles per
// degree: -3 dB at f = 0.312/width, so 2 deg keep variations slower than about
// 6 deg per period. The kernel reaches out 3 standard deviations. A whole cycle
// (`periodic`) wraps around its ends; near the ends of any other trace the
// kernel is narrowed evenly on both sides to what fits, so that a slope there
// is not bent. A width below one step returns `p` unchanged.
std::vector<double> smooth_pressure(const std::vector<double>& p, double step, double width, bool periodic);

}  // namespace diesel
