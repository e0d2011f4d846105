// The error of input that no run can use.
#pragma once

#include <stdexcept>

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

}  // namespace diesel
