// "diesel-cycle calibrate CASE --pressure FILE [options]": the case's inputs
// adjusted until its cylinder pressure matches a measured trace.
#pragma once

#include <iosfwd>

namespace diesel {

// argv[0] is "calibrate". Returns the exit status.
int calibrate_command(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace diesel
