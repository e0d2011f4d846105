// One run of a study: the case of a map point, of a full-load trial or of an
// optimiser's evaluation, run in a RunState of its own, in memory or with its
// output files in a folder. Every study command runs the model through here,
// so that how a study's run starts and what it keeps is decided in one place.
#pragma once

#include <memory>
#include <string>

#include "case/case.hpp"
#include "driver/start_state.hpp"
#include "state/run_io.hpp"
#include "state/run_state.hpp"

namespace diesel {

struct StudyRunOptions {
    std::string outDir;          // empty: in memory; else the run's output files and console.txt go there
    bool writeCase = false;      // with outDir: the case as outDir/case.toml (start rows inline)
    bool exportResults = false;  // with outDir: outDir/results.json, as a run's --export writes it
    const StartState* start = nullptr;  // a warm start (start_state.hpp); null: the case's start rows
};

struct StudyRun {
    enum class Status { Ran, InputRefused, OutputFailed };
    Status status = Status::InputRefused;
    std::string error;                // InputRefused: the input error; OutputFailed: the folder and file
    RunOutcome outcome;               // Ran: how the run ended
    std::unique_ptr<RunState> state;  // Ran: the state at the end of the run

    bool completed() const { return status == Status::Ran && outcome.end == RunEnd::Completed; }
};

// Checks and runs `c`. With an output folder the run's files are bound to it
// as a run's in its working folder are (files/run_folder.hpp; the folder is
// made first, and the caller holds it: a map's --out lock, or the point
// folder's own): prepared all or none before the run, the start table, the
// case and results.json each replaced whole after it, the export files of an
// earlier run removed. A run whose files cannot be written is OutputFailed,
// and then no results.json stands in the folder.
StudyRun run_study_case(const Case& c, const StudyRunOptions& options = {});

// The case as a self-contained case.toml: the start rows a run of it reads
// are written inline, so the file needs no start table beside it.
Case self_contained(const Case& c);

}  // namespace diesel
