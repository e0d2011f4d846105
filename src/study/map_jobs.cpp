#include "study/map_jobs.hpp"

#include <filesystem>
#include <optional>
#include <ostream>
#include <sstream>
#include <utility>

#include "files/run_folder.hpp"
#include "study/map_point_run.hpp"
#include "input/free_format.hpp"

// An emitted map folder holds map.txt (the CSV header, then the point folders
// in row order), jobs.txt, slurm-array.sh and one folder per point with its
// input files and point.txt ("INDEX SPEED LOAD"); a point run adds its output
// files and result.csv, its CSV row.

namespace diesel {

namespace {

namespace fs = std::filesystem;

std::string shell_quote(const std::string& s) {
    std::string q = "'";
    for (const char c : s) {
        if (c == '\'') q += "'\\''";
        else q += c;
    }
    return q + "'";
}

std::string this_program() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("diesel-cycle") : self.string();
}

std::string point_line(const MapPoint& p) {
    return std::to_string(p.index) + " " + shortest_real(p.speed) + " " + shortest_real(p.load) + "\n";
}

std::optional<MapPoint> read_point_line(const std::string& dir) {
    std::string text, error;
    if (!read_text_file(path_join(dir, "point.txt"), text, error)) return std::nullopt;
    std::istringstream in(text);
    std::string index, speed, load;
    if (!(in >> index >> speed >> load)) return std::nullopt;
    MapPoint p{};
    if (parse_integer(index, p.index) != NumberStatus::Ok || parse_real(speed, p.speed) != NumberStatus::Ok ||
        parse_real(load, p.load) != NumberStatus::Ok) {
        return std::nullopt;
    }
    return p;
}

}  // namespace

int emit_map_jobs(const std::string& folder, const std::string& binary, const InputTexts& baseTexts,
                  const BasePoint& base, const std::vector<MapPoint>& points, std::ostream& err) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    const fs::path root = fs::absolute(folder, ec);
    if (ec) {
        err << "diesel-cycle: map: cannot create " << folder << ": " << ec.message() << '\n';
        return kExitFileError;
    }
    const std::string dir = root.lexically_normal().string();
    const std::string program = binary.empty() ? this_program() : binary;
    std::string manifest = map_csv_header(base) + "\n";
    std::string jobs;
    for (const MapPoint& p : points) {
        const std::string name = point_folder_name(p.index);
        const std::string pdir = path_join(dir, name);
        fs::create_directories(pdir, ec);
        std::string error = ec ? "cannot create " + pdir + ": " + ec.message() : std::string();
        if (error.empty()) error = write_text(path_join(pdir, "fort3.dat"), point_fort3(base, p));
        if (error.empty()) error = write_text(path_join(pdir, "fort2.dat"), *baseTexts.fort2);
        if (error.empty() && baseTexts.fort14) error = write_text(path_join(pdir, "fort14.dat"), *baseTexts.fort14);
        if (error.empty()) error = write_text(path_join(pdir, "point.txt"), point_line(p));
        if (!error.empty()) {
            err << "diesel-cycle: map: " << error << '\n';
            return kExitFileError;
        }
        manifest += name + "\n";
        jobs += shell_quote(program) + " map --point " + shell_quote(pdir) + "\n";
    }
    const std::string slurm =
        "#!/bin/bash\n"
        "# Slurm job array over the " + std::to_string(points.size()) + " points of this engine map:\n"
        "#   sbatch " + path_join(dir, "slurm-array.sh") + "\n"
        "# then, when all have finished:  diesel-cycle map --collect " + dir + "\n"
        "#SBATCH --job-name=diesel-map\n"
        "#SBATCH --array=1-" + std::to_string(points.size()) + "\n"
        "#SBATCH --ntasks=1\n"
        "#SBATCH --cpus-per-task=1\n"
        "#SBATCH --output=" + path_join(dir, "slurm-%A_%a.out") + "\n"
        "set -euo pipefail\n"
        "line=$(sed -n \"${SLURM_ARRAY_TASK_ID}p\" " + shell_quote(path_join(dir, "jobs.txt")) + ")\n"
        "exec bash -c \"$line\"\n";
    for (const auto& [name, text] : {std::pair<const char*, const std::string&>{"map.txt", manifest},
                                     {"jobs.txt", jobs}, {"slurm-array.sh", slurm}}) {
        const std::string error = write_text(path_join(dir, name), text);
        if (!error.empty()) {
            err << "diesel-cycle: map: " << error << '\n';
            return kExitFileError;
        }
    }
    fs::permissions(path_join(dir, "slurm-array.sh"), fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add, ec);
    err << "map: " << points.size() << " points written to " << dir << "\n"
        << "  run them:    parallel < " << path_join(dir, "jobs.txt") << "   (or: sbatch " << path_join(dir, "slurm-array.sh")
        << ")\n"
        << "  then:        diesel-cycle map --collect " << dir << '\n';
    return kExitCompleted;
}

int collect_map(const std::string& folder, const std::string& csvFile, std::ostream& out, std::ostream& err) {
    std::string manifest, error;
    if (!read_text_file(path_join(folder, "map.txt"), manifest, error)) {
        err << "diesel-cycle: map: " << path_join(folder, "map.txt") << ": "
            << (error.empty() ? "missing; is this a folder written by --emit-jobs?" : error) << '\n';
        return kExitFileError;
    }
    std::istringstream lines(manifest);
    std::string header, name;
    std::getline(lines, header);
    std::string csv = header + "\n";
    bool notRun = false, stopped = false;
    std::size_t missing = 0;
    while (std::getline(lines, name)) {
        if (name.empty()) continue;
        const std::string pdir = path_join(folder, name);
        std::string row;
        if (read_text_file(path_join(pdir, "result.csv"), row, error) && !row.empty()) {
            if (row.back() == '\n') row.pop_back();
        } else {
            const std::optional<MapPoint> p = read_point_line(pdir);
            row = p ? failed_row(*p, kPointMissing) : std::string(",,,,,,,,,,,") + kPointMissing;
            ++missing;
        }
        const std::string end = row.substr(row.rfind(',') + 1);
        if (end == kPointInputError || end == kPointMissing) notRun = true;
        else if (end != run_end_name(RunEnd::Completed)) stopped = true;
        csv += row + "\n";
    }
    if (missing > 0) err << "diesel-cycle: map: " << missing << " points of " << folder << " have no result yet\n";
    if (!write_map_csv(csvFile, csv, out, err)) return kExitFileError;
    return map_exit_status(notRun, stopped);
}

int run_emitted_point(const std::string& folder, std::ostream& err) {
    const std::optional<MapPoint> p = read_point_line(folder);
    if (!p) {
        err << "diesel-cycle: map: " << path_join(folder, "point.txt") << ": missing or unreadable\n";
        return kExitFileError;
    }
    InputTexts texts;
    if (!read_input_folder(folder, texts, err)) return kExitFileError;
    const PointResult r = run_map_point(texts, *p, folder);
    if (!r.message.empty()) err << "diesel-cycle: map: " << folder << ": " << r.message << '\n';
    return r.end == kPointInputError ? kExitFileError : kExitCompleted;
}

}  // namespace diesel
