// The case a measured trace is analysed and calibrated against: a run
// folder's case, held at fixed fuel, and the operating state one model run of
// it reaches.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "case/case.hpp"
#include "driver/start_state.hpp"
#include "files/case_inputs.hpp"
#include "state/run_io.hpp"
#include "state/run_state.hpp"

namespace diesel {

struct AnalysisCase {
    std::string name;                  // the case folder, for messages
    Case given;                        // the case as read (with --set)
    Case fixed;                        // the case at fixed fuel: MODE 2, FUEL = fuel
    std::unique_ptr<RunState> inputs;  // input set of `fixed`
    std::unique_ptr<RunState> run;     // state at the end of the model run (history of its last cycle)
    float fuel = 0.0f;                 // fuel quantity per cylinder and cycle [10 mm3]
    bool loadControlled = false;       // the case controls the load; `fuel` is what its run converged to
    double fuelEnergy = 0.0;           // fuel energy per cylinder and cycle [J]
    std::vector<std::string> warnings; // the case's input warnings, without "warning: "
};

// Runs `c` once. A load-controlled case is analysed at fixed fuel: `fixed`
// is `c` with MODE 2 and FUEL the fuel quantity its run converged to, set by
// item. Throws AnalysisError: status 2 for an input error, 3 when a stopping
// rule ended the run before its output cycle was complete (no operating state
// to analyse at).
AnalysisCase prepare_case(const Case& c, const std::string& name);

// The case of folder `dir` (case.toml or the fort files, with --set and
// --inputs as a run takes them), prepared. Throws AnalysisError.
AnalysisCase load_analysis_case(const std::string& dir, const CaseInputOptions& options);

// Runs the simulation on a copy of an input set with every output discarded,
// from `start` when it is given (start_state.hpp); returns the state at its end.
std::unique_ptr<RunState> run_quietly(const RunState& inputs, RunOutcome& outcome, const StartState* start = nullptr);

}  // namespace diesel
