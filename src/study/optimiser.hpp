// Derivative-free minimisation of a figure of model runs over a box of inputs,
// with optional limits, for `optimize` and `calibrate`.
//
// Each variable is searched on its own bounds mapped to [0, 1], so that a
// step means the same share of every range whatever the item's unit. Without
// limits the search is NLopt's BOBYQA (a quadratic model of the objective
// inside the bounds: few runs on the smooth objectives of a cycle model);
// with limits it is COBYLA (linear models of objective and limits, the one
// derivative-free method of the library that honours inequality limits
// directly, without the extra runs of an augmented Lagrangian). Both are
// deterministic: the same problem gives the same sequence of runs.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace diesel {

struct OptimiserVariable {
    std::string name;  // as the user wrote it, for progress lines
    double lower;      // bound, in the item's unit
    double upper;      // bound, in the item's unit (> lower)
    double start;      // first point, in the item's unit (clamped into the bounds)
};

// What one evaluation gave. A limit is met when its value is <= 0; scale each
// limit so that 1 is a large violation (e.g. (pmax - max) / max).
struct Evaluation {
    double objective = 0.0;          // to be minimised
    std::vector<double> limits;      // one value per limit, <= 0 is met
};

struct OptimiserProblem {
    std::vector<OptimiserVariable> variables;
    int32_t limitCount = 0;          // length of Evaluation::limits
    // Runs the model at `x` (one value per variable, in the items' units).
    // std::nullopt marks a failed evaluation (a run that a stopping rule
    // ended): it counts as violating every limit and as worse than any
    // evaluation seen so far, so the search turns away from it.
    std::function<std::optional<Evaluation>(const std::vector<double>& x)> evaluate;
    int32_t maxEvaluations = 200;
    double tolerance = 1e-4;         // stop when a step moves every variable less than this share of its range
};

struct OptimiserResult {
    bool found = false;              // a successful evaluation met every limit
    std::vector<double> x;           // the best such point (items' units); empty when none
    Evaluation best;                 // its evaluation
    int32_t evaluations = 0;         // evaluations made
    int32_t failed = 0;              // of them, failed
    std::string stopReason;          // why the search ended, for the report
};

// Searches for the smallest objective that meets every limit. Keeps the best
// feasible evaluation itself rather than trusting the library's last point.
// Throws std::invalid_argument for an empty or inverted box.
OptimiserResult minimise(const OptimiserProblem& problem);

}  // namespace diesel
