#include "study/case_map.hpp"

#include "case/case_checks.hpp"
#include "case/input_error.hpp"
#include "study/map_grid.hpp"

namespace diesel {

CaseMap case_map(const Case& c, const std::vector<ItemSetting>& settings) {
    // The load axis follows MODE, which the settings may change.
    Case probe = c;
    apply_settings(probe, settings, {{Item::SPEED, "speeds"}});
    const Item load = load_item(probe.integer(Item::MODE) == 2);
    CaseMap map{c, load == Item::FUEL};
    apply_settings(map.base, settings, {{Item::SPEED, "speeds"}, {load, "loads"}});
    for (const InputItem& it : input_items()) {
        if (it.id == Item::SPEED || it.id == load) continue;
        if (const auto error = item_error(map.base, it.id)) throw InputError(*error);
    }
    return map;
}

Case case_map_point(const CaseMap& map, float speed, float load) {
    Case c = map.base;
    c.set_real(Item::SPEED, speed);
    c.set_real(load_item(map.loadIsFuel), load);
    return c;
}

}  // namespace diesel
