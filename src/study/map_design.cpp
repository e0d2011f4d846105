#include "study/map_design.hpp"

#include <algorithm>
#include <cmath>
#include <optional>
#include <ostream>
#include <set>

#include "case/case_checks.hpp"
#include "case/input_error.hpp"
#include "study/latin_hypercube.hpp"
#include "study/study_base.hpp"
#include "study/varied_item.hpp"

namespace diesel {

namespace {

constexpr std::size_t kWarningsShown = 10;

// One axis of the full factorial: the item it sets and its values (value texts).
struct Axis {
    Item item;
    std::string option;               // "--speeds", "--vary IVC=...": how messages name it
    std::vector<std::string> values;
};

// Warnings of the points' cases, each once, the first few of them.
class Warnings {
public:
    void add(const std::vector<std::string>& found) {
        for (const std::string& w : found) {
            if (seen_.insert(w).second) order_.push_back(w);
        }
    }
    void print(std::ostream& err) const {
        for (std::size_t i = 0; i < order_.size() && i < kWarningsShown; ++i)
            err << "diesel-cycle: warning: " << order_[i] << '\n';
        if (order_.size() > kWarningsShown)
            err << "diesel-cycle: warning: and " << order_.size() - kWarningsShown
                << " more warnings about the values of the map's points\n";
    }

private:
    std::set<std::string> seen_;
    std::vector<std::string> order_;
};

// Each value of an axis on its own, so that a refusal names the option.
bool check_axis(const Case& base, const Axis& axis, std::ostream& err) {
    for (const std::string& v : axis.values) {
        Case c = base;
        if (const std::string bad = set_value_text(c, axis.item, v); !bad.empty()) {
            err << "diesel-cycle: map: " << axis.option << ": " << item_label(axis.item) << ": " << bad << '\n';
            return false;
        }
        if (const auto error = item_error(c, axis.item)) {
            err << "diesel-cycle: map: " << axis.option << ": " << *error << "; no point was run\n";
            return false;
        }
    }
    return true;
}

// Where a point's value of one item comes from: an axis of the factorial, a
// column of the hypercube, or the base.
class PointValue {
public:
    PointValue(const Case& base, Item item, const std::vector<Axis>& axes, const std::vector<VariedItem>& hypercube)
        : base_(base.real(item)), item_(item) {
        for (std::size_t a = 0; a < axes.size(); ++a) {
            if (axes[a].item != item) continue;
            axis_ = a;
            values_ = reals(item, axes[a].values);
        }
        for (std::size_t k = 0; k < hypercube.size(); ++k) {
            if (hypercube[k].item == item) column_ = k;
        }
    }

    float at(const std::vector<std::size_t>& index, const std::vector<std::string>& row) const {
        if (axis_) return values_[index[*axis_]];
        if (column_) return reals(item_, {row[*column_]}).front();
        return base_;
    }

private:
    static std::vector<float> reals(Item item, const std::vector<std::string>& texts) {
        std::vector<float> out;
        for (const std::string& t : texts) {
            Case c;
            set_value_text(c, item, t);
            out.push_back(c.real(item));
        }
        return out;
    }

    float base_;
    Item item_;
    std::optional<std::size_t> axis_, column_;
    std::vector<float> values_;
};

}  // namespace

bool prepare_map_grid(const MapDesign& d, MapGrid& grid, std::ostream& err) {
    grid = MapGrid{};
    const std::string where = "diesel-cycle: map: ";
    std::string error;
    std::optional<std::vector<float>> speeds, loads;
    if (!d.speeds.empty() && !(speeds = parse_grid_axis(d.speeds, d.maxPoints, error))) {
        err << where << "--speeds: " << error << '\n';
        return false;
    }
    if (!d.loads.empty() && !(loads = parse_grid_axis(d.loads, d.maxPoints, error))) {
        err << where << "--loads: " << error << '\n';
        return false;
    }
    if (d.lhs > 0 && d.vary.empty()) {
        err << where << "--lhs needs the ranges to draw from: --vary NAME=LO:HI for each item\n";
        return false;
    }
    // The varied items, each once.
    std::vector<VariedItem> varied;
    std::vector<SweptItem> swept;
    if (speeds) swept.push_back({Item::SPEED, "--speeds"});
    for (const std::string& argument : d.vary) {
        const std::optional<VariedItem> v =
            parse_varied_item(argument, d.lhs > 0 ? VaryForm::Range : VaryForm::Levels, d.maxPoints, error);
        if (!v) {
            err << where << error << (d.lhs > 0 && error.find("LO:HI") != std::string::npos ? " (with --lhs)" : "")
                << '\n';
            return false;
        }
        if (v->item == Item::MODE) {
            err << where << "--vary " << argument << ": MODE cannot be varied: the load axis and the load column "
                << "follow the run mode; make one map per mode (--set MODE=...)\n";
            return false;
        }
        for (const SweptItem& s : swept) {
            if (s.item == v->item) {
                err << where << "--vary " << argument << ": " << item_label(v->item) << " is also varied by "
                    << s.option << "; give it in one place only\n";
                return false;
            }
        }
        swept.push_back({v->item, "--vary " + argument});
        varied.push_back(*v);
    }
    // The size before anything is allocated for the points.
    std::vector<AxisSize> sizes;
    if (speeds) sizes.push_back({speeds->size(), "speeds"});
    if (loads) sizes.push_back({loads->size(), "loads"});
    if (d.lhs > 0) sizes.push_back({d.lhs, "hypercube points"});
    else
        for (const VariedItem& v : varied) sizes.push_back({v.levels.size(), "values of " + v.name});
    if (error = check_grid_size(sizes, d.maxPoints); !error.empty()) {
        err << where << error << '\n';
        return false;
    }

    // Points that run with more cylinders than the base need more start rows.
    int32_t cylinders = 0;
    for (const VariedItem& v : varied) {
        if (v.item != Item::NCYL) continue;
        for (const std::string& level : v.levels) cylinders = std::max(cylinders, static_cast<int32_t>(std::stol(level)));
        if (d.lhs > 0) cylinders = static_cast<int32_t>(v.high);
    }
    std::optional<Case> base = load_study_base("map", d.baseDir, d.caseOptions, swept, cylinders, err);
    if (!base) return false;
    grid.base = std::move(*base);
    grid.loadIsFuel = grid.base.integer(Item::MODE) == 2;
    const Item loadItem = load_item(grid.loadIsFuel);
    if (loads) {
        for (const VariedItem& v : varied) {
            if (v.item != loadItem) continue;
            err << where << "--vary " << v.argument << ": " << item_label(loadItem) << " is the load of this base ("
                << (grid.loadIsFuel ? "fixed fuel, MODE 2" : "load control") << "), which --loads varies; give it "
                << "in one place only\n";
            return false;
        }
        Case probe;
        if (error = apply_overrides(probe, d.caseOptions.overrides, {{loadItem, "--loads"}}); !error.empty()) {
            err << where << error << '\n';
            return false;
        }
    }

    // The axes of the full factorial: speeds, loads, then each varied item's
    // levels; a hypercube is one axis of its own, handled below.
    std::vector<Axis> axes;
    if (speeds) {
        Axis a{Item::SPEED, "--speeds " + d.speeds, {}};
        for (const float v : *speeds) a.values.push_back(shortest_real(v));
        axes.push_back(std::move(a));
    }
    if (loads) {
        Axis a{loadItem, "--loads " + d.loads, {}};
        for (const float v : *loads) a.values.push_back(shortest_real(v));
        axes.push_back(std::move(a));
    }
    const std::size_t firstVaried = axes.size();
    for (const VariedItem& v : varied) {
        grid.varied.push_back({v.item, v.name});
        if (d.lhs == 0) axes.push_back({v.item, "--vary " + v.argument, v.levels});
    }
    for (const Axis& a : axes) {
        if (!check_axis(grid.base, a, err)) return false;
    }
    if (d.lhs > 0) {
        for (const VariedItem& v : varied) {
            const Axis ends{v.item, "--vary " + v.argument, {value_text(v.item, v.low), value_text(v.item, v.high)}};
            if (!check_axis(grid.base, ends, err)) return false;
        }
    }

    // Rows of the hypercube, as value texts; one empty row without it.
    std::vector<std::vector<std::string>> inner(1);
    if (d.lhs > 0) {
        inner.clear();
        for (const std::vector<double>& u : latin_hypercube(d.lhs, varied.size(), d.seed)) {
            std::vector<std::string> row;
            for (std::size_t k = 0; k < varied.size(); ++k) {
                const VariedItem& v = varied[k];
                const double x = std::clamp(v.low + u[k] * (v.high - v.low), v.low, v.high);
                row.push_back(value_text(v.item, x));
            }
            inner.push_back(std::move(row));
        }
    }

    const std::vector<VariedItem> hypercube = d.lhs > 0 ? varied : std::vector<VariedItem>{};
    const PointValue speed(grid.base, Item::SPEED, axes, hypercube), load(grid.base, loadItem, axes, hypercube);
    std::size_t total = inner.size();
    for (const Axis& a : axes) total *= a.values.size();
    grid.points.reserve(total);
    std::vector<std::size_t> at(axes.size(), 0);
    for (std::size_t n = 0; n < total; ++n) {
        // Odometer over the axes (the last fastest), the hypercube rows innermost.
        std::size_t rest = n / inner.size();
        for (std::size_t a = axes.size(); a-- > 0;) {
            at[a] = rest % axes[a].values.size();
            rest /= axes[a].values.size();
        }
        const std::vector<std::string>& row = inner[n % inner.size()];
        MapPoint p{static_cast<int32_t>(n + 1), 0.0f, 0.0f, {}};
        for (std::size_t a = firstVaried; a < axes.size(); ++a) p.values.push_back(axes[a].values[at[a]]);
        if (d.lhs > 0) p.values = row;
        // The speed and load columns show what the point runs with.
        p.speed = speed.at(at, row);
        p.load = load.at(at, row);
        grid.points.push_back(std::move(p));
    }

    // Every point's case, for the rules that tie items together.
    Warnings warnings;
    for (const MapPoint& p : grid.points) {
        CaseCheck check;
        try {
            check = check_case(point_case(grid, p));
        } catch (const InputError& e) {
            check.errors.push_back(e.what());
        }
        if (!check.errors.empty()) {
            err << where << point_label(p, varied_names(grid)) << ": " << check.errors.front() << "; no point was run\n";
            return false;
        }
        warnings.add(check.warnings);
    }
    warnings.print(err);
    return true;
}

MapGrid case_map_grid(const Case& c, const std::vector<ItemSetting>& settings, const std::vector<float>& speeds,
                      const std::vector<float>& loads) {
    // The load axis follows MODE, which the settings may change.
    Case probe = c;
    apply_settings(probe, settings, {{Item::SPEED, "speeds"}});
    MapGrid grid;
    grid.loadIsFuel = probe.integer(Item::MODE) == 2;
    const Item load = load_item(grid.loadIsFuel);
    grid.base = c;
    apply_settings(grid.base, settings, {{Item::SPEED, "speeds"}, {load, "loads"}});
    for (const InputItem& it : input_items()) {
        if (it.id == Item::SPEED || it.id == load) continue;
        if (const auto error = item_error(grid.base, it.id)) throw InputError(*error);
    }
    grid.points.reserve(speeds.size() * loads.size());
    for (const float n : speeds) {
        for (const float l : loads) grid.points.push_back({static_cast<int32_t>(grid.points.size() + 1), n, l, {}});
    }
    return grid;
}

}  // namespace diesel
