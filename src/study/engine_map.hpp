// Engine maps over a grid of speeds and loads on one base folder, run on all
// cores of this machine.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

#include "state/run_io.hpp"
#include "study/map_grid.hpp"

namespace diesel {

// Reads and checks the base folder `baseDir` and builds the grid of the axes
// `speeds` and `loads` (parse_grid_axis forms), refusing a grid of more than
// `maxPoints` points before it is allocated. False, with a message on `err`,
// when the folder, an axis or the grid is refused.
bool prepare_map_grid(const std::string& baseDir, const std::string& speeds, const std::string& loads,
                      std::size_t maxPoints, MapGrid& grid, std::ostream& err);

// How the in-process map runs and where its results go.
struct MapRunOptions {
    unsigned jobs = 0;    // points run at once; 0: one per core
    std::string outDir;   // each point's output files in outDir/point-NNNN; empty: none
    std::string csvFile;  // the CSV; empty: to `out`
};

// Runs every point of `grid`, each a complete run in its own state, on a
// thread pool; progress to `err`, the CSV to `csvFile` or `out`. The CSV file
// and the output folder are checked before the first point runs. Returns the
// exit status.
int run_map(const MapGrid& grid, const MapRunOptions& options, std::ostream& out, std::ostream& err);

}  // namespace diesel
