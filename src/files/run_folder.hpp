// A run folder: binding a run to the fixed file names of a working folder.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

namespace diesel {

// Exit statuses of the program.
inline constexpr int kExitCompleted = 0;   // the output cycle was completed
inline constexpr int kExitFileError = 2;   // bad input, or a file that could not be read or written
inline constexpr int kExitStopped = 3;     // a stopping rule or the NaN guard ended the run

// Runs the simulation in `dir` with "fort3.dat", "fort2.dat" and "fort14.dat"
// as input and the eight output files beside them; progress to `console`,
// errors and stop reasons to `diag`. An input error changes no file; the new
// start table replaces "fort14.dat" atomically. With `exportResults` the run
// also writes "results.json" and "traces.csv"; without, it removes those of an
// earlier run, as they belong to the outputs. Returns the exit status.
int run_in_folder(const std::string& dir, std::ostream& console, std::ostream& diag, bool exportResults = false);

// Writes `text` to `path` through a temporary file in the same folder and a
// rename, so the old file stays whole until the new one is complete.
// Returns an empty string on success, else what went wrong.
std::string replace_file_atomically(const std::string& path, const std::string& text);

// `name` in folder `dir` ("." is the working folder).
std::string path_in(const std::string& dir, const char* name);

// Writes all of `text` to the open descriptor `fd`; empty on success, else why not.
std::string write_all(int fd, const std::string& text);

// Text of a file, or false when it does not exist or cannot be read
// (`error` then says why; empty when the file is simply missing).
bool read_text_file(const std::string& path, std::string& text, std::string& error);

// Text of a file, or nullopt when it is missing or cannot be read.
std::optional<std::string> read_text_file(const std::string& path);

}  // namespace diesel
