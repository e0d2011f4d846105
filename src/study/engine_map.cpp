#include "study/engine_map.hpp"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "files/run_folder.hpp"
#include "study/map_grid.hpp"
#include "study/map_jobs.hpp"
#include "study/map_point_run.hpp"
#include "case/run_inputs.hpp"
#include "state/run_state.hpp"

namespace diesel {

namespace {

void usage(std::ostream& os) {
    os << "usage: diesel-cycle map BASE --speeds GRID --loads GRID [--jobs N] [--out DIR] [--csv FILE]\n"
          "       diesel-cycle map BASE --speeds GRID --loads GRID --emit-jobs DIR [--binary PATH]\n"
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
          "  --csv FILE       write the CSV to FILE instead of stdout\n"
          "  --emit-jobs DIR  run nothing: write a folder per point, jobs.txt (one command\n"
          "                   per point, for GNU parallel) and slurm-array.sh (a Slurm job\n"
          "                   array) into DIR\n"
          "  --binary PATH    program the emitted commands call (default: this one)\n"
          "  --collect DIR    the CSV of an emitted map from its finished point folders\n"
          "  --point DIR      run one emitted point (the command jobs.txt holds)\n"
          "\n"
          "CSV columns: speed_rpm; target_pe_bar or set_fuel_10mm3 (the load of the point);\n"
          "fuel_10mm3 (fuel quantity in force at the end); pe_bar, be_g_kwh, nv, tex_degc,\n"
          "etai, lambda (as in fort13.dat, unrounded); pmax_bar (peak cylinder-1 pressure\n"
          "of the last cycle); cycles; end: completed, or the rule that ended the run\n"
          "(max-cycles, exhaust-eqr-limit, fuel-limit, exhaust-pressure-low,\n"
          "non-finite-state), input-error, or missing (--collect: no result yet).\n"
          "Every real is written in its shortest form that reads back exactly.\n"
          "\n"
          "exit status: 0 every point completed, 3 a point was ended early by a stopping\n"
          "             rule (its row is kept and says which), 2 a point did not run or a\n"
          "             usage or file error\n";
}

struct Options {
    std::string base, speeds, loads, out, csv, emit, collect, point, binary;
    unsigned jobs = 0;
};

// Parses the arguments after "map"; false with a message in `error`.
bool parse_options(int argc, const char* const* argv, Options& o, std::string& error, bool& help) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            help = true;
            return true;
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
        if (target != nullptr || a == "--jobs") {
            if (i + 1 >= argc) {
                error = a + " needs a value";
                return false;
            }
            const std::string v = argv[++i];
            if (target != nullptr) {
                *target = v;
                continue;
            }
            char* end = nullptr;
            const unsigned long n = std::strtoul(v.c_str(), &end, 10);
            if (v.empty() || *end != '\0' || n < 1 || n > 4096) {
                error = "--jobs needs a whole number from 1 to 4096, not '" + v + "'";
                return false;
            }
            o.jobs = static_cast<unsigned>(n);
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

// Reads and checks the base folder; its operating point goes to `base`.
bool read_base(const std::string& dir, InputTexts& texts, BasePoint& base, std::ostream& err) {
    if (!read_input_folder(dir, texts, err)) return false;
    auto s = std::make_unique<RunState>();
    try {
        read_inputs(*s, texts);
    } catch (const InputError& e) {
        err << "diesel-cycle: map: base folder " << dir << ": " << e.what() << '\n';
        return false;
    }
    base = {s->SPEED, s->MODE, s->PETARG, s->FUEL, s->NCYL};
    return true;
}

std::string seconds_text(double s) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f s", s);
    return buf;
}

// ---- in-process map ---------------------------------------------------------

int run_map(const Options& o, const InputTexts& baseTexts, const BasePoint& base,
            const std::vector<MapPoint>& points, std::ostream& out, std::ostream& err) {
    const std::size_t n = points.size();
    unsigned jobs = o.jobs != 0 ? o.jobs : std::thread::hardware_concurrency();
    if (jobs == 0) jobs = 1;
    if (jobs > n) jobs = static_cast<unsigned>(n);

    // Shared between the workers: the next point to take, the count of points
    // done and not completed, and one result slot per point.
    std::vector<PointResult> results(n);
    std::atomic<std::size_t> next{0}, done{0}, notCompleted{0};
    auto take_point = [&]() {
        const std::size_t i = next.fetch_add(1, std::memory_order_relaxed);
        if (i >= n) return false;
        InputTexts texts = baseTexts;
        texts.fort3 = point_fort3(base, points[i]);
        const std::string dir = o.out.empty() ? std::string() : path_join(o.out, point_folder_name(points[i].index));
        results[i] = run_map_point(texts, points[i], dir);
        if (results[i].end != run_end_name(RunEnd::Completed)) notCompleted.fetch_add(1, std::memory_order_relaxed);
        done.fetch_add(1, std::memory_order_relaxed);
        return true;
    };

    const auto start = std::chrono::steady_clock::now();
    auto progress = [&](bool last) {
        const std::size_t d = done.load(std::memory_order_relaxed);
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        err << "map: " << d << " of " << n << " points done, " << notCompleted.load(std::memory_order_relaxed)
            << " not completed";
        if (last) {
            err << ", " << seconds_text(elapsed) << " with " << jobs << (jobs == 1 ? " job" : " jobs");
        } else if (d > 0) {
            err << ", about " << seconds_text(elapsed / static_cast<double>(d) * static_cast<double>(n - d)) << " left";
        }
        err << '\n';
    };

    // The calling thread is one of the jobs; between its points it reports
    // progress about once a second.
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < jobs; ++t) {
        pool.emplace_back([&]() {
            while (take_point()) {
            }
        });
    }
    auto shown = start;
    while (take_point()) {
        const auto now = std::chrono::steady_clock::now();
        if (now - shown >= std::chrono::seconds(1)) {
            progress(false);
            shown = now;
        }
    }
    for (auto& t : pool) t.join();
    progress(true);

    std::string csv = map_csv_header(base) + "\n";
    bool notRun = false, stopped = false;
    for (std::size_t i = 0; i < n; ++i) {
        csv += results[i].row + "\n";
        if (results[i].end == kPointInputError) notRun = true;
        else if (results[i].end != run_end_name(RunEnd::Completed)) stopped = true;
        if (!results[i].message.empty()) {
            err << "diesel-cycle: map: point " << points[i].index << " (" << shortest_real(points[i].speed)
                << " rpm, load " << shortest_real(points[i].load) << "): " << results[i].message << '\n';
        }
    }
    if (!write_map_csv(o.csv, csv, out, err)) return kExitFileError;
    return map_exit_status(notRun, stopped);
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
    const std::optional<std::vector<float>> speeds = parse_grid_axis(o.speeds, error);
    if (!speeds) {
        err << "diesel-cycle: map: --speeds: " << error << '\n';
        return kExitFileError;
    }
    const std::optional<std::vector<float>> loads = parse_grid_axis(o.loads, error);
    if (!loads) {
        err << "diesel-cycle: map: --loads: " << error << '\n';
        return kExitFileError;
    }
    InputTexts baseTexts;
    BasePoint base{};
    if (!read_base(o.base, baseTexts, base, err)) return kExitFileError;
    const std::vector<MapPoint> points = map_points(*speeds, *loads);
    if (!o.emit.empty()) return emit_map_jobs(o.emit, o.binary, baseTexts, base, points, err);
    return run_map(o, baseTexts, base, points, out, err);
}

}  // namespace diesel
