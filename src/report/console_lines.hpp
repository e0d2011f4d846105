// Progress lines on the console and the per-cycle record of "fort12.dat".
#pragma once

#include <ostream>

#include "state/run_state.hpp"

namespace diesel {

// After every cycle: brake work (WORK - QFRI), exhaust enthalpy, wall heat,
// friction work and fuel energy, all in kJ.
void write_cycle_line1(const RunState& s, std::ostream& out);

// After every cycle: ICYC, TRAPR, NV, PE.
void write_cycle_line2(const RunState& s, std::ostream& out);

// Once at run end: NV, PE, ICA1, ICA2, EXMASS.
void write_final_line(const RunState& s, std::ostream& out);

// One empty line into "fort12.dat" per continued cycle.
void write_continue_record(std::ostream& fort12);

}  // namespace diesel
