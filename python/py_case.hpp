// What a diesel_cycle.Case holds: one C++ object with the case's input set.
// Today that is the text of the three input files; the case item table
// (case.toml, items by name) takes its place behind the same Python class.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "state/run_io.hpp"
#include "state/run_state.hpp"

namespace diesel::python {

struct PyCase {
    InputTexts texts;
};

// A folder or file that cannot be read or written; Python's OSError(errnum, why, path).
struct FileError : std::runtime_error {
    FileError(int errnum, const std::string& why, std::string path)
        : std::runtime_error(why), errnum(errnum), path(std::move(path)) {}
    int errnum;
    std::string path;
};

// The case in folder `path` (fort3.dat, fort2.dat, fort14.dat). Throws
// FileError for a folder or file that cannot be read, InputError for input
// the program refuses.
PyCase case_from_folder(const std::string& path);

// Writes the case's input files into `path`, creating it; throws FileError.
void case_to_folder(const PyCase& c, const std::string& path);

// The input set as read, before set-up; throws InputError.
std::unique_ptr<RunState> read_case(const PyCase& c);

}  // namespace diesel::python
