#include "analysis/calibration_inputs.hpp"

#include <charconv>
#include <cmath>
#include <optional>

#include "case/case_checks.hpp"

namespace diesel {

namespace {

// The model name when it names this item alone (MASS0 names three), else the key.
std::string result_name(Item item) {
    const InputItem& it = item_info(item);
    std::string error;
    const std::optional<Item> byName = find_item(it.name, error);
    return byName && *byName == item ? std::string(it.name) : std::string(it.key);
}

std::optional<double> number(std::string_view text) {
    double v = 0.0;
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

}  // namespace

std::vector<CalibrationInput> wiebe_calibration_inputs() {
    return {{Item::SOC, "SOC", -10.0, 30.0}, {Item::DURC0, "DURC0", 20.0, 150.0}, {Item::MWIEB0, "MWIEB0", 0.0, 4.0}};
}

std::vector<CalibrationInput> parse_calibration_inputs(std::string_view list, std::string& error) {
    std::vector<CalibrationInput> inputs;
    const auto fail = [&](std::string_view entry, const std::string& why) {
        error = "--fit " + std::string(entry) + ": " + why;
        inputs.clear();
        return inputs;
    };
    if (list.empty()) return fail(list, "name the inputs to adjust, e.g. --fit SOC,DURC0=30:120");
    const std::vector<CalibrationInput> defaults = wiebe_calibration_inputs();
    size_t from = 0;
    while (from <= list.size()) {
        const size_t comma = std::min(list.find(',', from), list.size());
        const std::string_view entry = list.substr(from, comma - from);
        from = comma + 1;
        if (entry.empty()) return fail(list, "an empty name between commas");
        const size_t eq = entry.find('=');
        std::string why;
        const std::optional<Item> item = find_item(entry.substr(0, eq), why);
        if (!item) return fail(entry, why);
        const InputItem& it = item_info(*item);
        if (it.type != ItemType::Real)
            return fail(entry, item_label(*item) + " is a whole number; calibrate adjusts real inputs only");
        for (const CalibrationInput& before : inputs)
            if (before.item == *item) return fail(entry, item_label(*item) + " is named twice");
        CalibrationInput in{*item, result_name(*item), 0.0, 0.0};
        if (eq == std::string_view::npos) {
            bool known = false;
            for (const CalibrationInput& d : defaults) {
                if (d.item != *item) continue;
                in = d;
                known = true;
            }
            if (!known) {
                return fail(entry, item_label(*item) + " has no default bounds; give them as " +
                                       std::string(entry) + "=LO:HI [" + it.unit + "]");
            }
        } else {
            const std::string_view bounds = entry.substr(eq + 1);
            const size_t colon = bounds.find(':');
            const auto lo = number(bounds.substr(0, colon == std::string_view::npos ? 0 : colon));
            const auto hi = colon == std::string_view::npos ? std::nullopt : number(bounds.substr(colon + 1));
            if (!lo || !hi) return fail(entry, "bounds are two numbers LO:HI, e.g. " + std::string(it.name) + "=0:20");
            if (!(*lo < *hi)) return fail(entry, "the lower bound must lie below the upper");
            if (!it.accepted.contains(*lo) || !it.accepted.contains(*hi)) {
                std::string message = it.name + std::string(" must be ") + range_rule(it.accepted, it.unit);
                if (it.accepted.why != nullptr) message += std::string("; ") + it.accepted.why;
                return fail(entry, message);
            }
            in.lower = *lo;
            in.upper = *hi;
        }
        inputs.push_back(in);
    }
    return inputs;
}

}  // namespace diesel
