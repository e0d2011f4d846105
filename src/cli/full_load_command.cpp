#include "cli/full_load_command.hpp"

#include <charconv>
#include <cmath>
#include <ostream>
#include <string>

#include "cli/case_options.hpp"
#include "cli/command_line.hpp"
#include "cli/option_values.hpp"
#include "state/exit_status.hpp"
#include "study/full_load.hpp"

namespace diesel {

namespace {

void usage(std::ostream& os) {
    os << "usage: diesel-cycle full-load BASE [--speeds GRID] (--min FIG=V | --max FIG=V)...\n"
          "           [--tol P%] [--set NAME=VALUE]... [--inputs toml|fort] [--jobs N]\n"
          "           [--warm-start] [--csv FILE] [--quiet]\n"
          "\n"
          "The full-load curve at real limits: for each speed, the largest fuel quantity\n"
          "[10 mm3] in (0, FUELMX] whose run completes and meets every limit. The runs are\n"
          "fixed-fuel (MODE 2, whatever the base says). The search tries FUELMX, halves\n"
          "the fuel until a run meets every limit, then bisects until the fuel found and\n"
          "the smallest fuel found to break a limit are at most P % apart. A run ended by\n"
          "a stopping rule breaks the limits. Speeds are searched in parallel.\n"
          "\n"
          "GRID: FROM:TO:COUNT, a list V1,V2,... or a single value (default: the base's).\n"
          "FIG:  a figure by its short name (lambda, pmax, tex, be, ...; see results.md).\n"
          "\n"
          "options:\n"
          "  --min FIG=V      the figure must be at least V (--min lambda=1.4)\n"
          "  --max FIG=V      the figure must be at most V (--max pmax=150 --max tex=900)\n"
          "  --tol P%         close the bracket to P % of the fuel (default 0.5%)\n"
          "  --set NAME=VALUE change an input item of the base (not SPEED with --speeds,\n"
          "                   not MODE or FUEL, which the search sets)\n"
          "  --inputs toml|fort  which input files of BASE to read when it holds both\n"
          "  --jobs N         speeds searched at once (default: the number of cores)\n"
          "  --warm-start     start each run of a search from the converged state of its\n"
          "                   latest completed run: fewer cycles per run; the fuel found\n"
          "                   and its figures then differ from cold runs' within the\n"
          "                   convergence tolerances\n"
          "  --csv FILE       write the CSV to FILE instead of stdout\n"
          "  --quiet          no progress lines on stderr\n"
          "\n"
          "CSV columns: speed_rpm, fuel_10mm3 (the fuel found), pe_bar, torque_nm, power_kw,\n"
          "active_limit (the limit the next larger fuel tried broke: a figure name, a\n"
          "stopping rule, or FUELMX when FUELMX itself meets every limit), end (completed,\n"
          "or no-fuel-meets-limits, with empty figures and active_limit none), then every\n"
          "figure of the run at the fuel found by its short name.\n"
          "\n"
          "exit status: 0 a fuel was found at every speed, 3 no fuel met the limits at a\n"
          "             speed (its row says so), 2 bad input, usage or file error\n";
}

// "0.5%": a share of the fuel in (0, 0.5].
bool percentage(const std::string& text, double& share) {
    if (text.size() < 2 || text.back() != '%') return false;
    double v = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size() - 1, v);
    if (ec != std::errc{} || end != text.data() + text.size() - 1 || !(v > 0.0 && v <= 50.0)) return false;
    share = v / 100.0;
    return true;
}

// `caseOptionError` tells an error of --set or --inputs from a usage error.
bool parse_options(int argc, const char* const* argv, FullLoadRequest& q, std::string& error, bool& help,
                   bool& caseOptionError) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            help = true;
            return true;
        }
        if (const OptionTaken taken = take_case_option(argc, argv, i, q.caseOptions, error); taken != OptionTaken::No) {
            caseOptionError = taken == OptionTaken::Error;
            if (caseOptionError) return false;
            continue;
        }
        if (a == "--quiet" || a == "--warm-start") {
            (a == "--quiet" ? q.quiet : q.warmStart) = true;
            continue;
        }
        const bool valued = a == "--speeds" || a == "--min" || a == "--max" || a == "--tol" || a == "--jobs" || a == "--csv";
        if (!valued) {
            if (!folder_argument(a, "base folder", q.baseDir, error)) return false;
            continue;
        }
        std::string v;
        if (!option_value(argc, argv, i, a, v, error)) return false;
        if (a == "--speeds") {
            q.speeds = v;
        } else if (a == "--csv") {
            q.csvFile = v;
        } else if (a == "--jobs") {
            if (!jobs_value(v, q.jobs, error)) return false;
        } else if (a == "--tol") {
            if (!percentage(v, q.tolerance)) {
                error = "--tol needs a percentage of the fuel above 0 and at most 50, such as 0.5%, not '" + v + "'";
                return false;
            }
        } else {
            const auto limit = parse_figure_limit(v, a == "--min" ? FigureLimit::Kind::Min : FigureLimit::Kind::Max, error);
            if (!limit) return false;
            q.limits.push_back(*limit);
        }
    }
    return true;
}

}  // namespace

int full_load_command(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    FullLoadRequest q;
    std::string error;
    bool help = false, caseOptionError = false;
    if (!parse_options(argc, argv, q, error, help, caseOptionError)) {
        return caseOptionError ? case_option_error(err, "full-load", error) : usage_error(err, "full-load", error);
    }
    if (help) {
        usage(out);
        return kExitCompleted;
    }
    if (q.baseDir.empty() || q.limits.empty()) {
        return usage_error(err, "full-load",
                           q.baseDir.empty() ? "a base folder is needed" : "a limit (--min or --max) is needed");
    }
    return run_full_load(q, out, err);
}

}  // namespace diesel
