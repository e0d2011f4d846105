// A run folder: binding a run to the fixed file names of a working folder.
// The folder's case is read into the run's state, every output is prepared
// before the run and committed after it; the run itself is the caller's.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "files/case_inputs.hpp"
#include "files/folder_lock.hpp"
#include "files/output_files.hpp"
#include "files/text_files.hpp"
#include "state/run_io.hpp"

namespace diesel {

class TraceTable;

// A file a caller adds to a run's outputs, replaced with them (a study
// point's case.toml).
struct FolderFile {
    std::string name;
    std::string text;
};

// What a run writes into its folder besides the eight outputs.
struct FolderOutputs {
    bool consoleFile = false;  // the progress lines go to console.txt, an output like the others
    bool results = false;      // results.json, the run's figures at full precision and its input set
    bool traces = false;       // with results: traces.csv, every traced step of the output cycle
    std::vector<FolderFile> files;
};

// The files of one run in folder `dir`. In order: read_inputs (or a state
// loaded by the caller), lock (unless the caller holds the folder already),
// prepare, the run with sinks(), then commit or finish.
class RunFolder {
public:
    explicit RunFolder(std::string dir);
    ~RunFolder();
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;

    // Reads and checks the folder's case (case.toml or "fort3.dat" and
    // "fort2.dat", with the start table "fort14.dat"; see case_inputs.hpp)
    // into `s`. Warnings and the refusal go to `diag` as "diesel-cycle: ..."
    // lines. Touches no file.
    bool read_inputs(const CaseInputOptions& options, RunState& s, std::ostream& diag);

    // Takes the folder's lock: one run at a time holds a folder. False, with
    // `error` saying why, when another process holds it or no lock file can
    // be made; where the file system cannot lock, a warning goes to `diag`
    // and the run may go on.
    bool lock(std::ostream& diag, std::string& error);

    // Prepares every output of the run of `s` before any is written: removes
    // the temporaries a killed run left, makes the temporaries of the start
    // table (when the run may rewrite it), of the files given and of the
    // export files, and opens the outputs all or none. The export files of an
    // earlier run are removed, as they belong to its outputs. False, with
    // `error` naming the file, when one of them cannot be written; the
    // earlier outputs then stay as they were.
    bool prepare(const RunState& s, FolderOutputs outputs, std::string& error);

    // The streams of the run: its outputs; the progress lines to console.txt
    // when prepared so, else to `console` (none when null); warnings and stop
    // reasons to `diag`; the trace recorder of traces.csv.
    OutputSinks sinks(std::ostream& diag, std::ostream* console = nullptr);

    // After the run of `s`: writes the outputs, then replaces the start table
    // (when the run rewrote it), the files given and the export files (both
    // or neither), each whole or not at all. Stops at the first file that
    // cannot be written and returns what went wrong, naming it; empty when
    // all were written.
    std::string commit(const RunState& s, const RunOutcome& outcome);

    // commit() as the run command ends: returns the exit status, with the
    // messages of a failed file, of progress lines that could not be written
    // to `console` and of an early end on `diag`.
    int finish(const RunState& s, const RunOutcome& outcome, std::ostream& console, std::ostream& diag);

private:
    struct Replacement;

    std::string dir_;
    FolderLock lock_;
    FolderOutputs outputs_;
    std::unique_ptr<Replacement> startTable_;          // prepared when the run may rewrite it
    std::vector<std::unique_ptr<Replacement>> files_;  // outputs_.files, then the export files
    OutputFiles streams_;
    std::unique_ptr<const RunState> inputSet_;  // results.json records the input set as read
    std::unique_ptr<TraceTable> traces_;
};

}  // namespace diesel
