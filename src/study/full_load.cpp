#include "study/full_load.hpp"

#include <algorithm>
#include <atomic>
#include <optional>
#include <ostream>

#include "case/case_checks.hpp"
#include "state/exit_status.hpp"
#include "study/csv_output.hpp"
#include "study/map_grid.hpp"
#include "study/point_pool.hpp"
#include "study/progress.hpp"
#include "study/study_base.hpp"
#include "study/study_run.hpp"
#include "study/warm_start.hpp"

namespace diesel {

namespace {

// Halvings of FUELMX tried before a speed counts as having no feasible fuel:
// down to FUELMX / 65536.
constexpr int32_t kHalvings = 16;

// Runs of a typical search: a few to bracket, eight or so to bisect.
constexpr double kTypicalRuns = 14.0;

// One run of the search and what it says.
struct Trial {
    bool meets = false;
    std::string breach;  // what broke: a figure name or a run ending
    std::string why;     // the same in words
    StudyRun run;
};

Trial try_fuel(const Case& base, float speed, float fuel, const std::vector<FigureLimit>& limits, WarmStart& warm) {
    Trial t;
    StudyRunOptions options;
    options.start = warm.start();
    t.run = run_study_case(full_load_case(base, speed, fuel), options);
    warm.ran(t.run.state.get(), t.run.outcome.end);
    if (t.run.status != StudyRun::Status::Ran) {
        t.breach = "input-error";
        t.why = t.run.error;
    } else if (t.run.outcome.end != RunEnd::Completed) {
        t.breach = run_end_name(t.run.outcome.end);
        t.why = "the run stopped: " + t.run.outcome.reason;
    } else if (const FigureLimit* worst = worst_limit(limits, *t.run.state)) {
        t.breach = worst->figure->name;
        t.why = limit_breach(*worst, *t.run.state);
    } else {
        t.meets = true;
    }
    return t;
}

std::string figure_field(const FullLoadPoint& p, const char* name) {
    return p.found ? csv_real(find_output_figure(name)->value(*p.state)) : std::string();
}

std::string csv_row(const FullLoadPoint& p) {
    std::string row = csv_real(p.speed) + "," + (p.found ? csv_real(p.fuel) : std::string()) + "," +
                      figure_field(p, "pe") + "," + figure_field(p, "torque") + "," + figure_field(p, "power") + "," +
                      (p.found ? p.activeLimit : std::string("none")) + "," +
                      (p.found ? run_end_name(p.outcome.end) : kNoFuelMeetsLimits);
    for (const OutputFigure& f : output_figures()) row += "," + figure_field(p, f.name);
    return row;
}

}  // namespace

Case full_load_case(const Case& base, float speed, float fuel) {
    Case c = base;
    c.set_integer(Item::MODE, 2);
    c.set_real(Item::SPEED, speed);
    c.set_real(Item::FUEL, fuel);
    return c;
}

FullLoadPoint find_full_load(const Case& base, float speed, const std::vector<FigureLimit>& limits, double tolerance,
                             const std::function<void()>& onRun, bool warmStart) {
    FullLoadPoint p;
    p.speed = speed;
    WarmStart warm(warmStart);
    const auto trial = [&](float fuel) {
        Trial t = try_fuel(base, speed, fuel, limits, warm);
        ++p.runs;
        if (onRun) onRun();
        return t;
    };
    const auto take = [&p](float fuel, Trial& t) {
        p.found = true;
        p.fuel = fuel;
        p.outcome = t.run.outcome;
        p.state = std::move(t.run.state);
    };

    // The bracket: FUELMX, then halves of it.
    float hi = base.real(Item::FUELMX);
    Trial t = trial(hi);
    if (t.meets) {
        take(hi, t);
        p.activeLimit = item_info(Item::FUELMX).name;
        return p;
    }
    p.activeLimit = t.breach;
    float lo = hi;
    for (int32_t k = 0; k < kHalvings && !p.found; ++k) {
        lo = static_cast<float>(static_cast<double>(lo) / 2.0);
        t = trial(lo);
        if (t.meets) {
            take(lo, t);
        } else {
            hi = lo;
            p.activeLimit = t.breach;
            p.why = "at fuel " + shortest_real(lo) + ": " + t.why;
        }
    }
    if (!p.found) return p;

    // Bisection, each middle rounded once to a float, until the bracket is
    // closed to the tolerance or to neighbouring floats.
    while (static_cast<double>(hi) > static_cast<double>(lo) * (1.0 + tolerance)) {
        const float mid = static_cast<float>((static_cast<double>(lo) + static_cast<double>(hi)) / 2.0);
        if (!(mid > lo && mid < hi)) break;
        t = trial(mid);
        if (t.meets) {
            lo = mid;
            take(mid, t);
        } else {
            hi = mid;
            p.activeLimit = t.breach;
        }
    }
    p.above = hi;
    return p;
}

std::string full_load_csv_header() {
    std::string header = "speed_rpm,fuel_10mm3,pe_bar,torque_nm,power_kw,active_limit,end";
    for (const OutputFigure& f : output_figures()) header += std::string(",") + f.name;
    return header;
}

int run_full_load(const FullLoadRequest& o, std::ostream& out, std::ostream& err) {
    std::vector<float> speeds;
    if (!o.speeds.empty()) {
        std::string error;
        const std::optional<std::vector<float>> axis = parse_grid_axis(o.speeds, kDefaultMaxPoints, error);
        if (!axis) {
            err << "diesel-cycle: full-load: --speeds: " << error << '\n';
            return kExitFileError;
        }
        speeds = *axis;
    }
    // The search sets the run mode and the fuel itself.
    std::vector<SweptItem> swept{{Item::MODE, "full-load (its runs are fixed-fuel)"}, {Item::FUEL, "the full-load search"}};
    if (!speeds.empty()) swept.push_back({Item::SPEED, "--speeds"});
    const std::optional<Case> loaded = load_study_base("full-load", o.baseDir, o.caseOptions, swept, 0, err);
    if (!loaded) return kExitFileError;
    const Case& base = *loaded;
    if (speeds.empty()) speeds.push_back(base.real(Item::SPEED));

    // Every speed's case is checked before anything runs.
    const float fuelMax = base.real(Item::FUELMX);
    if (!(fuelMax > 0.0f)) {
        err << "diesel-cycle: full-load: " << item_label(Item::FUELMX) << " is " << shortest_real(fuelMax)
            << "; the search looks for the fuel quantity in (0, FUELMX]: set it with --set FUELMX=...\n";
        return kExitFileError;
    }
    for (const float speed : speeds) {
        const CaseCheck check = check_case(full_load_case(base, speed, fuelMax));
        if (!check.errors.empty()) {
            err << "diesel-cycle: full-load: " << shortest_real(speed) << " rpm: " << check.errors.front()
                << "; nothing was run\n";
            return kExitFileError;
        }
    }
    CsvOutput csvOutput("full-load");
    if (!csvOutput.prepare(o.csvFile, err)) return kExitFileError;

    const std::size_t n = speeds.size();
    std::vector<FullLoadPoint> points(n);
    // Searches differ in length; the time left is estimated from the runs, a
    // speed taking as many as the finished ones took on average (kTypicalRuns
    // before one has finished).
    std::atomic<std::size_t> done{0}, runs{0}, runsOfDone{0};
    Progress progress(err, "full-load", "speeds done", n, o.quiet);
    const auto note = [&]() { return std::to_string(runs.load()) + " runs"; };
    const auto share = [&]() {
        const std::size_t finished = done.load();
        const double perSpeed = finished == 0 ? kTypicalRuns
                                              : static_cast<double>(runsOfDone.load()) / static_cast<double>(finished);
        return std::min(0.99, static_cast<double>(runs.load()) / (perSpeed * static_cast<double>(n)));
    };
    run_point_pool(
        n, o.jobs,
        [&](std::size_t i) {
            points[i] = find_full_load(
                base, speeds[i], o.limits, o.tolerance,
                [&]() {
                    runs.fetch_add(1);
                    progress.tick_share(done.load(), share(), note());
                },
                o.warmStart);
            runsOfDone.fetch_add(static_cast<std::size_t>(points[i].runs));
            done.fetch_add(1);
        },
        [&](std::size_t) { return true; });
    progress.finish(n, note());

    std::string csv = full_load_csv_header() + "\n";
    bool missing = false;
    for (const FullLoadPoint& p : points) {
        csv += csv_row(p) + "\n";
        if (p.found) continue;
        missing = true;
        err << "diesel-cycle: full-load: " << shortest_real(p.speed) << " rpm: no fuel quantity in (0, "
            << shortest_real(fuelMax) << "] meets the limits; " << p.why << '\n';
    }
    if (!csvOutput.write(csv, out, err)) return kExitFileError;
    return missing ? kExitStopped : kExitCompleted;
}

}  // namespace diesel
