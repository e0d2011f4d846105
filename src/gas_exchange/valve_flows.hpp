// Mass and enthalpy flows through the intake and exhaust valves of a cylinder.
#pragma once

#include <cstdint>

#include "state/run_state.hpp"

namespace diesel {

// Intake valve flow DMINL(j), DHINL(j) and exhaust valve flow DMEXH(j),
// DHEXH(j) of cylinder j [kg/rad, J/rad] from the zone states of the current
// corrector pass, with the isentropic exponent standing in KAPPA. The terms of
// the orifice equations that depend on KAPPA alone are formed once for both valves.
void cylinder_valve_flows(RunState& s, int32_t j);

// Adds cylinder j's flows to the five sums the receiver balances use.
void accumulate_flow_sums(RunState& s, int32_t j);

}  // namespace diesel
