// The "diesel-cycle map" command.
#pragma once

#include <iosfwd>

namespace diesel {

// argv[0] is "map"; returns the exit status.
int map_command(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace diesel
