#include "analysis/pressure_match.hpp"

#include <algorithm>
#include <cmath>

#include "analysis/analysis_error.hpp"
#include "report/number_format.hpp"
#include "state/exit_status.hpp"

namespace diesel {

WindowedPressure pressure_in_window(const MeasuredCycle& cycle, const PressureWindow& w) {
    const std::string window = message_number(w.from) + " .. " + message_number(w.to) + " deg";
    if (!(w.from < w.to) || w.from < -180.0 || w.to > 540.0) {
        throw AnalysisError(kExitFileError, "the window " + window +
                                                " is no range of crank angle within -180 .. 540 deg from firing TDC");
    }
    const std::vector<double>& a = cycle.angle;
    const double eps = 1e-6 * cycle.step;
    if (a.empty() || (!cycle.fullCycle && (a.front() > w.from + eps || a.back() < w.to - eps))) {
        throw AnalysisError(kExitFileError,
                            cycle.name + ": the trace covers " + (a.empty() ? std::string("nothing") : message_number(a.front()) + " .. " +
                                                                  message_number(a.back()) + " deg") +
                                ", not the whole window " + window);
    }
    WindowedPressure m;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] < w.from - eps || a[i] > w.to + eps) continue;
        m.angle.push_back(a[i]);
        m.pressure.push_back(cycle.pressure[i]);
    }
    if (m.angle.size() < 2)
        throw AnalysisError(kExitFileError, cycle.name + ": fewer than two samples in the window " + window);
    return m;
}

double rms_difference(const WindowedPressure& m, const SimulatedPressure& s) {
    const std::vector<double>& sa = s.angle;
    const size_t n = sa.size();
    double sum = 0.0;
    for (size_t i = 0; i < m.angle.size(); ++i) {
        const double a = m.angle[i];
        // The bracketing samples; past either end the cycle goes on from the other.
        const size_t hi = static_cast<size_t>(std::upper_bound(sa.begin(), sa.end(), a) - sa.begin());
        double a0, p0, a1, p1;
        if (hi == 0) {
            a0 = sa[n - 1] - 720.0, p0 = s.pressure[n - 1], a1 = sa[0], p1 = s.pressure[0];
        } else if (hi == n) {
            a0 = sa[n - 1], p0 = s.pressure[n - 1], a1 = sa[0] + 720.0, p1 = s.pressure[0];
        } else {
            a0 = sa[hi - 1], p0 = s.pressure[hi - 1], a1 = sa[hi], p1 = s.pressure[hi];
        }
        const double p = p0 + (p1 - p0) * (a - a0) / (a1 - a0);
        const double d = p - m.pressure[i];
        sum += d * d;
    }
    return std::sqrt(sum / static_cast<double>(m.angle.size()));
}

}  // namespace diesel
