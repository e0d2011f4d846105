// The simulation driver: set-up, the loop nest over cycles, crank-angle steps
// and corrector passes, the stopping rules and the final reports.
#pragma once

#include <string>

#include "driver/start_state.hpp"
#include "state/run_io.hpp"
#include "state/run_state.hpp"

namespace diesel {

// Runs a whole simulation on a state filled by read_inputs(): set-up, trace
// headers, cycles until the output cycle is complete or a stopping rule ends
// the run, then the final console line and the summary reports. Every output
// goes to the streams of `out`; a null stream is not wanted, and what would go
// to it is not formatted at all when it is a summary report or when all three
// trace streams are null. The state the run ends with is the same. The new
// start table, when the run rewrites it, is returned in the outcome: binding it
// to "fort14.dat" is the caller's business. With `start` the run begins from
// that state instead of its start rows when it fits (start_state.hpp).
RunOutcome run_simulation(RunState& s, const OutputSinks& out, const StartState* start = nullptr);

// Why the fuel limit ended the run, from the corrected fuel quantity QF of
// `s`; a QF that is not a finite number is explained, never printed.
std::string fuel_limit_reason(const RunState& s);

}  // namespace diesel
