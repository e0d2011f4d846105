// Single-Wiebe combustion: shape exponent per cycle, duration per step, burn
// rate per cylinder and step.
#pragma once

#include <cstdint>

#include "state/run_state.hpp"

namespace diesel {

// Lower heating value of the fuel [J/kg].
inline constexpr float kHeatingValue = 43000000.0f;

// MWIEB of the cycle from the charge state at intake closing; at each cycle head.
void wiebe_exponent(RunState& s);

// DURC of the step from the exhaust-receiver EQR at the start of the step.
void combustion_duration(RunState& s);

// ASOC(j), WIEBE(j) and the fuel burning rate DMF(j) [kg/rad] of cylinder j
// at its crank angle THETA(j).
void burn_rate(RunState& s, int32_t j);

}  // namespace diesel
