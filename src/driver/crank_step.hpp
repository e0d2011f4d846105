// One crank-angle step of all zones: the step head (step_head.hpp), the
// predictor, the corrector passes and the step refinement. The driver
// (simulation.cpp) adds the recording of accepted steps; the benchmarks time
// the parts on their own.
#pragma once

#include "cylinder/heat_transfer.hpp"
#include "driver/pass_powers.hpp"
#include "driver/step_head.hpp"
#include "state/run_state.hpp"

namespace diesel {

enum class PassResult { Converged, NotConverged, ExhaustPressureLow };

// Explicit Euler from the start-of-step state, keeping copies of the
// derivatives for a refined repeat of the step.
void predictor(RunState& s);

// One corrector pass: properties, valve and wall flows of every cylinder,
// receiver boundary flows, balances and the trapezoidal update. `wall` is
// what the step head formed for this step, `powers` the run's kept powers.
PassResult corrector_pass(RunState& s, const WallStepConstants& wall, PassPowers& powers);

// Advances PHI by one step and iterates its corrector; a full step that fails
// ITMAX + 1 passes is repeated from its start as a tenth step, and a refined
// step that fails is taken unconverged. Returns Converged once the step stands
// (the caller then records and accepts it) or ExhaustPressureLow (run over).
// `head` is the run's step head.
PassResult solve_step(RunState& s, StepHead& head);

// Hands the corrector values over as the start state of the next step.
void end_of_step_copy(RunState& s);

}  // namespace diesel
