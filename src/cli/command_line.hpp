// The program's command line.
#pragma once

#include <iosfwd>

namespace diesel {

// Parses the arguments and runs what they ask for; returns the exit status.
int run_command_line(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace diesel
