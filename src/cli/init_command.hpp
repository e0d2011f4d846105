// The "diesel-cycle init" command.
#pragma once

#include <iosfwd>

namespace diesel {

// argv[0] is "init"; returns the exit status.
int init_command(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace diesel
