// An engine map over a case in memory (the Python module's map): the base
// case with the caller's settings, and the case of each point, the base with
// the point's speed and load.
#pragma once

#include <vector>

#include "case/case.hpp"
#include "case/case_edits.hpp"

namespace diesel {

struct CaseMap {
    Case base;              // the case with the settings applied
    bool loadIsFuel = false;  // the load axis is the fuel quantity (MODE 2), else the target pe
};

// Applies `settings` to `c` (case_edits.hpp), refusing SPEED and the item the
// load axis varies (FUEL for MODE 2, else PETARG; MODE as the settings leave
// it), and checks every other item on its own, so that a value no point could
// run with is refused once rather than at every point. The rules that tie
// items together and the start rows are checked at each point. Throws InputError.
CaseMap case_map(const Case& c, const std::vector<ItemSetting>& settings);

// The case of the point at `speed` [rpm] and `load` (target pe [bar], or the
// fuel quantity [10 mm3] when the load is the fuel): the values the command
// line's map gives the point, to the bit.
Case case_map_point(const CaseMap& map, float speed, float load);

}  // namespace diesel
