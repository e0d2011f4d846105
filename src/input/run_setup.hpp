// Run set-up: the fixed quantities of a run, derived once from the input set.
#pragma once

#include "state/run_state.hpp"

namespace diesel {

// Sets the outlet-valve constants, converts inputs in place (valve areas,
// coolant temperature, combustion angles), derives the run constants and the
// first fuel quantity, and gives the driver variables their start values.
// Opens nothing: the output streams are the caller's.
void set_up_run(RunState& s);

}  // namespace diesel
