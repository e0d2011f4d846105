// Run states for the benchmarks: the bundled examples run to their end, then
// stepped on to chosen crank angles of a further cycle.
#pragma once

#include <memory>
#include <vector>

#include "cylinder/heat_transfer.hpp"
#include "state/run_io.hpp"
#include "state/run_state.hpp"

namespace diesel::bench {

// Input texts of examples/<name>/.
InputTexts example_texts(const char* name);

// The example with NCYL cylinders: c1_fixed, c4_fixed or c12_fixed.
const char* example_for_cylinders(int ncyl);

// Accepts a solved step as the driver does, without traces: history entry,
// end-of-step copy; PHI wraps back by 720 degrees at the cycle end.
void accept_without_output(RunState& s);

// A state ready for a corrector pass, with what its step head formed.
struct PassState {
    std::unique_ptr<RunState> s;
    WallStepConstants wall;
};

// The completed run of `example`, stepped on from the cycle start to every
// angle of `degrees` (after ANGST, increasing): one state per angle, each
// after the step head and predictor of its next step and ten corrector
// passes, so a further pass finds the corrector at its fixed point.
std::vector<PassState> states_at(const char* example, const std::vector<float>& degrees);

// Eight angles 90 degrees apart, so that a single cylinder is seen in
// intake, compression, combustion and exhaust.
std::vector<float> cycle_angles();

}  // namespace diesel::bench
