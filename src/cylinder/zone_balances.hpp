// Mass, energy and composition balances of every zone, and the trapezoidal
// corrector update with its convergence flag.
#pragma once

#include "state/run_state.hpp"

namespace diesel {

// DMASSN, DEQRN, DTEMPN (and PDVM) of every cylinder, by valve state.
void cylinder_balances(RunState& s);

// The rigid, adiabatic intake receiver; needs the supply flow DMINL(NCYL+1).
void intake_receiver_balance(RunState& s);

// The rigid exhaust receiver, losing QER to its wall; needs the outlet flow.
void exhaust_receiver_balance(RunState& s);

// Trapezoidal update of every zone from the start-of-step state; sets CONVFLAG
// (< 1.0 when the pass converged) and stores the new iterate in MASS, TEMP, EQR.
void corrector_update(RunState& s);

}  // namespace diesel
