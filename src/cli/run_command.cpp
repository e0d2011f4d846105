#include "cli/run_command.hpp"

#include <ostream>
#include <utility>

#include "driver/simulation.hpp"
#include "files/run_folder.hpp"
#include "state/exit_status.hpp"
#include "state/run_state.hpp"

namespace diesel {

int run_in_folder(const std::string& dir, std::ostream& console, std::ostream& diag,
                  const CaseInputOptions& options, bool exportResults) {
    // All input is read and checked before any file is touched.
    RunFolder folder(dir);
    RunState s{};
    if (!folder.read_inputs(options, s, diag)) return kExitFileError;
    FolderOutputs outputs;
    outputs.results = outputs.traces = exportResults;
    std::string error;
    if (!folder.lock(diag, error) || !folder.prepare(s, std::move(outputs), error)) {
        diag << "diesel-cycle: " << error << '\n';
        return kExitFileError;
    }
    const RunOutcome outcome = run_simulation(s, folder.sinks(diag, &console));
    return folder.finish(s, outcome, console, diag);
}

}  // namespace diesel
