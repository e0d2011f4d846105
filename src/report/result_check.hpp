// Whether the final figures of a run mean anything: a run that completed its
// output cycle but whose figures are not finite numbers has no result to use.
#pragma once

#include "state/run_state.hpp"

namespace diesel {

// Peak cylinder-1 pressure of the last completed cycle [Pa]: the largest of
// history entries 1 to 720 (pressure_peak of output_figures.hpp).
float peak_cylinder_pressure(const RunState& s);

// A final figure that is not a finite number.
struct NonFiniteFigure {
    const char* name;  // its short name in the table of output figures: "pe", "work", ...
    const char* unit;  // "bar", "J", ...; empty for a ratio
    float value;
};

// The first of pe, nv, tex, pmax, the energy-balance terms (hfuel, qfri, work,
// hex, qlos, qlkop, qlkol, qllau) and, when fuel was injected, be and etai
// that is not finite; `name` is nullptr when all are. Without fuel (QF = 0) be
// and etai have no meaning, and a motored run is a result.
NonFiniteFigure first_non_finite_figure(const RunState& s);

}  // namespace diesel
