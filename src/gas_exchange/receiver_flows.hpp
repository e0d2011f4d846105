// Exchange of the two receivers with the surroundings at 100000 Pa and 293 K.
#pragma once

#include "state/run_state.hpp"

namespace diesel {

// Flow area [m2] of the spring-loaded outlet valve of the exhaust receiver at
// the absolute receiver pressure pe [Pa]; 0 while the spring holds it shut.
float outlet_valve_area(const float& pe, const float& DOUT, const float& FOUT, const float& KOUT);

// Outlet flow DMEXH(NCYL+2), DHEXH(NCYL+2) of the exhaust receiver [kg/rad,
// J/rad], positive outwards; sets KAPPA and AOUT. Returns false, with no flow
// formed, when the receiver pressure has fallen below 0.528 bar: the run must
// stop at once.
bool exhaust_outlet_flow(RunState& s);

// Supply flow DMINL(NCYL+1) into the intake receiver [kg/rad]; sets KAPPA.
// Cut off (no backflow) above 100000 Pa; no choked branch.
void intake_supply_flow(RunState& s);

}  // namespace diesel
