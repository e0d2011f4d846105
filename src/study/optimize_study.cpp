#include "study/optimize_study.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <mutex>
#include <optional>
#include <ostream>

#include "case/case_checks.hpp"
#include "case/input_error.hpp"
#include "files/text_files.hpp"
#include "report/number_format.hpp"
#include "state/exit_status.hpp"
#include "study/csv_output.hpp"
#include "study/map_grid.hpp"
#include "study/optimiser.hpp"
#include "study/point_pool.hpp"
#include "study/progress.hpp"
#include "study/study_base.hpp"
#include "study/study_run.hpp"
#include "study/warm_start.hpp"

namespace diesel {

namespace {

namespace fs = std::filesystem;

std::string figure_text(const OutputFigure& f, const RunState& s) {
    const std::string_view unit = f.unit;
    return std::string(f.name) + " = " + message_number(static_cast<double>(f.value(s))) + (unit == "-" ? "" : " " + std::string(unit));
}

// Where the best case of each speed goes: DIR itself for one speed, else DIR/speed-N.
std::string write_folder(const OptimizeRequest& q, std::size_t speeds, float speed) {
    return speeds == 1 ? q.writeDir : path_in(q.writeDir, "speed-" + shortest_real(speed));
}

bool holds_case(const std::string& dir) {
    std::error_code ec;
    for (const char* name : {kCaseFileName, "fort3.dat", "fort2.dat"}) {
        if (fs::exists(fs::symlink_status(path_in(dir, name), ec))) return true;
    }
    return false;
}

bool holds_fort_files(const std::string& dir) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path_in(dir, "fort3.dat"), ec)) ||
           fs::exists(fs::symlink_status(path_in(dir, "fort2.dat"), ec));
}

// The best case as a folder: case.toml with its start rows inline; with
// --force over fort files, those too, so that the folder's two forms agree.
std::string write_best_case(const std::string& dir, const Case& c, bool force) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) return "--write " + dir + ": cannot create the folder: " + ec.message();
    try {
        const Case written = self_contained(c);
        const bool fort = force && holds_fort_files(dir);
        write_folder_case(dir, written, CaseFormat::Toml, force);
        if (fort) write_folder_case(dir, written, CaseFormat::Fort, true);
    } catch (const InputError& e) {
        return std::string("--write ") + e.what();
    }
    return {};
}

std::string csv_row(const OptimizeResult& r, std::size_t variedCount) {
    std::string row = csv_real(r.speed);
    for (std::size_t k = 0; k < variedCount; ++k) row += "," + (r.found ? r.values[k] : std::string());
    for (const OutputFigure& f : output_figures()) row += "," + (r.found ? csv_real(f.value(*r.state)) : std::string());
    return row + "," + (r.found ? run_end_name(r.outcome.end) : kNoPointMeetsLimits);
}

}  // namespace

Case optimize_case(const Case& base, float speed, const std::vector<VariedItem>& varied,
                   const std::vector<std::string>& values) {
    Case c = base;
    if (c.real(Item::SPEED) != speed) c.set_real(Item::SPEED, speed);
    for (std::size_t k = 0; k < varied.size(); ++k) {
        if (const std::string bad = set_value_text(c, varied[k].item, values[k]); !bad.empty())
            throw InputError(item_label(varied[k].item) + ": " + bad);
    }
    return c;
}

OptimizeResult optimize_at(const Case& base, float speed, const std::vector<VariedItem>& varied,
                           const Objective& objective, const std::vector<FigureLimit>& limits, int32_t maxEvaluations,
                           const std::function<void(const OptimizeEvaluation&)>& onEvaluation, bool warmStart) {
    OptimiserProblem problem;
    for (const VariedItem& v : varied) {
        const double now = base.number(v.item);
        const double start = now >= v.low && now <= v.high ? now : 0.5 * (v.low + v.high);
        problem.variables.push_back({v.name, v.low, v.high, start});
    }
    problem.limitCount = static_cast<int32_t>(limits.size());
    problem.maxEvaluations = maxEvaluations;
    const auto texts = [&varied](const std::vector<double>& x) {
        std::vector<std::string> values;
        for (std::size_t k = 0; k < varied.size(); ++k) values.push_back(value_text(varied[k].item, x[k]));
        return values;
    };
    int32_t number = 0;
    WarmStart warm(warmStart);
    // The best evaluation as the optimiser judges it (the first of the lowest
    // objective that meets every limit), with its run: a warm run's figures
    // are its own, and a run of its case alone would not give them.
    struct Best {
        std::vector<double> x;
        double objective = 0.0;
        StudyRun run;
    };
    std::optional<Best> best;
    problem.evaluate = [&](const std::vector<double>& x) -> std::optional<Evaluation> {
        OptimizeEvaluation e{++number, texts(x), false, {}, false, 0.0, {}};
        std::optional<Evaluation> result;
        StudyRun run;
        try {
            StudyRunOptions options;
            options.start = warm.start();
            run = run_study_case(optimize_case(base, speed, varied, e.values), options);
        } catch (const InputError& error) {
            run.error = error.what();
        }
        warm.ran(run.state.get(), run.outcome.end);
        if (run.status != StudyRun::Status::Ran) {
            e.outcome = "not run: " + run.error;
        } else if (run.outcome.end != RunEnd::Completed) {
            e.outcome = std::string("stopped: ") + run_end_name(run.outcome.end);
        } else {
            const double value = static_cast<double>(objective.figure->value(*run.state));
            e.outcome = figure_text(*objective.figure, *run.state);
            Evaluation ev{objective.maximise ? -value : value, {}};
            bool finite = std::isfinite(value);
            for (const FigureLimit& l : limits) {
                ev.limits.push_back(limit_excess(l, *run.state));
                finite = finite && std::isfinite(ev.limits.back());
                e.outcome += ", " + figure_text(*l.figure, *run.state) + (ev.limits.back() > 0.0 ? " (breaks " + l.argument + ")" : "");
            }
            e.ran = finite;
            e.value = value;
            e.valueText = figure_text(*objective.figure, *run.state);
            e.meets = finite && std::all_of(ev.limits.begin(), ev.limits.end(), [](double g) { return g <= 0.0; });
            if (finite) result = ev;
            else e.outcome += ": not a finite number";
            if (warmStart && e.meets && (!best || ev.objective < best->objective)) best = Best{x, ev.objective, std::move(run)};
        }
        if (onEvaluation) onEvaluation(e);
        return result;
    };

    const OptimiserResult found = minimise(problem);
    OptimizeResult r;
    r.speed = speed;
    r.evaluations = found.evaluations;
    r.failed = found.failed;
    r.stopReason = found.stopReason;
    if (!found.found) return r;
    r.values = texts(found.x);
    r.best = optimize_case(base, speed, varied, r.values);
    // Cold, the best point once more, for all its figures: the same case gives
    // the same bits. Warm, the best evaluation's own run.
    StudyRun run = warmStart && best && best->x == found.x ? std::move(best->run) : run_study_case(r.best);
    if (!run.completed()) return r;
    r.found = true;
    r.state = std::move(run.state);
    r.outcome = run.outcome;
    return r;
}

std::string optimize_csv_header(const std::vector<VariedItem>& varied) {
    std::string header = "speed_rpm";
    for (const VariedItem& v : varied) header += "," + v.name;
    for (const OutputFigure& f : output_figures()) header += std::string(",") + f.name;
    return header + ",end";
}

int run_optimize(const OptimizeRequest& q, std::ostream& out, std::ostream& err) {
    const std::string where = "diesel-cycle: optimize: ";
    std::string error;
    std::vector<float> speeds;
    if (!q.speeds.empty()) {
        const std::optional<std::vector<float>> axis = parse_grid_axis(q.speeds, kDefaultMaxPoints, error);
        if (!axis) {
            err << where << "--speeds: " << error << '\n';
            return kExitFileError;
        }
        speeds = *axis;
    }
    std::vector<VariedItem> varied;
    std::vector<SweptItem> swept;
    if (!speeds.empty()) swept.push_back({Item::SPEED, "--speeds"});
    for (const std::string& argument : q.vary) {
        const std::optional<VariedItem> v = parse_varied_item(argument, VaryForm::Range, kDefaultMaxPoints, error);
        if (!v) {
            err << where << error << '\n';
            return kExitFileError;
        }
        for (const SweptItem& s : swept) {
            if (s.item == v->item) {
                err << where << "--vary " << argument << ": " << item_label(v->item) << " is also varied by "
                    << s.option << "; give it in one place only\n";
                return kExitFileError;
            }
        }
        if (v->item == Item::MODE) {
            err << where << "--vary " << argument << ": MODE is a choice of run mode, not a quantity to optimise\n";
            return kExitFileError;
        }
        swept.push_back({v->item, "--vary " + argument});
        varied.push_back(*v);
    }
    const std::optional<Case> loaded = load_study_base("optimize", q.baseDir, q.caseOptions, swept, 0, err);
    if (!loaded) return kExitFileError;
    const Case& base = *loaded;
    if (speeds.empty()) speeds.push_back(base.real(Item::SPEED));

    // The ranges' ends and every speed's first case, before anything runs.
    for (const VariedItem& v : varied) {
        for (const double end : {v.low, v.high}) {
            Case c = base;
            set_value_text(c, v.item, value_text(v.item, end));
            if (const auto bad = item_error(c, v.item)) {
                err << where << "--vary " << v.argument << ": " << *bad << "; nothing was run\n";
                return kExitFileError;
            }
        }
    }
    for (const float speed : speeds) {
        std::vector<std::string> start;
        for (const VariedItem& v : varied) {
            const double now = base.number(v.item);
            start.push_back(value_text(v.item, now >= v.low && now <= v.high ? now : 0.5 * (v.low + v.high)));
        }
        const CaseCheck check = check_case(optimize_case(base, speed, varied, start));
        if (!check.errors.empty()) {
            err << where << shortest_real(speed) << " rpm: " << check.errors.front() << "; nothing was run\n";
            return kExitFileError;
        }
    }
    // Destinations too.
    if (!q.writeDir.empty()) {
        for (const float speed : speeds) {
            const std::string dir = write_folder(q, speeds.size(), speed);
            std::error_code ec;
            const fs::file_status st = fs::status(dir, ec);
            if (fs::exists(st) && !fs::is_directory(st)) {
                err << where << "--write " << dir << ": it exists and is not a folder\n";
                return kExitFileError;
            }
            if (!q.force && holds_case(dir)) {
                err << where << "--write " << dir << ": the folder holds a case already; nothing was run "
                    << "(--force replaces it)\n";
                return kExitFileError;
            }
        }
    }
    CsvOutput csvOutput("optimize");
    if (!csvOutput.prepare(q.csvFile, err)) return kExitFileError;

    const std::size_t n = speeds.size();
    std::vector<OptimizeResult> results(n);
    Progress progress(err, "optimize", "speeds done", n, q.quiet);
    run_point_pool(
        n, q.jobs,
        [&](std::size_t i) {
            const auto start = std::chrono::steady_clock::now();
            const std::string label = shortest_real(speeds[i]) + " rpm: ";
            std::string best;
            double bestValue = 0.0;
            results[i] = optimize_at(base, speeds[i], varied, q.objective, q.limits, q.maxEvaluations,
                                     [&](const OptimizeEvaluation& e) {
                                         if (progress.quiet()) return;
                                         std::string line = label + "evaluation " + std::to_string(e.number) +
                                                            " of at most " + std::to_string(q.maxEvaluations) + ":";
                                         for (std::size_t k = 0; k < varied.size(); ++k)
                                             line += " " + varied[k].name + "=" + e.values[k];
                                         line += ": " + e.outcome;
                                         if (!best.empty()) line += "; best so far: " + best;
                                         const double elapsed =
                                             std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                                         line += "; at most about " +
                                                 seconds_text(elapsed / e.number * (q.maxEvaluations - e.number)) +
                                                 " left";
                                         progress.say(line);
                                         if (e.meets && (best.empty() || (q.objective.maximise ? e.value > bestValue
                                                                                               : e.value < bestValue))) {
                                             best = e.valueText;
                                             bestValue = e.value;
                                         }
                                     },
                                     q.warmStart);
        },
        [&](std::size_t) { return true; });

    std::string csv = optimize_csv_header(varied) + "\n";
    bool missing = false, writeFailed = false;
    for (const OptimizeResult& r : results) {
        csv += csv_row(r, varied.size()) + "\n";
        const std::string label = shortest_real(r.speed) + " rpm: ";
        const std::string counts = std::to_string(r.evaluations) + " evaluations (" + std::to_string(r.failed) +
                                   " failed; " + r.stopReason + ")";
        if (!r.found) {
            missing = true;
            if (r.evaluations > 0 && r.failed == r.evaluations)
                err << where << label << "every one of the " << r.evaluations << " evaluations failed (a stopping rule "
                    << "ended its run, or a figure was not a finite number); " << r.stopReason << '\n';
            else err << where << label << "no evaluation met every limit in " << counts << '\n';
            continue;
        }
        std::string values;
        for (std::size_t k = 0; k < varied.size(); ++k) values += " " + varied[k].name + "=" + r.values[k];
        progress.say(label + "best " + figure_text(*q.objective.figure, *r.state) + " at" + values + " after " + counts);
        if (!q.writeDir.empty()) {
            const std::string dir = write_folder(q, n, r.speed);
            if (const std::string failed = write_best_case(dir, r.best, q.force); !failed.empty()) {
                err << where << failed << '\n';
                writeFailed = true;
            } else {
                progress.say(label + "the best case is in " + path_in(dir, kCaseFileName));
            }
        }
    }
    if (!csvOutput.write(csv, out, err) || writeFailed) return kExitFileError;
    return missing ? kExitStopped : kExitCompleted;
}

}  // namespace diesel
