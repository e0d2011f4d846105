// Slider-crank kinematics of one cylinder.
#pragma once

#include <cstdint>

#include "state/run_state.hpp"

namespace diesel {

// Volume VOL(j), its rate DVOL(j) per radian and the exposed liner area
// ALINER(j) of cylinder j at its own crank angle PHI + (j-1)*FIRE, which is
// left in THETA(j) [rad] for the valves and the combustion phase.
// FIRE is the firing interval 720/FNCYL [deg], formed once per step.
void cylinder_kinematics(RunState& s, int32_t j, float FIRE);

// The same for every cylinder at once: the same bits, the arithmetic of all
// cylinders in vector lanes.
void every_cylinder_kinematics(RunState& s, float FIRE);

}  // namespace diesel
