// --set NAME=VALUE: one input item overridden for one run, by its model name
// (SPEED) or its case.toml key (operating_point.speed), without touching the
// files the case was read from.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "case/case.hpp"

namespace diesel {

struct Override {
    Item item;
    std::string value;     // the value's text, read the fort way ("2400", "1.0E-5")
    std::string argument;  // NAME=VALUE as given, for messages
};

// Parses "NAME=VALUE". Unknown names are refused with the nearest names, a
// model name shared by several items (MASS0) with the keys it could mean, and
// a value that does not read as the item's type. Returns nullopt with `error`
// (a complete message without the program name) on failure.
std::optional<Override> parse_override(std::string_view argument, std::string& error);

// An item the command varies itself (a map's speed axis) and the option that
// varies it ("--speeds").
struct SweptItem {
    Item item;
    std::string option;
};

// Applies `overrides` in order (the value's source becomes CommandLine).
// Refuses an item set twice and an item in `swept`, since the command would
// override it at every point. Returns an error message, or an empty string.
// Ranges are not checked here (case_checks.hpp).
std::string apply_overrides(Case& c, const std::vector<Override>& overrides, const std::vector<SweptItem>& swept = {});

}  // namespace diesel
