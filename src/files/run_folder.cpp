#include "files/run_folder.hpp"

#include <cerrno>
#include <cstring>
#include <ostream>
#include <unistd.h>

#include "report/results_json.hpp"
#include "report/trace_table.hpp"
#include "state/exit_status.hpp"
#include "state/run_state.hpp"

namespace diesel {

namespace {

// The export files, in the order they are written: results.json, then traces.csv.
constexpr const char* kResultsFile = "results.json";
constexpr const char* kTracesFile = "traces.csv";

}  // namespace

struct RunFolder::Replacement {
    std::string name;
    PendingReplacement file;
};

RunFolder::RunFolder(std::string dir) : dir_(std::move(dir)) {}

RunFolder::~RunFolder() = default;

bool RunFolder::read_inputs(const CaseInputOptions& options, RunState& s, std::ostream& diag) {
    return load_folder_inputs(dir_, options, s, diag);
}

bool RunFolder::lock(std::ostream& diag, std::string& error) {
    std::string detail, warning;
    error = lock_refusal(lock_.acquire(dir_, detail), dir_, detail, warning);
    if (!warning.empty()) diag << "diesel-cycle: warning: " << warning << '\n';
    return error.empty();
}

bool RunFolder::prepare(const RunState& s, FolderOutputs outputs, std::string& error) {
    outputs_ = std::move(outputs);
    // The folder is held by this run: a temporary left over is one a killed
    // run could not remove.
    std::vector<std::string> replaced = {"fort14.dat", kResultsFile, kTracesFile};
    for (const FolderFile& f : outputs_.files) replaced.push_back(f.name);
    remove_leftover_temporaries(dir_, replaced);

    const auto prepared = [this, &error](const std::string& name, const std::string& label) {
        auto r = std::make_unique<Replacement>();
        r->name = name;
        if (!r->file.prepare(path_in(dir_, name), error)) {
            error = label + ": " + error;
            return std::unique_ptr<Replacement>();
        }
        return r;
    };
    // The start table is an output too: its temporary is made with the
    // others, before any of them is written, and an interrupt removes it.
    if (s.NCYL <= 2 && !(startTable_ = prepared("fort14.dat", "fort14.dat (unit 14)"))) return false;
    for (const FolderFile& f : outputs_.files) {
        files_.push_back(prepared(f.name, f.name));
        if (!files_.back()) return false;
    }
    std::vector<OutputName> names(std::begin(kRunOutputs), std::end(kRunOutputs));
    if (outputs_.consoleFile) names.push_back({"console.txt", 0});
    if (!streams_.open(dir_, names, error)) return false;

    // The export files of an earlier run would otherwise stand beside outputs
    // they do not belong to.
    for (const char* name : {kResultsFile, kTracesFile}) {
        if (::unlink(path_in(dir_, name).c_str()) != 0 && errno != ENOENT) {
            error = std::string(name) + ": cannot remove the one of an earlier run: " + std::strerror(errno);
            streams_.abandon();
            return false;
        }
    }
    std::vector<const char*> exports;
    if (outputs_.results) exports.push_back(kResultsFile);
    if (outputs_.results && outputs_.traces) exports.push_back(kTracesFile);
    for (const char* name : exports) {
        files_.push_back(prepared(name, name));
        if (!files_.back()) {
            streams_.abandon();
            return false;
        }
    }
    // The export records the input set as read, before set-up turns units and renews values.
    if (outputs_.results) inputSet_ = std::make_unique<RunState>(s);
    if (outputs_.results && outputs_.traces) traces_ = std::make_unique<TraceTable>(s.NCYL);
    return true;
}

OutputSinks RunFolder::sinks(std::ostream& diag, std::ostream* console) {
    // Unit 11 is opened and left empty.
    return {&streams_.stream(0), &streams_.stream(1), &streams_.stream(2),
            &streams_.stream(4), &streams_.stream(5), &streams_.stream(6),
            &streams_.stream(7), outputs_.consoleFile ? &streams_.stream(8) : console,
            &diag,               traces_.get()};
}

std::string RunFolder::commit(const RunState& s, const RunOutcome& outcome) {
    if (std::string error = streams_.close(); !error.empty()) return error;
    if (outcome.rewritesStartTable && startTable_) {
        if (const std::string error = startTable_->file.commit(outcome.startTable); !error.empty())
            return "fort14.dat (unit 14): " + error;
    }
    const std::size_t given = outputs_.files.size();
    for (std::size_t i = 0; i < given; ++i) {
        if (const std::string error = files_[i]->file.commit(outputs_.files[i].text); !error.empty())
            return files_[i]->name + ": " + error;
    }
    if (files_.size() == given) return {};
    const std::string texts[] = {results_json(*inputSet_, s, outcome), traces_ ? traces_->csv() : std::string()};
    for (std::size_t i = given; i < files_.size(); ++i) {
        if (const std::string error = files_[i]->file.commit(texts[i - given]); !error.empty()) {
            // Both or neither.
            for (std::size_t k = given; k < files_.size(); ++k) ::unlink(path_in(dir_, files_[k]->name).c_str());
            return files_[i]->name + ": " + error;
        }
    }
    return {};
}

int RunFolder::finish(const RunState& s, const RunOutcome& outcome, std::ostream& console, std::ostream& diag) {
    int status = outcome.end == RunEnd::Completed ? kExitCompleted : kExitStopped;
    console.flush();
    if (const std::string error = commit(s, outcome); !error.empty()) {
        diag << "diesel-cycle: " << error << '\n';
        status = kExitFileError;
    }
    // Lost progress lines do not hold back the start table, but the run did
    // not deliver all it should have.
    if (!console) {
        diag << "diesel-cycle: standard output: the progress lines could not be written\n";
        status = kExitFileError;
    }
    if (outcome.end != RunEnd::Completed) diag << "diesel-cycle: " << outcome.reason << '\n';
    return status;
}

}  // namespace diesel
