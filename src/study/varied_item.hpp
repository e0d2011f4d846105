// An input item a study varies, as the user wrote it on the command line
// (--vary NAME=...), NAME being the item's model name or case.toml key:
//   NAME=FROM:TO:COUNT   COUNT values evenly spaced from FROM to TO, both ends included
//   NAME=V1,V2,...       the values as listed (one value is a list too)
//   NAME=LO:HI           a range, for Latin hypercubes and optimisation
//
// A value is held as its text in the item's type: a REAL item's value is the
// shortest text of the float it rounds to, an INTEGER item's a whole number.
// That text is the value's CSV field and what the manifest of emitted jobs
// records, and it reads back to exactly the value the point ran with.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "case/case.hpp"

namespace diesel {

// Which forms an option takes.
enum class VaryForm {
    Levels,  // FROM:TO:COUNT or a list: the values of a full-factorial sweep
    Range,   // LO:HI only
};

struct VariedItem {
    Item item;
    std::string name;                // as the user wrote it; the name of its CSV column
    std::string argument;            // NAME=VALUES as given, for messages
    std::vector<std::string> levels; // Levels: every value, as value texts
    double low = 0.0;                // Range: lower bound, in the item's unit (a float or whole value)
    double high = 0.0;               // Range: upper bound (> low)
};

// Parses `argument` ("IVC=560:600:5"). Refuses an unknown or ambiguous name
// (with the nearest names), a value that is not a number of the item's type,
// a count below 1 or above `maxValues` (before anything is allocated), an
// INTEGER item's range whose steps are not whole, and an empty or inverted
// range. Returns nullopt with `error` (a message without the program name).
std::optional<VariedItem> parse_varied_item(std::string_view argument, VaryForm form, std::size_t maxValues,
                                            std::string& error);

// The value text of `v` for `item`: a REAL item rounds `v` once to float, an
// INTEGER item to the nearest whole number (halves away from zero).
std::string value_text(Item item, double v);

// Sets `item` of `c` to the value of `text` (a value text); returns what is
// wrong, or an empty string. The value's source is the program's.
std::string set_value_text(Case& c, Item item, const std::string& text);

// The value of `item` in `c` as a value text.
std::string case_value_text(const Case& c, Item item);

}  // namespace diesel
