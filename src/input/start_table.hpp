// Writing the carried-over start table "fort14.dat" back at the end of a run.
#pragma once

#include <string>

#include "state/run_state.hpp"

namespace diesel {

// Text of "fort14.dat" for the next run: NCYLE-1 rows, row j the cylinder-1
// state at history index j*(720 div NCYLE). No rows when NCYLE <= 1: a later
// run with more cylinders then finds no stale rows of another run.
// Values are printed with 9 significant digits so they read back to the same float.
std::string start_table_text(const RunState& s);

}  // namespace diesel
