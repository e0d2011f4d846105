// A run's input set from a case: the values of every item, the receiver
// volumes and the start states of all zones, exactly as the fort reader has
// always filled them, so that a run from a Case and a run from the equivalent
// fort texts are the same run to the bit.
#pragma once

#include <string>
#include <vector>

#include "case/case.hpp"
#include "case/input_error.hpp"
#include "state/run_io.hpp"
#include "state/run_state.hpp"

namespace diesel {

// Checks `c` (case_checks.hpp) and fills the input set of `s`: every item, VOL
// of both receivers, MASS0/TEMP0/EQR0 of every zone and NZONE; nothing else of
// the state is touched. The case must hold the start rows the run needs
// (inline or loaded). Throws InputError with the first error, leaving `s` as
// it was; returns the warnings (without a "warning: " prefix).
std::vector<std::string> load_case(const Case& c, RunState& s);

// The value of `item` in an input set that load_case filled, as a double
// (exact for both types): what the model reads for it.
double input_value(const RunState& s, Item item);

// Reads the fort texts (fort_files.hpp) and loads them. Throws InputError.
void read_inputs(RunState& s, const InputTexts& texts);

}  // namespace diesel
