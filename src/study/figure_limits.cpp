#include "study/figure_limits.hpp"

#include <charconv>
#include <cmath>
#include <limits>

#include "case/input_items.hpp"
#include "report/number_format.hpp"

namespace diesel {

namespace {

std::string with_unit(double v, const char* unit) {
    const std::string_view u = unit;
    return message_number(v) + (u == "-" ? "" : " " + std::string(u));
}

}  // namespace

const OutputFigure* find_figure(std::string_view name, std::string& error) {
    if (const OutputFigure* f = find_output_figure(name)) return f;
    std::vector<std::string> names;
    for (const OutputFigure& f : output_figures()) names.emplace_back(f.name);
    const std::string hint = did_you_mean(name, names);
    error = "no output figure is called " + std::string(name) +
            (hint.empty() ? " (the figures are those of results.json: pe, be, lambda, pmax, tex, ...)" : hint);
    return nullptr;
}

std::optional<FigureLimit> parse_figure_limit(std::string_view argument, FigureLimit::Kind kind, std::string& error) {
    const std::string option = kind == FigureLimit::Kind::Min ? "--min" : "--max";
    const std::string shown = option + " " + std::string(argument);
    const std::size_t eq = argument.find('=');
    if (eq == std::string_view::npos || eq == 0) {
        error = shown + ": expected FIGURE=VALUE, e.g. " + option + (kind == FigureLimit::Kind::Min ? " lambda=1.4" : " pmax=150");
        return std::nullopt;
    }
    std::string why;
    const OutputFigure* figure = find_figure(argument.substr(0, eq), why);
    if (figure == nullptr) {
        error = shown + ": " + why;
        return std::nullopt;
    }
    const std::string_view text = argument.substr(eq + 1);
    double value = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) {
        error = shown + ": \"" + std::string(text) + "\" is not a number";
        return std::nullopt;
    }
    return FigureLimit{figure, kind, value, shown};
}

double limit_excess(const FigureLimit& l, const RunState& s) {
    const double v = static_cast<double>(l.figure->value(s));
    if (!std::isfinite(v)) return std::numeric_limits<double>::infinity();
    const double scale = l.value == 0.0 ? 1.0 : std::fabs(l.value);
    return (l.kind == FigureLimit::Kind::Max ? v - l.value : l.value - v) / scale;
}

const FigureLimit* worst_limit(const std::vector<FigureLimit>& limits, const RunState& s) {
    const FigureLimit* worst = nullptr;
    double most = 0.0;
    for (const FigureLimit& l : limits) {
        const double excess = limit_excess(l, s);
        if (excess > most) most = excess, worst = &l;
    }
    return worst;
}

std::string limit_breach(const FigureLimit& l, const RunState& s) {
    const double v = static_cast<double>(l.figure->value(s));
    return std::string(l.figure->name) + " = " + with_unit(v, l.figure->unit) +
           (!std::isfinite(v) ? " is not a finite number" : l.kind == FigureLimit::Kind::Min ? " is below " : " is above ") +
           (std::isfinite(v) ? message_number(l.value) : "");
}

}  // namespace diesel
