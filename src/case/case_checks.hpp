// Checks of a case: values no run can use (errors) and values a run can use
// but that are likely mistakes (warnings), both from the item table's ranges,
// plus the rules that tie items together (CONROD > STROKE/2, the start rows).
// Every message names where the value was written and says why.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "case/case.hpp"

namespace diesel {

struct CaseCheck {
    std::vector<std::string> errors;    // complete one-line messages, in the order of the item table
    std::vector<std::string> warnings;  // complete one-line messages, without the "warning: " prefix
};

// Checks every item and the start rows the run will read (when the case holds
// them: inline rows, or rows loaded from the start-table file).
CaseCheck check_case(const Case& c);

// The error of one item on its own, without the rules tying it to others.
std::optional<std::string> item_error(const Case& c, Item item);

// Where an item's value was written, as messages name it:
//   fort2.dat (unit 2), record 3, item 3 (IVC)
//   case.toml:23: valves.intake_closing
//   --set IVC (valves.intake_closing)
//   IVC (valves.intake_closing)                  (set by the program)
std::string value_location(const Case& c, Item item);

// The value as messages show it: as written (quoted when from a fort file),
// else its shortest text.
std::string value_shown(const Case& c, Item item);

// Where start row `row` (1-based), column `column` (0 mass, 1 temperature,
// 2 equivalence ratio) was written.
std::string row_location(const Case& c, int32_t row, int32_t column);

// How a range reads in messages and documentation: "between 1 and 12",
// "greater than 0 m", "at least 541 and below 1362 deg". Empty when unbounded.
std::string range_rule(const ValueRange& range, const char* unit);

// "20000", "0.877", "-273": a bound as a short decimal.
std::string format_bound(double v);

}  // namespace diesel
