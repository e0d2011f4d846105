// The base case of a study (map, full-load, optimize) from its folder:
// case.toml or the fort files, with --set applied and checked as for a run.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "case/overrides.hpp"
#include "files/case_inputs.hpp"

namespace diesel {

// Reads the case of folder `dir` for study `command` ("map"). --set of an item
// in `swept` is refused, since the study sets that item at every point. With
// `cylinders` above the case's NCYL, the start rows of that many cylinders are
// read as well, for points that run with more. Warnings go to `err` once;
// nullopt, with the message on `err`, when the folder's case is refused.
std::optional<Case> load_study_base(const std::string& command, const std::string& dir,
                                    const CaseInputOptions& options, const std::vector<SweptItem>& swept,
                                    int32_t cylinders, std::ostream& err);

}  // namespace diesel
