// --fit lists: names and keys, default and given bounds, the names results use.
#include "analysis/calibration_inputs.hpp"

#include <gtest/gtest.h>

namespace diesel {
namespace {

TEST(CalibrationInputs, ReadsNamesKeysAndBounds) {
    struct Expected {
        Item item;
        std::string name;
        double lower, upper;
    };
    const struct {
        std::string list;
        std::vector<Expected> inputs;
    } cases[] = {
        {"SOC,DURC0,MWIEB0", {{Item::SOC, "SOC", -10, 30}, {Item::DURC0, "DURC0", 20, 150}, {Item::MWIEB0, "MWIEB0", 0, 4}}},
        {"SOC=-5:+12.5", {{Item::SOC, "SOC", -5, 12.5}}},
        {"combustion.reference_duration=30:120,SOC", {{Item::DURC0, "DURC0", 30, 120}, {Item::SOC, "SOC", -10, 30}}},
        {"CWOS=1e-3:2E-2", {{Item::CWOS, "CWOS", 1e-3, 2e-2}}},
        // A model name several items share is named by its key.
        {"start.intake_receiver.temperature=280:340",
         {{Item::TEMP0_INTAKE, "start.intake_receiver.temperature", 280, 340}}},
    };
    for (const auto& c : cases) {
        std::string error;
        const std::vector<CalibrationInput> got = parse_calibration_inputs(c.list, error);
        ASSERT_EQ(got.size(), c.inputs.size()) << c.list << ": " << error;
        for (size_t k = 0; k < got.size(); ++k) {
            EXPECT_EQ(got[k].item, c.inputs[k].item) << c.list;
            EXPECT_EQ(got[k].name, c.inputs[k].name) << c.list;
            EXPECT_EQ(got[k].lower, c.inputs[k].lower) << c.list;
            EXPECT_EQ(got[k].upper, c.inputs[k].upper) << c.list;
        }
    }
}

TEST(CalibrationInputs, RefusesWhatTheSearchCannotVary) {
    const struct {
        std::string list;
        std::string message;
    } cases[] = {
        {"", "--fit : name the inputs to adjust"},
        {"SPED=1000:2000", "--fit SPED=1000:2000: "},
        {"MASS0", "--fit MASS0: "},
        {"MODE=0:2", "MODE (operating_point.mode) is a whole number"},
        {"SOC,SOC=0:10", "SOC (combustion.start_btdc) is named twice"},
        {"SOC=0", "bounds are two numbers LO:HI"},
        {"SOC=0:", "bounds are two numbers LO:HI"},
        {"SOC=0:nan", "bounds are two numbers LO:HI"},
        {"SOC=0:1e999", "bounds are two numbers LO:HI"},
        {"SOC=5:5", "the lower bound must lie below the upper"},
        {"MWIEB0=-1:2", "MWIEB0 must be at least 0"},
        {"SPEED", "has no default bounds; give them as SPEED=LO:HI [rpm]"},
        {",SOC", "an empty name between commas"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_TRUE(parse_calibration_inputs(c.list, error).empty()) << c.list;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.list << ": " << error;
    }
}

}  // namespace
}  // namespace diesel
