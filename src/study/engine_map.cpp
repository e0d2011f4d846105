#include "study/engine_map.hpp"

#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "case/run_inputs.hpp"
#include "files/run_folder.hpp"
#include "state/run_state.hpp"
#include "study/map_csv_output.hpp"
#include "study/map_point_run.hpp"
#include "study/progress.hpp"

namespace diesel {

namespace {

// Reads and checks the base folder; its operating point goes to `base`.
bool read_base(const std::string& dir, InputTexts& texts, BasePoint& base, std::ostream& err) {
    std::string error;
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) {
        err << "diesel-cycle: map: base folder " << dir << ": no such folder\n";
        return false;
    }
    if (!read_folder_inputs(dir, texts, error)) {
        err << "diesel-cycle: map: base folder " << dir << ": " << error << '\n';
        return false;
    }
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

bool prepare_map_grid(const std::string& baseDir, const std::string& speeds, const std::string& loads,
                      std::size_t maxPoints, MapGrid& grid, std::ostream& err) {
    std::string error;
    const std::optional<std::vector<float>> speedAxis = parse_grid_axis(speeds, maxPoints, error);
    if (!speedAxis) {
        err << "diesel-cycle: map: --speeds: " << error << '\n';
        return false;
    }
    const std::optional<std::vector<float>> loadAxis = parse_grid_axis(loads, maxPoints, error);
    if (!loadAxis) {
        err << "diesel-cycle: map: --loads: " << error << '\n';
        return false;
    }
    // Before anything is allocated for the points.
    if (error = check_grid_size(speedAxis->size(), loadAxis->size(), maxPoints); !error.empty()) {
        err << "diesel-cycle: map: " << error << '\n';
        return false;
    }
    if (!read_base(baseDir, grid.baseTexts, grid.base, err)) return false;
    grid.points = map_points(*speedAxis, *loadAxis);
    return true;
}

int run_map(const MapGrid& grid, const MapRunOptions& o, std::ostream& out, std::ostream& err) {
    // Every destination is checked before the first point runs.
    MapCsvOutput csvOutput;
    if (!csvOutput.prepare(o.csvFile, err)) return kExitFileError;
    FolderLock outLock;
    if (!o.outDir.empty() && !prepare_out_dir(o.outDir, outLock, err)) return kExitFileError;

    const std::vector<MapPoint>& points = grid.points;
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
        const MapPoint& p = points[i];
        const std::string dir = o.outDir.empty() ? std::string() : path_in(o.outDir, point_folder_name(p.index));
        results[i] = run_map_point(point_inputs(grid, p), p, dir);
        if (!dir.empty() && results[i].end != kPointOutputError) {
            if (const std::string error = write_text_file(path_in(dir, "result.csv"), results[i].row + "\n");
                !error.empty()) {
                results[i] = {failed_row(map_csv_header(grid.base), p, kPointOutputError), kPointOutputError, error};
            }
        }
        if (results[i].end != run_end_name(RunEnd::Completed)) notCompleted.fetch_add(1, std::memory_order_relaxed);
        done.fetch_add(1, std::memory_order_relaxed);
        return true;
    };

    // The calling thread is one of the jobs; between its points it reports
    // progress about once a second.
    Progress progress(err, "points done", n);
    const auto note = [&]() { return std::to_string(notCompleted.load(std::memory_order_relaxed)) + " not completed"; };
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < jobs; ++t) {
        pool.emplace_back([&]() {
            while (take_point()) {
            }
        });
    }
    while (take_point()) progress.tick(done.load(std::memory_order_relaxed), note());
    for (auto& t : pool) t.join();
    progress.finish(n, note() + ", " + std::to_string(jobs) + (jobs == 1 ? " job" : " jobs"));

    const std::string header = map_csv_header(grid.base);
    std::string csv = header + "\n";
    bool notRun = false, stopped = false;
    for (std::size_t i = 0; i < n; ++i) {
        csv += results[i].row + "\n";
        const PointEnding ending = point_ending(results[i].end);
        notRun = notRun || ending == PointEnding::NotRun;
        stopped = stopped || ending == PointEnding::Stopped;
        if (!results[i].message.empty()) {
            err << "diesel-cycle: map: point " << points[i].index << " (" << shortest_real(points[i].speed)
                << " rpm, load " << shortest_real(points[i].load) << "): " << results[i].message << '\n';
        }
    }
    if (!csvOutput.write(csv, out, err)) return kExitFileError;
    return map_exit_status(notRun, stopped);
}

}  // namespace diesel
