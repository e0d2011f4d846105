#include "cli/analyze_command.hpp"

#include <ostream>
#include <string>

#include "analysis/analyze_files.hpp"
#include "cli/case_options.hpp"
#include "cli/command_line.hpp"
#include "cli/option_values.hpp"
#include "cli/trace_options.hpp"
#include "state/exit_status.hpp"

namespace diesel {

namespace {

void usage(std::ostream& os) {
    os << "usage: diesel-cycle analyze CASE --pressure FILE [--out DIR] [--smooth DEG] [--no-wall-heat]\n"
          "                              [--tdc-shift DEG] [--cycles N] [--peg]\n"
          "                              [--set NAME=VALUE]... [--inputs toml|fort] [--quiet]\n"
          "\n"
          "Heat-release analysis of a measured cylinder-pressure trace against the case in\n"
          "the run folder CASE (case.toml or the fort files): a single-zone first-law\n"
          "analysis of the closed part of the cycle (intake closing to exhaust opening)\n"
          "with the case's geometry, the model's gas properties and its wall heat-transfer\n"
          "law; start of combustion, 5/10/50/90 % burnt, burn duration, peak pressure,\n"
          "pressure-rise rate, IMEP and the energy balance against the fuel energy; and\n"
          "the model's single-Wiebe law fitted to the burnt fraction, with the inputs SOC,\n"
          "DURC0 and MWIEB0 that give it at the case's operating state. The case is run\n"
          "once for that state; a load-controlled case is analysed at the fuel its run\n"
          "converges to.\n"
          "\n"
          "FILE: crank angle [deg] and cylinder pressure [bar] per line, separated by\n"
          "commas, semicolons or blanks; '#' starts a comment; one header line allowed.\n"
          "Angle 0 is firing TDC of cylinder 1, compression negative; the trace must cover\n"
          "compression and expansion (-180 .. 180 deg and the closed part) in equal steps.\n"
          "\n"
          "options:\n"
          "  --pressure FILE   the measured trace (required)\n"
          "  --out DIR         write analysis.csv and analysis.json to DIR (default: CASE)\n"
          "  --smooth DEG      low-pass the pressure before differentiating: a Gaussian\n"
          "                    kernel DEG wide at half height (no phase shift)\n"
          "  --no-wall-heat    apparent heat release: leave out the wall heat\n"
          "  --tdc-shift DEG   the true TDC lies DEG after the recorded 0: angles become\n"
          "                    angle - DEG\n"
          "  --cycles N        average the first N cycles (the angle runs on by 720 per cycle)\n"
          "  --peg             level the pressure to the case's pressure at intake closing,\n"
          "                    averaged over 5 deg around it (for a sensor that measures\n"
          "                    only changes)\n"
          "  --set NAME=VALUE  analyse against the case with one input changed (repeatable)\n"
          "  --inputs toml|fort\n"
          "                    which input files to read when CASE holds both\n"
          "  --quiet           no progress lines on stderr (warnings and errors stay)\n"
          "\n"
          "exit status: 0 analysed, 2 bad input, trace, usage or file error, 3 the case's\n"
          "             model run was ended by a stopping rule\n";
}

}  // namespace

int analyze_command(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    AnalyzeRequest q;
    auto bad = [&](const std::string& what) { return usage_error(err, "analyze", what); };
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            usage(out);
            return kExitCompleted;
        }
        if (a == "--no-wall-heat") {
            q.options.heat.wallHeat = false;
            continue;
        }
        if (a == "--quiet") {
            q.quiet = true;
            continue;
        }
        std::string error;
        OptionTaken taken = take_trace_option(argc, argv, i, q.options, q.pressureFile, error);
        if (taken == OptionTaken::Error) return bad(error);
        if (taken == OptionTaken::No) taken = take_case_option(argc, argv, i, q.caseOptions, error);
        if (taken == OptionTaken::Error) return case_option_error(err, "analyze", error);
        if (taken == OptionTaken::Yes) continue;
        if (a == "--out") {
            if (!option_value(argc, argv, i, a, q.outFolder, error)) return bad(error);
            continue;
        }
        if (!folder_argument(a, "case folder", q.caseFolder, error)) return bad(error);
    }
    if (q.caseFolder.empty()) return bad("a case folder is needed");
    if (q.pressureFile.empty()) return bad("--pressure FILE is needed");
    return analyze_files(q, out, err);
}

}  // namespace diesel
