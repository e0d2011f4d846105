#include "case/case_edits.hpp"

#include <charconv>
#include <optional>

#include "case/case_checks.hpp"
#include "case/input_error.hpp"

namespace diesel {

namespace {

// Sets `item` to `value` in `c`, or returns why not (leaving `c` as it was):
// the message without the item's location, "2.5 is not an integer ...".
std::string try_set(Case& c, Item item, const ItemValue& value) {
    Case next = c;
    std::string bad;
    if (const double* number = std::get_if<double>(&value)) {
        bad = next.set_number(item, *number);
        if (!bad.empty()) bad = value_text(value) + " " + bad;
    } else {
        bad = next.set_text(item, std::get<std::string>(value), {ValueSource::Kind::Program, 0, {}});
    }
    // NCYLE's range holds only for NCYL 1 or 2: the case check judges it.
    if (bad.empty() && item != Item::NCYLE) {
        if (const std::optional<std::string> error = item_error(next, item)) {
            const std::string where = value_location(next, item) + ": ";
            bad = error->starts_with(where) ? error->substr(where.size()) : *error;
        }
    }
    if (bad.empty()) c = std::move(next);
    return bad;
}

}  // namespace

Item item_named(std::string_view nameOrKey) {
    std::string error;
    const std::optional<Item> item = find_item(nameOrKey, error);
    if (!item) throw ItemNameError(error);
    return *item;
}

std::string value_text(const ItemValue& value) {
    if (const std::string* text = std::get_if<std::string>(&value)) return *text;
    char buf[32];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, std::get<double>(value));
    return std::string(buf, ec == std::errc{} ? end : buf);
}

void set_item(Case& c, Item item, const ItemValue& value) {
    if (const std::string bad = try_set(c, item, value); !bad.empty()) throw InputError(item_label(item) + ": " + bad);
}

void apply_settings(Case& c, const std::vector<ItemSetting>& settings, const std::vector<SweptItem>& swept) {
    Case next = c;
    std::vector<Item> done;  // the items of settings[0 .. i)
    for (const ItemSetting& s : settings) {
        const std::string given = "set " + s.name + "=" + value_text(s.value) + ": ";
        std::string why;
        const std::optional<Item> item = find_item(s.name, why);
        if (!item) throw ItemNameError(given + why);
        for (const SweptItem& v : swept)
            if (v.item == *item)
                throw InputError(given + item_label(*item) + " is also varied by " + v.option +
                                 "; give it in one place only");
        for (std::size_t j = 0; j < done.size(); ++j)
            if (done[j] == *item)
                throw InputError(given + item_label(*item) + " is already set by set " + settings[j].name + "=" +
                                 value_text(settings[j].value));
        if (const std::string bad = try_set(next, *item, s.value); !bad.empty()) throw InputError(given + bad);
        done.push_back(*item);
    }
    c = std::move(next);
}

void set_start_rows(Case& c, std::vector<StartRow> rows) {
    const ValueSource program{ValueSource::Kind::Program, 0, {}};
    c.start.sources.assign(rows.size(), {program, program, program});
    c.start.rows = std::move(rows);
    c.start.inlineRows = true;
    c.start.loaded = false;
    c.start.line = 0;
}

Case with_inline_start_rows(Case c) {
    if (!c.start.inlineRows && c.start.loaded && !c.start.rows.empty()) {
        c.start.inlineRows = true;
        c.start.line = 0;
    }
    return c;
}

}  // namespace diesel
