// Per-step history of cylinder 1 and the exhaust receiver.
#pragma once

#include "state/run_state.hpp"

namespace diesel {

// Writes entry ISTEP (1 .. 821) of every history table from the values that
// stand after the step's last corrector pass, and adds the step's outlet mass
// to EXMASS and its supply mass to SUPMASS. The caller guarantees
// 1 <= ISTEP <= 821.
void record_history(RunState& s);

}  // namespace diesel
