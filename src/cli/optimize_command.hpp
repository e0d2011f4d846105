// The "diesel-cycle optimize" command: the best value of a figure over input
// items within their ranges, one optimisation per speed.
#pragma once

#include <iosfwd>

namespace diesel {

// argv[0] is "optimize"; the best points' CSV goes to `out`, each evaluation
// and the messages to `err`. Returns the exit status.
int optimize_command(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace diesel
