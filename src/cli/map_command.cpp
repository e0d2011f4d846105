#include "cli/map_command.hpp"

#include <cstdint>
#include <ostream>
#include <string>

#include "cli/case_options.hpp"
#include "cli/command_line.hpp"
#include "cli/option_values.hpp"
#include "state/exit_status.hpp"
#include "study/engine_map.hpp"
#include "study/map_design.hpp"
#include "study/map_jobs.hpp"

namespace diesel {

namespace {

void usage(std::ostream& os) {
    os << "usage: diesel-cycle map BASE [--speeds GRID] [--loads GRID] [--vary NAME=VALUES]...\n"
          "           [--lhs N [--seed S]] [--set NAME=VALUE]... [--inputs toml|fort]\n"
          "           [--jobs N] [--warm-start] [--out DIR [--export]] [--csv FILE] [--max-points N]\n"
          "           [--quiet]\n"
          "       diesel-cycle map BASE ... --emit-jobs DIR [--binary PATH] [--force]\n"
          "       diesel-cycle map --collect DIR [--csv FILE] [--quiet]\n"
          "       diesel-cycle map --point DIR\n"
          "\n"
          "Runs every point of a design on the case in the folder BASE (case.toml, or\n"
          "fort3.dat, fort2.dat and fort14.dat); each point is a complete run of the base\n"
          "case with the point's speed, load and varied items. The load is the target\n"
          "brake mean effective pressure [bar] when the base controls the load, the fuel\n"
          "quantity [10 mm3] when it fixes the fuel (MODE 2). Without --speeds or --loads\n"
          "the base's speed or load holds. One CSV row per point on stdout.\n"
          "\n"
          "GRID: FROM:TO:COUNT (COUNT values evenly spaced, both ends included),\n"
          "      a list V1,V2,... or a single value.\n"
          "NAME=VALUES: an input item by model name (IVC) or case.toml key\n"
          "      (valves.intake_closing) and its values as a GRID; repeatable, every\n"
          "      combination of all axes is run (speeds outer, the last --vary fastest).\n"
          "\n"
          "options:\n"
          "  --vary NAME=VALUES  vary an input item (not SPEED with --speeds, not the load\n"
          "                   item with --loads, not MODE)\n"
          "  --lhs N          instead of every combination, N points of a Latin hypercube\n"
          "                   over the --vary ranges, each written NAME=LO:HI (integer\n"
          "                   items are rounded); crossed with --speeds and --loads\n"
          "  --seed S         seed of the hypercube (default 1): the same seed gives the\n"
          "                   same design on every machine\n"
          "  --set NAME=VALUE change an input item of the base for every point\n"
          "                   (repeatable; not an item the map varies)\n"
          "  --inputs toml|fort  which input files of BASE to read when it holds both\n"
          "  --jobs N         points run at once (default: the number of cores)\n"
          "  --warm-start     start each point from the converged state of the previous\n"
          "                   load at its speed: fewer cycles per point; the figures then\n"
          "                   differ from a lone run's within the convergence tolerances\n"
          "                   (whatever --jobs is); loads of a speed run one after another\n"
          "  --out DIR        write each point's case.toml and output files to DIR/point-NNNN/\n"
          "  --export         with --out: each point folder's results.json too\n"
          "  --csv FILE       write the CSV to FILE instead of stdout; FILE is replaced\n"
          "                   only when the whole CSV is written\n"
          "  --max-points N   refuse a design of more than N points (default 1000000)\n"
          "  --quiet          no progress lines on stderr\n"
          "  --emit-jobs DIR  run nothing: write a folder per point with its case,\n"
          "                   jobs.txt (one command per point, for GNU parallel) and\n"
          "                   slurm-array.sh (a Slurm job array) into DIR; the same design\n"
          "                   again keeps the finished points\n"
          "  --force          with --emit-jobs: replace the jobs of another design in DIR\n"
          "                   (removes only the files their manifest lists)\n"
          "  --binary PATH    program the emitted commands call (default: this one)\n"
          "  --collect DIR    the CSV of an emitted map from its finished point folders\n"
          "  --point DIR      run one emitted point (the command jobs.txt holds); it\n"
          "                   writes its results.json too\n"
          "\n"
          "CSV columns: speed_rpm; target_pe_bar or set_fuel_10mm3 (the load of the point);\n"
          "fuel_10mm3 (fuel quantity in force at the end); pe_bar, be_g_kwh, nv, tex_degc,\n"
          "etai, lambda (as in fort13.dat, unrounded); pmax_bar (peak cylinder-1 pressure\n"
          "of the last cycle); cycles; end: completed, or the rule that ended the run\n"
          "(max-cycles, exhaust-eqr-limit, fuel-limit, exhaust-pressure-low,\n"
          "non-finite-state), non-finite-result (completed, but a figure is not finite),\n"
          "input-error, output-error (its output files could not be written), or with\n"
          "--collect missing (no result yet) or invalid (a result that is not this\n"
          "point's); then torque_nm, power_kw, etab, wlam, pmax_angle_deg, resid; then one\n"
          "column per varied item, named as written after --vary. Every real is written\n"
          "in its shortest form that reads back exactly.\n"
          "\n"
          "exit status: 0 every point completed, 3 a point was ended early by a stopping\n"
          "             rule or gave no finite result (its row is kept and says which),\n"
          "             2 a point did not run or has no valid result, a value of the\n"
          "             design was refused (before any point ran), or a usage or file\n"
          "             error; --point: 0, 3 or 2 for its one point\n";
}

struct Options {
    MapDesign design;
    std::string out, csv, emit, collect, point, binary;
    unsigned jobs = 0;
    bool force = false, exportResults = false, quiet = false, seedGiven = false, warmStart = false;
    bool caseOptionError = false;  // the error is one of --set or --inputs
};

// Parses the arguments after "map"; false with a message in `error`.
bool parse_options(int argc, const char* const* argv, Options& o, std::string& error, bool& help) {
    MapDesign& d = o.design;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            help = true;
            return true;
        }
        if (const OptionTaken taken = take_case_option(argc, argv, i, d.caseOptions, error); taken != OptionTaken::No) {
            o.caseOptionError = taken == OptionTaken::Error;
            if (o.caseOptionError) return false;
            continue;
        }
        bool* flag = a == "--force"        ? &o.force
                     : a == "--export"     ? &o.exportResults
                     : a == "--quiet"      ? &o.quiet
                     : a == "--warm-start" ? &o.warmStart
                                           : nullptr;
        if (flag != nullptr) {
            *flag = true;
            continue;
        }
        std::string* target = nullptr;
        if (a == "--speeds") target = &d.speeds;
        else if (a == "--loads") target = &d.loads;
        else if (a == "--out") target = &o.out;
        else if (a == "--csv") target = &o.csv;
        else if (a == "--emit-jobs") target = &o.emit;
        else if (a == "--collect") target = &o.collect;
        else if (a == "--point") target = &o.point;
        else if (a == "--binary") target = &o.binary;
        const bool valued = a == "--jobs" || a == "--max-points" || a == "--vary" || a == "--lhs" || a == "--seed";
        if (target == nullptr && !valued) {
            if (!folder_argument(a, "base folder", d.baseDir, error)) return false;
            continue;
        }
        std::string v;
        if (!option_value(argc, argv, i, a, v, error)) return false;
        uint64_t n = 0;
        if (target != nullptr) {
            *target = v;
        } else if (a == "--vary") {
            d.vary.push_back(v);
        } else if (a == "--jobs") {
            if (!jobs_value(v, o.jobs, error)) return false;
        } else if (a == "--seed") {
            if (!whole_number(v, 0, UINT64_MAX, n)) {
                error = "--seed needs a whole number from 0 to 18446744073709551615, not '" + v + "'";
                return false;
            }
            d.seed = n;
            o.seedGiven = true;
        } else {
            // Points are numbered with 32-bit integers.
            if (!whole_number(v, 1, INT32_MAX, n)) {
                error = a + " needs a whole number from 1 to 2147483647, not '" + v + "'";
                return false;
            }
            (a == "--lhs" ? d.lhs : d.maxPoints) = static_cast<std::size_t>(n);
        }
    }
    return true;
}

// Options that mean nothing with the others given; empty when none.
std::string conflicts(const Options& o) {
    if (!o.point.empty() || !o.collect.empty()) {
        const MapDesign& d = o.design;
        const bool designed = !d.baseDir.empty() || !d.speeds.empty() || !d.loads.empty() || !d.vary.empty() ||
                              d.lhs > 0 || !d.caseOptions.overrides.empty() || !o.emit.empty() || !o.out.empty();
        if (designed) return std::string(o.point.empty() ? "--collect" : "--point") + " takes no design, base or --out";
        if (!o.point.empty() && !o.collect.empty()) return "--point and --collect are separate commands";
        if (o.warmStart)
            return std::string(o.point.empty() ? "--collect" : "--point") +
                   " takes no --warm-start: the points of emitted jobs run apart";
    }
    if (o.seedGiven && o.design.lhs == 0) return "--seed belongs to --lhs";
    if (o.exportResults && o.out.empty()) return "--export needs --out DIR, where each point's results.json goes";
    if (!o.emit.empty() && !o.out.empty()) return "--out and --emit-jobs: an emitted point writes into its own folder";
    if (!o.emit.empty() && o.warmStart)
        return "--warm-start and --emit-jobs: emitted points run apart, each from its own case's start states";
    return {};
}

}  // namespace

int map_command(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    Options o;
    std::string error;
    bool help = false;
    if (!parse_options(argc, argv, o, error, help) || !(error = conflicts(o)).empty()) {
        return o.caseOptionError ? case_option_error(err, "map", error) : usage_error(err, "map", error);
    }
    if (help) {
        usage(out);
        return kExitCompleted;
    }
    if (!o.point.empty()) return run_emitted_point(o.point, err);
    if (!o.collect.empty()) return collect_map(o.collect, o.csv, o.quiet, out, err);

    if (o.design.baseDir.empty()) {
        return usage_error(err, "map", "a base folder is needed");
    }
    MapGrid grid;
    if (!prepare_map_grid(o.design, grid, err)) return kExitFileError;
    if (!o.emit.empty()) return emit_map_jobs(grid, {o.emit, o.binary, o.force, o.quiet}, err);
    return run_map(grid, {o.jobs, o.out, o.exportResults, o.csv, o.quiet, o.warmStart}, out, err);
}

}  // namespace diesel
