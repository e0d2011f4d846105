#include "analysis/analysis_report.hpp"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "analysis/json_figure.hpp"

namespace diesel {

namespace {

using Json = nlohmann::ordered_json;

// A CSV field: the shortest text that reads back to the float; empty for NaN.
void field(std::string& out, double v) {
    out += ',';
    if (std::isnan(v)) return;
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, static_cast<float>(v));
    out.append(buf, res.ptr);
}

std::string fixed(double v, int decimals) {
    if (!std::isfinite(v)) return "-";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

}  // namespace

std::string analysis_csv(const AnalysisResult& r) {
    std::string out =
        "angle_deg,volume_m3,pressure_bar,smoothed_pressure_bar,temperature_K,heat_release_rate_J_per_deg,"
        "cumulative_heat_release_J,burnt_fraction,fitted_burnt_fraction\n";
    const auto& c = r.cycle;
    for (size_t i = 0; i < c.angle.size(); ++i) {
        std::string row;
        field(row, c.angle[i]);
        field(row, r.volume[i]);
        field(row, c.pressure[i]);
        field(row, r.analysed[i]);
        field(row, r.heat.temperature[i]);
        field(row, r.heat.rate[i]);
        field(row, r.heat.cumulative[i]);
        field(row, r.burn.burnt[i]);
        field(row, r.fittedBurnt[i]);
        out.append(row, 1);  // without the leading comma
        out += '\n';
    }
    return out;
}

std::string analysis_json(const AnalysisResult& r, const AnalysisSources& s) {
    const AnalysisOptions& o = r.options;
    Json j;
    // Stamped as results.json is: the layout, then the program that wrote it.
    j["format"] = "diesel-cycle analysis 1";
    j["program"] = {{"name", "diesel-cycle"}, {"version", DIESEL_VERSION}};
    j["case"] = s.caseFolder;
    j["pressure_file"] = s.pressureFile;
    j["settings"] = {
        {"tdc_shift_deg", json_figure(o.tdcShift)},
        {"cycles", o.cycles},
        {"peg", o.peg},
        {"smooth_deg", json_figure(o.smooth)},
        {"wall_heat", o.heat.wallHeat},
        {"gas_properties", o.heat.constantProperties ? "constant kappa " + std::to_string(o.heat.kappa) : "model"},
    };
    const MeasuredCycle& c = r.cycle;
    j["trace"] = {
        {"samples", c.angle.size()},
        {"step_deg", json_figure(c.step)},
        {"first_deg", json_figure(c.angle.front())},
        {"last_deg", json_figure(c.angle.back())},
        {"full_cycle", c.fullCycle},
        {"cycles_in_file", c.cyclesInFile},
        {"cycles_averaged", c.cyclesAveraged},
        {"peg_reference_bar", json_figure(r.pegReference)},
        {"peg_offset_bar", o.peg ? json_figure(r.pegOffset) : Json(nullptr)},
    };
    j["operating_state"] = {
        {"speed_rpm", json_figure(static_cast<double>(s.speed))},
        {"fuel_10mm3", json_figure(static_cast<double>(s.fuel))},
        {"load_controlled_case", s.loadControlled},
        {"fuel_energy_J", json_figure(r.fuelEnergy)},
        {"trapped_mass_kg", json_figure(r.charge.mass)},
        {"trapped_eqr", json_figure(r.charge.eqr)},
    };
    j["closed_part"] = {
        {"intake_closing_deg", json_figure(r.closed.intakeClosing)},
        {"exhaust_opening_deg", json_figure(r.closed.exhaustOpening)},
    };
    const BurnFigures& b = r.burn;
    const PressureFigures& p = r.pressure;
    j["figures"] = {
        {"combustion", b.combustion},
        {"start_of_combustion_deg", json_figure(b.start)},
        {"mfb5_deg", json_figure(b.mfb5)},
        {"mfb10_deg", json_figure(b.mfb10)},
        {"mfb50_deg", json_figure(b.mfb50)},
        {"mfb90_deg", json_figure(b.mfb90)},
        {"burn_duration_10_90_deg", json_figure(b.duration1090)},
        {"heat_release_max_J", json_figure(b.heatReleaseMax)},
        {"peak_pressure_bar", json_figure(p.peakPressure)},
        {"peak_pressure_angle_deg", json_figure(p.peakAngle)},
        {"max_pressure_rise_rate_bar_per_deg", json_figure(p.maxRiseRate)},
        {"max_pressure_rise_rate_angle_deg", json_figure(p.maxRiseRateAngle)},
        {"imep_gross_bar", json_figure(p.imepGross)},
        {"imep_net_bar", json_figure(p.imepNet)},
    };
    const HeatRelease& h = r.heat;
    const double released = h.cumulative[h.last];
    j["energy_balance"] = {
        {"fuel_energy_J", json_figure(r.fuelEnergy)},
        {"heat_release_J", json_figure(released)},
        {"work_J", json_figure(h.work)},
        {"wall_heat_J", json_figure(h.wallHeat)},
        {"internal_energy_change_J", json_figure(h.internalEnergyChange)},
        {"unaccounted_J", json_figure(r.fuelEnergy - released)},
        {"unaccounted_percent", json_figure(r.fuelEnergy > 0.0 ? 100.0 * (r.fuelEnergy - released) / r.fuelEnergy : std::numeric_limits<double>::quiet_NaN())},
    };
    if (r.fitted) {
        const WiebeFit& f = r.fit;
        j["wiebe_fit"] = {
            {"start_deg", json_figure(f.start)},
            {"duration_deg", json_figure(f.duration)},
            {"exponent", json_figure(f.exponent)},
            {"rms_residual", json_figure(f.rms)},
            {"max_residual", json_figure(f.maxAbs)},
            {"samples", f.samples},
            {"evaluations", f.evaluations},
            {"algorithm", "NLopt LN_BOBYQA"},
            {"bounds",
             {{"start_deg", {json_figure(r.bounds.startMin), json_figure(r.bounds.startMax)}},
              {"duration_deg", {json_figure(r.bounds.durationMin), json_figure(r.bounds.durationMax)}},
              {"exponent", {json_figure(r.bounds.exponentMin), json_figure(r.bounds.exponentMax)}}}},
            {"at_bounds", f.atBounds},
        };
        j["inputs"] = {{"SOC", json_figure(r.inputs.SOC)}, {"DURC0", json_figure(r.inputs.DURC0)}, {"MWIEB0", json_figure(r.inputs.MWIEB0)}};
        j["law_factors"] = {{"duration", json_figure(r.inputs.durationFactor)}, {"exponent", json_figure(r.inputs.exponentFactor)}};
    } else {
        j["wiebe_fit"] = nullptr;
        j["inputs"] = nullptr;
        j["law_factors"] = nullptr;
    }
    j["input_units"] = {{"SOC", "deg before firing TDC"}, {"DURC0", "deg"}, {"MWIEB0", "-"}};
    return j.dump(2) + "\n";
}

std::string analysis_summary(const AnalysisResult& r, const AnalysisSources& s) {
    const BurnFigures& b = r.burn;
    const PressureFigures& p = r.pressure;
    std::string t = "analysis of " + s.pressureFile + " against case " + s.caseFolder;
    if (r.cycle.cyclesAveraged > 1) t += ", " + std::to_string(r.cycle.cyclesAveraged) + " cycles averaged";
    if (r.options.smooth > 0.0) t += ", smoothed over " + fixed(r.options.smooth, 1) + " deg";
    t += "\n";
    t += "  peak pressure         " + fixed(p.peakPressure, 2) + " bar at " + fixed(p.peakAngle, 1) + " deg\n";
    t += "  max pressure rise     " + fixed(p.maxRiseRate, 3) + " bar/deg at " + fixed(p.maxRiseRateAngle, 1) + " deg\n";
    t += "  IMEP gross / net      " + fixed(p.imepGross, 3) + " / " + fixed(p.imepNet, 3) + " bar\n";
    if (b.combustion) {
        t += "  start of combustion   " + fixed(b.start, 1) + " deg\n";
        t += "  MFB 5/10/50/90        " + fixed(b.mfb5, 1) + " / " + fixed(b.mfb10, 1) + " / " + fixed(b.mfb50, 1) + " / " +
             fixed(b.mfb90, 1) + " deg, burn duration 10-90 " + fixed(b.duration1090, 1) + " deg\n";
    } else {
        t += "  no combustion found   largest cumulative heat release " + fixed(b.heatReleaseMax, 1) + " J, below " +
             fixed(r.significant, 1) + " J\n";
    }
    const double released = r.heat.cumulative[r.heat.last];
    t += "  heat release          " + fixed(released, 1) + " J of " + fixed(r.fuelEnergy, 1) + " J fuel energy";
    if (r.fuelEnergy > 0.0) t += " (" + fixed(100.0 * (r.fuelEnergy - released) / r.fuelEnergy, 1) + " % unaccounted)";
    t += (r.options.heat.wallHeat ? "" : ", apparent (no wall heat)");
    t += "\n";
    if (r.fitted) {
        t += "  Wiebe fit             start " + fixed(r.fit.start, 2) + " deg, duration " + fixed(r.fit.duration, 2) +
             " deg, exponent " + fixed(r.fit.exponent, 3) + ", rms residual " + fixed(100.0 * r.fit.rms, 2) + " %\n";
        t += "  inputs                SOC " + fixed(r.inputs.SOC, 2) + "  DURC0 " + fixed(r.inputs.DURC0, 2) + "  MWIEB0 " +
             fixed(r.inputs.MWIEB0, 3) + "\n";
    }
    return t;
}

}  // namespace diesel
