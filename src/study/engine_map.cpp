#include "study/engine_map.hpp"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "files/run_folder.hpp"
#include "study/map_grid.hpp"
#include "study/map_point_run.hpp"
#include "input/input_files.hpp"
#include "state/run_state.hpp"

namespace diesel {

namespace {

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

}  // namespace

int run_map(const MapGrid& grid, const MapRunOptions& o, std::ostream& out, std::ostream& err) {
    const InputTexts& baseTexts = grid.baseTexts;
    const BasePoint& base = grid.base;
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
        InputTexts texts = baseTexts;
        texts.fort3 = point_fort3(base, points[i]);
        const std::string dir = o.outDir.empty() ? std::string() : path_join(o.outDir, point_folder_name(points[i].index));
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
    if (!write_map_csv(o.csvFile, csv, out, err)) return kExitFileError;
    return map_exit_status(notRun, stopped);
}

bool prepare_map_grid(const std::string& baseDir, const std::string& speeds, const std::string& loads,
                      MapGrid& grid, std::ostream& err) {
    std::string error;
    const std::optional<std::vector<float>> speedAxis = parse_grid_axis(speeds, error);
    if (!speedAxis) {
        err << "diesel-cycle: map: --speeds: " << error << '\n';
        return false;
    }
    const std::optional<std::vector<float>> loadAxis = parse_grid_axis(loads, error);
    if (!loadAxis) {
        err << "diesel-cycle: map: --loads: " << error << '\n';
        return false;
    }
    if (!read_base(baseDir, grid.baseTexts, grid.base, err)) return false;
    grid.points = map_points(*speedAxis, *loadAxis);
    return true;
}

}  // namespace diesel
