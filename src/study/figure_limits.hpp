// Limits on the output figures of a run (--min lambda=1.4, --max pmax=150)
// and the figures a study optimises, by their short names in the figures
// table (report/output_figures.hpp).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "report/output_figures.hpp"
#include "state/run_state.hpp"

namespace diesel {

struct FigureLimit {
    enum class Kind { Min, Max };
    const OutputFigure* figure;
    Kind kind;
    double value;          // in the figure's unit
    std::string argument;  // "--min lambda=1.4", for messages
};

// The figure of a short name; an unknown name is refused with the nearest names.
const OutputFigure* find_figure(std::string_view name, std::string& error);

// Parses "FIGURE=VALUE" of --min or --max. Returns nullopt with `error` (a
// message without the program name) for an unknown figure or a value that is
// not a finite number.
std::optional<FigureLimit> parse_figure_limit(std::string_view argument, FigureLimit::Kind kind, std::string& error);

// How far the figure of state `s` lies beyond the limit, as a share of the
// limit's value (of 1 when the limit is 0): 0 or less when the limit is met,
// infinity when the figure is not a finite number.
double limit_excess(const FigureLimit& limit, const RunState& s);

// The limit of `limits` that `s` breaks most, or nullptr when it meets them all.
const FigureLimit* worst_limit(const std::vector<FigureLimit>& limits, const RunState& s);

// "lambda = 1.312 is below 1.4", "pmax = 162.1 bar is above 150": a broken limit in words.
std::string limit_breach(const FigureLimit& limit, const RunState& s);

}  // namespace diesel
