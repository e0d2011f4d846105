// The operating points of an engine map: a grid of speeds and loads over one
// base input folder, and the "fort3.dat" text of each point.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "state/run_io.hpp"

namespace diesel {

// One axis of the grid. Accepted forms:
//   A:B:N     N values evenly spaced from A to B, both included (N >= 1)
//   V1,V2,... the values as listed
//   V         a single value
// Values are reals as the input files write them ("2000", "7.5", "1.2E3").
// An axis of more than `maxValues` values is refused before it is allocated.
// Returns the values, or std::nullopt with `error` saying what is wrong.
std::optional<std::vector<float>> parse_grid_axis(const std::string& text, std::size_t maxValues, std::string& error);

// The default bound of the points of a map or sweep, which keeps a typing
// error from asking for more memory than the machine has.
inline constexpr std::size_t kDefaultMaxPoints = 1000000;

// Empty when a grid of `speeds` x `loads` points (each at most `maxPoints`)
// stays within `maxPoints`, else the message that refuses it.
std::string check_grid_size(std::size_t speeds, std::size_t loads, std::size_t maxPoints);

// The base operating point ("fort3.dat" record 1).
struct BasePoint {
    float SPEED;    // [rpm]
    int32_t MODE;   // 2: fixed fuel, else load-controlled
    float PETARG;   // [bar]
    float FUEL;     // [10 mm3]
    int32_t NCYL;
};

struct MapPoint {
    int32_t index;  // 1-based, speeds outer, loads inner
    float speed;    // [rpm]
    float load;     // target pe [bar] (load control) or fuel quantity [10 mm3] (fixed fuel)
};

// The base input set of a map and the grid of its points.
struct MapGrid {
    InputTexts baseTexts;          // the base folder's input files
    BasePoint base{};              // its operating point
    std::vector<MapPoint> points;  // speeds outer, loads inner
};

// Speeds outer, loads inner.
std::vector<MapPoint> map_points(const std::vector<float>& speeds, const std::vector<float>& loads);

// True when the load axis is the fuel quantity (MODE 2), false for target pe.
bool load_is_fuel(const BasePoint& base);

// The input files of a point: the base files with the point's "fort3.dat".
InputTexts point_inputs(const MapGrid& grid, const MapPoint& p);

// "fort3.dat" of a point: the base record with the point's speed and load.
// Every real is written in its shortest form that reads back to the same float.
std::string point_fort3(const BasePoint& base, const MapPoint& p);

// Shortest text that reads back to exactly `v` ("2000", "7.25", "1e-05").
std::string shortest_real(float v);

// A real in a CSV field: shortest_real(), and every NaN as "nan".
std::string csv_real(float v);

// Folder name of a point: "point-0001".
std::string point_folder_name(int32_t index);

}  // namespace diesel
