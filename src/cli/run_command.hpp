// The program's own command: one run in a working folder.
#pragma once

#include <iosfwd>
#include <string>

#include "files/case_inputs.hpp"

namespace diesel {

// Runs the simulation in `dir` with its case (case.toml or "fort3.dat" and
// "fort2.dat", with the start table "fort14.dat"; see case_inputs.hpp) as
// input and the eight output files beside them; progress to `console`, errors,
// warnings and stop reasons to `diag`. An input error changes no file; the new
// start table replaces "fort14.dat" atomically. One run at a time holds the
// folder, and the outputs are opened all or none. With `exportResults` the
// run also writes "results.json" and "traces.csv"; without, it removes those
// of an earlier run, as they belong to the outputs. Returns the exit status.
int run_in_folder(const std::string& dir, std::ostream& console, std::ostream& diag,
                  const CaseInputOptions& options = {}, bool exportResults = false);

}  // namespace diesel
