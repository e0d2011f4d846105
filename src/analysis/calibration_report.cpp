#include "analysis/calibration_report.hpp"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "analysis/json_figure.hpp"
#include "case/case.hpp"

namespace diesel {

namespace {

using Json = nlohmann::ordered_json;

// An input value: the float the case holds, written as its shortest text.
Json held(double v) { return std::strtod(held_text(v).c_str(), nullptr); }

std::string fixed(double v, int decimals) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

std::string padded(std::string text, size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

}  // namespace

std::string held_text(double value) {
    std::string t = shortest_text(static_cast<float>(value));
    if (t.size() > 2 && t.ends_with(".0")) t.resize(t.size() - 2);
    return t;
}

std::string calibration_json(const CalibrationResult& r, const CalibrationSources& s) {
    Json fitted = Json::object(), start = Json::object(), from = Json::object(), bounds = Json::object(),
         units = Json::object(), keys = Json::object();
    for (size_t k = 0; k < r.inputs.size(); ++k) {
        const CalibrationInput& in = r.inputs[k];
        fitted[in.name] = held(r.fitted[k]);
        start[in.name] = held(r.start[k]);
        from[in.name] = r.startFrom[k];
        bounds[in.name] = {json_figure(in.lower), json_figure(in.upper)};
        units[in.name] = item_info(in.item).unit;
        keys[in.name] = item_info(in.item).key;
    }
    Json j;
    j["fitted"] = fitted;
    j["rms_bar"] = json_figure(r.rms);
    j["runs"] = r.runs;
    j["seconds"] = json_figure(std::round(s.seconds * 1000.0) / 1000.0);
    j["start"] = start;
    j["start_rms_bar"] = r.startCompleted ? json_figure(r.startRms) : Json(nullptr);
    j["start_from"] = from;
    j["failed_runs"] = r.failedRuns;
    j["stop_reason"] = r.stopReason;
    j["bounds"] = bounds;
    j["at_bounds"] = r.atBounds;
    j["units"] = units;
    j["keys"] = keys;
    j["window_deg"] = {json_figure(s.window.from), json_figure(s.window.to)};
    j["samples"] = r.samples;
    j["format"] = "diesel-cycle calibration 1";  // stamped as results.json is
    j["program"] = {{"name", "diesel-cycle"}, {"version", DIESEL_VERSION}};
    j["case"] = s.caseFolder;
    j["pressure_file"] = s.pressureFile;
    j["settings"] = {
        {"tdc_shift_deg", json_figure(s.trace.tdcShift)},
        {"cycles", s.trace.cycles},
        {"peg", s.trace.peg},
        {"smooth_deg", json_figure(s.trace.smooth)},
    };
    j["operating_state"] = {
        {"fuel_10mm3", json_figure(static_cast<double>(s.fuel))},
        {"load_controlled_case", s.loadControlled},
    };
    j["written_case"] = s.writtenCase.empty() ? Json(nullptr) : Json(s.writtenCase);
    return j.dump(2) + "\n";
}

std::string calibration_summary(const CalibrationResult& r, const CalibrationSources& s) {
    std::string t = "calibration of case " + s.caseFolder + " against " + s.pressureFile + ", " +
                    std::to_string(r.samples) + " samples in " + held_text(s.window.from) + " .. " +
                    held_text(s.window.to) + " deg\n";
    t += "  input     start       fitted      bounds\n";
    for (size_t k = 0; k < r.inputs.size(); ++k) {
        const CalibrationInput& in = r.inputs[k];
        t += "  " + padded(in.name, 9) + " " + padded(held_text(r.start[k]), 11) + " " +
             padded(held_text(r.fitted[k]), 11) + " " + held_text(in.lower) + " .. " + held_text(in.upper) + " " +
             item_info(in.item).unit + "\n";
    }
    t += "  rms difference  ";
    t += r.startCompleted ? fixed(r.startRms, 4) + " bar at the start, " : std::string("none at the start (its run failed), ");
    t += fixed(r.rms, 4) + " bar calibrated\n";
    t += "  model runs      " + std::to_string(r.runs) + " (" + std::to_string(r.failedRuns) + " failed) in " +
         fixed(s.seconds, 2) + " s; " + r.stopReason + "\n";
    return t;
}

}  // namespace diesel
