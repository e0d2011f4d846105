// What binds an emitted engine map together: the manifest of the job folder
// (the design's fingerprint, the CSV header, every point and every file the
// emission made) and the binding file of each point folder (the design's
// fingerprint, the point and a fingerprint of its case file). A point's
// result names the same fingerprint and point, so results of another design
// or another point are recognised.
#pragma once

#include <string>
#include <vector>

#include "state/run_io.hpp"
#include "study/map_grid.hpp"

namespace diesel {

inline constexpr const char* kManifestFile = "manifest.json";
inline constexpr const char* kOldManifestFile = "map.txt";  // job folders written before the fingerprint
inline constexpr const char* kJobsFile = "jobs.txt";
inline constexpr const char* kSlurmFile = "slurm-array.sh";
inline constexpr const char* kPointFile = "point.json";
inline constexpr const char* kResultFile = "result.json";
inline constexpr const char* kPointInputFolder = "input";  // the point's case.toml; its outputs lie beside it

// Version 1 manifests (speed and load only, fort files in each point folder)
// are still collected; their points can no longer be run.
inline constexpr int kManifestVersion = 2;

struct MapManifest {
    int version = kManifestVersion;
    std::string fingerprint;              // of the design: base case, varied items, CSV header and every point
    std::string header;                   // the CSV header
    std::vector<MapPoint> points;         // in row order; point i lives in point_folder_name(index)
    std::vector<std::string> files;       // files of the job folder itself
    std::vector<std::string> pointFiles;  // files a point folder may hold, relative to it
};

// The manifest of `grid` with CSV header `header`.
MapManifest make_manifest(const MapGrid& grid, const std::string& header);

// The names of the varied items' columns: the last columns of the header, one
// per value of a point.
std::vector<std::string> varied_names(const MapManifest& m);

std::string manifest_text(const MapManifest& m);

// False, with `error` saying what is wrong, when `text` is no manifest.
bool parse_manifest(const std::string& text, MapManifest& m, std::string& error);

struct PointBinding {
    std::string fingerprint;  // of the design
    MapPoint point{};
    std::string inputs;       // case_file_fingerprint() of the point's case.toml
};

// Fingerprint of the text of a point's case file.
std::string case_file_fingerprint(const std::string& text);

std::string point_binding_text(const PointBinding& b);

bool parse_point_binding(const std::string& text, PointBinding& b, std::string& error);

// The text of a point's result file: its CSV row, bound to the grid and the point.
std::string result_file_text(const std::string& fingerprint, const MapPoint& p, const std::string& row);

// Checks the text of point `p`'s result file against manifest `m`. Empty, with
// `row` set, when it is a whole result of that point of that design; else why
// not, in a few words ("a result of point 7", "not a complete JSON object", ...).
std::string check_point_result(const std::string& text, const MapManifest& m, const MapPoint& p, std::string& row);

// Empty when `row` is a row of point `p` under CSV `header`: as many fields as
// the header, the point's speed, load and varied values (the last columns),
// numbers where the columns hold numbers, a known ending; else what is wrong.
std::string check_result_row(const std::string& row, const std::string& header, const MapPoint& p);

}  // namespace diesel
