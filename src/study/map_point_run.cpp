#include "study/map_point_run.hpp"

#include <utility>

#include "report/output_figures.hpp"
#include "report/result_check.hpp"
#include "state/exit_status.hpp"
#include "state/run_state.hpp"

namespace diesel {

namespace {

// The CSV name of a figure: its map column up to any note on conversion.
std::string column_of(const OutputFigure& f) {
    const std::string column = f.mapColumn;
    return column.substr(0, column.find(' '));
}

std::string figures_row(const MapPoint& p, const RunState& s, const RunOutcome& outcome) {
    // Shortest round-trip text of every float: exact and the same on every machine.
    std::string row = csv_real(p.speed) + "," + csv_real(p.load) + "," + csv_real(s.QF) + "," + csv_real(s.PE) + "," +
                      csv_real(s.BE) + "," + csv_real(s.NV) + "," + csv_real(s.TEX) + "," + csv_real(s.ETAI) + "," +
                      csv_real(s.LAMBDA) + "," + csv_real(peak_cylinder_pressure(s) / 100000.0f) + "," +
                      std::to_string(outcome.cycle) + "," + run_end_name(outcome.end);
    for (const char* name : map_extra_figures()) row += "," + csv_real(find_output_figure(name)->value(s));
    for (const std::string& v : p.values) row += "," + v;
    return row;
}

}  // namespace

const std::vector<const char*>& map_extra_figures() {
    static const std::vector<const char*> names{"torque", "power", "etab", "wlam", "pmax_angle", "resid"};
    return names;
}

std::string map_csv_header(bool loadIsFuel, const std::vector<std::string>& variedNames) {
    std::string header = std::string("speed_rpm,") + (loadIsFuel ? "set_fuel_10mm3" : "target_pe_bar") +
                         ",fuel_10mm3,pe_bar,be_g_kwh,nv,tex_degc,etai,lambda,pmax_bar,cycles,end";
    for (const char* name : map_extra_figures()) header += "," + column_of(*find_output_figure(name));
    for (const std::string& v : variedNames) header += "," + v;
    return header;
}

std::string map_csv_header(const MapGrid& grid) {
    std::vector<std::string> names;
    for (const MapColumn& c : grid.varied) names.push_back(c.name);
    return map_csv_header(grid.loadIsFuel, names);
}

PointResult point_not_run(const MapPoint& p, const char* end, std::string message) {
    // This version's row layout; the names of the columns do not matter for it.
    const std::string header = map_csv_header(false, std::vector<std::string>(p.values.size(), "v"));
    return {failed_row(header, p, end), end, std::move(message)};
}

PointResult run_map_point(const Case& c, const MapPoint& p, const StudyRunOptions& options, WarmStart* warm) {
    StudyRunOptions o = options;
    if (warm != nullptr) o.start = warm->start_at(p.load);
    const StudyRun run = run_study_case(c, o);
    if (warm != nullptr) warm->ran(run.state.get(), run.outcome.end, p.load);
    switch (run.status) {
        case StudyRun::Status::InputRefused: return point_not_run(p, kPointInputError, run.error);
        case StudyRun::Status::OutputFailed: return point_not_run(p, kPointOutputError, run.error);
        case StudyRun::Status::Ran: break;
    }
    return {figures_row(p, *run.state, run.outcome), run_end_name(run.outcome.end),
            run.outcome.end == RunEnd::Completed ? std::string() : run.outcome.reason};
}

std::string failed_row(const std::string& header, const MapPoint& p, const char* end) {
    const std::vector<std::string> names = split_fields(header);
    // The varied values fill the last columns.
    const std::size_t firstValue = names.size() >= p.values.size() ? names.size() - p.values.size() : names.size();
    std::string row = csv_real(p.speed) + "," + csv_real(p.load);
    for (std::size_t i = 2; i < names.size(); ++i) {
        row += ",";
        if (i >= firstValue) row += p.values[i - firstValue];
        else if (names[i] == "end") row += end;
    }
    return row;
}

std::string row_end(const std::string& header, const std::string& row) {
    const std::vector<std::string> names = split_fields(header), fields = split_fields(row);
    for (std::size_t i = 0; i < names.size() && i < fields.size(); ++i) {
        if (names[i] == "end") return fields[i];
    }
    return {};
}

PointEnding point_ending(const std::string& end) {
    if (end == run_end_name(RunEnd::Completed)) return PointEnding::Completed;
    if (end == kPointInputError || end == kPointOutputError || end == kPointMissing || end == kPointInvalid) {
        return PointEnding::NotRun;
    }
    return PointEnding::Stopped;
}

int map_exit_status(bool anyNotRun, bool anyStopped) {
    if (anyNotRun) return kExitFileError;
    if (anyStopped) return kExitStopped;
    return kExitCompleted;
}

}  // namespace diesel
