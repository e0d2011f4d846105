// Command-line options of the commands that read a case: --set NAME=VALUE
// (repeatable) and --inputs toml|fort.
#pragma once

#include <string>

#include "files/case_inputs.hpp"

namespace diesel {

enum class OptionTaken { No, Yes, Error };

// Takes the option at argv[i] (and its value, advancing i) into `options` when
// it is --set or, with `inputsAllowed`, --inputs; both also as --opt=VALUE.
// On Error, `error` says why (without the program name), in the words the
// Python module uses for the same NAME=VALUE: a command reports it as it is,
// not as a usage error.
OptionTaken take_case_option(int argc, const char* const* argv, int& i, CaseInputOptions& options,
                             std::string& error, bool inputsAllowed = true);

}  // namespace diesel
