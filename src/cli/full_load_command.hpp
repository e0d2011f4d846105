// The "diesel-cycle full-load" command: the largest fuel quantity per speed
// that meets limits on the figures of the run.
#pragma once

#include <iosfwd>

namespace diesel {

// argv[0] is "full-load"; the CSV goes to `out`, progress and messages to
// `err`. Returns the exit status.
int full_load_command(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace diesel
