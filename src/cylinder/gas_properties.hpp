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
// Valves of cylinder j (both directions, also for receiver gas):
float kappa_cylinder(const RunState& s, int32_t j, float C);
// C of the cylinder fit, formed once per corrector pass: EQR(e)*0.0372 + 0.005.
float kappa_cylinder_coefficient(const RunState& s);
// Exhaust-receiver outlet to the surroundings:
float kappa_outlet(const RunState& s);
// Supply of air into the intake receiver:
float kappa_supply(const RunState& s);

}  // namespace diesel
