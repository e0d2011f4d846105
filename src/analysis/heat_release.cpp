#include "analysis/heat_release.hpp"

#include <cmath>
#include <cstdio>
#include <limits>

#include "analysis/analysis_error.hpp"
#include "analysis/cycle_angles.hpp"
#include "cylinder/combustion.hpp"
#include "state/exit_status.hpp"

namespace diesel {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kFuelAirRatio = 0.0676;  // fuel/air mass ratio per unit of equivalence ratio

struct GasState {
    double T;   // [K]
    double U;   // internal energy of the charge [J]
    double Qw;  // wall heat flow into the gas [W]
};

}  // namespace

Charge charge_at(const RunState& run, double angle) {
    const int32_t i = history_entry(run, angle);
    if (i < 1 || !(run.TRMASS[i] > 0.0f)) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "the model run recorded no cylinder charge at %.1f deg", angle);
        throw AnalysisError(kExitFileError, buf);
    }
    return {static_cast<double>(run.TRMASS[i]), static_cast<double>(run.TREQR[i])};
}

HeatRelease heat_release(const std::vector<double>& angle, const std::vector<double>& pressure,
                         const std::vector<double>& volume, size_t first, size_t last, CylinderGas& gas,
                         const Charge& charge, const HeatReleaseOptions& o, double combustionFrom) {
    const size_t n = angle.size();
    HeatRelease h;
    h.first = first;
    h.last = last;
    h.temperature.assign(n, kNaN);
    h.cumulative.assign(n, kNaN);
    h.rate.assign(n, kNaN);

    const double heatingValue = static_cast<double>(kHeatingValue);
    const double airMass = charge.mass / (1.0 + kFuelAirRatio * charge.eqr);
    // Seconds per degree of crank angle, with the model's pi.
    const double secondsPerDegree = gas.pi() / 180.0 / gas.omega();

    // The gas at sample i once `released` [J] has been released since intake closing.
    auto state = [&](size_t i, double released) {
        const double p = pressure[i] * 1.0e5;
        const double pV = p * volume[i];
        const double burnt = released / heatingValue;  // fuel burnt so far [kg]
        const double m = charge.mass + burnt;
        GasState g{};
        if (o.constantProperties) {
            g.T = pV / (m * o.gasConstant);
            g.U = pV / (o.kappa - 1.0);
        } else {
            const double eqr = charge.eqr + burnt / (kFuelAirRatio * airMass);
            g.T = pV / (m * gas.properties(300.0, eqr).R);  // R depends on the composition only
            g.U = m * gas.properties(g.T, eqr).u;
        }
        g.Qw = o.wallHeat ? gas.wall_heat(angle[i], p, g.T, angle[i] >= combustionFrom) : 0.0;
        return g;
    };

    if (o.wallHeat) {
        const double p0 = pressure[first] * 1.0e5;
        const double m0 = charge.mass;
        const double R0 = o.constantProperties ? o.gasConstant : gas.properties(300.0, charge.eqr).R;
        gas.set_intake_closing(p0, p0 * volume[first] / (m0 * R0), volume[first]);
    }

    GasState g = state(first, 0.0);
    const GasState g0 = g;
    double Q = 0.0;
    double lastIncrement = 0.0;
    h.cumulative[first] = 0.0;
    h.temperature[first] = g.T;
    for (size_t i = first; i < last; ++i) {
        const double work = 0.5 * (pressure[i] + pressure[i + 1]) * 1.0e5 * (volume[i + 1] - volume[i]);
        const double dt = (angle[i + 1] - angle[i]) * secondsPerDegree;
        double next = Q + lastIncrement;
        GasState gn{};
        for (int iter = 0; iter < 30; ++iter) {
            gn = state(i + 1, next);
            const double updated = Q + (gn.U - g.U) + work - 0.5 * (g.Qw + gn.Qw) * dt;
            const bool done = std::fabs(updated - next) <= 1e-10 * (1.0 + std::fabs(updated));
            next = updated;
            if (done) break;
        }
        h.work += work;
        h.wallHeat += 0.5 * (g.Qw + gn.Qw) * dt;
        lastIncrement = next - Q;
        Q = next;
        g = state(i + 1, Q);
        h.cumulative[i + 1] = Q;
        h.temperature[i + 1] = g.T;
    }
    h.internalEnergyChange = g.U - g0.U;

    for (size_t i = first; i <= last; ++i) {
        const size_t a = i > first ? i - 1 : i;
        const size_t b = i < last ? i + 1 : i;
        h.rate[i] = b > a ? (h.cumulative[b] - h.cumulative[a]) / (angle[b] - angle[a]) : 0.0;
    }
    return h;
}

}  // namespace diesel
