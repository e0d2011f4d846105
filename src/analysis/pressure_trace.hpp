// A measured cylinder-pressure trace as it stands in its file: crank angle and
// pressure of every sample, with the line each came from.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace diesel {

struct PressureTrace {
    std::string name;              // the file's name, for messages
    std::vector<double> angle;     // crank angle as recorded [deg], 0 = firing TDC of cylinder 1
    std::vector<double> pressure;  // cylinder pressure [bar]
    std::vector<int32_t> line;     // 1-based line of each sample in the file
    double step = 0.0;             // median angle step [deg]
};

// Reads a table of crank angle [deg] and cylinder pressure [bar], one sample
// per line: the first two fields count, further fields are ignored. Fields are
// separated by commas, semicolons, tabs or blanks; '#' starts a comment that
// runs to the end of the line; one header line may come before the first
// sample. The angles must rise in equal steps: a step that does not rise, a gap
// (a step more than 1.5 times the median) or a step more than 1 % off the
// median is an error, as are fields that are not finite numbers. Throws
// AnalysisError (status 2) whose message names `name` and the line.
PressureTrace read_pressure_trace(std::string_view text, const std::string& name);

// The trace in the file at `path`, named by its path; a file that is missing or
// cannot be read is an AnalysisError (status 2) too.
PressureTrace read_pressure_trace_file(const std::string& path);

}  // namespace diesel
