// The points of an engine map or sweep: a base case and, for each point, the
// speed, the load and the values of the varied items that make its case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "case/case.hpp"
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

// The size of one axis of a design, for messages: "100000 speeds".
struct AxisSize {
    std::size_t count;
    std::string what;  // "speeds", "loads", "values of IVC", "hypercube points"
};

// Empty when the points of all axes together (each axis at most `maxPoints`)
// stay within `maxPoints`, else the message that refuses the design.
std::string check_grid_size(const std::vector<AxisSize>& axes, std::size_t maxPoints);

struct MapPoint {
    int32_t index;  // 1-based, in the order of the rows
    float speed;    // [rpm]
    float load;     // target pe [bar] (load control) or fuel quantity [10 mm3] (fixed fuel)
    std::vector<std::string> values;  // of the varied items, in column order (varied_item.hpp value texts)
};

// A varied item's column of the map CSV.
struct MapColumn {
    Item item;
    std::string name;  // as the user wrote it
};

// The base case of a map and its points.
struct MapGrid {
    Case base;                      // with --set applied and the start rows every point needs
    bool loadIsFuel = false;        // MODE 2: the load is FUEL, else the target pe PETARG
    std::vector<MapColumn> varied;  // the varied items, in the order of their columns
    std::vector<MapPoint> points;   // in row order
};

// The item the load of a point sets: FUEL (fixed fuel) or PETARG.
Item load_item(bool loadIsFuel);

// The case of a point: the base with the point's speed, load and varied values.
Case point_case(const MapGrid& grid, const MapPoint& p);

// Shortest text that reads back to exactly `v` ("2000", "7.25", "1e-05").
std::string shortest_real(float v);

// A real in a CSV field: shortest_real(), and every NaN as "nan".
std::string csv_real(float v);

// The fields of `text` between the separators `sep`, empty ones included: the
// fields of a CSV row (none of this program's fields holds a comma, so there
// is no quoting), or the parts of a grid axis or a --vary argument.
std::vector<std::string> split_fields(std::string_view text, char sep = ',');

// "point 7 (2000 rpm, load 8, IVC=576)": a point as messages name it, with the
// names of the varied items' columns.
std::string point_label(const MapPoint& p, const std::vector<std::string>& variedNames);

// The names of a grid's varied items' columns.
std::vector<std::string> varied_names(const MapGrid& grid);

// Folder name of a point: "point-0001".
std::string point_folder_name(int32_t index);

}  // namespace diesel
