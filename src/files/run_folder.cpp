#include "files/run_folder.hpp"

#include <cerrno>
#include <cstring>
#include <memory>
#include <unistd.h>
#include <optional>
#include <ostream>

#include "driver/simulation.hpp"
#include "case/fort_files.hpp"
#include "files/case_inputs.hpp"
#include "files/output_files.hpp"
#include "report/results_json.hpp"
#include "report/trace_table.hpp"
#include "state/exit_status.hpp"
#include "state/run_state.hpp"

namespace diesel {

bool read_folder_inputs(const std::string& dir, InputTexts& texts, std::string& error) {
    const struct { const char* name; int unit; std::optional<std::string>* slot; } inputs[] = {
        {"fort3.dat", 3, &texts.fort3}, {"fort2.dat", 2, &texts.fort2}, {"fort14.dat", 14, &texts.fort14}};
    for (const auto& in : inputs) {
        // A single cylinder takes no row of the start table, so its file is not even opened.
        if (in.slot == &texts.fort14 && fort3_cylinder_count(texts.fort3) == 1) break;
        std::string text, why;
        if (read_text_file(path_in(dir, in.name), text, why)) {
            *in.slot = std::move(text);
        } else if (!why.empty()) {
            error = std::string(in.name) + " (unit " + std::to_string(in.unit) + "): cannot be read: " + why;
            return false;
        }
    }
    return true;
}

bool lock_run_folder(FolderLock& lock, const std::string& dir, std::ostream& diag, std::string& error) {
    std::string detail, warning;
    error = lock_refusal(lock.acquire(dir, detail), dir, detail, warning);
    if (!warning.empty()) diag << "diesel-cycle: warning: " << warning << '\n';
    return error.empty();
}

int run_in_folder(const std::string& dir, std::ostream& console, std::ostream& diag,
                  const CaseInputOptions& options, bool exportResults) {
    // All input is read and checked before any file is touched.
    RunState s{};
    std::string error;
    if (!load_folder_inputs(dir, options, s, diag)) return kExitFileError;

    FolderLock lock;
    if (!lock_run_folder(lock, dir, diag, error)) {
        diag << "diesel-cycle: " << error << '\n';
        return kExitFileError;
    }
    // Under the lock no other run can be writing a start table here: a
    // temporary left over is one a killed run could not remove.
    remove_leftover_temporaries(dir, "fort14.dat");

    // The start table is an output too: its temporary is made with the others,
    // before any of them is emptied, and an interrupt removes it.
    PendingReplacement startTable;
    if (s.NCYL <= 2 && !startTable.prepare(path_in(dir, "fort14.dat"), error)) {
        diag << "diesel-cycle: fort14.dat (unit 14): " << error << '\n';
        return kExitFileError;
    }
    OutputFiles files;
    if (!files.open(dir, kRunOutputs, error)) {
        diag << "diesel-cycle: " << error << '\n';
        return kExitFileError;
    }
    // The export files of an earlier run would otherwise stand beside outputs they do not belong to.
    for (const char* name : {"results.json", "traces.csv"}) {
        if (::unlink(path_in(dir, name).c_str()) != 0 && errno != ENOENT) {
            diag << "diesel-cycle: " << name << ": cannot remove the one of an earlier run: " << std::strerror(errno)
                 << '\n';
            files.abandon();
            return kExitFileError;
        }
    }
    // The export records the input set as read, before set-up turns units and renews values.
    const std::unique_ptr<const RunState> inputSet = exportResults ? std::make_unique<RunState>(s) : nullptr;
    std::optional<TraceTable> traces;
    if (exportResults) traces.emplace(s.NCYL);
    // Unit 11 is opened and left empty.
    const OutputSinks sinks{&files.stream(0), &files.stream(1), &files.stream(2), &files.stream(4), &files.stream(5),
                            &files.stream(6), &files.stream(7), &console,         &diag,
                            traces ? &*traces : nullptr};
    const RunOutcome outcome = run_simulation(s, sinks);

    int status = outcome.end == RunEnd::Completed ? kExitCompleted : kExitStopped;
    if (error = files.close(); !error.empty()) {
        diag << "diesel-cycle: " << error << '\n';
        status = kExitFileError;
    }
    console.flush();
    if (outcome.rewritesStartTable && status != kExitFileError) {
        error = startTable.commit(outcome.startTable);
        if (!error.empty()) {
            diag << "diesel-cycle: fort14.dat (unit 14): " << error << '\n';
            status = kExitFileError;
        }
    }
    if (exportResults && status != kExitFileError) {
        const struct { const char* name; std::string text; } exports[] = {
            {"results.json", results_json(*inputSet, s, outcome)}, {"traces.csv", traces->csv()}};
        for (const auto& e : exports) {
            if (const std::string error = replace_file_atomically(path_in(dir, e.name), e.text); !error.empty()) {
                diag << "diesel-cycle: " << e.name << ": " << error << '\n';
                status = kExitFileError;
                // Both or neither.
                for (const auto& written : exports) ::unlink(path_in(dir, written.name).c_str());
                break;
            }
        }
    }
    // Lost progress lines do not hold back the start table, but the run did
    // not deliver all it should have.
    if (!console) {
        diag << "diesel-cycle: standard output: the progress lines could not be written\n";
        status = kExitFileError;
    }
    if (outcome.end != RunEnd::Completed) {
        diag << "diesel-cycle: " << outcome.reason << '\n';
    }
    return status;
}

}  // namespace diesel
