// Engine maps and sweeps over the points of a design (map_design.hpp), run on
// all cores of this machine.
#pragma once

#include <iosfwd>
#include <string>

#include "study/map_grid.hpp"

namespace diesel {

// How the in-process map runs and where its results go.
struct MapRunOptions {
    unsigned jobs = 0;           // points run at once; 0: one per core
    std::string outDir;          // each point's case and output files in outDir/point-NNNN; empty: none
    bool exportResults = false;  // with outDir: each point folder's results.json too
    std::string csvFile;         // the CSV; empty: to `out`
    bool quiet = false;          // no progress lines
    bool warmStart = false;      // each point starts from the end of the previous load at its speed (warm_start.hpp)
};

// Runs every point of `grid`, each a complete run in its own state, on a
// thread pool; progress to `err`, the CSV to `csvFile` or `out`. The CSV file
// and the output folder are checked before the first point runs. With
// warmStart the loads of a speed run one after the other, the speeds side by
// side, the first two loads of a speed after those of the speed before
// (sequence_heads.hpp). Returns the exit status.
int run_map(const MapGrid& grid, const MapRunOptions& options, std::ostream& out, std::ostream& err);

}  // namespace diesel
