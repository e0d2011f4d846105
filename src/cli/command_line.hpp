// The program's command line.
#pragma once

#include <iosfwd>
#include <string>

namespace diesel {

// Parses the arguments and runs what they ask for; returns the exit status.
int run_command_line(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

// The options every sub-command shares: --help/-h prints `usage` to `out` and
// gives status 0; any other word starting with '-' is an unknown option of
// `command` (usage to `err`, status 2). Returns -1 for a plain argument.
int common_option(const std::string& arg, const char* command, void (*usage)(std::ostream&), std::ostream& out,
                  std::ostream& err);

}  // namespace diesel
