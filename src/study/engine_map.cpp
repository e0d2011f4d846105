#include "study/engine_map.hpp"

#include <atomic>
#include <filesystem>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "case/input_error.hpp"
#include "files/folder_lock.hpp"
#include "files/text_files.hpp"
#include "state/exit_status.hpp"
#include "study/csv_output.hpp"
#include "study/map_point_run.hpp"
#include "study/point_pool.hpp"
#include "study/progress.hpp"
#include "study/warm_start.hpp"

namespace diesel {

namespace {

// The --out folder, made and locked before the first point runs.
bool prepare_out_dir(const std::string& dir, FolderLock& lock, std::ostream& err) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        err << "diesel-cycle: map: --out " << dir << ": cannot create the folder: " << ec.message() << '\n';
        return false;
    }
    std::string detail, warning;
    const std::string refusal = lock_refusal(lock.acquire(dir, detail), dir, detail, warning);
    if (!warning.empty()) err << "diesel-cycle: warning: " << warning << '\n';
    if (refusal.empty()) return true;
    err << "diesel-cycle: map: --out " << refusal << '\n';
    return false;
}

}  // namespace

int run_map(const MapGrid& grid, const MapRunOptions& o, std::ostream& out, std::ostream& err) {
    // Every destination is checked before the first point runs.
    CsvOutput csvOutput("map");
    if (!csvOutput.prepare(o.csvFile, err)) return kExitFileError;
    FolderLock outLock;
    if (!o.outDir.empty() && !prepare_out_dir(o.outDir, outLock, err)) return kExitFileError;

    const std::vector<MapPoint>& points = grid.points;
    const std::size_t n = points.size();
    const std::string header = map_csv_header(grid);
    std::vector<PointResult> results(n);
    std::atomic<std::size_t> notCompleted{0};
    const auto run_point = [&](std::size_t i, WarmStart* warm) {
        const MapPoint& p = points[i];
        const std::string dir = o.outDir.empty() ? std::string() : path_in(o.outDir, point_folder_name(p.index));
        try {
            results[i] = run_map_point(point_case(grid, p), p, {dir, !dir.empty(), o.exportResults}, warm);
        } catch (const InputError& e) {
            results[i] = point_not_run(p, kPointInputError, e.what());
        }
        if (!dir.empty() && results[i].end != kPointOutputError) {
            if (const std::string error = write_text_file(path_in(dir, "result.csv"), results[i].row + "\n");
                !error.empty()) {
                results[i] = point_not_run(p, kPointOutputError, error);
            }
        }
        if (results[i].end != run_end_name(RunEnd::Completed)) notCompleted.fetch_add(1, std::memory_order_relaxed);
    };

    // The calling thread is one of the jobs; between its points it reports
    // progress about once a second.
    unsigned jobs = o.jobs != 0 ? o.jobs : std::thread::hardware_concurrency();
    if (jobs == 0) jobs = 1;
    if (jobs > n) jobs = static_cast<unsigned>(n);
    Progress progress(err, "map", "points done", n, o.quiet);
    const auto note = [&]() { return std::to_string(notCompleted.load(std::memory_order_relaxed)) + " not completed"; };
    if (o.warmStart) {
        // A sequence of loads is one task: its points wait for their predecessors.
        const std::vector<std::vector<std::size_t>> sequences = load_sequences(points);
        if (jobs > sequences.size()) jobs = static_cast<unsigned>(sequences.size());
        SequenceHeads heads(points, sequences);
        std::atomic<std::size_t> done{0};
        run_point_pool(
            sequences.size(), jobs,
            [&](std::size_t k) {
                // Sequences are taken in order, so the one waited for is running.
                WarmStart warm(true);
                warm.join(heads, k);
                try {
                    for (const std::size_t i : sequences[k]) {
                        run_point(i, &warm);
                        progress.tick(done.fetch_add(1) + 1, note());
                    }
                } catch (...) {
                    heads.close(k);  // a sequence that waits for this one goes on
                    throw;
                }
                heads.close(k);
            },
            [](std::size_t) { return true; });
    } else {
        run_point_pool(n, jobs, [&](std::size_t i) { run_point(i, nullptr); }, [&](std::size_t done) {
            progress.tick(done, note());
            return true;
        });
    }
    progress.finish(n, note() + ", " + std::to_string(jobs) + (jobs == 1 ? " job" : " jobs"));

    std::string csv = header + "\n";
    const std::vector<std::string> names = varied_names(grid);
    bool notRun = false, stopped = false;
    std::string messages;  // written at once: one line per point stopped or not run
    for (std::size_t i = 0; i < n; ++i) {
        csv += results[i].row + "\n";
        const PointEnding ending = point_ending(results[i].end);
        notRun = notRun || ending == PointEnding::NotRun;
        stopped = stopped || ending == PointEnding::Stopped;
        if (!results[i].message.empty()) {
            messages += "diesel-cycle: map: " + point_label(points[i], names) + ": " + results[i].message + '\n';
        }
    }
    err << messages;
    if (!csvOutput.write(csv, out, err)) return kExitFileError;
    return map_exit_status(notRun, stopped);
}

}  // namespace diesel
