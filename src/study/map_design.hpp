// The design of a map: which points it runs, from the command line's axes
// (--speeds, --loads), varied items (--vary, full factorial) or a Latin
// hypercube over them (--lhs), on the base case of a folder; or from a case
// in memory and its axes, as the Python module gives them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "case/case_edits.hpp"
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

// The design of a map over case `c`: every speed [rpm] with every load
// (target pe [bar], or the fuel quantity [10 mm3] when the case fixes the
// fuel), speeds outer, on the base `c` with `settings` applied (case_edits.hpp).
// Refuses SPEED and the item the load axis varies (FUEL under MODE 2, else
// PETARG; MODE as the settings leave it) among the settings, and checks every
// other item on its own, so that a value no point could run with is refused
// once. What ties items together and the start rows are left to each point's
// run, which refuses that point alone. Throws InputError (ItemNameError for a
// name that is no item).
MapGrid case_map_grid(const Case& c, const std::vector<ItemSetting>& settings, const std::vector<float>& speeds,
                      const std::vector<float>& loads);

}  // namespace diesel
