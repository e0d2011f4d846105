// Exchange of the two receivers with the surroundings at 100000 Pa and 293 K.
#pragma once

#include "state/kept_result.hpp"
#include "state/run_state.hpp"

namespace diesel {

// The power term X^(2/k) - X^((k+1)/k) [-] of one subsonic receiver orifice,
// kept by the bits of X and k. Once a receiver settles, the passes of a step
// meet the same bits again (the exhaust outlet about two passes in five).
using SubsonicPower = KeptResult<2>;

// The run's subsonic power terms of the receivers' orifices, one per flow.
struct ReceiverPowers {
    SubsonicPower outflow;  // exhaust receiver to the surroundings
    SubsonicPower inflow;   // surroundings back into the exhaust receiver
    SubsonicPower supply;   // surroundings into the intake receiver
};

// Flow area [m2] of the spring-loaded outlet valve of the exhaust receiver at
// the absolute receiver pressure pe [Pa]; 0 while the spring holds it shut.
float outlet_valve_area(const float& pe, const float& DOUT, const float& FOUT, const float& KOUT);

// Outlet flow DMEXH(NCYL+2), DHEXH(NCYL+2) of the exhaust receiver [kg/rad,
// J/rad], positive outwards; sets KAPPA and AOUT. Returns false, with no flow
// formed, when the receiver pressure has fallen below 0.528 bar: the run must
// stop at once.
bool exhaust_outlet_flow(RunState& s, ReceiverPowers& powers);

// Supply flow DMINL(NCYL+1) into the intake receiver [kg/rad]; sets KAPPA.
// Cut off (no backflow) above 100000 Pa; no choked branch.
void intake_supply_flow(RunState& s, ReceiverPowers& powers);

}  // namespace diesel
