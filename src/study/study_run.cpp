#include "study/study_run.hpp"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <system_error>
#include <unistd.h>

#include "case/case_toml.hpp"
#include "case/input_error.hpp"
#include "case/run_inputs.hpp"
#include "driver/in_memory_run.hpp"
#include "driver/simulation.hpp"
#include "files/output_files.hpp"
#include "files/text_files.hpp"
#include "report/results_json.hpp"

namespace diesel {

namespace {

// The run outputs and the console text of a study's run folder.
constexpr OutputName kFolderOutputs[] = {{"fort8.dat", 8},   {"fort9.dat", 9},   {"fort10.dat", 10},
                                         {"fort11.dat", 11}, {"fort12.dat", 12}, {"fort13.dat", 13},
                                         {"fort15.dat", 15}, {"fort16.dat", 16}, {"console.txt", 0}};

StudyRun refused(StudyRun::Status status, std::string error) {
    StudyRun r;
    r.status = status;
    r.error = std::move(error);
    return r;
}

StudyRun run_into_folder(const Case& c, const StudyRunOptions& o) {
    auto s = std::make_unique<RunState>();
    try {
        load_case(c, *s);
    } catch (const InputError& e) {
        return refused(StudyRun::Status::InputRefused, e.what());
    }
    const std::string& dir = o.outDir;
    const auto failed = [&dir](const std::string& what) {
        return refused(StudyRun::Status::OutputFailed, dir + ": " + what);
    };
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) return refused(StudyRun::Status::OutputFailed, "cannot create " + dir + ": " + ec.message());
    remove_leftover_temporaries(dir, "fort14.dat");
    // An earlier run's results.json must not stand beside these outputs.
    if (::unlink(path_in(dir, "results.json").c_str()) != 0 && errno != ENOENT)
        return failed(std::string("results.json: cannot remove the one of an earlier run: ") + std::strerror(errno));
    OutputFiles files;
    std::string error;
    if (!files.open(dir, kFolderOutputs, error)) return failed(error);
    // The export records the input set as read, before set-up turns units and renews values.
    const std::unique_ptr<const RunState> inputSet = o.exportResults ? std::make_unique<RunState>(*s) : nullptr;
    std::ostringstream diag;
    const OutputSinks sinks{&files.stream(0), &files.stream(1), &files.stream(2), &files.stream(4), &files.stream(5),
                            &files.stream(6), &files.stream(7), &files.stream(8), &diag};
    StudyRun r;
    r.outcome = run_simulation(*s, sinks, o.start);
    error = files.close();
    if (error.empty() && r.outcome.rewritesStartTable) {
        error = replace_file_atomically(path_in(dir, "fort14.dat"), r.outcome.startTable);
        if (!error.empty()) error = "fort14.dat (unit 14): " + error;
    }
    if (error.empty() && o.writeCase) {
        error = replace_file_atomically(path_in(dir, "case.toml"), write_case_toml(self_contained(c)));
        if (!error.empty()) error = "case.toml: " + error;
    }
    if (error.empty() && o.exportResults) {
        error = replace_file_atomically(path_in(dir, "results.json"), results_json(*inputSet, *s, r.outcome));
        if (!error.empty()) error = "results.json: " + error;
    }
    if (!error.empty()) return failed(error);
    r.status = StudyRun::Status::Ran;
    r.state = std::move(s);
    return r;
}

}  // namespace

Case self_contained(const Case& c) {
    Case out = c;
    const auto needed = static_cast<std::size_t>(c.start_rows_needed());
    if (needed > 0 && !out.start.inlineRows && out.start.rows.size() >= needed) {
        out.start.inlineRows = true;
        out.start.rows.resize(needed);
        if (out.start.sources.size() > needed) out.start.sources.resize(needed);
    }
    return out;
}

StudyRun run_study_case(const Case& c, const StudyRunOptions& o) {
    if (!o.outDir.empty()) return run_into_folder(c, o);
    // Nobody reads the texts of a run in memory: its results are its final state.
    InMemoryRun run = run_in_memory(c, kNoTexts, o.start, nullptr);
    if (!run.inputOk) return refused(StudyRun::Status::InputRefused, run.inputError);
    StudyRun r;
    r.status = StudyRun::Status::Ran;
    r.outcome = std::move(run.outcome);
    r.state = std::move(run.state);
    return r;
}

}  // namespace diesel
