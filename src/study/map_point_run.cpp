#include "study/map_point_run.hpp"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <ostream>

#include "files/run_folder.hpp"
#include "driver/in_memory_run.hpp"

namespace diesel {

namespace {

// A CSV field: the shortest text that reads back to the float; any NaN is "nan".
std::string field(float v) { return std::isnan(v) ? std::string("nan") : shortest_real(v); }

// Peak cylinder-1 pressure of the last completed cycle [Pa].
float peak_pressure(const RunState& s) {
    float p = s.TRPRES[1];
    for (int32_t i = 2; i <= 720; ++i) {
        if (s.TRPRES[i] > p) p = s.TRPRES[i];
    }
    return p;
}

std::string write_outputs(const std::string& dir, const InMemoryRun& run, const std::string& row) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) return "cannot create " + dir + ": " + ec.message();
    const std::string none;  // fort11.dat is always empty
    const struct {
        const char* name;
        const std::string& text;
    } files[] = {
        {"fort8.dat", run.fort8},   {"fort9.dat", run.fort9},   {"fort10.dat", run.fort10},
        {"fort11.dat", none}, {"fort12.dat", run.fort12}, {"fort13.dat", run.fort13},
        {"fort15.dat", run.fort15}, {"fort16.dat", run.fort16}, {"console.txt", run.console},
    };
    for (const auto& f : files) {
        const std::string error = write_text(dir + "/" + f.name, f.text);
        if (!error.empty()) return error;
    }
    if (run.outcome.rewritesStartTable) {
        const std::string error = replace_file_atomically(dir + "/fort14.dat", run.outcome.startTable);
        if (!error.empty()) return error;
    }
    return write_text(dir + "/result.csv", row + "\n");
}

}  // namespace

std::string map_csv_header(const BasePoint& base) {
    return std::string("speed_rpm,") + (load_is_fuel(base) ? "set_fuel_10mm3" : "target_pe_bar") +
           ",fuel_10mm3,pe_bar,be_g_kwh,nv,tex_degc,etai,lambda,pmax_bar,cycles,end";
}

std::string failed_row(const MapPoint& p, const char* end) {
    return field(p.speed) + "," + field(p.load) + ",,,,,,,,,," + end;
}

PointResult run_map_point(const InputTexts& texts, const MapPoint& p, const std::string& outDir) {
    PointResult r;
    const InMemoryRun run = run_in_memory(texts);
    if (!run.inputOk) {
        r.end = kPointInputError;
        r.row = failed_row(p, kPointInputError);
        r.message = run.inputError;
        if (!outDir.empty()) {
            std::error_code ec;
            std::filesystem::create_directories(outDir, ec);
            write_text(outDir + "/result.csv", r.row + "\n");
        }
        return r;
    }
    const RunState& s = *run.state;
    r.end = run_end_name(run.outcome.end);
    // Shortest round-trip text of every float: exact and the same on every machine.
    r.row = field(p.speed) + "," + field(p.load) + "," + field(s.QF) + "," + field(s.PE) + "," + field(s.BE) + "," +
            field(s.NV) + "," + field(s.TEX) + "," + field(s.ETAI) + "," + field(s.LAMBDA) + "," +
            field(peak_pressure(s) / 100000.0f) + "," + std::to_string(run.outcome.cycle) + "," + r.end;
    if (run.outcome.end != RunEnd::Completed) r.message = run.outcome.reason;
    if (!outDir.empty()) {
        const std::string error = write_outputs(outDir, run, r.row);
        if (!error.empty()) r.message = error + (r.message.empty() ? "" : "; " + r.message);
    }
    return r;
}

int map_exit_status(bool anyNotRun, bool anyStopped) {
    if (anyNotRun) return kExitFileError;
    if (anyStopped) return kExitStopped;
    return kExitCompleted;
}

std::string write_text(const std::string& path, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return "cannot create " + path + ": " + std::strerror(errno);
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    const bool closed = std::fclose(f) == 0;
    if (!ok || !closed) return "cannot write " + path;
    return {};
}

std::string path_join(const std::string& dir, const std::string& name) {
    return (dir.empty() || dir.back() == '/') ? dir + name : dir + "/" + name;
}

bool read_input_folder(const std::string& dir, InputTexts& texts, std::ostream& err) {
    const struct {
        const char* name;
        std::optional<std::string>* slot;
    } inputs[] = {{"fort3.dat", &texts.fort3}, {"fort2.dat", &texts.fort2}, {"fort14.dat", &texts.fort14}};
    for (const auto& in : inputs) {
        std::string text, error;
        if (read_text_file(path_join(dir, in.name), text, error)) {
            *in.slot = std::move(text);
        } else if (!error.empty()) {
            err << "diesel-cycle: map: " << path_join(dir, in.name) << ": cannot be read: " << error << '\n';
            return false;
        }
    }
    return true;
}

bool write_map_csv(const std::string& file, const std::string& csv, std::ostream& out, std::ostream& err) {
    if (file.empty()) {
        out << csv;
        out.flush();
        return true;
    }
    const std::string error = write_text(file, csv);
    if (error.empty()) return true;
    err << "diesel-cycle: map: " << error << '\n';
    return false;
}

}  // namespace diesel
