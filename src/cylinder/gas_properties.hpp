// Thermodynamic properties of the zone gas: air plus burnt fuel, with the
// fuel-air equivalence ratio EQR as the one composition variable.
#pragma once

#include "state/run_state.hpp"

namespace diesel {

// Specific enthalpy of the supply air at 293 K [J/kg]: UAIR(293) + 287*293.
inline constexpr float HAIR = 291377.844f;

// UAIR, UEQR, RGAS, CVAIR, CVEQR, XMIX, CVGAS, UGAS and PRES of every zone
// k = 1 .. NCYL+2 from the MASS, TEMP, EQR and VOL standing now.
void gas_properties(RunState& s);

// The three fits of the isentropic exponent, each used right before its flow.
// Valves of every cylinder j (both directions, also for receiver gas), into
// kappa[j]; slots past NCYL up to a whole chunk of lanes take unused values:
void kappa_cylinders(const RunState& s, ZoneArray& kappa);
// Exhaust-receiver outlet to the surroundings:
float kappa_outlet(const RunState& s);
// Supply of air into the intake receiver:
float kappa_supply(const RunState& s);

}  // namespace diesel
