#include "study/varied_item.hpp"

#include <cmath>
#include <cstdint>

#include "input/free_format.hpp"
#include "study/map_grid.hpp"

namespace diesel {

namespace {

bool is_integer_item(Item item) { return item_info(item).type == ItemType::Integer; }

// One value of the item's type as a double (exact for both types).
bool read_value(Item item, const std::string& text, double& v, std::string& error) {
    if (is_integer_item(item)) {
        int32_t i = 0;
        if (parse_integer(text, i) == NumberStatus::Ok) {
            v = static_cast<double>(i);
            return true;
        }
        error = quote_item(text) + " is not a whole number, and " + item_info(item).name + " is an integer item";
        return false;
    }
    float f = 0.0f;
    if (parse_real(text, f) == NumberStatus::Ok) {
        v = static_cast<double>(f);
        return true;
    }
    error = quote_item(text) + " is not a number";
    return false;
}

// FROM:TO:COUNT of an integer item: every step must land on a whole number.
bool integer_levels(const VariedItem& v, const std::vector<std::string>& parts, std::size_t maxValues,
                    std::vector<std::string>& levels, std::string& error) {
    double from = 0.0, to = 0.0;
    if (!read_value(v.item, parts[0], from, error) || !read_value(v.item, parts[1], to, error)) return false;
    int32_t count = 0;
    if (parse_integer(parts[2], count) != NumberStatus::Ok || count < 1) {
        error = quote_item(parts[2]) + ": the count of a range must be a whole number of at least 1";
        return false;
    }
    if (static_cast<std::size_t>(count) > maxValues) {
        error = "a range of " + std::to_string(count) + " values is more than the limit of " +
                std::to_string(maxValues) + " points (--max-points)";
        return false;
    }
    const auto a = static_cast<int64_t>(from), span = static_cast<int64_t>(to) - a;
    for (int64_t i = 0; i < count; ++i) {
        const int64_t steps = count == 1 ? 0 : span * i;
        if (count > 1 && steps % (count - 1) != 0) {
            error = std::string(item_info(v.item).name) + " is an integer item, and " + std::to_string(count) +
                    " values from " + parts[0] + " to " + parts[1] +
                    " are not all whole numbers; choose a count that gives whole steps, or list the values";
            return false;
        }
        levels.push_back(std::to_string(a + (count == 1 ? 0 : steps / (count - 1))));
    }
    return true;
}

}  // namespace

std::string value_text(Item item, double v) {
    if (is_integer_item(item)) return std::to_string(static_cast<int64_t>(std::round(v)));
    return shortest_real(static_cast<float>(v));
}

std::string set_value_text(Case& c, Item item, const std::string& text) {
    if (is_integer_item(item)) {
        int32_t i = 0;
        if (parse_integer(text, i) != NumberStatus::Ok) return quote_item(text) + " is not an integer";
        c.set_integer(item, i);
        return {};
    }
    float f = 0.0f;
    if (parse_real(text, f) != NumberStatus::Ok) return quote_item(text) + " is not a real number";
    c.set_real(item, f);
    return {};
}

std::string case_value_text(const Case& c, Item item) {
    return is_integer_item(item) ? std::to_string(c.integer(item)) : shortest_real(c.real(item));
}

std::optional<VariedItem> parse_varied_item(std::string_view argument, VaryForm form, std::size_t maxValues,
                                            std::string& error) {
    const std::string shown = "--vary " + std::string(argument) + ": ";
    const std::size_t eq = argument.find('=');
    if (eq == std::string_view::npos || eq == 0) {
        error = shown + (form == VaryForm::Range ? "expected NAME=LO:HI, e.g. --vary IVC=560:600"
                                                 : "expected NAME=FROM:TO:COUNT or NAME=V1,V2,..., e.g. --vary "
                                                   "IVC=560:600:5");
        return std::nullopt;
    }
    std::string why;
    const std::optional<Item> item = find_item(argument.substr(0, eq), why);
    if (!item) {
        error = shown + why;
        return std::nullopt;
    }
    VariedItem v{*item, std::string(argument.substr(0, eq)), std::string(argument), {}, 0.0, 0.0};
    const std::string valuesText(argument.substr(eq + 1));
    if (valuesText.empty()) {
        error = shown + "no values given";
        return std::nullopt;
    }
    const bool hasColon = valuesText.find(':') != std::string::npos;
    const std::vector<std::string> parts = split_fields(valuesText, hasColon ? ':' : ',');

    if (form == VaryForm::Range) {
        if (!hasColon || parts.size() != 2) {
            error = shown + (hasColon ? "a range is LO:HI here, without a count"
                                      : "a range LO:HI is needed here, not a list of values");
            return std::nullopt;
        }
        if (!read_value(v.item, parts[0], v.low, why) || !read_value(v.item, parts[1], v.high, why)) {
            error = shown + why;
            return std::nullopt;
        }
        if (!(v.low < v.high)) {
            error = shown + "the lower end of the range must lie below the upper end";
            return std::nullopt;
        }
        return v;
    }

    if (hasColon) {
        if (parts.size() != 3) {
            error = shown + "a range of values is FROM:TO:COUNT";
            return std::nullopt;
        }
        if (is_integer_item(v.item)) {
            if (!integer_levels(v, parts, maxValues, v.levels, why)) {
                error = shown + why;
                return std::nullopt;
            }
            return v;
        }
        const std::optional<std::vector<float>> values = parse_grid_axis(valuesText, maxValues, why);
        if (!values) {
            error = shown + why;
            return std::nullopt;
        }
        for (const float f : *values) v.levels.push_back(shortest_real(f));
        return v;
    }
    if (parts.size() > maxValues) {
        error = shown + "a list of " + std::to_string(parts.size()) + " values is more than the limit of " +
                std::to_string(maxValues) + " points (--max-points)";
        return std::nullopt;
    }
    for (const std::string& part : parts) {
        double value = 0.0;
        if (!read_value(v.item, part, value, why)) {
            error = shown + why;
            return std::nullopt;
        }
        v.levels.push_back(value_text(v.item, value));
    }
    return v;
}

}  // namespace diesel
