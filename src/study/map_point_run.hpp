// One point of an engine map: a complete run in memory in its own RunState,
// its CSV row and, optionally, its output files in a folder of its own.
#pragma once

#include <iosfwd>
#include <string>

#include "study/map_grid.hpp"
#include "state/run_io.hpp"

namespace diesel {

// How a point ended, as the last CSV column says it: run_end_name() of the
// run, or one of these two when no run took place.
inline constexpr const char* kPointInputError = "input-error";  // the point's input was refused
inline constexpr const char* kPointMissing = "missing";         // --collect found no result

struct PointResult {
    std::string row;       // CSV row, without the newline
    std::string end;       // its last column
    std::string message;   // what went wrong (input error, output folder), for stderr; empty if nothing
};

// The CSV header; the load column is named for what the load axis is
// (target_pe_bar or set_fuel_10mm3), so that the brake figures are the first
// columns whose names start with "pe" and "be".
std::string map_csv_header(const BasePoint& base);

// Reads `texts` (the base files with the point's "fort3.dat"), runs the point
// and forms its row. With a non-empty `outDir` the point's output files (as
// the program names them, console text in console.txt, the new start table
// when the run writes one) and result.csv, the row itself, go to that folder.
PointResult run_map_point(const InputTexts& texts, const MapPoint& p, const std::string& outDir);

// The row of a point that did not run: speed and load, empty figures.
std::string failed_row(const MapPoint& p, const char* end);

// Exit status of a map from the endings of its points: 2 when a point did not
// run, 3 when one was ended early by a stopping rule, else 0.
int map_exit_status(bool anyNotRun, bool anyStopped);

// Writes `text` to `path` (created or truncated); empty string or what went wrong.
std::string write_text(const std::string& path, const std::string& text);

// dir/name.
std::string path_join(const std::string& dir, const std::string& name);

// The three input files of folder `dir` (a missing one stays std::nullopt);
// false, with a message on `err`, when one exists but cannot be read.
bool read_input_folder(const std::string& dir, InputTexts& texts, std::ostream& err);

// The CSV to `file`, or to `out` when `file` is empty; false, with a message
// on `err`, when the file cannot be written.
bool write_map_csv(const std::string& file, const std::string& csv, std::ostream& out, std::ostream& err);

}  // namespace diesel
