#include "cli/analyze_command.hpp"

#include <cmath>
#include <cstdlib>
#include <ostream>
#include <string>

#include "analysis/analyze_files.hpp"
#include "files/run_folder.hpp"

namespace diesel {

namespace {

void usage(std::ostream& os) {
    os << "usage: diesel-cycle analyze CASE --pressure FILE [--out DIR] [--smooth DEG] [--no-wall-heat]\n"
          "                              [--tdc-shift DEG] [--cycles N] [--peg]\n"
          "\n"
          "Heat-release analysis of a measured cylinder-pressure trace against the case in\n"
          "the run folder CASE (fort3.dat, fort2.dat, fort14.dat): a single-zone first-law\n"
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
          "\n"
          "exit status: 0 analysed, 2 bad input, trace, usage or file error, 3 the case's\n"
          "             model run was ended by a stopping rule\n";
}

bool number(const std::string& text, double& v) {
    char* end = nullptr;
    v = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && std::isfinite(v);
}

}  // namespace

int analyze_command(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    AnalyzeRequest q;
    auto bad = [&](const std::string& what) {
        err << "diesel-cycle: analyze: " << what << '\n';
        usage(err);
        return kExitFileError;
    };
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
        if (a == "--peg") {
            q.options.peg = true;
            continue;
        }
        const bool takesValue =
            a == "--pressure" || a == "--out" || a == "--smooth" || a == "--tdc-shift" || a == "--cycles";
        if (takesValue) {
            if (i + 1 >= argc) return bad(a + " needs a value");
            const std::string v = argv[++i];
            double x = 0.0;
            if (a == "--pressure") {
                q.pressureFile = v;
            } else if (a == "--out") {
                q.outFolder = v;
            } else if (a == "--smooth") {
                if (!number(v, x) || x < 0.0) return bad("--smooth needs a width in degrees, 0 or more, not '" + v + "'");
                q.options.smooth = x;
            } else if (a == "--tdc-shift") {
                if (!number(v, x) || std::fabs(x) > 360.0) {
                    return bad("--tdc-shift needs an angle in degrees (-360 .. 360), not '" + v + "'");
                }
                q.options.tdcShift = x;
            } else {
                if (!number(v, x) || x < 1.0 || x > 10000.0 || x != std::floor(x)) {
                    return bad("--cycles needs a whole number from 1 to 10000, not '" + v + "'");
                }
                q.options.cycles = static_cast<int>(x);
            }
            continue;
        }
        if (!a.empty() && a[0] == '-') return bad("unknown option '" + a + "'");
        if (!q.caseFolder.empty()) return bad("more than one case folder ('" + q.caseFolder + "', '" + a + "')");
        q.caseFolder = a;
    }
    if (q.caseFolder.empty()) return bad("a case folder is needed");
    if (q.pressureFile.empty()) return bad("--pressure FILE is needed");
    return analyze_files(q, out, err);
}

}  // namespace diesel
