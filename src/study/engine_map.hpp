// Engine maps over a grid of speeds and loads on one base folder, run on all
// cores of this machine.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "state/run_io.hpp"
#include "study/map_grid.hpp"

namespace diesel {

// The base input set of a map and the grid of its points.
struct MapGrid {
    InputTexts baseTexts;         // the base folder's input files
    BasePoint base{};             // its operating point
    std::vector<MapPoint> points; // speeds outer, loads inner
};

// Reads and checks the base folder `baseDir` and builds the grid of the axes
// `speeds` and `loads` (parse_grid_axis forms). False, with a message on
// `err`, when the folder or an axis is refused.
bool prepare_map_grid(const std::string& baseDir, const std::string& speeds, const std::string& loads,
                      MapGrid& grid, std::ostream& err);

// How the in-process map runs and where its results go.
struct MapRunOptions {
    unsigned jobs = 0;    // points run at once; 0: one per core
    std::string outDir;   // each point's output files in outDir/point-NNNN; empty: none
    std::string csvFile;  // the CSV; empty: to `out`
};

// Runs every point of `grid`, each a complete run in its own state, on a
// thread pool; progress to `err`, the CSV to `csvFile` or `out`. Returns the
// exit status.
int run_map(const MapGrid& grid, const MapRunOptions& options, std::ostream& out, std::ostream& err);

}  // namespace diesel
