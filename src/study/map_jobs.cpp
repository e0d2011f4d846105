#include "study/map_jobs.hpp"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <sstream>
#include <unistd.h>
#include <utility>

#include "case/case_toml.hpp"
#include "case/input_error.hpp"
#include "files/case_inputs.hpp"
#include "files/folder_lock.hpp"
#include "files/text_files.hpp"
#include "state/exit_status.hpp"
#include "study/csv_output.hpp"
#include "study/map_manifest.hpp"
#include "study/map_point_run.hpp"
#include "study/progress.hpp"
#include "study/study_run.hpp"

namespace diesel {

namespace {

namespace fs = std::filesystem;

// What an earlier version put into a job folder and its point folders.
const char* const kOldRootFiles[] = {kOldManifestFile, kJobsFile, kSlurmFile};
const char* const kOldPointFiles[] = {"fort3.dat",  "fort2.dat",  "fort14.dat", "point.txt",  "result.csv",
                                      "fort8.dat",  "fort9.dat",  "fort10.dat", "fort11.dat", "fort12.dat",
                                      "fort13.dat", "fort15.dat", "fort16.dat", "console.txt"};

std::string shell_quote(const std::string& s) {
    std::string q = "'";
    for (const char c : s) {
        if (c == '\'') q += "'\\''";
        else q += c;
    }
    return q + "'";
}

// A line break or other control character in a name would split or end a
// command line of jobs.txt, or a directive of the Slurm script.
bool has_control_character(const std::string& s) {
    for (const char c : s) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return true;
    }
    return false;
}

std::string this_program() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("diesel-cycle") : self.string();
}

// A name a manifest may list: relative, inside its folder.
bool is_inner_name(const std::string& name) {
    if (name.empty() || name.front() == '/') return false;
    for (const auto& part : fs::path(name)) {
        if (part == "..") return false;
    }
    return true;
}

// Removes `names` (files, or folders once empty) from `dir`; returns how many
// could not be removed although they exist.
std::size_t remove_listed(const std::string& dir, const std::vector<std::string>& names) {
    std::size_t left = 0;
    for (const std::string& name : names) {
        if (!is_inner_name(name)) continue;
        std::error_code ec;
        fs::remove(path_in(dir, name), ec);
        if (ec) ++left;
    }
    return left;
}

// Removes what the jobs of another grid made; what the manifest does not list
// (a user's notes, Slurm's logs) stays, and so does a folder holding it.
std::size_t remove_old_jobs(const std::string& dir, const MapManifest& old) {
    std::size_t left = remove_listed(dir, old.files);
    for (const MapPoint& p : old.points) {
        const std::string pdir = path_in(dir, point_folder_name(p.index));
        left += remove_listed(pdir, old.pointFiles);
        std::error_code ec;
        fs::remove(pdir, ec);
    }
    return left;
}

// The same for a folder of an earlier version, whose map.txt lists the point folders.
std::size_t remove_old_format_jobs(const std::string& dir, const std::string& mapTxt) {
    std::istringstream lines(mapTxt);
    std::string name;
    std::getline(lines, name);  // the CSV header
    const std::vector<std::string> pointFiles(std::begin(kOldPointFiles), std::end(kOldPointFiles));
    std::size_t left = 0;
    while (std::getline(lines, name)) {
        if (!name.starts_with("point-") || name.find_first_not_of("0123456789", 6) != std::string::npos) continue;
        left += remove_listed(path_in(dir, name), pointFiles);
        std::error_code ec;
        fs::remove(path_in(dir, name), ec);
    }
    return left + remove_listed(dir, std::vector<std::string>(std::begin(kOldRootFiles), std::end(kOldRootFiles)));
}

// Whether `path` exists; a path that cannot even be looked at counts as absent.
bool exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

// True when `pdir` holds a valid result of point `p` of manifest `m`.
bool has_valid_result(const std::string& pdir, const MapManifest& m, const MapPoint& p) {
    std::string text, error, row;
    return read_text_file(path_in(pdir, kResultFile), text, error) && check_point_result(text, m, p, row).empty();
}

// Decides what to do with a job folder that may hold jobs already: false, with
// a message on `err`, when it must be left alone; `keep` when it holds this
// very grid, whose finished points stay.
bool clear_job_folder(const std::string& dir, const MapManifest& manifest, bool force, bool& keep, std::ostream& err) {
    keep = false;
    const std::string where = "diesel-cycle: map: --emit-jobs " + dir + ": ";
    std::string text, error;
    if (read_text_file(path_in(dir, kManifestFile), text, error)) {
        MapManifest old;
        if (!parse_manifest(text, old, error)) {
            err << where << kManifestFile << " cannot be read as a manifest (" << error
                << "); remove the old jobs yourself or choose another folder\n";
            return false;
        }
        if (old.fingerprint == manifest.fingerprint) {
            keep = true;
            return true;
        }
        if (!force) {
            err << where << "the folder holds the jobs of another grid (" << old.points.size()
                << " points, fingerprint " << old.fingerprint << "); emit into another folder, or add --force "
                << "to replace them (that removes only the files their manifest lists)\n";
            return false;
        }
        if (const std::size_t left = remove_old_jobs(dir, old); left > 0) {
            err << where << left << " files of the old jobs could not be removed\n";
            return false;
        }
        return true;
    }
    if (!error.empty()) {
        err << where << kManifestFile << ": " << error << '\n';
        return false;
    }
    if (read_text_file(path_in(dir, kOldManifestFile), text, error)) {
        if (!force) {
            err << where << "the folder holds map jobs of an earlier version (" << kOldManifestFile
                << ", without a grid fingerprint); emit into another folder, or add --force to replace them\n";
            return false;
        }
        if (const std::size_t left = remove_old_format_jobs(dir, text); left > 0) {
            err << where << left << " files of the old jobs could not be removed\n";
            return false;
        }
        return true;
    }
    // No manifest: nothing here may be overwritten.
    std::vector<std::string> names{kJobsFile, kSlurmFile};
    for (const MapPoint& p : manifest.points) names.push_back(point_folder_name(p.index));
    for (const std::string& name : names) {
        if (exists(path_in(dir, name))) {
            err << where << "the folder holds " << name << " but no manifest of map jobs; "
                << "choose an empty or new folder\n";
            return false;
        }
    }
    return true;
}

// The case file and binding file of one point folder: the point's whole case
// in input/case.toml, start rows inline, so that the folder runs on its own.
std::string write_point_folder(const std::string& pdir, const MapGrid& grid, const MapPoint& p,
                               const std::string& fingerprint) {
    const std::string inputDir = path_in(pdir, kPointInputFolder);
    std::error_code ec;
    fs::create_directories(inputDir, ec);
    if (ec) return "cannot create " + inputDir + ": " + ec.message();
    const std::string caseText = write_case_toml(self_contained(point_case(grid, p)));
    std::string error = write_text_file(path_in(inputDir, kCaseFileName), caseText);
    if (error.empty()) {
        error = write_text_file(path_in(pdir, kPointFile),
                                point_binding_text({fingerprint, p, case_file_fingerprint(caseText)}));
    }
    // A result of an earlier, unfinished or broken try must not outlive the new inputs.
    if (error.empty() && ::unlink(path_in(pdir, kResultFile).c_str()) != 0 && errno != ENOENT) {
        error = "cannot remove " + path_in(pdir, kResultFile) + ": " + std::strerror(errno);
    }
    return error;
}

std::string slurm_script(const std::string& dir, std::size_t jobs) {
    std::string s = "#!/bin/bash\n";
    if (jobs == 0) {
        return s + "# Every point of this engine map is finished; collect them:\n"
                   "#   diesel-cycle map --collect " + shell_quote(dir) + "\n"
                   "echo 'every point of this engine map is finished; nothing to run' >&2\n";
    }
    s += "# Slurm job array over the " + std::to_string(jobs) + " points of this engine map still to run:\n"
         "#   sbatch " + shell_quote(path_in(dir, kSlurmFile)) + "\n"
         "# then, when all have finished:  diesel-cycle map --collect " + shell_quote(dir) + "\n"
         "#SBATCH --job-name=diesel-map\n"
         "#SBATCH --array=1-" + std::to_string(jobs) + "\n"
         "#SBATCH --ntasks=1\n"
         "#SBATCH --cpus-per-task=1\n";
    // Directives are not shell: sbatch takes a double-quoted value, which
    // cannot hold a double quote itself; such a folder keeps Slurm's default.
    if (dir.find_first_of("\"\\") == std::string::npos) {
        s += "#SBATCH --output=\"" + path_in(dir, "slurm-%A_%a.out") + "\"\n";
    }
    s += "set -euo pipefail\n"
         "line=$(sed -n \"${SLURM_ARRAY_TASK_ID}p\" " + shell_quote(path_in(dir, kJobsFile)) + ")\n"
         "exec bash -c \"$line\"\n";
    return s;
}

}  // namespace

int emit_map_jobs(const MapGrid& grid, const EmitOptions& o, std::ostream& err) {
    std::error_code ec;
    const fs::path root = fs::absolute(o.folder, ec);
    const std::string dir = root.lexically_normal().string();
    const std::string program = o.binary.empty() ? this_program() : o.binary;
    // Refused before anything is made.
    for (const auto& [what, name] : {std::pair<const char*, const std::string&>{"the job folder", dir},
                                     {"the program", program}}) {
        if (has_control_character(name)) {
            err << "diesel-cycle: map: " << what << "'s name holds a control character (a line break?), which "
                << "would break the command lines of " << kJobsFile << "; rename it\n";
            return kExitFileError;
        }
    }
    if (!ec) fs::create_directories(root, ec);
    if (ec) {
        err << "diesel-cycle: map: --emit-jobs " << o.folder << ": cannot create the folder: " << ec.message() << '\n';
        return kExitFileError;
    }
    FolderLock lock;
    std::string detail, warning;
    if (const std::string refusal = lock_refusal(lock.acquire(dir, detail), dir, detail, warning); !refusal.empty()) {
        err << "diesel-cycle: map: --emit-jobs " << refusal << '\n';
        return kExitFileError;
    }
    if (!warning.empty()) err << "diesel-cycle: warning: " << warning << '\n';

    const MapManifest manifest = make_manifest(grid, map_csv_header(grid));
    bool keep = false;
    if (!clear_job_folder(dir, manifest, o.force, keep, err)) return kExitFileError;
    // The manifest goes first: whatever an interrupted emission leaves is listed in it.
    if (const std::string error = replace_file_atomically(path_in(dir, kManifestFile), manifest_text(manifest));
        !error.empty()) {
        err << "diesel-cycle: map: " << error << '\n';
        return kExitFileError;
    }
    std::string jobs;
    std::size_t toRun = 0, done = 0;
    Progress progress(err, "map", "point folders written", manifest.points.size(), o.quiet);
    for (const MapPoint& p : manifest.points) {
        const std::string pdir = path_in(dir, point_folder_name(p.index));
        if (!(keep && has_valid_result(pdir, manifest, p))) {
            if (const std::string error = write_point_folder(pdir, grid, p, manifest.fingerprint); !error.empty()) {
                err << "diesel-cycle: map: " << error << '\n';
                return kExitFileError;
            }
            jobs += shell_quote(program) + " map --point " + shell_quote(pdir) + "\n";
            ++toRun;
        }
        progress.tick(++done);
    }
    // jobs.txt last: no job can start before its point folder is complete.
    for (const auto& [name, text] : {std::pair<const char*, std::string>{kSlurmFile, slurm_script(dir, toRun)},
                                     {kJobsFile, jobs}}) {
        if (const std::string error = replace_file_atomically(path_in(dir, name), text); !error.empty()) {
            err << "diesel-cycle: map: " << error << '\n';
            return kExitFileError;
        }
    }
    fs::permissions(path_in(dir, kSlurmFile), fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add, ec);
    const std::size_t kept = manifest.points.size() - toRun;
    if (o.quiet) return kExitCompleted;
    err << "map: " << manifest.points.size() << " points in " << dir;
    if (keep) err << " (the same grid as before: " << kept << " finished points kept)";
    err << ", " << toRun << " to run\n";
    if (toRun > 0)
        err << "  run them:    parallel < " << shell_quote(path_in(dir, kJobsFile)) << "   (or: sbatch "
            << shell_quote(path_in(dir, kSlurmFile)) << ")\n";
    err << "  " << (toRun > 0 ? "then:  " : "collect:") << "      diesel-cycle map --collect " << shell_quote(dir) << '\n';
    return kExitCompleted;
}

int collect_map(const std::string& folder, const std::string& csvFile, bool quiet, std::ostream& out,
                std::ostream& err) {
    const std::string where = "diesel-cycle: map: --collect " + folder + ": ";
    std::string text, error;
    if (!read_text_file(path_in(folder, kManifestFile), text, error)) {
        if (!error.empty()) {
            err << where << kManifestFile << ": " << error << '\n';
        } else if (exists(path_in(folder, kOldManifestFile))) {
            err << where << "the jobs were emitted by an earlier version, whose results are not bound to their "
                << "grid; emit the map again (into a new folder, or with --force into this one) and run its jobs\n";
        } else {
            err << where << "no " << kManifestFile << "; is this a folder written by --emit-jobs?\n";
        }
        return kExitFileError;
    }
    MapManifest m;
    if (!parse_manifest(text, m, error)) {
        err << where << kManifestFile << ": " << error << '\n';
        return kExitFileError;
    }
    CsvOutput csvOutput("map");
    if (!csvOutput.prepare(csvFile, err)) return kExitFileError;

    const std::vector<std::string> names = varied_names(m);
    std::string csv = m.header + "\n";
    bool notRun = false, stopped = false;
    std::size_t missing = 0, invalid = 0, done = 0;
    Progress progress(err, "map", "points collected", m.points.size(), quiet);
    for (const MapPoint& p : m.points) {
        const std::string pdir = path_in(folder, point_folder_name(p.index));
        std::string row, why;
        const char* bad = nullptr;
        if (read_text_file(path_in(pdir, kResultFile), text, error)) {
            why = check_point_result(text, m, p, row);
            if (!why.empty()) bad = kPointInvalid;
        } else if (!error.empty()) {
            why = kResultFile + std::string(": ") + error;
            bad = kPointInvalid;
        } else {
            std::string holder;
            bad = kPointMissing;
            if (FolderLock::is_held(pdir, holder)) why = "not finished: it is running (" + holder + ")";
            else if (!exists(pdir)) why = "its folder is gone";
            else why = "no result: not run yet, or its run did not finish";
        }
        if (bad != nullptr) {
            row = failed_row(m.header, p, bad);
            err << "diesel-cycle: map: " << point_label(p, names) << ": " << bad << ": " << why << '\n';
            ++(bad == kPointMissing ? missing : invalid);
            notRun = true;
        } else {
            const PointEnding ending = point_ending(row_end(m.header, row));
            notRun = notRun || ending == PointEnding::NotRun;
            stopped = stopped || ending == PointEnding::Stopped;
        }
        csv += row + "\n";
        progress.tick(++done);
    }
    if (missing + invalid > 0) {
        err << "diesel-cycle: map: " << missing + invalid << " of " << m.points.size() << " points of " << folder
            << " have no valid result (" << missing << " missing, " << invalid << " invalid)\n";
    }
    if (!csvOutput.write(csv, out, err)) return kExitFileError;
    return map_exit_status(notRun, stopped);
}

int run_emitted_point(const std::string& folder, std::ostream& err) {
    const std::string where = "diesel-cycle: map: --point " + folder + ": ";
    FolderLock lock;
    std::string detail, warning;
    if (const std::string refusal = lock_refusal(lock.acquire(folder, detail), folder, detail, warning);
        !refusal.empty()) {
        err << "diesel-cycle: map: --point " << refusal << '\n';
        return kExitFileError;
    }
    if (!warning.empty()) err << "diesel-cycle: warning: " << warning << '\n';

    std::string text, error;
    PointBinding binding;
    if (!read_text_file(path_in(folder, kPointFile), text, error)) {
        if (!error.empty()) err << where << kPointFile << ": " << error << '\n';
        else if (exists(path_in(folder, "point.txt")))
            err << where << "emitted by an earlier version, whose results are not bound to their grid; "
                << "emit the map again\n";
        else err << where << "no " << kPointFile << "; is this a point folder written by --emit-jobs?\n";
        return kExitFileError;
    }
    if (!parse_point_binding(text, binding, error)) {
        if (error.starts_with("a version"))
            err << where << "emitted by an earlier version, whose points this one cannot run; emit the map again\n";
        else err << where << kPointFile << ": " << error << '\n';
        return kExitFileError;
    }
    // The old result goes before anything is run: a run that fails leaves none.
    const std::string resultPath = path_in(folder, kResultFile);
    if (::unlink(resultPath.c_str()) != 0 && errno != ENOENT) {
        err << where << "cannot remove the old " << kResultFile << ": " << std::strerror(errno) << '\n';
        return kExitFileError;
    }
    remove_leftover_temporaries(folder, {kResultFile});
    const std::string inputDir = path_in(folder, kPointInputFolder);
    if (!read_text_file(path_in(inputDir, kCaseFileName), text, error)) {
        err << where << kPointInputFolder << "/" << kCaseFileName << ": "
            << (error.empty() ? std::string("file is missing") : error) << '\n';
        return kExitFileError;
    }
    if (case_file_fingerprint(text) != binding.inputs) {
        err << where << "the case in " << kPointInputFolder << "/ is not the one emitted for point "
            << binding.point.index << "; emit the map again\n";
        return kExitFileError;
    }
    PointResult r;
    try {
        const FolderCase input = load_folder_case(inputDir, {InputChoice::Toml, {}});
        for (const std::string& w : input.warnings) err << "diesel-cycle: warning: " << w << '\n';
        r = run_map_point(input.c, binding.point, {folder, false, true});
    } catch (const InputError& e) {
        r = point_not_run(binding.point, kPointInputError, e.what());
    }
    if (r.end == kPointOutputError) {
        err << "diesel-cycle: map: " << r.message << '\n';
        return kExitFileError;
    }
    if (const std::string failed =
            replace_file_atomically(resultPath, result_file_text(binding.fingerprint, binding.point, r.row));
        !failed.empty()) {
        err << "diesel-cycle: map: " << failed << '\n';
        return kExitFileError;
    }
    if (!r.message.empty()) err << where << r.message << '\n';
    switch (point_ending(r.end)) {
        case PointEnding::Completed: return kExitCompleted;
        case PointEnding::Stopped: return kExitStopped;
        case PointEnding::NotRun: break;
    }
    return kExitFileError;
}

}  // namespace diesel
