#include "analysis/pressure_figures.hpp"

#include <algorithm>
#include <limits>

namespace diesel {

namespace {

// Work [J] of p [bar] on V [m3] from angle a to b [deg] over samples that cover them.
double work_between(const std::vector<double>& angle, const std::vector<double>& p, const std::vector<double>& V,
                    double a, double b, CylinderGas& gas) {
    double w = 0.0;
    for (size_t i = 0; i + 1 < angle.size(); ++i) {
        const double s = std::max(angle[i], a);
        const double e = std::min(angle[i + 1], b);
        if (!(e > s)) continue;
        const double span = angle[i + 1] - angle[i];
        auto at = [&](double x, double& pressure, double& volume) {
            if (x == angle[i]) {
                pressure = p[i];
                volume = V[i];
            } else if (x == angle[i + 1]) {
                pressure = p[i + 1];
                volume = V[i + 1];
            } else {
                pressure = p[i] + (x - angle[i]) / span * (p[i + 1] - p[i]);
                volume = gas.volume(x);
            }
        };
        double ps = 0.0, vs = 0.0, pe = 0.0, ve = 0.0;
        at(s, ps, vs);
        at(e, pe, ve);
        w += 0.5 * (ps + pe) * 1.0e5 * (ve - vs);
    }
    return w;
}

}  // namespace

PressureFigures pressure_figures(const std::vector<double>& angle, const std::vector<double>& pressure,
                                 const std::vector<double>& volume, bool fullCycle, size_t first, size_t last,
                                 double sweptVolume, CylinderGas& gas) {
    PressureFigures f;
    const auto peak = std::max_element(pressure.begin(), pressure.end()) - pressure.begin();
    f.peakPressure = pressure[static_cast<size_t>(peak)];
    f.peakAngle = angle[static_cast<size_t>(peak)];

    f.maxRiseRate = -std::numeric_limits<double>::infinity();
    for (size_t i = std::max<size_t>(first, 1); i <= last && i + 1 < angle.size(); ++i) {
        const double rate = (pressure[i + 1] - pressure[i - 1]) / (angle[i + 1] - angle[i - 1]);
        if (rate > f.maxRiseRate) {
            f.maxRiseRate = rate;
            f.maxRiseRateAngle = angle[i];
        }
    }

    // A whole cycle continues past both ends with the samples of its other end.
    std::vector<double> a = angle, p = pressure, V = volume;
    if (fullCycle) {
        a.insert(a.begin(), angle.back() - 720.0);
        p.insert(p.begin(), pressure.back());
        V.insert(V.begin(), volume.back());
        a.push_back(angle.front() + 720.0);
        p.push_back(pressure.front());
        V.push_back(volume.front());
    }
    f.imepGross = work_between(a, p, V, -180.0, 180.0, gas) / sweptVolume / 1.0e5;
    f.imepNet = fullCycle ? work_between(a, p, V, -180.0, 540.0, gas) / sweptVolume / 1.0e5
                          : std::numeric_limits<double>::quiet_NaN();
    return f;
}

}  // namespace diesel
