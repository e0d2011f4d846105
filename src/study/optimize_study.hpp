// Optimisation of a figure over input items within their ranges, one
// optimisation per speed, with limits on other figures (the optimiser of
// optimiser.hpp: BOBYQA without limits, COBYLA with them; its header says why).
// A run that a stopping rule ends, or whose objective or limited figures are
// not finite, is a failed evaluation: the search turns away from it.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "case/case.hpp"
#include "files/case_inputs.hpp"
#include "state/run_io.hpp"
#include "state/run_state.hpp"
#include "study/figure_limits.hpp"
#include "study/varied_item.hpp"

namespace diesel {

inline constexpr const char* kNoPointMeetsLimits = "no-point-meets-limits";

struct Objective {
    const OutputFigure* figure = nullptr;
    bool maximise = false;
};

// One evaluation, as progress reports it.
struct OptimizeEvaluation {
    int32_t number;                   // 1-based
    std::vector<std::string> values;  // of the varied items, value texts
    bool ran;                         // completed with finite figures
    std::string outcome;              // "be = 231.2 g/kWh, pmax = 141 bar" or why it failed
    bool meets = false;               // ran and met every limit
    double value = 0.0;               // the objective figure (ran)
    std::string valueText;            // "be = 231.2 g/kWh" (ran)
};

// The outcome of the optimisation at one speed.
struct OptimizeResult {
    float speed = 0.0f;
    bool found = false;                // an evaluation met every limit
    std::vector<std::string> values;   // the best values (value texts)
    Case best;                         // the base with the best values, at this speed
    std::unique_ptr<RunState> state;   // the run of `best`
    RunOutcome outcome;
    int32_t evaluations = 0;
    int32_t failed = 0;
    std::string stopReason;
};

// The case of an evaluation: `base` at `speed` with the varied items set to
// `values` (value texts).
Case optimize_case(const Case& base, float speed, const std::vector<VariedItem>& varied,
                   const std::vector<std::string>& values);

// Optimises at one speed from the base's values (or the middle of a range the
// base's value lies outside); `onEvaluation` is told of each evaluation. With
// `warmStart` each evaluation starts from the end of the latest completed one
// (warm_start.hpp), and the best evaluation's own run gives the figures.
OptimizeResult optimize_at(const Case& base, float speed, const std::vector<VariedItem>& varied,
                           const Objective& objective, const std::vector<FigureLimit>& limits, int32_t maxEvaluations,
                           const std::function<void(const OptimizeEvaluation&)>& onEvaluation = {},
                           bool warmStart = false);

struct OptimizeRequest {
    std::string baseDir;
    CaseInputOptions caseOptions;     // --inputs and --set of the base
    std::string speeds;               // --speeds; empty: the base's speed
    std::vector<std::string> vary;    // --vary NAME=LO:HI
    Objective objective;
    std::vector<FigureLimit> limits;
    int32_t maxEvaluations = 200;
    unsigned jobs = 0;                // speeds optimised at once; 0: one per core
    std::string csvFile;              // empty: stdout
    std::string writeDir;             // the best case as a folder; empty: none
    bool force = false;               // --write over a folder that holds a case
    bool quiet = false;
    bool warmStart = false;           // each evaluation from the end of the one before (warm_start.hpp)
};

// The CSV header: speed_rpm, the varied items as the user wrote them, every
// figure of the figures table by its short name, end.
std::string optimize_csv_header(const std::vector<VariedItem>& varied);

// Reads the base, checks the ranges and destinations, optimises every speed
// and writes the CSV (and with writeDir the best cases). Exit status: 0 an
// optimum meeting the limits was found at every speed, 3 not at one of them,
// 2 an error.
int run_optimize(const OptimizeRequest& request, std::ostream& out, std::ostream& err);

}  // namespace diesel
