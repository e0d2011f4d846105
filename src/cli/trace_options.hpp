// Command-line options of the commands that read a measured pressure trace
// (analyze, calibrate): --pressure FILE, --tdc-shift DEG, --cycles N, --peg,
// --smooth DEG.
#pragma once

#include <string>

#include "analysis/pressure_analysis.hpp"
#include "cli/case_options.hpp"

namespace diesel {

// Takes the option at argv[i] (and its value, advancing i) into `options` or
// `pressureFile`. On Error, `error` says why (without the program name).
OptionTaken take_trace_option(int argc, const char* const* argv, int& i, AnalysisOptions& options,
                              std::string& pressureFile, std::string& error);

// A finite number that is the whole of `text`.
bool parse_number(const std::string& text, double& value);

}  // namespace diesel
