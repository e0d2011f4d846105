// results.json: the complete machine-readable record of a run: how it ended,
// every output figure at full precision, the energy and mass balances, the
// program version and the input set.
#pragma once

#include <string>

#include "state/run_io.hpp"
#include "state/run_state.hpp"

namespace diesel {

// The text of results.json. `inputs` is the state as the input reader left it
// (before set-up turns units and renews values), `end` the state at the end of
// the run. Every real is the shortest text that reads back to the same float;
// a non-finite one is null, and the figure or balance entry is named under
// "non_finite".
std::string results_json(const RunState& inputs, const RunState& end, const RunOutcome& outcome);

}  // namespace diesel
