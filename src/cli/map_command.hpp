// The "diesel-cycle map" command: engine maps over a grid of speeds and loads,
// run on all cores of this machine or emitted as jobs for many machines.
#pragma once

#include <iosfwd>

namespace diesel {

// argv[0] is "map"; the CSV goes to `out`, progress and messages to `err`.
// Returns the exit status.
int map_command(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace diesel
