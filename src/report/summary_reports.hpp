// The labelled summary files written once at the end of a run: "fort13.dat"
// (operating point, performance, combustion, heat transfer), "fort15.dat"
// (operating point, exhaust, outlet and heat-transfer sums) and "fort16.dat"
// (energy balance of cylinder 1).
#pragma once

#include <ostream>

#include "state/run_state.hpp"

namespace diesel {

void write_fort13(const RunState& s, std::ostream& out);  // 16 lines
void write_fort15(const RunState& s, std::ostream& out);  // 14 lines
void write_fort16(const RunState& s, std::ostream& out);  // 12 lines

}  // namespace diesel
