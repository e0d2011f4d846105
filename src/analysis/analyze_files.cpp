#include "analysis/analyze_files.hpp"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <ostream>

#include "analysis/analysis_error.hpp"
#include "analysis/analysis_report.hpp"
#include "analysis/pressure_trace.hpp"
#include "files/text_files.hpp"
#include "state/exit_status.hpp"

namespace diesel {

namespace {

void write(const std::string& path, const std::string& text) {
    const std::string error = replace_file_atomically(path, text);
    if (!error.empty()) throw AnalysisError(kExitFileError, error);
}

}  // namespace

int analyze_files(const AnalyzeRequest& q, std::ostream& out, std::ostream& err) {
    const auto started = std::chrono::steady_clock::now();
    std::ostream silent(nullptr);
    std::ostream& progress = q.quiet ? silent : err;
    try {
        const PressureTrace trace = read_pressure_trace_file(q.pressureFile);
        progress << "analyze: " << trace.angle.size() << " samples read from " << q.pressureFile << "; running case "
            << q.caseFolder << " once\n";
        const AnalysisCase c = load_analysis_case(q.caseFolder, q.caseOptions);
        for (const std::string& w : c.warnings) err << "diesel-cycle: warning: " << w << '\n';
        progress << "analyze: case at fixed fuel " << c.fuel << " (10 mm3)"
            << (c.loadControlled ? ", the fuel its load control converged to" : "") << "; analysing\n";
        const AnalysisResult r = analyse_pressure(c, trace, q.options);
        if (r.cycle.cyclesInFile > r.cycle.cyclesAveraged) {
            progress << "analyze: the trace holds " << r.cycle.cyclesInFile << " cycles; the first "
                << (r.cycle.cyclesAveraged == 1 ? std::string("is analysed")
                                                : std::to_string(r.cycle.cyclesAveraged) + " are averaged")
                << " (--cycles N averages N)\n";
        }

        const AnalysisSources sources{q.caseFolder, q.pressureFile, c.fuel, c.loadControlled, c.inputs->SPEED};
        const std::string dir = q.outFolder.empty() ? q.caseFolder : q.outFolder;
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        if (ec) throw AnalysisError(kExitFileError, "cannot create " + dir + ": " + ec.message());
        const std::string json = analysis_json(r, sources);
        const std::string csv = analysis_csv(r);
        write(path_in(dir, "analysis.json"), json);
        write(path_in(dir, "analysis.csv"), csv);

        out << analysis_summary(r, sources);
        out << "wrote " << path_in(dir, "analysis.csv") << " and " << path_in(dir, "analysis.json") << '\n';
        out.flush();
        if (r.burn.combustion && !r.fitted)
            err << "diesel-cycle: warning: the burnt fraction reaches no 90 %; no Wiebe fit\n";
        if (r.fitted && !r.fit.atBounds.empty()) {
            err << "diesel-cycle: warning: the Wiebe fit ended on a bound of";
            for (const std::string& b : r.fit.atBounds) err << ' ' << b;
            err << "; its inputs are doubtful\n";
        }
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.2f s", std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
        progress << "analyze: done in " << buf << '\n';
        return kExitCompleted;
    } catch (const AnalysisError& e) {
        err << "diesel-cycle: analyze: " << e.what() << '\n';
        return e.status;
    }
}

}  // namespace diesel
