#include "report/result_check.hpp"

#include <cmath>

namespace diesel {

float peak_cylinder_pressure(const RunState& s) {
    float p = s.TRPRES[1];
    for (int32_t i = 2; i <= 720; ++i) {
        if (s.TRPRES[i] > p) p = s.TRPRES[i];
    }
    return p;
}

NonFiniteFigure first_non_finite_figure(const RunState& s) {
    const NonFiniteFigure figures[] = {
        {"pe", "bar", s.PE},          {"nv", "", s.NV},           {"tex", "degC", s.TEX},
        {"pmax", "bar", peak_cylinder_pressure(s) / 100000.0f},  {"HFUEL", "J", s.HFUEL},
        {"QFRI", "J", s.QFRI},        {"WORK", "J", s.WORK},      {"HEX", "J", s.HEX},
        {"QLOS", "J", s.QLOS},        {"QLKOP", "J", s.QLKOP},    {"QLKOL", "J", s.QLKOL},
        {"QLLAU", "J", s.QLLAU},
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
