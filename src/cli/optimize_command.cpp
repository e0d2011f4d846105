#include "cli/optimize_command.hpp"

#include <ostream>
#include <string>

#include "cli/case_options.hpp"
#include "cli/command_line.hpp"
#include "cli/option_values.hpp"
#include "state/exit_status.hpp"
#include "study/optimize_study.hpp"

namespace diesel {

namespace {

void usage(std::ostream& os) {
    os << "usage: diesel-cycle optimize BASE --vary NAME=LO:HI... (--minimize FIG | --maximize FIG)\n"
          "           [--min FIG=V]... [--max FIG=V]... [--speeds GRID] [--max-evals N]\n"
          "           [--write DIR [--force]] [--set NAME=VALUE]... [--inputs toml|fort]\n"
          "           [--jobs N] [--warm-start] [--csv FILE] [--quiet]\n"
          "\n"
          "Finds the input items' values within their ranges that give the lowest (or\n"
          "highest) value of a figure while every limit is met, one optimisation per\n"
          "speed, starting from the base's values. The search is derivative-free (BOBYQA\n"
          "without limits, COBYLA with them) and deterministic. A run ended by a stopping\n"
          "rule is a failed evaluation, which the search turns away from. Each evaluation\n"
          "is reported on stderr; the best point of each speed goes to stdout as CSV.\n"
          "\n"
          "NAME: an input item by model name (IVC) or case.toml key; integer items are\n"
          "      rounded. FIG: a figure by its short name (be, nv, pmax, lambda, ...).\n"
          "GRID: FROM:TO:COUNT, a list V1,V2,... or a single value (default: the base's).\n"
          "\n"
          "options:\n"
          "  --vary NAME=LO:HI  an item to optimise and its range (repeatable)\n"
          "  --minimize FIG   the figure to make as small as possible (or --maximize FIG)\n"
          "  --min FIG=V      a limit: the figure must be at least V\n"
          "  --max FIG=V      a limit: the figure must be at most V (--max pmax=150)\n"
          "  --speeds GRID    optimise at each of these speeds [rpm]\n"
          "  --max-evals N    evaluations per speed at most (default 200)\n"
          "  --write DIR      write the best case as DIR/case.toml (several speeds:\n"
          "                   DIR/speed-N/case.toml); a folder holding a case is refused\n"
          "                   before anything runs, unless --force\n"
          "  --set NAME=VALUE change an input item of the base (not a varied one)\n"
          "  --inputs toml|fort  which input files of BASE to read when it holds both\n"
          "  --jobs N         speeds optimised at once (default: the number of cores)\n"
          "  --warm-start     start each evaluation from the converged state of the\n"
          "                   latest completed one: fewer cycles per evaluation; the\n"
          "                   figures then differ from a lone run's within the\n"
          "                   convergence tolerances, and so may the optimum found\n"
          "  --csv FILE       write the CSV to FILE instead of stdout\n"
          "  --quiet          no progress lines on stderr\n"
          "\n"
          "CSV columns: speed_rpm, the varied items (named as written after --vary), every\n"
          "figure of the best run by its short name, end (completed, or\n"
          "no-point-meets-limits with empty fields).\n"
          "\n"
          "exit status: 0 an optimum meeting every limit was found at every speed, 3 at a\n"
          "             speed no evaluation met the limits, 2 bad input, usage or file error\n";
}

// `caseOptionError` tells an error of --set or --inputs from a usage error.
bool parse_options(int argc, const char* const* argv, OptimizeRequest& q, std::string& error, bool& help,
                   bool& caseOptionError) {
    bool objectiveGiven = false;
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
        if (a == "--quiet" || a == "--force" || a == "--warm-start") {
            (a == "--quiet" ? q.quiet : a == "--force" ? q.force : q.warmStart) = true;
            continue;
        }
        const bool valued = a == "--vary" || a == "--minimize" || a == "--maximize" || a == "--min" || a == "--max" ||
                            a == "--speeds" || a == "--max-evals" || a == "--write" || a == "--jobs" || a == "--csv";
        if (!valued) {
            if (!folder_argument(a, "base folder", q.baseDir, error)) return false;
            continue;
        }
        std::string v;
        if (!option_value(argc, argv, i, a, v, error)) return false;
        uint64_t n = 0;
        if (a == "--vary") {
            q.vary.push_back(v);
        } else if (a == "--minimize" || a == "--maximize") {
            if (objectiveGiven) {
                error = "one objective only: --minimize or --maximize, once";
                return false;
            }
            objectiveGiven = true;
            q.objective = {find_figure(v, error), a == "--maximize"};
            if (q.objective.figure == nullptr) {
                error = a + " " + v + ": " + error;
                return false;
            }
        } else if (a == "--min" || a == "--max") {
            const auto limit = parse_figure_limit(v, a == "--min" ? FigureLimit::Kind::Min : FigureLimit::Kind::Max, error);
            if (!limit) return false;
            q.limits.push_back(*limit);
        } else if (a == "--speeds") {
            q.speeds = v;
        } else if (a == "--max-evals") {
            if (!whole_number(v, 1, 100000, n)) {
                error = "--max-evals needs a whole number from 1 to 100000, not '" + v + "'";
                return false;
            }
            q.maxEvaluations = static_cast<int32_t>(n);
        } else if (a == "--write") {
            q.writeDir = v;
        } else if (a == "--jobs") {
            if (!jobs_value(v, q.jobs, error)) return false;
        } else {
            q.csvFile = v;
        }
    }
    return true;
}

}  // namespace

int optimize_command(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    OptimizeRequest q;
    std::string error;
    bool help = false, caseOptionError = false;
    if (!parse_options(argc, argv, q, error, help, caseOptionError)) {
        return caseOptionError ? case_option_error(err, "optimize", error) : usage_error(err, "optimize", error);
    }
    if (help) {
        usage(out);
        return kExitCompleted;
    }
    const char* missing = q.baseDir.empty()              ? "a base folder"
                          : q.vary.empty()               ? "an item to vary (--vary NAME=LO:HI)"
                          : q.objective.figure == nullptr ? "an objective (--minimize FIG or --maximize FIG)"
                                                          : nullptr;
    if (missing != nullptr) {
        return usage_error(err, "optimize", std::string(missing) + " is needed");
    }
    if (q.force && q.writeDir.empty()) return usage_error(err, "optimize", "--force belongs to --write DIR");
    return run_optimize(q, out, err);
}

}  // namespace diesel
