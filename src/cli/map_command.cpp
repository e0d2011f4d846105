#include "cli/map_command.hpp"

#include <charconv>
#include <cstdint>
#include <ostream>
#include <string>

#include "files/run_folder.hpp"
#include "study/engine_map.hpp"
#include "study/map_jobs.hpp"

namespace diesel {

namespace {

void usage(std::ostream& os) {
    os << "usage: diesel-cycle map BASE --speeds GRID --loads GRID [--jobs N] [--out DIR] [--csv FILE]\n"
          "       diesel-cycle map BASE --speeds GRID --loads GRID --emit-jobs DIR\n"
          "           [--binary PATH] [--force]\n"
          "       diesel-cycle map --collect DIR [--csv FILE]\n"
          "       diesel-cycle map --point DIR\n"
          "\n"
          "Runs every operating point of a grid of speeds and loads on the input files in\n"
          "the folder BASE (fort3.dat, fort2.dat, fort14.dat); each point is a complete run\n"
          "with the speed and load of fort3.dat replaced. The load is the target brake mean\n"
          "effective pressure [bar] when fort3.dat controls the load, the fuel quantity\n"
          "[10 mm3] when it fixes the fuel (MODE 2). One CSV row per point on stdout.\n"
          "\n"
          "GRID: FROM:TO:COUNT (COUNT values evenly spaced, both ends included),\n"
          "      a list V1,V2,... or a single value.\n"
          "\n"
          "options:\n"
          "  --jobs N         points run at once (default: the number of cores)\n"
          "  --out DIR        write each point's output files to DIR/point-NNNN/\n"
          "  --csv FILE       write the CSV to FILE instead of stdout; FILE is replaced\n"
          "                   only when the whole CSV is written\n"
          "  --max-points N   refuse a grid of more than N points (default 1000000)\n"
          "  --emit-jobs DIR  run nothing: write a folder per point, jobs.txt (one command\n"
          "                   per point, for GNU parallel) and slurm-array.sh (a Slurm job\n"
          "                   array) into DIR; the same grid again keeps the finished points\n"
          "  --force          with --emit-jobs: replace the jobs of another grid in DIR\n"
          "                   (removes only the files their manifest lists)\n"
          "  --binary PATH    program the emitted commands call (default: this one)\n"
          "  --collect DIR    the CSV of an emitted map from its finished point folders\n"
          "  --point DIR      run one emitted point (the command jobs.txt holds)\n"
          "\n"
          "CSV columns: speed_rpm; target_pe_bar or set_fuel_10mm3 (the load of the point);\n"
          "fuel_10mm3 (fuel quantity in force at the end); pe_bar, be_g_kwh, nv, tex_degc,\n"
          "etai, lambda (as in fort13.dat, unrounded); pmax_bar (peak cylinder-1 pressure\n"
          "of the last cycle); cycles; end: completed, or the rule that ended the run\n"
          "(max-cycles, exhaust-eqr-limit, fuel-limit, exhaust-pressure-low,\n"
          "non-finite-state), non-finite-result (completed, but a figure is not finite),\n"
          "input-error, output-error (its output files could not be written), or with\n"
          "--collect missing (no result yet) or invalid (a result that is not this\n"
          "point's). Every real is written in its shortest form that reads back exactly.\n"
          "\n"
          "exit status: 0 every point completed, 3 a point was ended early by a stopping\n"
          "             rule or gave no finite result (its row is kept and says which),\n"
          "             2 a point did not run or has no valid result, or a usage or file\n"
          "             error; --point: 0, 3 or 2 for its one point\n";
}

struct Options {
    std::string base, speeds, loads, out, csv, emit, collect, point, binary;
    unsigned jobs = 0;
    std::size_t maxPoints = kDefaultMaxPoints;
    bool force = false;
};

// A whole number from `min` to `max`, digits only.
bool whole_number(const std::string& text, uint64_t min, uint64_t max, uint64_t& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && ec == std::errc{} && end == text.data() + text.size() && value >= min && value <= max;
}

// Parses the arguments after "map"; false with a message in `error`.
bool parse_options(int argc, const char* const* argv, Options& o, std::string& error, bool& help) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            help = true;
            return true;
        }
        if (a == "--force") {
            o.force = true;
            continue;
        }
        std::string* target = nullptr;
        if (a == "--speeds") target = &o.speeds;
        else if (a == "--loads") target = &o.loads;
        else if (a == "--out") target = &o.out;
        else if (a == "--csv") target = &o.csv;
        else if (a == "--emit-jobs") target = &o.emit;
        else if (a == "--collect") target = &o.collect;
        else if (a == "--point") target = &o.point;
        else if (a == "--binary") target = &o.binary;
        if (target != nullptr || a == "--jobs" || a == "--max-points") {
            if (i + 1 >= argc) {
                error = a + " needs a value";
                return false;
            }
            const std::string v = argv[++i];
            if (target != nullptr) {
                *target = v;
                continue;
            }
            uint64_t n = 0;
            if (a == "--jobs") {
                if (!whole_number(v, 1, 4096, n)) {
                    error = "--jobs needs a whole number from 1 to 4096, not '" + v + "'";
                    return false;
                }
                o.jobs = static_cast<unsigned>(n);
            } else {
                // Points are numbered with 32-bit integers.
                if (!whole_number(v, 1, INT32_MAX, n)) {
                    error = "--max-points needs a whole number from 1 to 2147483647, not '" + v + "'";
                    return false;
                }
                o.maxPoints = static_cast<std::size_t>(n);
            }
            continue;
        }
        if (!a.empty() && a[0] == '-') {
            error = "unknown option '" + a + "'";
            return false;
        }
        if (!o.base.empty()) {
            error = "more than one base folder ('" + o.base + "', '" + a + "')";
            return false;
        }
        o.base = a;
    }
    return true;
}

}  // namespace

int map_command(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    Options o;
    std::string error;
    bool help = false;
    if (!parse_options(argc, argv, o, error, help)) {
        err << "diesel-cycle: map: " << error << '\n';
        usage(err);
        return kExitFileError;
    }
    if (help) {
        usage(out);
        return kExitCompleted;
    }
    if (!o.point.empty()) return run_emitted_point(o.point, err);
    if (!o.collect.empty()) return collect_map(o.collect, o.csv, out, err);

    if (o.base.empty() || o.speeds.empty() || o.loads.empty()) {
        err << "diesel-cycle: map: a base folder, --speeds and --loads are needed\n";
        usage(err);
        return kExitFileError;
    }
    MapGrid grid;
    if (!prepare_map_grid(o.base, o.speeds, o.loads, o.maxPoints, grid, err)) return kExitFileError;
    if (!o.emit.empty()) return emit_map_jobs(grid, {o.emit, o.binary, o.force}, err);
    return run_map(grid, {o.jobs, o.out, o.csv}, out, err);
}

}  // namespace diesel
