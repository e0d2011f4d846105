#include "cli/calibrate_command.hpp"

#include <cmath>
#include <ostream>
#include <string>

#include "analysis/calibrate_files.hpp"
#include "cli/case_options.hpp"
#include "cli/command_line.hpp"
#include "cli/option_values.hpp"
#include "cli/trace_options.hpp"
#include "state/exit_status.hpp"

namespace diesel {

namespace {

void usage(std::ostream& os) {
    os << "usage: diesel-cycle calibrate CASE --pressure FILE [--fit NAME[=LO:HI],...] [--window FROM:TO]\n"
          "                                [--start analysis|case] [--max-runs N] [--warm-start]\n"
          "                                [--out DIR] [--write DIR]\n"
          "                                [--tdc-shift DEG] [--cycles N] [--peg] [--smooth DEG]\n"
          "                                [--set NAME=VALUE]... [--inputs toml|fort] [--quiet]\n"
          "\n"
          "Calibrates the case in the run folder CASE (case.toml or the fort files) against a\n"
          "measured cylinder-pressure trace: runs the whole model again and again, adjusting\n"
          "the named inputs within their bounds, until the RMS difference between simulated\n"
          "and measured cylinder pressure over the window is smallest (NLopt's BOBYQA). A\n"
          "load-controlled case is calibrated at the fuel its run converges to. The trace is\n"
          "read as 'diesel-cycle analyze' reads it, and its analysis gives the start of\n"
          "SOC, DURC0 and MWIEB0.\n"
          "\n"
          "options:\n"
          "  --pressure FILE   the measured trace (required)\n"
          "  --fit LIST        the inputs to adjust, by model name or case.toml key, each\n"
          "                    with bounds NAME=LO:HI in its unit; SOC, DURC0 and MWIEB0 may\n"
          "                    leave them out (-10:30 deg, 20:150 deg, 0:4). Default:\n"
          "                    SOC,DURC0,MWIEB0\n"
          "  --window FROM:TO  crank angles compared, deg from firing TDC (default -60:90)\n"
          "  --start analysis|case\n"
          "                    start SOC, DURC0 and MWIEB0 from the trace's Wiebe fit\n"
          "                    (default) or from the case; other inputs start from the case\n"
          "  --max-runs N      model runs at most (default 400)\n"
          "  --warm-start      start each model run from the converged state of the\n"
          "                    latest completed one: fewer cycles per run; the RMS\n"
          "                    differences then differ from cold runs' within the\n"
          "                    convergence tolerances, and so may the values fitted\n"
          "  --out DIR         write calibration.json to DIR (default: CASE)\n"
          "  --write DIR       write the calibrated case into DIR, a new or empty folder,\n"
          "                    as case.toml or fort files like CASE\n"
          "  --tdc-shift DEG   the true TDC lies DEG after the recorded 0\n"
          "  --cycles N        average the first N cycles of the trace\n"
          "  --peg             level the pressure to the case's pressure at intake closing\n"
          "  --smooth DEG      smooth the pressure for the analysis that gives the start\n"
          "                    (the calibration compares the unsmoothed pressure)\n"
          "  --set NAME=VALUE  calibrate the case with one input changed (repeatable)\n"
          "  --inputs toml|fort\n"
          "                    which input files to read when CASE holds both\n"
          "  --quiet           no progress lines on stderr (warnings and errors stay)\n"
          "\n"
          "exit status: 0 calibrated, 2 bad input, trace, usage or file error, 3 no model\n"
          "             run completed (or the case's own run was ended by a stopping rule)\n";
}

// "FROM:TO", two numbers of crank angle.
bool window_of(const std::string& text, PressureWindow& w) {
    const size_t colon = text.find(':', 1);  // past a leading sign
    if (colon == std::string::npos) return false;
    return parse_number(text.substr(0, colon), w.from) && parse_number(text.substr(colon + 1), w.to);
}

}  // namespace

int calibrate_command(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CalibrateRequest q;
    auto bad = [&](const std::string& what) { return usage_error(err, "calibrate", what); };
    bool fitGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            usage(out);
            return kExitCompleted;
        }
        if (a == "--quiet") {
            q.quiet = true;
            continue;
        }
        std::string error;
        OptionTaken taken = take_trace_option(argc, argv, i, q.trace, q.pressureFile, error);
        if (taken == OptionTaken::Error) return bad(error);
        if (taken == OptionTaken::No) taken = take_case_option(argc, argv, i, q.caseOptions, error);
        if (taken == OptionTaken::Error) return case_option_error(err, "calibrate", error);
        if (taken == OptionTaken::Yes) continue;
        const bool takesValue = a == "--fit" || a == "--window" || a == "--start" || a == "--max-runs" ||
                                a == "--out" || a == "--write";
        if (takesValue) {
            std::string v;
            if (!option_value(argc, argv, i, a, v, error)) return bad(error);
            if (a == "--fit") {
                if (fitGiven) return bad("--fit is given twice; name every input in one list");
                fitGiven = true;
                q.calibration.inputs = parse_calibration_inputs(v, error);
                if (q.calibration.inputs.empty()) return bad(error);
            } else if (a == "--window") {
                PressureWindow& w = q.calibration.window;
                if (!window_of(v, w) || !(w.from < w.to) || w.from < -180.0 || w.to > 540.0)
                    return bad("--window needs FROM:TO in deg from firing TDC, within -180 .. 540 and FROM < TO, not '" +
                               v + "'");
            } else if (a == "--start") {
                if (v != "analysis" && v != "case") return bad("--start takes analysis or case, not '" + v + "'");
                q.calibration.startFromCase = v == "case";
            } else if (a == "--max-runs") {
                double x = 0.0;
                if (!parse_number(v, x) || x < 2.0 || x > 100000.0 || x != std::floor(x))
                    return bad("--max-runs needs a whole number from 2 to 100000, not '" + v + "'");
                q.calibration.maxRuns = static_cast<int32_t>(x);
            } else if (a == "--out") {
                q.outFolder = v;
            } else {
                q.writeFolder = v;
            }
            continue;
        }
        if (a == "--warm-start") {
            q.calibration.warmStart = true;
            continue;
        }
        if (!folder_argument(a, "case folder", q.caseFolder, error)) return bad(error);
    }
    if (q.caseFolder.empty()) return bad("a case folder is needed");
    if (q.pressureFile.empty()) return bad("--pressure FILE is needed");
    return calibrate_files(q, out, err);
}

}  // namespace diesel
