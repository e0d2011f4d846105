#include "report/result_check.hpp"

#include <cmath>

#include "report/output_figures.hpp"

namespace diesel {

float peak_cylinder_pressure(const RunState& s) { return pressure_peak(s).pressure; }

NonFiniteFigure first_non_finite_figure(const RunState& s) {
    const NonFiniteFigure figures[] = {
        {"pe", "bar", s.PE},          {"nv", "", s.NV},           {"tex", "degC", s.TEX},
        {"pmax", "bar", peak_cylinder_pressure(s) / 100000.0f},  {"hfuel", "J", s.HFUEL},
        {"qfri", "J", s.QFRI},        {"work", "J", s.WORK},      {"hex", "J", s.HEX},
        {"qlos", "J", s.QLOS},        {"qlkop", "J", s.QLKOP},    {"qlkol", "J", s.QLKOL},
        {"qllau", "J", s.QLLAU},
    };
    for (const NonFiniteFigure& f : figures) {
        if (!std::isfinite(f.value)) return f;
    }
    if (s.QF != 0.0f) {
        if (!std::isfinite(s.BE)) return {"be", "g/kWh", s.BE};
        if (!std::isfinite(s.ETAI)) return {"etai", "", s.ETAI};
    }
    return {nullptr, "", 0.0f};
}

}  // namespace diesel
