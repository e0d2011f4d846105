#include "analysis/calibrate_files.hpp"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <ostream>

#include "analysis/analysis_error.hpp"
#include "analysis/calibration_report.hpp"
#include "analysis/pressure_trace.hpp"
#include "case/input_error.hpp"
#include "files/text_files.hpp"
#include "state/exit_status.hpp"
#include "study/progress.hpp"

namespace diesel {

namespace {

namespace fs = std::filesystem;

// The calibrated case goes into a folder of its own: a new or empty one, never
// the case's.
void require_new_folder(const std::string& dir, const std::string& caseFolder) {
    std::error_code ec;
    if (!fs::exists(dir, ec)) return;
    if (fs::equivalent(dir, caseFolder, ec))
        throw AnalysisError(kExitFileError, "--write " + dir + ": is the case folder; the calibrated case goes into a new folder");
    if (!fs::is_directory(dir, ec)) throw AnalysisError(kExitFileError, "--write " + dir + ": exists and is no folder");
    if (!fs::is_empty(dir, ec) || ec)
        throw AnalysisError(kExitFileError, "--write " + dir + ": the folder is not empty; the calibrated case goes into a new folder");
}

// The format the case was read in: fort files when any value came from one.
CaseFormat format_of(const Case& c) {
    for (const InputItem& it : input_items())
        if (c.source(it.id).kind == ValueSource::Kind::FortFile) return CaseFormat::Fort;
    return CaseFormat::Toml;
}

// The case as read with the fitted values. A load-controlled case stays so,
// unless its fuel quantity was fitted, which only fixed fuel uses. Start rows
// read from a file go with it, since the new folder holds no start table.
Case calibrated_case(const AnalysisCase& c, const CalibrationResult& r) {
    Case out = c.given;
    for (size_t k = 0; k < r.inputs.size(); ++k) {
        out.set_number(r.inputs[k].item, r.fitted[k]);
        if (r.inputs[k].item == Item::FUEL) out.set_integer(Item::MODE, 2);
    }
    if (out.start_rows_needed() > 0 && out.start.loaded) out.start.inlineRows = true;
    return out;
}

std::string values(const std::vector<CalibrationInput>& inputs, const std::vector<double>& x) {
    std::string t;
    for (size_t k = 0; k < inputs.size(); ++k) t += (k ? " " : "") + inputs[k].name + " " + held_text(x[k]);
    return t;
}

std::string bar(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4f bar", v);
    return buf;
}

}  // namespace

int calibrate_files(const CalibrateRequest& q, std::ostream& out, std::ostream& err) {
    const auto started = std::chrono::steady_clock::now();
    const auto seconds = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(); };
    std::ostream silent(nullptr);
    std::ostream& said = q.quiet ? silent : err;
    try {
        if (!q.writeFolder.empty()) require_new_folder(q.writeFolder, q.caseFolder);
        const PressureTrace trace = read_pressure_trace_file(q.pressureFile);
        said << "calibrate: " << trace.angle.size() << " samples read from " << q.pressureFile << "; running case "
            << q.caseFolder << " once\n";
        const AnalysisCase c = load_analysis_case(q.caseFolder, q.caseOptions);
        for (const std::string& w : c.warnings) err << "diesel-cycle: warning: " << w << '\n';
        said << "calibrate: case at fixed fuel " << c.fuel << " (10 mm3)"
            << (c.loadControlled ? ", the fuel its load control converged to" : "") << "; analysing the trace\n";
        const AnalysisResult analysis = analyse_pressure(c, trace, q.trace);
        if (!analysis.fitted && !q.calibration.startFromCase)
            err << "diesel-cycle: warning: the analysis finds no burn to fit; SOC, DURC0 and MWIEB0 start from the case\n";

        CalibrationOptions o = q.calibration;
        if (o.inputs.empty()) o.inputs = wiebe_calibration_inputs();
        const double searchStarted = seconds();
        const auto progress = [&](const CalibrationStep& s) {
            if (q.quiet) return;
            err << "calibrate: run " << s.run << " of at most " << o.maxRuns;
            if (s.run == 1) err << " (start)";
            err << ": " << values(o.inputs, s.values) << ": ";
            if (s.completed) err << "rms " << bar(s.rms) << ", best " << bar(s.bestRms);
            else err << "failed: " << s.failure;
            // The search may end sooner: the runs left are an upper bound.
            const double perRun = (seconds() - searchStarted) / s.run;
            if (s.run < o.maxRuns) err << "; at most about " << seconds_text(perRun * (o.maxRuns - s.run)) << " left";
            err << '\n';
        };
        const CalibrationResult r = calibrate(c, analysis, o, progress);
        if (!r.found) {
            throw AnalysisError(kExitStopped, "no model run completed in " + std::to_string(r.runs) +
                                                  " runs; the search found nothing to calibrate (each run's reason is above)");
        }

        CalibrationSources sources{q.caseFolder, q.pressureFile, q.trace, o.window, c.fuel, c.loadControlled, 0.0, {}};
        const std::string dir = q.outFolder.empty() ? q.caseFolder : q.outFolder;
        std::error_code ec;
        fs::create_directories(dir, ec);
        if (ec) throw AnalysisError(kExitFileError, "cannot create " + dir + ": " + ec.message());
        std::vector<std::string> written;
        if (!q.writeFolder.empty()) {
            require_new_folder(q.writeFolder, q.caseFolder);  // still new after the search
            fs::create_directories(q.writeFolder, ec);
            if (ec) throw AnalysisError(kExitFileError, "--write " + q.writeFolder + ": cannot create: " + ec.message());
            try {
                written = write_folder_case(q.writeFolder, calibrated_case(c, r), format_of(c.given), false);
            } catch (const InputError& e) {
                throw AnalysisError(kExitFileError, std::string("--write: ") + e.what());
            }
            sources.writtenCase = q.writeFolder;
        }
        sources.seconds = seconds();
        const std::string json = path_in(dir, "calibration.json");
        if (const std::string error = replace_file_atomically(json, calibration_json(r, sources)); !error.empty())
            throw AnalysisError(kExitFileError, error);

        out << calibration_summary(r, sources);
        out << "wrote " << json;
        for (const std::string& w : written) out << ", " << w;
        out << '\n';
        out.flush();
        if (!r.atBounds.empty()) {
            err << "diesel-cycle: warning: the calibration ended on a bound of";
            for (const std::string& b : r.atBounds) err << ' ' << b;
            err << "; widen it with --fit NAME=LO:HI, or check the trace\n";
        }
        if (c.loadControlled && !written.empty())
            err << "diesel-cycle: warning: the written case keeps its load control; it was calibrated at the fixed fuel above\n";
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.2f s", seconds());
        said << "calibrate: done in " << buf << '\n';
        return kExitCompleted;
    } catch (const AnalysisError& e) {
        err << "diesel-cycle: calibrate: " << e.what() << '\n';
        return e.status;
    }
}

}  // namespace diesel
