// A warm start: the state a run starts its first cycle from, taken from the
// end of another, finished run instead of the start rows of its case. A study
// whose points lie close together hands each run the converged state of a
// fixed predecessor (or one carried on from two, extrapolated()), so that it
// converges in fewer cycles. Its results then differ from a lone run's within
// the convergence tolerances.
//
// The start state is everything one cycle hands on to the next: the zone
// states and their derivatives at the cycle end, the refinement in force, the
// corrected fuel quantity, the reference states and coolant coefficient that
// each cycle renews, and the history tables. The run's own inputs, its
// constants and its counters (cycles, the converged and output flags) are its
// own: a warm run is searched, converged and counted as any other. A run
// given no start state is the cold run, to the bit.
#pragma once

#include <cstdint>
#include <memory>

#include "state/run_state.hpp"

namespace diesel {

struct StartState {
    // Of the run it was taken from: a run with another engine layout,
    // start angle or step cannot use it.
    int32_t NCYL;
    float ANGST;  // [deg]
    float DPHI;   // [deg]

    ZoneArray MASS, TEMP, EQR;        // last iterate [kg], [K], [-]
    ZoneArray MASS0, TEMP0, EQR0;     // start of the next step [kg], [K], [-]
    ZoneArray DMASS, DTEMP, DEQR;     // derivatives at the start of the next step [kg/rad], [K/rad], [1/rad]
    float DPH;                        // step in force [deg]
    int32_t NSMALL;                   // small steps since the last refinement
    float QF;                         // fuel quantity in force [10 mm3]
    float TIVC;                       // temperature at intake closing of the last cycle [K]
    float PIVC;                       // pressure at intake closing [Pa]
    float PREFM, TREFM;               // reference state of the shape exponent [Pa], [K]
    float HCOOL;                      // coolant-side coefficient [W/(m2 K)]
    float PE, FMEP;                   // brake and friction mean effective pressure of the last cycle [bar]
    HistoryArray TRPRES, TRMASS, TRTEMP, TREQR, TRPEXR, TRMEXR, TRTEXR, TRHTC, TRHTCT, TRQWALL, TRQHEAD, TRQPIST,
        TRQLINER, TRHEX;              // units as in RunState
};

// The start state a finished run hands on: `end` is its state when it ended.
// Null when that state is no start for another run (a quantity not finite, a
// mass or temperature not above zero).
std::unique_ptr<StartState> start_state_of(const RunState& end);

// How far beyond the last of two start states extrapolated() reaches, in
// steps between them.
inline constexpr float kMaxExtrapolation = 2.0f;

// The start state of a run one step further along a sequence of runs (say,
// the next load of a map): every quantity carried on linearly from `before`
// and `last`, last + (last - before) * ratio, where `ratio` is the next run's
// step over the step from `before` to `last`; the step control that of
// `last`. Null when the two come from runs of different layouts, when ratio
// is not in (0, kMaxExtrapolation], or when the result is no physical state.
std::unique_ptr<StartState> extrapolated(const StartState& before, const StartState& last, float ratio);

// The start state of a run beside another sequence of runs: `base` moved by
// the step that sequence took from `from` to `to`, base + (to - from) * ratio,
// `ratio` being the new run's step over that one; the step control that of
// `base`. Null in the same cases as extrapolated(), which is
// shifted(last, before, last, ratio).
std::unique_ptr<StartState> shifted(const StartState& base, const StartState& from, const StartState& to, float ratio);

// Gives the run `s`, just set up, the state `start` carries, unless `start`
// comes from a run of another cylinder count, start angle or step. A run
// that controls its load takes the fuel quantity of `start` scaled to its
// own target by the indicated mean effective pressures, (PETARG + FMEP) /
// (PE + FMEP); a fixed-fuel run keeps its FUEL. True when it was applied;
// false leaves `s` as it was (a cold start).
bool start_from(RunState& s, const StartState& start);

}  // namespace diesel
