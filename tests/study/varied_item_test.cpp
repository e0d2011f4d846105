// --vary NAME=...: the forms of each option, values rounded as the item's
// type holds them, and refusals that say what is wrong.
#include "study/varied_item.hpp"

#include <gtest/gtest.h>

namespace diesel {
namespace {

TEST(VariedItem, FormsAndRefusals) {
    using V = std::vector<std::string>;
    const struct { const char* argument; VaryForm form; V levels; double low, high; const char* fault; } cases[] = {
        {"IVC=560:600:5", VaryForm::Levels, {"560", "570", "580", "590", "600"}, 0, 0, ""},
        {"valves.intake_closing=576", VaryForm::Levels, {"576"}, 0, 0, ""},
        {"SOC=0.1,2.5E1,1.0D0", VaryForm::Levels, {"0.1", "25", "1"}, 0, 0, ""},
        {"DPHI=0.1:0.3:3", VaryForm::Levels, {"0.1", "0.2", "0.3"}, 0, 0, ""},  // each rounded once from double
        {"MAXCYC=20:40:3", VaryForm::Levels, {"20", "30", "40"}, 0, 0, ""},
        {"NCYLE=6:1:6", VaryForm::Levels, {"6", "5", "4", "3", "2", "1"}, 0, 0, ""},
        {"IVC=560:600", VaryForm::Range, {}, 560, 600, ""},
        {"MAXCYC=20:40:4", VaryForm::Levels, {}, 0, 0, "are not all whole numbers; choose a count that gives whole steps"},
        {"MAXCYC=20.5", VaryForm::Levels, {}, 0, 0, "\"20.5\" is not a whole number, and MAXCYC is an integer item"},
        {"IVX=560", VaryForm::Levels, {}, 0, 0, "no input item is called IVX; did you mean IVO, IVC"},
        {"MASS0=1", VaryForm::Levels, {}, 0, 0, "MASS0 names 3 items; use the key of the one meant"},
        {"IVC", VaryForm::Levels, {}, 0, 0, "expected NAME=FROM:TO:COUNT or NAME=V1,V2,..."},
        {"IVC=560:600", VaryForm::Levels, {}, 0, 0, "a range of values is FROM:TO:COUNT"},
        {"IVC=560:600:2000000", VaryForm::Levels, {}, 0, 0, "more than the limit of 1000"},
        {"IVC=560,600", VaryForm::Range, {}, 0, 0, "a range LO:HI is needed here, not a list of values"},
        {"IVC=560:600:5", VaryForm::Range, {}, 0, 0, "a range is LO:HI here, without a count"},
        {"IVC=600:560", VaryForm::Range, {}, 0, 0, "the lower end of the range must lie below the upper end"},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto v = parse_varied_item(c.argument, c.form, 1000, error);
        if (*c.fault != '\0') {
            EXPECT_FALSE(v) << c.argument;
            EXPECT_NE(error.find(c.fault), std::string::npos) << c.argument << ": " << error;
            EXPECT_EQ(error.rfind(std::string("--vary ") + c.argument + ": ", 0), 0u) << error;
            continue;
        }
        ASSERT_TRUE(v) << c.argument << ": " << error;
        EXPECT_EQ(v->name, std::string(c.argument).substr(0, std::string(c.argument).find('=')));
        EXPECT_EQ(v->levels, c.levels) << c.argument;
        EXPECT_EQ(v->low, c.low) << c.argument;
        EXPECT_EQ(v->high, c.high) << c.argument;
    }
}

// A value text reads back to exactly the value a point runs with.
TEST(VariedItem, ValueTextsAreExact) {
    EXPECT_EQ(value_text(Item::MAXCYC, 20.5), "21");
    EXPECT_EQ(value_text(Item::MAXCYC, -20.5), "-21");
    EXPECT_EQ(value_text(Item::IVC, 576.00000001), "576");
    EXPECT_EQ(value_text(Item::DPHI, 0.1), "0.1");
    Case c;
    for (const double v : {0.1, 1.0 / 3.0, 576.3, 1e-7}) {
        ASSERT_EQ(set_value_text(c, Item::SOC, value_text(Item::SOC, v)), "");
        EXPECT_EQ(c.real(Item::SOC), static_cast<float>(v));
        EXPECT_EQ(case_value_text(c, Item::SOC), value_text(Item::SOC, v));
    }
    EXPECT_NE(set_value_text(c, Item::MAXCYC, "2.5"), "");
}

}  // namespace
}  // namespace diesel
