#include "analysis/calibration_runs.hpp"

#include <memory>
#include <stdexcept>

#include "analysis/analysis_case.hpp"
#include "case/input_error.hpp"
#include "case/run_inputs.hpp"

namespace diesel {

CalibrationRuns::CalibrationRuns(const Case& base, std::vector<Item> items, bool warmStart)
    : base_(base), items_(std::move(items)), warm_(warmStart) {}

Case CalibrationRuns::case_at(const std::vector<double>& values) const {
    if (values.size() != items_.size()) throw std::logic_error("CalibrationRuns: one value per item expected");
    Case c = base_;
    for (size_t k = 0; k < items_.size(); ++k) {
        const std::string error = c.set_number(items_[k], values[k]);
        if (!error.empty()) throw std::logic_error("CalibrationRuns: " + error);
    }
    return c;
}

CalibrationRun CalibrationRuns::run(const std::vector<double>& values) {
    ++count_;
    CalibrationRun r;
    auto inputs = std::make_unique<RunState>();
    try {
        load_case(case_at(values), *inputs);
    } catch (const InputError& e) {
        r.failure = std::string("inputs refused: ") + e.what();
        return r;
    }
    RunOutcome outcome;
    const std::unique_ptr<RunState> end = run_quietly(*inputs, outcome, warm_.start());
    warm_.ran(end.get(), outcome.end);
    if (outcome.end != RunEnd::Completed) {
        r.failure = outcome.reason;
        return r;
    }
    r.completed = true;
    r.pressure = simulated_pressure(*end);
    return r;
}

}  // namespace diesel
