// The "diesel-cycle convert" command.
#pragma once

#include <iosfwd>

namespace diesel {

// argv[0] is "convert"; returns the exit status.
int convert_command(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace diesel
