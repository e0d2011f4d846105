// The design of a map: which points it runs, from the command line's axes
// (--speeds, --loads), varied items (--vary, full factorial) or a Latin
// hypercube over them (--lhs), on the base case of a folder. Every point's
// case is checked before any point runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "files/case_inputs.hpp"
#include "study/map_grid.hpp"

namespace diesel {

struct MapDesign {
    std::string baseDir;
    CaseInputOptions caseOptions;    // --inputs and --set of the base
    std::string speeds;              // --speeds (parse_grid_axis form); empty: the base's speed
    std::string loads;               // --loads; empty: the base's load
    std::vector<std::string> vary;   // --vary arguments, in the order given
    std::size_t lhs = 0;             // --lhs N: N points of a Latin hypercube; 0: full factorial
    uint64_t seed = 1;               // --seed of the hypercube
    std::size_t maxPoints = kDefaultMaxPoints;
};

// Builds the points of `design`: speeds outer, then loads, then the varied
// items in the order given (the last varies fastest), or the hypercube's
// points in the order drawn. Refuses, before anything runs and naming the
// option, item and value: a design beyond maxPoints (before it is
// allocated), --vary of an item an axis sets, --set of a varied item, an item
// varied twice, MODE (the load axis follows it), and any point whose case the
// input checks refuse. Warnings of the points' cases go to `err` once each.
// False, with the message on `err`, when the design is refused.
bool prepare_map_grid(const MapDesign& design, MapGrid& grid, std::ostream& err);

}  // namespace diesel
