// The seams through which a run reads its input files and writes its outputs.
// The simulation never opens a file itself: the command-line layer (or a test,
// or an engine-map worker) hands in the text of each input file and a stream
// for each output, so a whole run can take place in memory.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

namespace diesel {

// Text of the three input files; std::nullopt stands for a missing file.
struct InputTexts {
    std::optional<std::string> fort3;   // operating point
    std::optional<std::string> fort2;   // engine data, run control, start states
    std::optional<std::string> fort14;  // start table of cylinders 2 .. NCYL
};

struct RunState;

// Told of every traced step, the steps whose lines go to the trace files, with
// the state after the step's last corrector pass. Exports hang here to record
// more than the trace files hold, at full precision.
class StepObserver {
public:
    virtual void traced_step(const RunState& s) = 0;

protected:
    ~StepObserver() = default;
};

// Output streams of a run. "fort11.dat" is opened and never written, so it has
// no stream here; the command-line layer creates it. `diag` takes warnings and
// the line that says why a run ended early (stderr in the program). A null
// stream is not wanted: engine maps and other runs in memory leave out what
// nobody reads, and the run skips formatting it.
struct OutputSinks {
    std::ostream* fort8 = nullptr;    // cylinder-1 trace, every recorded step
    std::ostream* fort9 = nullptr;    // cylinder-1 trace, every tenth step
    std::ostream* fort10 = nullptr;   // exhaust receiver and valves of cylinder 1
    std::ostream* fort12 = nullptr;   // one empty record per continued cycle
    std::ostream* fort13 = nullptr;   // summary report
    std::ostream* fort15 = nullptr;   // summary report
    std::ostream* fort16 = nullptr;   // energy balance
    std::ostream* console = nullptr;  // progress lines (stdout)
    std::ostream* diag = nullptr;     // warnings and stop reasons (stderr)
    StepObserver* steps = nullptr;    // full-precision record of the traced steps; none when null
    bool startTableText = true;       // form RunOutcome::startTable; false leaves it empty for a caller that drops it
};

// How a run ended. Only Completed means the output cycle was run, was periodic
// and gave finite figures.
enum class RunEnd : int32_t {
    Completed,           // the output cycle was completed
    MaxCycles,           // the cycle count reached MAXCYC
    ExhaustEqrLimit,     // exhaust equivalence ratio above EQRMAX
    FuelLimit,           // corrected fuel quantity above FUELMX
    ExhaustPressureLow,  // exhaust-receiver pressure below 0.528 bar
    NonFiniteState,      // a zone's mass, temperature or EQR stopped being finite
    NonFiniteResult,     // the output cycle was completed, but a final figure is not finite
};

struct RunOutcome {
    RunEnd end = RunEnd::Completed;
    int32_t cycle = 0;        // cycle in progress when the run ended (1-based)
    float phi = 0.0f;         // crank angle of cylinder 1 at the end [deg]
    std::string reason;       // one line saying why the run ended early; empty when Completed
    bool rewritesStartTable = false;  // NCYL <= 2 and the state stayed finite
    std::string startTable;   // new text of "fort14.dat" when rewritesStartTable and wanted (no rows when NCYLE <= 1)
};

// Short name of a run ending, for CSV files and messages ("completed", "max-cycles", ...).
const char* run_end_name(RunEnd end);

}  // namespace diesel
