// Engine maps beyond one process: a folder per operating point with its input
// files, a jobs.txt of one command per point (for GNU parallel, also across
// machines) and a Slurm job-array script; the CSV collected from the finished
// folders is the one the in-process map writes, byte for byte.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "study/map_grid.hpp"
#include "state/run_io.hpp"

namespace diesel {

// Writes the point folders, map.txt, jobs.txt and slurm-array.sh into
// `folder`; the commands call `binary` (this program when empty). Returns the
// exit status.
int emit_map_jobs(const std::string& folder, const std::string& binary, const InputTexts& baseTexts,
                  const BasePoint& base, const std::vector<MapPoint>& points, std::ostream& err);

// The CSV of an emitted map from its point folders, to `csvFile` or `out`; a
// point without result.csv gets a row marked "missing". Returns the exit status.
int collect_map(const std::string& folder, const std::string& csvFile, std::ostream& out, std::ostream& err);

// Runs the emitted point in `folder` (the command of jobs.txt): its output
// files and result.csv go beside its inputs. Exit 0 once its row is written,
// whatever ended the run (the row says it), 2 when it could not run.
int run_emitted_point(const std::string& folder, std::ostream& err);

}  // namespace diesel
