#include "analysis/cycle_angles.hpp"

#include <algorithm>
#include <cmath>

namespace diesel {

ClosedPart closed_part(const RunState& inputs) {
    return {cycle_angle(static_cast<double>(inputs.IVC)), cycle_angle(static_cast<double>(inputs.EVO))};
}

int32_t history_entry(const RunState& run, double angle) {
    // Steps of DPHI from the cycle start ANGST; a cycle has 720/DPHI of them.
    const double fromStart = cycle_angle(angle) - cycle_angle(static_cast<double>(run.ANGST));
    const double turn = fromStart <= 0.0 ? fromStart + 720.0 : fromStart;
    const double entry = std::round(turn / static_cast<double>(run.DPHI));
    if (!(entry >= 1.0 && entry <= kHistorySlots)) return 0;
    return static_cast<int32_t>(entry);
}

SimulatedPressure simulated_pressure(const RunState& run) {
    const int32_t n = std::min<int32_t>(static_cast<int32_t>(std::lround(720.0 / static_cast<double>(run.DPHI))),
                                        kHistorySlots);
    SimulatedPressure t;
    std::vector<std::pair<double, double>> samples;
    samples.reserve(static_cast<size_t>(n));
    for (int32_t i = 1; i <= n; ++i) {
        const float phi = run.ANGST + static_cast<float>(i) * run.DPHI;
        const double a = cycle_angle(static_cast<double>(angle_from_firing_tdc(phi, run.ANGST)));
        samples.emplace_back(a, static_cast<double>(run.TRPRES[i]) / 1.0e5);
    }
    std::sort(samples.begin(), samples.end());
    for (const auto& [a, p] : samples) {
        t.angle.push_back(a);
        t.pressure.push_back(p);
    }
    return t;
}

}  // namespace diesel
