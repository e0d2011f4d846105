#include "study/map_point_run.hpp"

#include <filesystem>
#include <memory>
#include <sstream>
#include <system_error>

#include "driver/in_memory_run.hpp"
#include "driver/simulation.hpp"
#include "files/output_files.hpp"
#include "files/run_folder.hpp"
#include "case/run_inputs.hpp"
#include "report/result_check.hpp"
#include "state/run_state.hpp"

namespace diesel {

namespace {

// The run outputs and the console text of a point folder.
constexpr OutputName kPointOutputs[] = {{"fort8.dat", 8},   {"fort9.dat", 9},   {"fort10.dat", 10},
                                        {"fort11.dat", 11}, {"fort12.dat", 12}, {"fort13.dat", 13},
                                        {"fort15.dat", 15}, {"fort16.dat", 16}, {"console.txt", 0}};

std::string figures_row(const MapPoint& p, const RunState& s, const RunOutcome& outcome) {
    // Shortest round-trip text of every float: exact and the same on every machine.
    return csv_real(p.speed) + "," + csv_real(p.load) + "," + csv_real(s.QF) + "," + csv_real(s.PE) + "," +
           csv_real(s.BE) + "," + csv_real(s.NV) + "," + csv_real(s.TEX) + "," + csv_real(s.ETAI) + "," +
           csv_real(s.LAMBDA) + "," + csv_real(peak_cylinder_pressure(s) / 100000.0f) + "," +
           std::to_string(outcome.cycle) + "," + run_end_name(outcome.end);
}

PointResult not_run(const MapPoint& p, const char* end, std::string message) {
    // This version's row layout; the load column's name does not matter for it.
    return {failed_row(map_csv_header(BasePoint{}), p, end), end, std::move(message)};
}

PointResult ran(const MapPoint& p, const RunState& s, const RunOutcome& outcome) {
    return {figures_row(p, s, outcome), run_end_name(outcome.end),
            outcome.end == RunEnd::Completed ? std::string() : outcome.reason};
}

// The run with its outputs written to `dir`, all or none.
PointResult run_into_folder(const InputTexts& texts, const MapPoint& p, const std::string& dir) {
    auto s = std::make_unique<RunState>();
    try {
        read_inputs(*s, texts);
    } catch (const InputError& err) {
        return not_run(p, kPointInputError, err.what());
    }
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) return not_run(p, kPointOutputError, "cannot create " + dir + ": " + ec.message());
    remove_leftover_temporaries(dir, "fort14.dat");
    OutputFiles files;
    std::string error;
    if (!files.open(dir, kPointOutputs, error)) return not_run(p, kPointOutputError, dir + ": " + error);
    std::ostringstream diag;
    const OutputSinks sinks{&files.stream(0), &files.stream(1), &files.stream(2), &files.stream(4), &files.stream(5),
                            &files.stream(6), &files.stream(7), &files.stream(8), &diag};
    const RunOutcome outcome = run_simulation(*s, sinks);
    error = files.close();
    if (error.empty() && outcome.rewritesStartTable) {
        error = replace_file_atomically(path_in(dir, "fort14.dat"), outcome.startTable);
        if (!error.empty()) error = "fort14.dat (unit 14): " + error;
    }
    if (!error.empty()) return not_run(p, kPointOutputError, dir + ": " + error);
    return ran(p, *s, outcome);
}

}  // namespace

std::string map_csv_header(const BasePoint& base) {
    return std::string("speed_rpm,") + (load_is_fuel(base) ? "set_fuel_10mm3" : "target_pe_bar") +
           ",fuel_10mm3,pe_bar,be_g_kwh,nv,tex_degc,etai,lambda,pmax_bar,cycles,end";
}

std::string failed_row(const std::string& header, const MapPoint& p, const char* end) {
    std::string row = csv_real(p.speed) + "," + csv_real(p.load);
    std::size_t column = 0, start = 0;
    for (;;) {
        const std::size_t comma = header.find(',', start);
        const std::string name = header.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (column >= 2) row += "," + (name == "end" ? std::string(end) : std::string());
        if (comma == std::string::npos) return row;
        start = comma + 1;
        ++column;
    }
}

std::string row_end(const std::string& header, const std::string& row) {
    std::size_t h = 0, r = 0;
    for (;;) {
        const std::size_t hc = header.find(',', h), rc = row.find(',', r);
        if (header.compare(h, hc == std::string::npos ? std::string::npos : hc - h, "end") == 0) {
            return row.substr(r, rc == std::string::npos ? std::string::npos : rc - r);
        }
        if (hc == std::string::npos || rc == std::string::npos) return {};
        h = hc + 1;
        r = rc + 1;
    }
}

PointResult run_map_point(const InputTexts& texts, const MapPoint& p, const std::string& outDir) {
    if (!outDir.empty()) return run_into_folder(texts, p, outDir);
    const InMemoryRun run = run_in_memory(texts);
    if (!run.inputOk) return not_run(p, kPointInputError, run.inputError);
    return ran(p, *run.state, run.outcome);
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
