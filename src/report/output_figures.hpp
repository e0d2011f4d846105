// The one table of a run's output figures: short name, unit, definition and
// where the program shows each. The short names are the names of the figures
// everywhere outside the fort files: results.json, the Python module, the
// limits and objectives of studies.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "state/run_state.hpp"

namespace diesel {

struct OutputFigure {
    const char* name;        // short name: "pe"
    const char* unit;        // "bar"; "-" for a ratio
    const char* definition;  // one line, as the docs give it
    const char* source;      // where the program shows it ("fort13.dat line 2"), or how it is formed
    const char* mapColumn;   // the engine-map CSV column holding it ("" if none), with any conversion
    float (*value)(const RunState& s);  // from the state at the end of a run
};

// Every figure, in the order of results.json.
std::span<const OutputFigure> output_figures();

// The figure of a short name, or nullptr.
const OutputFigure* find_output_figure(std::string_view name);

// Total displacement [m3] of the engine the run stands for: max(NCYL, NCYLE)
// cylinders of the simulated size.
float engine_displacement(const RunState& s);

// Peak cylinder-1 pressure of the last cycle's history [Pa] and its entry (1 .. 720).
struct PressurePeak {
    float pressure;  // [Pa]
    int32_t entry;
};
PressurePeak pressure_peak(const RunState& s);

// The figures table as Markdown, for the reference documentation.
std::string output_figures_markdown();

}  // namespace diesel
