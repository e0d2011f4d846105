// One crank-angle step of all zones: the step head, the predictor, the
// corrector passes and the step refinement. The driver (simulation.cpp) adds
// the recording of accepted steps; the benchmarks time the parts on their own.
#pragma once

#include "cylinder/heat_transfer.hpp"
#include "state/run_state.hpp"

namespace diesel {

enum class PassResult { Converged, NotConverged, ExhaustPressureLow };

// Per-step work before the predictor: combustion duration, exhaust-receiver
// wall coefficient, then per cylinder kinematics, valve areas and burn rate;
// last the wall heat-transfer quantities that stay fixed for the step.
void step_head(RunState& s, WallStepConstants& wall);

// Explicit Euler from the start-of-step state, keeping copies of the
// derivatives for a refined repeat of the step.
void predictor(RunState& s);

// One corrector pass: properties, valve and wall flows of every cylinder,
// receiver boundary flows, balances and the trapezoidal update. `wall` is
// what step_head() formed for this step.
PassResult corrector_pass(RunState& s, const WallStepConstants& wall);

// Advances PHI by one step and iterates its corrector; a full step that fails
// ITMAX + 1 passes is repeated from its start as a tenth step, and a refined
// step that fails is taken unconverged. Returns Converged once the step stands
// (the caller then records and accepts it) or ExhaustPressureLow (run over).
PassResult solve_step(RunState& s);

// Hands the corrector values over as the start state of the next step.
void end_of_step_copy(RunState& s);

}  // namespace diesel
