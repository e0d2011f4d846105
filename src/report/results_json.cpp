#include "report/results_json.hpp"

#include <cmath>
#include <cstring>
#include <string_view>

#include <nlohmann/json.hpp>

#include "case/input_items.hpp"
#include "case/run_inputs.hpp"
#include "report/number_format.hpp"
#include "report/output_figures.hpp"
#include "state/crank_angle.hpp"

namespace diesel {

namespace {

using Json = nlohmann::ordered_json;

// nlohmann writes reals with Grisu2 on doubles, which is often not the
// shortest text of a float (60.882812 comes out as 60.8828125 or longer). So a
// float goes into the document as a marked string holding its std::to_chars
// text, and dump() is followed by taking the quotes and the mark off again.
// The mark is a control character, which no other string of the document holds.
constexpr char kMark = '\x01';
constexpr std::string_view kDumpedMark = "\"\\u0001";  // how dump() writes the opening quote and the mark

Json real(float v) {
    if (!std::isfinite(v)) return nullptr;
    char text[kShortestMax + 1];
    text[0] = kMark;
    return std::string(text, put_shortest(text + 1, v));
}

std::string unmark_reals(std::string text) {
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(kDumpedMark, from)) != std::string::npos;) {
        const std::size_t begin = at + kDumpedMark.size();
        const std::size_t close = text.find('"', begin);
        out.append(text, from, at - from);
        out.append(text, begin, close - begin);
        from = close + 1;
    }
    out.append(text, from, std::string::npos);
    return out;
}

// {"unit": ..., "value": ...}; a non-finite value is null and its path goes to `nonFinite`.
Json quantity(const char* unit, float v, const std::string& path, Json& nonFinite) {
    if (!std::isfinite(v)) nonFinite.push_back(path);
    return Json{{"unit", unit}, {"value", real(v)}};
}

// The input set by the item table: every item under its case.toml key with
// its model name, unit and the value the model reads, in the order of the
// fort files; then the start rows of cylinders 2 .. NCYL, as case.toml's
// start.rows writes them.
Json input_set(const RunState& s) {
    Json in = Json::object();
    for (const InputItem& it : input_items()) {
        const double v = input_value(s, it.id);
        in[it.key] = Json{{"name", it.name},
                          {"unit", it.unit},
                          {"value", it.type == ItemType::Integer ? Json(static_cast<int32_t>(v))
                                                                 : real(static_cast<float>(v))}};
    }
    Json rows = Json::array();
    for (int32_t k = 2; k <= s.NCYL; ++k) rows.push_back(Json::array({real(s.MASS0[k]), real(s.TEMP0[k]), real(s.EQR0[k])}));
    in["start.rows"] = Json{{"name", "MASS0, TEMP0, EQR0"}, {"unit", "kg, K, -"}, {"value", std::move(rows)}};
    return in;
}

}  // namespace

std::string results_json(const RunState& inputs, const RunState& end, const RunOutcome& outcome) {
    Json doc;
    Json nonFinite = Json::array();
    doc["format"] = "diesel-cycle results 1";
    doc["program"] = Json{{"name", "diesel-cycle"}, {"version", DIESEL_VERSION}};

    const bool completed = outcome.end == RunEnd::Completed;
    Json ended;
    ended["status"] = completed ? "completed" : "stopped";
    ended["rule"] = completed ? Json(nullptr) : Json(run_end_name(outcome.end));
    ended["cycle"] = outcome.cycle;
    ended["crank_angle_deg"] = real(angle_from_firing_tdc(outcome.phi, end.ANGST));
    ended["model_crank_angle_deg"] = real(outcome.phi);
    ended["message"] = outcome.reason;
    doc["ended"] = std::move(ended);
    doc["cycles"] = outcome.cycle;

    Json figures = Json::object();
    for (const OutputFigure& f : output_figures()) {
        const float v = f.value(end);
        if (!std::isfinite(v)) nonFinite.push_back(f.name);
        figures[f.name] = Json{{"unit", f.unit}, {"value", real(v)}};
    }
    doc["figures"] = std::move(figures);
    doc["non_finite"] = Json::array();  // filled below, kept beside the figures

    // Cylinder 1 over the last cycle: fuel energy in, indicated work out, wall
    // heat and exhaust enthalpy with their signs (negative: leaving the gas).
    const float energyResidual = (end.HFUEL - end.WORK + end.QLOS + end.HEX) / end.HFUEL;
    doc["energy_balance"] = Json{
        {"hfuel", quantity("J", end.HFUEL, "energy_balance.hfuel", nonFinite)},
        {"work", quantity("J", end.WORK, "energy_balance.work", nonFinite)},
        {"qlos", quantity("J", end.QLOS, "energy_balance.qlos", nonFinite)},
        {"hex", quantity("J", end.HEX, "energy_balance.hex", nonFinite)},
        {"residual", quantity("-", energyResidual, "energy_balance.residual", nonFinite)},
    };
    // All simulated cylinders over the last cycle: air drawn into the intake
    // receiver plus fuel against the gas let out of the exhaust receiver.
    const float fuelMass = end.QF * 0.825f / 100000.0f * end.FNCYL;
    const float massResidual = (end.SUPMASS + fuelMass - end.EXMASS) / end.SUPMASS;
    doc["mass_balance"] = Json{
        {"supply", quantity("kg", end.SUPMASS, "mass_balance.supply", nonFinite)},
        {"fuel", quantity("kg", fuelMass, "mass_balance.fuel", nonFinite)},
        {"outlet", quantity("kg", end.EXMASS, "mass_balance.outlet", nonFinite)},
        {"residual", quantity("-", massResidual, "mass_balance.residual", nonFinite)},
    };
    doc["non_finite"] = std::move(nonFinite);
    doc["inputs"] = input_set(inputs);
    return unmark_reals(doc.dump(2)) + "\n";
}

}  // namespace diesel
