// The "diesel-cycle analyze" command.
#pragma once

#include <iosfwd>

namespace diesel {

// argv[0] is "analyze"; returns the exit status.
int analyze_command(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace diesel
