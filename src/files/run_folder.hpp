// A run folder: binding a run to the fixed file names of a working folder.
#pragma once

#include <iosfwd>
#include <string>

#include "files/folder_lock.hpp"
#include "files/text_files.hpp"
#include "state/run_io.hpp"
#include "files/case_inputs.hpp"

namespace diesel {

// Reads the input files of folder `dir`: "fort3.dat", "fort2.dat" and, unless
// "fort3.dat" names a single cylinder, "fort14.dat". A missing file stays
// std::nullopt (the reader names it); false, with `error` naming the file
// ("fort2.dat (unit 2): cannot be read: ..."), when one exists but cannot be read.
bool read_folder_inputs(const std::string& dir, InputTexts& texts, std::string& error);

// Takes `lock` on folder `dir` for a run. False, with `error` saying why, when
// another process holds it or no lock file can be made there; where the file
// system cannot lock, a warning goes to `diag` and the run may go on.
bool lock_run_folder(FolderLock& lock, const std::string& dir, std::ostream& diag, std::string& error);

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
