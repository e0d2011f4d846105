// Mass and enthalpy flows through the intake and exhaust valves of a cylinder.
#pragma once

#include <cstdint>

#include "state/run_state.hpp"

namespace diesel {

// Intake valve flows DMINL, DHINL and exhaust valve flows DMEXH, DHEXH of every
// cylinder [kg/rad, J/rad] from the zone states of the current corrector pass;
// kappa[j] is the isentropic exponent of cylinder j's valves. The terms of the
// orifice equations that depend on the exponent alone are formed once for both valves.
void cylinder_valve_flows(RunState& s, const ZoneArray& kappa);

// Adds the cylinders' flows, in cylinder order, to the five sums the receiver balances use.
void accumulate_flow_sums(RunState& s);

}  // namespace diesel
