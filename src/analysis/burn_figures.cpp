#include "analysis/burn_figures.hpp"

#include <algorithm>
#include <limits>

namespace diesel {

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
}

double first_reaching(const std::vector<double>& angle, const std::vector<double>& value, size_t from, size_t to,
                      double level) {
    for (size_t i = from; i <= to; ++i) {
        if (!(value[i] >= level)) continue;
        if (i == from) return angle[i];
        const double w = (level - value[i - 1]) / (value[i] - value[i - 1]);
        return angle[i - 1] + w * (angle[i] - angle[i - 1]);
    }
    return kNaN;
}

BurnFigures burn_figures(const std::vector<double>& angle, const HeatRelease& h, double significant) {
    BurnFigures b;
    b.burnt.assign(angle.size(), kNaN);
    b.start = b.mfb5 = b.mfb10 = b.mfb50 = b.mfb90 = b.duration1090 = kNaN;
    size_t peak = h.first;
    for (size_t i = h.first; i <= h.last; ++i) {
        if (h.cumulative[i] > h.cumulative[peak]) peak = i;
    }
    b.heatReleaseMax = h.cumulative[peak];
    b.combustion = b.heatReleaseMax >= significant && b.heatReleaseMax > 0.0;
    if (!b.combustion) return b;

    for (size_t i = h.first; i <= h.last; ++i) b.burnt[i] = h.cumulative[i] / b.heatReleaseMax;
    // The last sample below 1 % before the maximum: combustion starts after it for good.
    size_t below = h.first;
    bool any = false;
    for (size_t i = h.first; i <= peak; ++i) {
        if (b.burnt[i] <= 0.01) {
            below = i;
            any = true;
        }
    }
    size_t from = h.first;
    if (any) {
        b.start = first_reaching(angle, b.burnt, below, peak, 0.01);
        from = below;
    } else {
        b.start = angle[h.first];
    }
    b.mfb5 = first_reaching(angle, b.burnt, from, h.last, 0.05);
    b.mfb10 = first_reaching(angle, b.burnt, from, h.last, 0.10);
    b.mfb50 = first_reaching(angle, b.burnt, from, h.last, 0.50);
    b.mfb90 = first_reaching(angle, b.burnt, from, h.last, 0.90);
    b.duration1090 = b.mfb90 - b.mfb10;
    return b;
}

}  // namespace diesel
