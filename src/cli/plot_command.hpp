// The "diesel-cycle plot" command.
#pragma once

#include <iosfwd>

namespace diesel {

// argv[0] is "plot"; returns the exit status.
int plot_command(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace diesel
