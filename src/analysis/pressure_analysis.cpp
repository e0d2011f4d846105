#include "analysis/pressure_analysis.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "analysis/analysis_error.hpp"
#include "analysis/pressure_smoothing.hpp"
#include "state/exit_status.hpp"

namespace diesel {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    return buf;
}

}  // namespace

AnalysisResult analyse_pressure(const AnalysisCase& c, const PressureTrace& trace, const AnalysisOptions& o) {
    AnalysisResult r;
    r.options = o;
    r.closed = closed_part(*c.inputs);
    const double ivc = r.closed.intakeClosing;
    const double evo = r.closed.exhaustOpening;
    if (!(ivc < evo)) {
        throw AnalysisError(kExitFileError, "case " + c.name + ": intake closing (" + num(ivc) +
                                                " deg) does not come before exhaust opening (" + num(evo) +
                                                " deg from firing TDC): no closed part to analyse");
    }
    const NeededRange need{std::min(-180.0, ivc), std::max(180.0, evo),
                           "compression and expansion (bottom dead centre to bottom dead centre, intake closing at " +
                               num(ivc) + ", exhaust opening at " + num(evo) + ")"};
    r.cycle = measured_cycle(trace, o.tdcShift, o.cycles, need);
    r.pegReference = static_cast<double>(c.run->PIVC) / 1.0e5;
    if (o.peg) r.pegOffset = peg_pressure(r.cycle, ivc, r.pegReference);
    require_absolute_pressure(r.cycle);
    r.analysed = smooth_pressure(r.cycle.pressure, r.cycle.step, o.smooth, r.cycle.fullCycle);

    const std::vector<double>& angle = r.cycle.angle;
    const size_t n = angle.size();
    const double eps = 1e-6 * r.cycle.step;
    size_t first = 0;
    while (first < n && angle[first] < ivc - eps) ++first;
    size_t last = first;
    while (last + 1 < n && angle[last + 1] <= evo + eps) ++last;
    if (first >= n || last < first + 2) {
        throw AnalysisError(kExitFileError, trace.name + ": fewer than three samples between intake closing (" +
                                                num(ivc) + " deg) and exhaust opening (" + num(evo) + " deg)");
    }

    CylinderGas gas(*c.run);
    r.volume.resize(n);
    for (size_t i = 0; i < n; ++i) r.volume[i] = gas.volume(angle[i]);
    r.charge = charge_at(*c.run, ivc);
    r.fuelEnergy = c.fuelEnergy;
    if (r.fuelEnergy > 0.0) {
        r.significant = kCombustionShare * r.fuelEnergy;
    } else {
        double compression = 0.0;
        for (size_t i = first; i < last && angle[i + 1] <= 0.0; ++i)
            compression += 0.5 * (r.analysed[i] + r.analysed[i + 1]) * 1.0e5 * (r.volume[i] - r.volume[i + 1]);
        r.significant = kCombustionShare * compression;
    }

    // The wall law's combustion term acts from the start of combustion: first
    // the case's own, then the one this analysis finds.
    const double caseStart = -static_cast<double>(c.inputs->SOC);
    r.heat = heat_release(angle, r.analysed, r.volume, first, last, gas, r.charge, o.heat, caseStart);
    r.burn = burn_figures(angle, r.heat, r.significant);
    if (o.heat.wallHeat) {
        const double found = r.burn.combustion ? r.burn.start : std::numeric_limits<double>::infinity();
        r.heat = heat_release(angle, r.analysed, r.volume, first, last, gas, r.charge, o.heat, found);
        r.burn = burn_figures(angle, r.heat, r.significant);
    }
    r.pressure = pressure_figures(angle, r.analysed, r.volume, r.cycle.fullCycle, first, last,
                                  static_cast<double>(c.run->VH / c.run->FNCYL), gas);

    r.fittedBurnt.assign(n, kNaN);
    r.fitted = r.burn.combustion && std::isfinite(r.burn.mfb10) && std::isfinite(r.burn.mfb50) &&
               std::isfinite(r.burn.mfb90);
    if (r.fitted) {
        r.bounds = {angle[first], r.burn.mfb50, 1.0, angle[last] - angle[first], 0.0, 10.0};
        r.fit = fit_wiebe(angle, r.burn.burnt, first, last, r.bounds, r.burn.mfb10, r.burn.mfb50, r.burn.mfb90);
        r.inputs = wiebe_inputs(*c.run, r.fit.start, r.fit.duration, r.fit.exponent);
        for (size_t i = first; i <= last; ++i)
            r.fittedBurnt[i] = wiebe_fraction(angle[i], r.fit.start, r.fit.duration, r.fit.exponent);
    }
    return r;
}

}  // namespace diesel
