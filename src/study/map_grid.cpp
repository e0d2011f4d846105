#include "study/map_grid.hpp"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "case/input_error.hpp"
#include "input/free_format.hpp"
#include "study/varied_item.hpp"

namespace diesel {

namespace {

bool parse_value(const std::string& text, float& v, std::string& error) {
    if (parse_real(text, v) == NumberStatus::Ok) return true;
    error = "\"" + text + "\" is not a number";
    return false;
}

}  // namespace

std::optional<std::vector<float>> parse_grid_axis(const std::string& text, std::size_t maxValues, std::string& error) {
    std::vector<float> values;
    if (text.empty()) {
        error = "empty grid";
        return std::nullopt;
    }
    if (text.find(':') != std::string::npos) {
        const std::vector<std::string> parts = split_fields(text, ':');
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
    for (const std::string& item : split_fields(text, ',')) {
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

std::string check_grid_size(const std::vector<AxisSize>& axes, std::size_t maxPoints) {
    // Every count is at most maxPoints (below 2^31): the product is formed in
    // long double, which holds it exactly enough to compare and to name.
    long double n = 1.0L;
    std::string parts;
    for (const AxisSize& a : axes) {
        n *= static_cast<long double>(a.count);
        parts += (parts.empty() ? "" : " x ") + std::to_string(a.count) + " " + a.what;
    }
    if (n <= static_cast<long double>(maxPoints)) return {};
    char count[64];
    std::snprintf(count, sizeof count, "%.0Lf", n);
    return std::string("the grid has ") + count + " points (" + parts + "), more than the limit of " +
           std::to_string(maxPoints) + "; use fewer points, or raise the limit with --max-points N";
}

std::string shortest_real(float v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string csv_real(float v) { return std::isnan(v) ? std::string("nan") : shortest_real(v); }

std::vector<std::string> split_fields(std::string_view text, char sep) {
    std::vector<std::string> fields;
    for (std::size_t start = 0;;) {
        const std::size_t at = text.find(sep, start);
        fields.emplace_back(text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (at == std::string_view::npos) return fields;
        start = at + 1;
    }
}

Item load_item(bool loadIsFuel) { return loadIsFuel ? Item::FUEL : Item::PETARG; }

Case point_case(const MapGrid& grid, const MapPoint& p) {
    Case c = grid.base;
    // Values the point shares with the base keep their source, so that
    // messages about them still name the base's file.
    const auto set_if_other = [&c](Item item, float v) {
        if (std::bit_cast<uint32_t>(c.real(item)) != std::bit_cast<uint32_t>(v)) c.set_real(item, v);
    };
    set_if_other(Item::SPEED, p.speed);
    set_if_other(load_item(grid.loadIsFuel), p.load);
    for (std::size_t k = 0; k < grid.varied.size() && k < p.values.size(); ++k) {
        if (case_value_text(c, grid.varied[k].item) == p.values[k]) continue;
        if (const std::string bad = set_value_text(c, grid.varied[k].item, p.values[k]); !bad.empty()) {
            throw InputError(item_label(grid.varied[k].item) + ": " + bad);
        }
    }
    return c;
}

std::string point_label(const MapPoint& p, const std::vector<std::string>& variedNames) {
    std::string label = "point " + std::to_string(p.index) + " (" + csv_real(p.speed) + " rpm, load " + csv_real(p.load);
    for (std::size_t k = 0; k < p.values.size() && k < variedNames.size(); ++k)
        label += ", " + variedNames[k] + "=" + p.values[k];
    return label + ")";
}

std::vector<std::string> varied_names(const MapGrid& grid) {
    std::vector<std::string> names;
    for (const MapColumn& c : grid.varied) names.push_back(c.name);
    return names;
}

std::string point_folder_name(int32_t index) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "point-%04d", static_cast<int>(index));
    return buf;
}

}  // namespace diesel
