#include "report/output_figures.hpp"

#include <algorithm>

#include "state/crank_angle.hpp"

namespace diesel {

float engine_displacement(const RunState& s) {
    const int32_t cylinders = std::max(s.NCYL, s.NCYLE);
    return s.VH / s.FNCYL * static_cast<float>(cylinders);
}

PressurePeak pressure_peak(const RunState& s) {
    // The first of equal peaks; a NaN entry never wins.
    PressurePeak peak{s.TRPRES[1], 1};
    for (int32_t i = 2; i <= 720; ++i) {
        if (s.TRPRES[i] > peak.pressure) peak = {s.TRPRES[i], i};
    }
    return peak;
}

namespace {

// Whole-engine torque [Nm] of a four-stroke: pe over two revolutions.
float torque(const RunState& s) { return s.PE * 100000.0f * engine_displacement(s) / (4.0f * s.PI); }

constexpr OutputFigure kFigures[] = {
    {"speed", "rpm", "engine speed", "fort13.dat line 1 (input SPEED)", "speed_rpm",
     [](const RunState& s) { return s.SPEED; }},
    {"pe", "bar", "brake mean effective pressure", "fort13.dat line 2", "pe_bar",
     [](const RunState& s) { return s.PE; }},
    {"torque", "Nm", "brake torque of the whole engine: pe x displacement of max(NCYL, NCYLE) cylinders / (4 pi)",
     "formed from pe", "torque_nm", [](const RunState& s) { return torque(s); }},
    {"power", "kW", "brake power of the whole engine: torque x angular speed", "formed from pe",
     "power_kw", [](const RunState& s) { return torque(s) * s.OMEGA / 1000.0f; }},
    {"be", "g/kWh", "brake specific fuel consumption", "fort13.dat line 13", "be_g_kwh",
     [](const RunState& s) { return s.BE; }},
    {"etab", "-", "brake efficiency: (work - qfri) / hfuel", "formed from fort16.dat", "etab",
     [](const RunState& s) { return (s.WORK - s.QFRI) / s.HFUEL; }},
    {"etai", "-", "indicated efficiency: work / hfuel", "fort13.dat line 14", "etai",
     [](const RunState& s) { return s.ETAI; }},
    {"fuel", "mm3", "fuel quantity per cylinder and cycle in force at the end", "fort13.dat line 3",
     "fuel_10mm3 (= fuel / 10)", [](const RunState& s) { return s.QF * 10.0f; }},
    {"nv", "-", "volumetric efficiency: air through the engine / (swept volume x 1.2 kg/m3)", "fort13.dat line 4",
     "nv", [](const RunState& s) { return s.NV; }},
    {"lambda", "-", "1 / equivalence ratio of cylinder 1 at history entry 350", "fort13.dat line 7", "lambda",
     [](const RunState& s) { return s.LAMBDA; }},
    {"wlam", "-", "excess-air ratio from the air mass of the cycle", "fort15.dat line 9", "wlam",
     [](const RunState& s) { return s.WLAM; }},
    {"pso2", "%", "oxygen content of the exhaust", "fort13.dat line 10", "",
     [](const RunState& s) { return s.PSO2; }},
    {"resid", "-", "residual-gas fraction of the cylinder charge", "fort13.dat line 16 (in %)", "resid",
     [](const RunState& s) { return s.RESID; }},
    {"tex", "degC", "mean exhaust-receiver temperature", "fort13.dat line 6", "tex_degc",
     [](const RunState& s) { return s.TEX; }},
    {"pm", "bar", "mean exhaust-receiver pressure above 1 bar", "fort13.dat line 5", "",
     [](const RunState& s) { return s.PM; }},
    {"pmax", "bar", "peak cylinder-1 pressure of the last cycle", "history of cylinder 1", "pmax_bar",
     [](const RunState& s) { return pressure_peak(s).pressure / 100000.0f; }},
    {"pmax_angle", "deg", "crank angle of pmax from firing TDC, at the nominal angle of its step",
     "history of cylinder 1", "pmax_angle_deg",
     [](const RunState& s) {
         const float phi = s.ANGST + static_cast<float>(pressure_peak(s).entry) * s.DPHI;
         return angle_from_firing_tdc(phi, s.ANGST);
     }},
    {"soc", "deg", "start of combustion from firing TDC (negative before it)", "fort13.dat line 8 (before TDC)", "",
     [](const RunState& s) { return -s.SOCDEG; }},
    {"durc", "deg", "combustion duration of the last step", "fort13.dat line 11, fort15.dat line 14", "",
     [](const RunState& s) { return s.DURCDEG; }},
    {"mwieb", "-", "Wiebe shape exponent of the last cycle", "fort13.dat line 11, fort15.dat line 13", "",
     [](const RunState& s) { return s.MWIEB; }},
    {"tcm", "K", "heat-transfer-weighted mean gas temperature of cylinder 1", "fort13.dat line 15, fort16.dat line 11",
     "", [](const RunState& s) { return s.TCM; }},
    {"fmep", "bar", "friction mean effective pressure", "cycle figures", "",
     [](const RunState& s) { return s.FMEP; }},
    {"trapr", "-", "charge-mass ratio", "console, second line of each cycle", "",
     [](const RunState& s) { return s.TRAPR; }},
    {"hfuel", "J", "fuel energy per cylinder and cycle", "fort16.dat line 1", "",
     [](const RunState& s) { return s.HFUEL; }},
    {"qfri", "J", "friction work per cylinder and cycle", "fort16.dat line 2", "",
     [](const RunState& s) { return s.QFRI; }},
    {"work", "J", "indicated work of cylinder 1 per cycle", "fort16.dat line 3", "",
     [](const RunState& s) { return s.WORK; }},
    {"hex", "J", "enthalpy carried out through the exhaust valve of cylinder 1", "fort16.dat line 4", "",
     [](const RunState& s) { return s.HEX; }},
    {"qlos", "J", "wall heat of cylinder 1 per cycle (negative: lost by the gas)", "fort16.dat line 5", "",
     [](const RunState& s) { return s.QLOS; }},
    {"qlkop", "J", "head part of qlos", "fort16.dat line 6", "", [](const RunState& s) { return s.QLKOP; }},
    {"qlkol", "J", "piston part of qlos", "fort16.dat line 7", "", [](const RunState& s) { return s.QLKOL; }},
    {"qllau", "J", "liner part of qlos", "fort16.dat line 8", "", [](const RunState& s) { return s.QLLAU; }},
    {"htm", "W/(m2 K)", "cycle mean gas-side heat-transfer coefficient", "fort16.dat line 9", "",
     [](const RunState& s) { return s.HTM; }},
    {"htm2", "W/(m2 K)", "mean heat-transfer coefficient over the exhaust-valve window", "fort16.dat line 10", "",
     [](const RunState& s) { return s.HTM2; }},
    {"qukop", "W/m2", "mean head heat flux (negative: leaving the gas)", "fort16.dat line 12", "",
     [](const RunState& s) { return s.QUKOP; }},
    {"qlv1", "J/m2", "sum of -HTC x T over the cycle", "fort15.dat line 11", "",
     [](const RunState& s) { return s.QLV1; }},
    {"qlv2", "J/m2", "sum of -HTC x T over the exhaust-valve window", "fort15.dat line 12", "",
     [](const RunState& s) { return s.QLV2; }},
    {"aout", "m2", "flow area of the exhaust-receiver outlet valve at the end", "fort15.dat line 10", "",
     [](const RunState& s) { return s.AOUT; }},
};

}  // namespace

std::span<const OutputFigure> output_figures() { return kFigures; }

const OutputFigure* find_output_figure(std::string_view name) {
    for (const OutputFigure& f : kFigures) {
        if (name == f.name) return &f;
    }
    return nullptr;
}

std::string output_figures_markdown() {
    std::string md = "| Name | Unit | Definition | Shown in | Map CSV column |\n|---|---|---|---|---|\n";
    for (const OutputFigure& f : kFigures) {
        // "fuel_10mm3 (= fuel / 10)": the column name in code style, the conversion after it.
        const std::string_view map = f.mapColumn;
        const std::size_t space = std::min(map.find(' '), map.size());
        std::string column;
        if (!map.empty()) column = "`" + std::string(map.substr(0, space)) + "`" + std::string(map.substr(space));
        md += std::string("| `") + f.name + "` | " + f.unit + " | " + f.definition + " | " + f.source + " | " +
              column + " |\n";
    }
    return md;
}

}  // namespace diesel
