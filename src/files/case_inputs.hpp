// The case of a run folder: read from case.toml or from the fort files,
// overridden by --set, completed by the start table, checked; and a case
// written into a folder as either.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "case/case.hpp"
#include "case/overrides.hpp"
#include "state/run_state.hpp"

namespace diesel {

inline constexpr const char* kCaseFileName = "case.toml";

// Which input files a folder's case comes from.
enum class InputChoice {
    Auto,  // case.toml or the fort files, whichever the folder holds; both only when they agree to the bit
    Toml,  // case.toml (--inputs toml)
    Fort,  // fort3.dat and fort2.dat (--inputs fort)
};

struct CaseInputOptions {
    InputChoice inputs = InputChoice::Auto;
    std::vector<Override> overrides;  // --set, applied in order
};

struct FolderCase {
    Case c;
    std::vector<std::string> warnings;  // complete messages, without "warning: "
};

// Reads the case of folder `dir`. With both case.toml and fort files present
// and no choice made, both are read and must describe the same case to the bit
// (as right after convert); otherwise the first item that differs is named.
// Then the overrides are applied, the start rows the run needs are read
// ("fort14.dat", or the start_table file of case.toml, relative to the
// folder), and the case is checked. Throws InputError with a complete message.
FolderCase load_folder_case(const std::string& dir, const CaseInputOptions& options);

// Reads into `c` the start rows of a run with `cylinders` cylinders from the
// case's start-table file (relative to folder `dir`), for a study whose points
// run with more cylinders than the case itself; nothing when the rows are
// inline or no row is needed. Throws InputError naming the file.
void read_start_rows(const std::string& dir, Case& c, int32_t cylinders);

// The run folder's input step: load_folder_case, then the run state's input
// set (run_inputs.hpp). Warnings and the error go to `diag` as
// "diesel-cycle: ..." lines. Returns false when the folder's input is refused.
bool load_folder_inputs(const std::string& dir, const CaseInputOptions& options, RunState& s, std::ostream& diag);

enum class CaseFormat { Toml, Fort };

// Writes `c` into folder `dir` as case.toml, or as fort3.dat and fort2.dat
// (with fort14.dat when the case's start rows are inline or come from a file
// elsewhere). Without `force` nothing is written when one of the files exists.
// Returns the paths written, or throws InputError naming what went wrong.
std::vector<std::string> write_folder_case(const std::string& dir, const Case& c, CaseFormat format, bool force);

}  // namespace diesel
