// The example case that "init" writes and the documentation quotes: the
// bundled examples/c1_fixed, one cylinder of 0.1 m bore and stroke at
// 2000 rpm with a fixed fuel quantity of 35 mm3 per cycle.
#pragma once

#include "case/case.hpp"

namespace diesel {

// The example's values, each with the text the example's fort files write it with.
Case example_case();

}  // namespace diesel
