// The maths-library calls one corrector pass makes, with their arguments, for
// the floor benchmark: what a pass would cost if nothing but its calls of
// pow and sqrt took time.
#pragma once

#include <vector>

#include "cylinder/heat_transfer.hpp"
#include "state/run_state.hpp"

namespace diesel::bench {

struct PowCall {
    float x, y;
};

struct PassMathCalls {
    std::vector<PowCall> pow;   // std::pow(float, float)
    std::vector<float> sqrt;    // std::sqrt(float)
};

// Appends the calls the next corrector pass on `s` (with the step constants
// `wall`) makes, in its order and with its arguments. Walks the pass's own
// branch decisions on a copy of the state; must follow corrector_pass()
// whenever that changes which calls it makes.
void collect_pass_math_calls(const RunState& s, const WallStepConstants& wall, PassMathCalls& calls);

}  // namespace diesel::bench
