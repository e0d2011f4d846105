// One point of an engine map: its case run as a study run (study_run.hpp)
// and its CSV row.
#pragma once

#include <string>
#include <vector>

#include "case/case.hpp"
#include "state/run_io.hpp"
#include "study/map_grid.hpp"
#include "study/study_run.hpp"
#include "study/warm_start.hpp"

namespace diesel {

// How a point ended, as the end column says it: run_end_name() of the run, or
// one of these when no usable run took place.
inline constexpr const char* kPointInputError = "input-error";    // the point's input was refused
inline constexpr const char* kPointOutputError = "output-error";  // its output files could not be written
inline constexpr const char* kPointMissing = "missing";           // --collect: no result (not run, or unfinished)
inline constexpr const char* kPointInvalid = "invalid";           // --collect: a result that is not this point's

struct PointResult {
    std::string row;      // CSV row, without the newline
    std::string end;      // its end column
    std::string message;  // what went wrong or why the run stopped, for stderr; empty if nothing
};

// The figures-table names of the columns that follow the end column, in order
// (their CSV names are the table's map columns: torque_nm, power_kw, ...).
const std::vector<const char*>& map_extra_figures();

// The CSV header: speed_rpm; the load column, named for what the load is
// (target_pe_bar or set_fuel_10mm3), so that the brake figures are the first
// columns whose names start with "pe" and "be"; the figures up to end; the
// figures of map_extra_figures(); then one column per varied item, named as
// the user wrote it.
std::string map_csv_header(bool loadIsFuel, const std::vector<std::string>& variedNames);
std::string map_csv_header(const MapGrid& grid);

// Runs the point's case `c` (in memory, or into options.outDir) and forms its
// row. With `warm` the run starts where that sequence stands and hands its
// own end on to it.
PointResult run_map_point(const Case& c, const MapPoint& p, const StudyRunOptions& options, WarmStart* warm = nullptr);

// The row of a point whose case could not even be formed or read.
PointResult point_not_run(const MapPoint& p, const char* end, std::string message);

// The row of a point without figures under CSV `header`: its speed and load,
// `end` in the end column, its varied values in the last columns, every other
// field empty.
std::string failed_row(const std::string& header, const MapPoint& p, const char* end);

// The end column of `row` under CSV `header` (empty when there is none).
std::string row_end(const std::string& header, const std::string& row);

// How an end column counts for the exit status of a map.
enum class PointEnding { Completed, Stopped, NotRun };
PointEnding point_ending(const std::string& end);

// Exit status of a map from the endings of its points: 2 when a point did not
// run or has no valid result, 3 when one was ended early or gave no finite
// result, else 0.
int map_exit_status(bool anyNotRun, bool anyStopped);

}  // namespace diesel
