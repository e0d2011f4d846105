// The one error type of the pressure analysis: a message for the user and the
// exit status it stands for.
#pragma once

#include <stdexcept>
#include <string>

namespace diesel {

// what() is one line naming what went wrong and where (a trace error names the
// file and line). `status` is the program's exit status for it: 2 for bad
// input, a bad trace or a file error, 3 when the case's model run was ended by
// a stopping rule.
class AnalysisError : public std::runtime_error {
public:
    AnalysisError(int status, const std::string& message) : std::runtime_error(message), status(status) {}
    int status;
};

}  // namespace diesel
