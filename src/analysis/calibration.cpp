#include "analysis/calibration.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <optional>

#include "analysis/calibration_runs.hpp"
#include "study/optimiser.hpp"

namespace diesel {

namespace {

// The search stops when a step moves every input by less than this share of
// its range: a few thousandths of a degree of SOC, far below what a measured
// trace can tell.
constexpr double kTolerance = 1e-4;
// A restart that lowers the RMS difference by less than this share ends the
// search: less is noise of the measurement, not a better calibration.
constexpr double kRestartGain = 0.01;
// A start of combustion this share of a crank step from a step end lies at a kink.
constexpr double kStepEndNear = 0.1;

// The analysis's value of a Wiebe input, when it has one.
std::optional<double> analysed_value(const AnalysisResult& a, Item item) {
    if (!a.fitted) return std::nullopt;
    if (item == Item::SOC) return a.inputs.SOC;
    if (item == Item::DURC0) return a.inputs.DURC0;
    if (item == Item::MWIEB0) return a.inputs.MWIEB0;
    return std::nullopt;
}

// The values as a case holds them: each rounded once to float.
std::vector<double> as_held(const std::vector<double>& x) {
    std::vector<double> held;
    for (const double v : x) held.push_back(static_cast<double>(static_cast<float>(v)));
    return held;
}

// Whether the mean square `now` lowers the RMS difference of `before` by kRestartGain.
bool gains(double now, double before) {
    return now < before * (1.0 - kRestartGain) * (1.0 - kRestartGain);
}

}  // namespace

CalibrationResult calibrate(const AnalysisCase& c, const AnalysisResult& analysis, const CalibrationOptions& o,
                            const std::function<void(const CalibrationStep&)>& progress) {
    CalibrationResult r;
    r.inputs = o.inputs.empty() ? wiebe_calibration_inputs() : o.inputs;
    const WindowedPressure measured = pressure_in_window(analysis.cycle, o.window);
    r.samples = static_cast<int32_t>(measured.angle.size());

    std::vector<Item> items;
    for (const CalibrationInput& in : r.inputs) {
        items.push_back(in.item);
        const std::optional<double> analysed = o.startFromCase ? std::nullopt : analysed_value(analysis, in.item);
        const double value = analysed ? *analysed : c.fixed.number(in.item);
        r.start.push_back(std::clamp(value, in.lower, in.upper));
        r.startFrom.push_back(analysed ? "analysis" : "case");
    }
    r.start = as_held(r.start);
    CalibrationRuns runs(c.fixed, items, o.warmStart);

    // Every evaluation by the values the case holds: the search may come back
    // to a point (a restart begins at the best), and a point is run once.
    std::map<std::vector<double>, std::optional<Evaluation>> seen;
    std::vector<double> bestX;
    double best = std::numeric_limits<double>::infinity();  // mean square [bar2]
    int32_t failed = 0;
    const auto evaluate = [&](const std::vector<double>& x) -> std::optional<Evaluation> {
        const std::vector<double> held = as_held(x);
        if (const auto it = seen.find(held); it != seen.end()) return it->second;
        CalibrationRun run = runs.run(held);
        CalibrationStep step;
        step.run = runs.count();
        step.values = held;
        step.completed = run.completed;
        step.failure = run.failure;
        std::optional<Evaluation> e;
        if (run.completed) {
            step.rms = rms_difference(measured, run.pressure);
            // The mean square is what BOBYQA's quadratic models fit best.
            e = Evaluation{step.rms * step.rms, {}};
            if (e->objective < best) {
                best = e->objective;
                bestX = held;
            }
        } else {
            ++failed;
        }
        step.bestRms = std::sqrt(best);
        if (progress) progress(step);
        seen.emplace(held, e);
        return e;
    };

    // The start first, so that its figure stands in the results whatever the
    // search does; the search's own first point is then found in `seen`.
    const std::optional<Evaluation> atStart = evaluate(r.start);
    r.startCompleted = atStart.has_value();
    if (atStart) r.startRms = std::sqrt(atStart->objective);

    // BOBYQA, restarted from the best point with a fresh trust region while a
    // restart still gains: the pressure's dependence on the Wiebe inputs forms
    // a long narrow valley, in which one search's trust region can shrink
    // below the tolerance far from its floor. False when the run limit ends it.
    const auto search_from = [&](std::vector<double> from) {
        for (;;) {
            OptimiserProblem p;
            for (size_t k = 0; k < r.inputs.size(); ++k)
                p.variables.push_back({r.inputs[k].name, r.inputs[k].lower, r.inputs[k].upper, from[k]});
            p.evaluate = evaluate;
            p.maxEvaluations = o.maxRuns - runs.count();
            p.tolerance = kTolerance;
            const double before = best;
            const OptimiserResult found = minimise(p);
            ++r.searches;
            r.stopReason = found.stopReason;
            if (runs.count() >= o.maxRuns || found.evaluations >= p.maxEvaluations) {
                r.stopReason = "the run limit was reached";
                return false;
            }
            if (bestX.empty() || !gains(best, before)) return true;
            from = bestX;
        }
    };
    bool more = search_from(r.start);

    // The model samples its burn rate at the ends of its crank steps, and for a
    // shape exponent below 1 the rate rises steeply from the start of burn: the
    // RMS difference has a kink wherever the start crosses a step end, and a
    // search can settle in one. When it has settled near one, searches from
    // half a step either side look past it.
    const auto soc = std::find(items.begin(), items.end(), Item::SOC);
    if (soc != items.end()) {
        const size_t k = static_cast<size_t>(soc - items.begin());
        const double dphi = static_cast<double>(c.inputs->DPHI);
        const double angst = static_cast<double>(c.inputs->ANGST);
        // Step ends lie at ANGST + i*DPHI, firing TDC at every 720 deg (a whole
        // number of steps for every usual DPHI); the burn starts at -SOC.
        const auto near_step_end = [&](double start) {
            const double d = std::fmod(std::fabs(-start - angst), dphi);
            return std::min(d, dphi - d) < kStepEndNear * dphi;
        };
        for (bool gained = true; more && gained && !bestX.empty() && near_step_end(bestX[k]);) {
            const std::vector<double> centre = bestX;
            const double settled = best;
            for (const double shift : {0.5 * dphi, -0.5 * dphi}) {
                std::vector<double> from = centre;
                from[k] = std::clamp(from[k] + shift, r.inputs[k].lower, r.inputs[k].upper);
                if (from != centre && !(more = search_from(from))) break;
            }
            gained = gains(best, settled);
        }
    }

    r.runs = runs.count();
    r.failedRuns = failed;
    r.found = !bestX.empty();
    if (!r.found) return r;
    const std::vector<double> x = bestX;
    r.rms = std::sqrt(best);
    r.calibrated = runs.case_at(x);
    for (size_t k = 0; k < r.inputs.size(); ++k) {
        const CalibrationInput& in = r.inputs[k];
        r.fitted.push_back(r.calibrated.number(in.item));
        const double margin = 1e-3 * (in.upper - in.lower);
        if (x[k] <= in.lower + margin || x[k] >= in.upper - margin) r.atBounds.push_back(in.name);
    }
    return r;
}

}  // namespace diesel
