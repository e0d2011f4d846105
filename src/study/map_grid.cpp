#include "study/map_grid.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "input/free_format.hpp"

namespace diesel {

namespace {

bool parse_value(const std::string& text, float& v, std::string& error) {
    if (parse_real(text, v) == NumberStatus::Ok) return true;
    error = "\"" + text + "\" is not a number";
    return false;
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        const auto at = s.find(sep, start);
        parts.push_back(s.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

}  // namespace

std::optional<std::vector<float>> parse_grid_axis(const std::string& text, std::size_t maxValues, std::string& error) {
    std::vector<float> values;
    if (text.empty()) {
        error = "empty grid";
        return std::nullopt;
    }
    if (text.find(':') != std::string::npos) {
        const std::vector<std::string> parts = split(text, ':');
        if (parts.size() != 3) {
            error = "\"" + text + "\": a range is FROM:TO:COUNT";
            return std::nullopt;
        }
        float from = 0.0f, to = 0.0f;
        if (!parse_value(parts[0], from, error) || !parse_value(parts[1], to, error)) return std::nullopt;
        int32_t count = 0;
        if (parse_integer(parts[2], count) != NumberStatus::Ok || count < 1) {
            error = "\"" + parts[2] + "\": the point count of a range must be a whole number of at least 1";
            return std::nullopt;
        }
        // Checked before anything is allocated for the values.
        if (static_cast<std::size_t>(count) > maxValues) {
            error = "a range of " + std::to_string(count) + " values is more than the limit of " +
                    std::to_string(maxValues) + " points of a map (--max-points)";
            return std::nullopt;
        }
        if (count == 1) return std::vector<float>{from};
        // Spaced in double and rounded once; both ends are the values given.
        for (int32_t i = 0; i < count; ++i) {
            const double t = static_cast<double>(i) / static_cast<double>(count - 1);
            const double v = static_cast<double>(from) + (static_cast<double>(to) - static_cast<double>(from)) * t;
            values.push_back(i == count - 1 ? to : static_cast<float>(v));
        }
        return values;
    }
    for (const std::string& item : split(text, ',')) {
        float v = 0.0f;
        if (!parse_value(item, v, error)) return std::nullopt;
        values.push_back(v);
    }
    if (values.size() > maxValues) {
        error = "a list of " + std::to_string(values.size()) + " values is more than the limit of " +
                std::to_string(maxValues) + " points of a map (--max-points)";
        return std::nullopt;
    }
    return values;
}

std::string check_grid_size(std::size_t speeds, std::size_t loads, std::size_t maxPoints) {
    // Both counts are at most maxPoints, far below 2^32: the product cannot overflow.
    const std::size_t n = speeds * loads;
    if (n <= maxPoints) return {};
    return "the grid has " + std::to_string(n) + " points (" + std::to_string(speeds) + " speeds x " +
           std::to_string(loads) + " loads), more than the limit of " + std::to_string(maxPoints) +
           "; use fewer points, or raise the limit with --max-points N";
}

std::vector<MapPoint> map_points(const std::vector<float>& speeds, const std::vector<float>& loads) {
    std::vector<MapPoint> points;
    points.reserve(speeds.size() * loads.size());
    int32_t index = 0;
    for (const float n : speeds) {
        for (const float l : loads) points.push_back({++index, n, l});
    }
    return points;
}

bool load_is_fuel(const BasePoint& base) { return base.MODE == 2; }

std::string shortest_real(float v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string csv_real(float v) { return std::isnan(v) ? std::string("nan") : shortest_real(v); }

std::string point_fort3(const BasePoint& base, const MapPoint& p) {
    const bool fuel = load_is_fuel(base);
    return shortest_real(p.speed) + "  " + std::to_string(base.MODE) + "  " +
           shortest_real(fuel ? base.PETARG : p.load) + "  " + shortest_real(fuel ? p.load : base.FUEL) + "  " +
           std::to_string(base.NCYL) + "  ! SPEED[rpm] MODE PETARG[bar] FUEL[10mm3] NCYL; engine-map point " +
           std::to_string(p.index) + "\n";
}

InputTexts point_inputs(const MapGrid& grid, const MapPoint& p) {
    InputTexts texts = grid.baseTexts;
    texts.fort3 = point_fort3(grid.base, p);
    return texts;
}

std::string point_folder_name(int32_t index) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "point-%04d", static_cast<int>(index));
    return buf;
}

}  // namespace diesel
