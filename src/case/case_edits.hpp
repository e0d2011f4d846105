// A case changed item by item by a program (the Python module, the studies):
// items named by model name or case.toml key, values given as numbers or as
// text read the fort way, start rows given whole. A value no case could run
// with, whatever its other items hold, is refused at once; what depends on
// other items is left to the check of the whole case (case_checks.hpp), so
// that a case can be changed in steps through states that do not yet fit.
#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "case/case.hpp"
#include "case/overrides.hpp"

namespace diesel {

// The item called `nameOrKey`. Throws ItemNameError with find_item's message:
// "no input item is called SPEEED; did you mean SPEED?", or for MASS0 the keys
// it could mean.
Item item_named(std::string_view nameOrKey);

// A value as a program gives it: a number (a REAL item rounds it once to
// float, an INTEGER item takes only a whole number) or text read the fort way
// ("9.0D1" for a REAL item, "2" for an INTEGER item).
using ItemValue = std::variant<double, std::string>;

// How messages show a value: the text as given, a number as its shortest text.
std::string value_text(const ItemValue& value);

// Sets `item` with the source Program (its text kept when given as text).
// Refuses, leaving `c` as it was, a value not of the item's type and a value
// outside the item's accepted range when that range holds whatever the other
// items are (NCYLE's depends on NCYL, so it waits for the case check). Throws
// InputError naming the item:
//   MODE (operating_point.mode): 2.5 is not an integer within -2147483648 .. 2147483647
//   IVC (valves.intake_closing): 1500.0 is not accepted: IVC must be at least 541 and below 1362 deg; ...
void set_item(Case& c, Item item, const ItemValue& value);

// One of a group of items set by name, as set={...} gives them.
struct ItemSetting {
    std::string name;  // model name or case.toml key
    ItemValue value;
};

// Applies `settings` in order, as --set applies its overrides: an unknown or
// ambiguous name (ItemNameError), an item set twice by either of its names, an
// item the caller varies itself (in `swept`, whose option names the argument
// that varies it, "speeds") and a value set_item refuses are errors whose
// message starts with "set NAME=VALUE: ". Throws; `c` is then unchanged.
void apply_settings(Case& c, const std::vector<ItemSetting>& settings, const std::vector<SweptItem>& swept = {});

// Replaces the start rows with `rows` (row r: cylinder r + 1), held by the
// case itself as a case file's inline rows are, with the source Program. They
// are checked with the case: whether they suffice depends on NCYL.
void set_start_rows(Case& c, std::vector<StartRow> rows);

// The case holding the start rows it read from its start-table file inline,
// so that a case file written from it is the whole case, needing no other file.
Case with_inline_start_rows(Case c);

}  // namespace diesel
