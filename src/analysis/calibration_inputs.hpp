// The inputs a calibration adjusts, as --fit names them: a list of
// NAME or NAME=LO:HI, by model name (SOC) or case.toml key
// (combustion.start_btdc), each with the bounds the search stays within.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "case/input_items.hpp"

namespace diesel {

struct CalibrationInput {
    Item item;
    std::string name;  // how results name it: the model name, or the key when the name is shared
    double lower;      // bound [the item's unit]
    double upper;      // bound [the item's unit], > lower
};

// The inputs of the Wiebe law and their bounds when --fit names them without
// bounds (and when no --fit is given): SOC -10 .. 30 deg before firing TDC,
// DURC0 20 .. 150 deg, MWIEB0 0 .. 4.
std::vector<CalibrationInput> wiebe_calibration_inputs();

// Reads a --fit list, e.g. "SOC,DURC0=30:120,valves.intake_closing=560:600".
// Refuses unknown or shared names (with suggestions), whole-number items (the
// search varies real numbers), an item named twice, bounds that are not two
// finite numbers LO < HI, bounds outside the values the item accepts, and an
// item other than SOC, DURC0, MWIEB0 without bounds. Returns an empty list
// with `error` (complete, without the program name) on failure.
std::vector<CalibrationInput> parse_calibration_inputs(std::string_view list, std::string& error);

}  // namespace diesel
