// The three crank-angle traces of the output cycle: "fort8.dat" (cylinder 1,
// every recorded step), "fort9.dat" (the same columns, every tenth step) and
// "fort10.dat" (exhaust receiver and the valves of cylinder 1).
#pragma once

#include <ostream>

#include "state/run_state.hpp"

namespace diesel {

// One header line of column titles per file, written once at run start.
void write_trace_headers(std::ostream& fort8, std::ostream& fort9, std::ostream& fort10);

// The data lines of one recorded step: "fort9.dat" first when ISTEP is a
// multiple of 10, then "fort8.dat", then "fort10.dat". The caller decides
// whether the step is traced (output cycle); no allocation per call.
void write_trace_lines(const RunState& s, std::ostream& fort8, std::ostream& fort9,
                       std::ostream& fort10);

}  // namespace diesel
