// Engine maps beyond one process: a folder per point with its case file, a jobs.txt of one command per point (for GNU parallel, also across
// machines) and a Slurm job-array script; the CSV collected from the finished
// folders is the one the in-process map writes, byte for byte.
//
// Results are bound to their grid: the job folder's manifest holds the grid's
// fingerprint, each point folder names it with its point, and so does each
// point's result. Collecting checks every result against the manifest.
#pragma once

#include <iosfwd>
#include <string>

#include "study/map_grid.hpp"

namespace diesel {

struct EmitOptions {
    std::string folder;  // the job folder
    std::string binary;  // the program the commands call; empty: this one
    bool force = false;  // replace the jobs of another grid in `folder`
    bool quiet = false;  // no progress lines, no summary of what to run next
};

// Writes manifest.json, a folder per point, jobs.txt and slurm-array.sh. A
// folder that holds the jobs of the same grid keeps its finished points and
// lists only the others in jobs.txt; one that holds another grid's jobs is
// refused unless `force`, which removes only what that grid's manifest lists.
// Returns the exit status.
int emit_map_jobs(const MapGrid& grid, const EmitOptions& options, std::ostream& err);

// The CSV of an emitted map from its point folders, to `csvFile` or `out`.
// Every point gets a row: its result when that is a valid result of this
// point and grid, else a row marked "missing" or "invalid" (each reported on
// `err`). Returns the exit status.
int collect_map(const std::string& folder, const std::string& csvFile, bool quiet, std::ostream& out,
                std::ostream& err);

// Runs the emitted point in `folder` (the command of jobs.txt): its output
// files and results.json go beside its input folder, then result.json. Exit 0 when the point
// completed, 3 when a stopping rule ended it (its row is kept), 2 when it
// could not run or its results could not be written.
int run_emitted_point(const std::string& folder, std::ostream& err);

}  // namespace diesel
