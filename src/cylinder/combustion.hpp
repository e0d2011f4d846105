// Single-Wiebe combustion: shape exponent per cycle, duration per step, burn
// rate per cylinder and step.
#pragma once

#include <cstdint>

#include "state/kept_result.hpp"
#include "state/run_state.hpp"

namespace diesel {

// Lower heating value of the fuel [J/kg].
inline constexpr float kHeatingValue = 43000000.0f;

// MWIEB of the cycle from the charge state at intake closing; at each cycle head.
void wiebe_exponent(RunState& s);

// DURC of the step from the exhaust-receiver EQR at the start of the step;
// speedFactor is the run's (SPEED/SPEEDR)^XDURN [-].
float duration_speed_factor(const RunState& s);
void combustion_duration(RunState& s, float speedFactor);
void combustion_duration(RunState& s);

// The power (EQR0(e)/EQRREF)^XDUREQ [-], kept by the bits of its base. The
// exhaust-receiver EQR stands still over many steps (no fuel burns and no
// burnt gas arrives), and a base with the same bits reuses its power. One per
// run: XDUREQ must not change.
using DurationPower = KeptResult<1>;
void combustion_duration(RunState& s, float speedFactor, DurationPower& last);

// Crank angle of cylinder j relative to its firing TDC [rad], in
// [-2 pi, 2 pi), from its crank angle THETA(j): the part of the burn rate that
// depends on the crank angle alone.
float burn_phase(const RunState& s, int32_t j);

// ASOC(j), WIEBE(j) and the fuel burning rate DMF(j) [kg/rad] of cylinder j
// at its phase (burn_phase) or its crank angle THETA(j).
void burn_rate(RunState& s, int32_t j, float phase);
void burn_rate(RunState& s, int32_t j);

}  // namespace diesel
