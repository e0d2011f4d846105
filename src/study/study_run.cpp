#include "study/study_run.hpp"

#include <filesystem>
#include <sstream>
#include <system_error>
#include <utility>

#include "case/case_toml.hpp"
#include "case/input_error.hpp"
#include "case/run_inputs.hpp"
#include "driver/in_memory_run.hpp"
#include "driver/simulation.hpp"
#include "files/run_folder.hpp"

namespace diesel {

namespace {

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
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) return refused(StudyRun::Status::OutputFailed, "cannot create " + dir + ": " + ec.message());
    FolderOutputs outputs;
    outputs.consoleFile = true;
    outputs.results = o.exportResults;
    if (o.writeCase) outputs.files.push_back({"case.toml", write_case_toml(self_contained(c))});
    // The study holds the folder: its --out lock, or the point folder's own.
    RunFolder folder(dir);
    std::string error;
    if (!folder.prepare(*s, std::move(outputs), error))
        return refused(StudyRun::Status::OutputFailed, dir + ": " + error);
    // Only the reason of an early end is kept, in the outcome; the run's
    // other lines on its diagnostic stream are not.
    std::ostringstream diag;
    StudyRun r;
    r.outcome = run_simulation(*s, folder.sinks(diag), o.start);
    if (error = folder.commit(*s, r.outcome); !error.empty())
        return refused(StudyRun::Status::OutputFailed, dir + ": " + error);
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
