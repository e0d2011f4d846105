#include "report/results_json.hpp"

#include <cmath>
#include <cstring>
#include <string_view>
#include <variant>

#include <nlohmann/json.hpp>

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

// Stand-in for the case item table: the input set by the model's names, in
// the order of the input files, read from the state as the reader left it.
// The item table of the case files replaces it, with units and case.toml keys.
Json input_set(const RunState& s) {
    struct Real { const char* name; float RunState::*member; };
    struct Integer { const char* name; int32_t RunState::*member; };
    using Item = std::variant<Real, Integer>;
    static const Item kItems[] = {
        // fort3.dat
        Real{"SPEED", &RunState::SPEED}, Integer{"MODE", &RunState::MODE}, Real{"PETARG", &RunState::PETARG},
        Real{"FUEL", &RunState::FUEL}, Integer{"NCYL", &RunState::NCYL},
        // fort2.dat records 1 to 7 (VINL and VEXR follow CR, below)
        Real{"BORE", &RunState::BORE}, Real{"STROKE", &RunState::STROKE}, Real{"CONROD", &RunState::CONROD},
        Integer{"NCYLE", &RunState::NCYLE}, Real{"CR", &RunState::CR},
    };
    static const Item kMoreItems[] = {
        Real{"SHEAD", &RunState::SHEAD}, Real{"SPIST", &RunState::SPIST}, Real{"AHEAD", &RunState::AHEAD},
        Real{"APIST", &RunState::APIST}, Real{"AER", &RunState::AER}, Real{"AINF", &RunState::AINF},
        Real{"DRV", &RunState::DRV}, Real{"FRV", &RunState::FRV}, Real{"KRV", &RunState::KRV},
        Real{"TCOOL", &RunState::TCOOL}, Real{"IVO", &RunState::IVO}, Real{"IVC", &RunState::IVC},
        Real{"EVO", &RunState::EVO}, Real{"EVC", &RunState::EVC}, Real{"AIMAX", &RunState::AIMAX},
        Real{"AEMAX", &RunState::AEMAX}, Real{"SOC", &RunState::SOC}, Real{"DURC0", &RunState::DURC0},
        Real{"MWIEB0", &RunState::MWIEB0}, Real{"TIDR", &RunState::TIDR}, Real{"EQRREF", &RunState::EQRREF},
        Real{"SPEEDR", &RunState::SPEEDR}, Real{"ANGST", &RunState::ANGST}, Real{"PIVC", &RunState::PIVC},
        Real{"PREFM", &RunState::PREFM}, Real{"TREFM", &RunState::TREFM}, Real{"SWIRL", &RunState::SWIRL},
        Real{"CWOS", &RunState::CWOS}, Real{"CW1", &RunState::CW1}, Real{"K3", &RunState::K3},
        Real{"KAPPA", &RunState::KAPPA}, Real{"PEXP", &RunState::PEXP}, Integer{"MAXCYC", &RunState::MAXCYC},
        Real{"DPHI", &RunState::DPHI}, Integer{"ITMAX", &RunState::ITMAX},
        Real{"HCOOL", &RunState::HCOOL}, Real{"LHEAD", &RunState::LHEAD}, Real{"LPIST", &RunState::LPIST},
        Real{"XDUREQ", &RunState::XDUREQ}, Real{"XDURN", &RunState::XDURN}, Real{"FAIN", &RunState::FAIN},
        Real{"FAEX", &RunState::FAEX}, Real{"FA3", &RunState::FA3},
        Real{"HCOOLC", &RunState::HCOOLC}, Real{"HCOOLX", &RunState::HCOOLX}, Real{"EQREX0", &RunState::EQREX0},
        Real{"FRCR", &RunState::FRCR}, Real{"PIOFF", &RunState::PIOFF}, Real{"FAINLS", &RunState::FAINLS},
        Integer{"IRES", &RunState::IRES}, Real{"EQRMAX", &RunState::EQRMAX}, Real{"DPEMIN", &RunState::DPEMIN},
        Real{"FUELMX", &RunState::FUELMX}, Real{"TOLEQR", &RunState::TOLEQR}, Real{"TOLM", &RunState::TOLM},
        Real{"TOLT", &RunState::TOLT}, Real{"TOLPE", &RunState::TOLPE}, Real{"TOLCYM", &RunState::TOLCYM},
        Real{"TOLEXM", &RunState::TOLEXM}, Real{"RRES", &RunState::RRES},
    };
    Json in = Json::object();
    const auto put = [&](const Item& item) {
        if (const Real* r = std::get_if<Real>(&item)) {
            in[r->name] = real(s.*(r->member));
        } else {
            const Integer& i = std::get<Integer>(item);
            in[i.name] = s.*(i.member);
        }
    };
    for (const Item& item : kItems) put(item);
    in["VINL"] = real(s.VOL[s.NCYL + 1]);
    in["VEXR"] = real(s.VOL[s.NCYL + 2]);
    for (const Item& item : kMoreItems) put(item);

    // Start states, zone by zone: cylinder 1 and the receivers from fort2.dat,
    // the other cylinders from the start table.
    Json zones = Json::array();
    for (int32_t k = 1; k <= s.NCYL + 2; ++k) {
        const std::string zone = k == s.NCYL + 1   ? "intake receiver"
                                 : k == s.NCYL + 2 ? "exhaust receiver"
                                                   : "cylinder " + std::to_string(k);
        zones.push_back(Json{{"zone", zone}, {"MASS0", real(s.MASS0[k])}, {"TEMP0", real(s.TEMP0[k])},
                             {"EQR0", real(s.EQR0[k])}});
    }
    in["start_states"] = std::move(zones);
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
