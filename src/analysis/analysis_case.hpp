// The case a measured trace is analysed against: a run folder's input set and
// the operating state one model run of it reaches.
#pragma once

#include <memory>
#include <string>

#include "state/run_io.hpp"
#include "state/run_state.hpp"

namespace diesel {

struct AnalysisCase {
    std::string name;                  // the case folder, for messages
    std::unique_ptr<RunState> inputs;  // input set as read, fuel fixed: MODE 2, FUEL = fuel
    std::unique_ptr<RunState> run;     // state at the end of the model run (history of its last cycle)
    float fuel = 0.0f;                 // fuel quantity per cylinder and cycle [10 mm3]
    bool loadControlled = false;       // the case controls the load; `fuel` is what its run converged to
    double fuelEnergy = 0.0;           // fuel energy per cylinder and cycle [J]
};

// The input texts of a case folder (fort3.dat, fort2.dat, fort14.dat; a missing
// file stays std::nullopt). Throws AnalysisError when one cannot be read.
InputTexts read_case_folder(const std::string& dir);

// Reads `texts` and runs the model once. A load-controlled case is analysed at
// fixed fuel: the fuel quantity its run converged to, with MODE 2. Throws
// AnalysisError: status 2 for an input error, 3 when a stopping rule ended the
// run before its output cycle was complete (no operating state to analyse at).
AnalysisCase prepare_case(const InputTexts& texts, const std::string& name);

// Runs the simulation on a copy of an input set with every output discarded;
// returns the state at its end.
std::unique_ptr<RunState> run_quietly(const RunState& inputs, RunOutcome& outcome);

}  // namespace diesel
