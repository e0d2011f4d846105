// The program's command line.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

namespace diesel {

// Parses the arguments and runs what they ask for; returns the exit status.
int run_command_line(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

// A usage error of `command` ("map"; empty for the program itself): one line on
// `err` saying what is wrong and where the usage is, for a script's log rather
// than a screenful of help. Returns status 2.
int usage_error(std::ostream& err, std::string_view command, std::string_view what);

// An error of --set or --inputs (take_case_option): one line, worded as the
// Python module words it, without a pointer to the help. Returns status 2.
int case_option_error(std::ostream& err, std::string_view command, std::string_view what);

// The options every sub-command shares: --help/-h prints `usage` to `out` and
// gives status 0; any other word starting with '-' is an unknown option of
// `command` (a usage_error). Returns -1 for a plain argument.
int common_option(const std::string& arg, const char* command, void (*usage)(std::ostream&), std::ostream& out,
                  std::ostream& err);

}  // namespace diesel
