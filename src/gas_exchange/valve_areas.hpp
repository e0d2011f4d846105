// Flow areas of the cam-driven valves and of the pressure-actuated valve.
#pragma once

#include "state/run_state.hpp"

namespace diesel {

// fmod(D, 720) [deg]: the truncating remainder, sign of D. fmod is exact, so
// any correct way of forming it gives its bits; within a few cycles of zero
// this one subtracts whole cycles, each subtraction exact, instead of calling
// the library's bit-by-bit loop.
float cycle_degrees(float D);

// Effective flow areas of the exhaust and the intake valve [m2] at the
// cylinder crank angle `angle` [rad]. Each flank is 100 degrees long.
void VALVES(const float& IVO, const float& IVC, const float& EVO, const float& EVC, const float& AIMAX,
            const float& AEMAX, const float& angle, float& AINL, float& AEXH);

// Pressure-actuated valve that admits exhaust-receiver gas (pressure P1 [Pa])
// into a cylinder (P2 [Pa]) while its exhaust valve is shut: opens when the
// pressure force on the seat DRV [m] exceeds the preload FRV [N] of a spring of
// stiffness KRV [N/m]; AEXH becomes its curtain area [m2] (no lift limit).
void CHECKV(const float& P1, const float& P2, const float& DRV, const float& FRV, const float& KRV, float& AEXH);

// CHECKV for every cylinder whose exhaust area is 0, with the exhaust-receiver
// pressure: once the valve has opened in a pass, its area stays for the
// remaining passes of the step.
void pressure_valve_areas(RunState& s);

}  // namespace diesel
