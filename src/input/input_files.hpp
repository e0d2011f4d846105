// Reading the three fort files into the run state.
#pragma once

#include "case/input_error.hpp"
#include "state/run_io.hpp"
#include "state/run_state.hpp"

namespace diesel {

// Reads "fort3.dat", "fort2.dat" and the start rows of "fort14.dat" into a
// case (case/fort_files.hpp) and loads it into `s` (case/run_inputs.hpp):
// the input set, VOL of both receivers, MASS0/TEMP0/EQR0 of every zone and
// NZONE; nothing else of the state is touched. Throws InputError naming the
// file, record and item.
void read_inputs(RunState& s, const InputTexts& texts);

}  // namespace diesel
