// One point of an engine map: a complete run in its own RunState, its CSV row
// and, optionally, its output files in a folder of its own.
#pragma once

#include <string>

#include "state/run_io.hpp"
#include "study/map_grid.hpp"

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

// The CSV header; the load column is named for what the load axis is
// (target_pe_bar or set_fuel_10mm3), so that the brake figures are the first
// columns whose names start with "pe" and "be".
std::string map_csv_header(const BasePoint& base);

// Reads `texts` (the base files with the point's "fort3.dat"), runs the point
// and forms its row. With a non-empty `outDir` the point's output files go to
// that folder as a run writes them (opened all or none, the console text in
// console.txt, the new start table when the run writes one); when they cannot
// be written the row is an output-error row.
PointResult run_map_point(const InputTexts& texts, const MapPoint& p, const std::string& outDir);

// The row of a point without figures under CSV `header`: its speed and load,
// `end` in the end column, every other field empty.
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
