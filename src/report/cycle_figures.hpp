// End-of-cycle performance figures and energy balance of cylinder 1, and the
// final figures of a run.
#pragma once

#include <cstdint>
#include <ostream>

#include "state/run_state.hpp"

namespace diesel {

// The piston displacement rates TRDVOL of the work integral depend on the
// run's constants and on the step the history was recorded at, nothing else:
// a run keeps one of these so that it forms them once, not every cycle.
struct DisplacementRates {
    bool formed = false;
    uint32_t stepBits = 0;  // bits of the recorded step [deg] TRDVOL was formed for
};

// Integrates the history tables of the cycle just finished into WORK, the heat
// and enthalpy sums, the mean values and the performance figures; renews HCOOL;
// writes the two console lines of the cycle to `console` unless it is null.
// TRDVOL is formed anew unless `rates` says it holds the rates of this step
// already. History entries outside the 821 slots of a table count as absent;
// `diag` is told so once per run.
void cycle_figures(RunState& s, std::ostream* console, std::ostream* diag, DisplacementRates& rates);

// The same, forming TRDVOL anew.
void cycle_figures(RunState& s, std::ostream& console, std::ostream* diag);

// WLAM, PSO2, RESID, LAMBDA and the combustion angles in degrees, once at run
// end from the last completed cycle.
void final_figures(RunState& s);

// Bits of RunState::WARNED.
inline constexpr int32_t kWarnExhaustWindow = 1;  // ICA1/ICA2 beyond the tables
inline constexpr int32_t kWarnChargeEntry = 2;    // charge-mass entry not a table entry
inline constexpr int32_t kWarnTooManySteps = 4;   // more recorded steps than table slots
inline constexpr int32_t kWarnRichCombustion = 8; // fuel burning in a cylinder with EQR above 1

}  // namespace diesel
