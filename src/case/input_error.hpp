// The error of input that no run can use.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace diesel {

// An input file that is missing, ends inside a record, holds an item that does
// not parse as its type, a case file with an unknown, missing or mistyped key,
// or a value the program cannot run with. what() is the complete one-line
// message naming where the value was written, e.g.
//   fort2.dat (unit 2), record 4, item 13 (DPHI): "1.0x" is not a real number
//   case.toml:23: valves.intake_closing: 1500 is not accepted: IVC must be ...
class InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An input file that exists but cannot be read, or a case file that cannot be
// written: the file is at fault, not its content. `errnum` (an errno value) and
// `path` say which and why, for callers that report file errors apart from
// input errors (the Python module's OSError).
class InputFileError : public InputError {
public:
    InputFileError(const std::string& message, int errnum, std::string path)
        : InputError(message), errnum(errnum), path(std::move(path)) {}
    int errnum;
    std::string path;
};

// A name that is no input item, or that several items share (MASS0).
class ItemNameError : public InputError {
public:
    using InputError::InputError;
};

}  // namespace diesel
