// Cases changed by a program: a case as bytes and back keeps every value and
// where it came from; settings are all or nothing; start rows given by a
// program are named without a file.
#include "case/case_edits.hpp"

#include <gtest/gtest.h>

#include <string>

#include "case/case_bytes.hpp"
#include "case/case_checks.hpp"
#include "case/case_toml.hpp"
#include "case/fort_files.hpp"
#include "case/input_error.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

Case fort_case(const std::string& example) { return read_fort_case(test_support::example_inputs(example)); }

// Every message a check can give names the value as the original does.
void expect_same_case(const Case& a, const Case& b) {
    EXPECT_FALSE(first_difference(a, b).has_value());
    for (const InputItem& it : input_items()) {
        EXPECT_EQ(value_location(a, it.id), value_location(b, it.id)) << it.key;
        EXPECT_EQ(value_shown(a, it.id), value_shown(b, it.id)) << it.key;
    }
    ASSERT_EQ(a.start.rows.size(), b.start.rows.size());
    for (int32_t r = 1; r <= static_cast<int32_t>(a.start.rows.size()); ++r)
        for (int32_t col = 0; col < 3; ++col) EXPECT_EQ(row_location(a, r, col), row_location(b, r, col));
    EXPECT_EQ(a.caseFile, b.caseFile);
    EXPECT_EQ(a.start.file, b.start.file);
    EXPECT_EQ(a.start.inlineRows, b.start.inlineRows);
    EXPECT_EQ(a.start.loaded, b.start.loaded);
}

TEST(CaseBytes, ACaseComesBackWithItsValuesAndTheirSources) {
    Case set = fort_case("c4_fixed");
    set_item(set, Item::SOC, 12.5);
    set_item(set, Item::MAXCYC, std::string("30"));
    Case rows = read_case_toml(write_case_toml(with_inline_start_rows(fort_case("c12_fixed"))), "op/case.toml");
    Case program = fort_case("c4_fixed");
    set_start_rows(program, {{1e-3f, 300.0f, 0.0f}, {-0.0f, 1e30f, 0.5f}});
    for (const Case& c : {fort_case("c1_fixed"), set, rows, program, Case()}) expect_same_case(c, case_from_bytes(case_to_bytes(c)));
}

TEST(CaseBytes, AnythingButWholeBytesOfThisVersionIsRefused) {
    const std::string bytes = case_to_bytes(fort_case("c4_fixed"));
    for (std::size_t n = 0; n < bytes.size(); ++n)
        EXPECT_THROW(case_from_bytes(bytes.substr(0, n)), InputError) << "cut at " << n;
    std::string other = bytes;
    other.replace(other.find(" 1\n"), 3, " 2\n");
    EXPECT_THROW(case_from_bytes(other), InputError);
    EXPECT_THROW(case_from_bytes(bytes + "0 "), InputError);
}

TEST(CaseEdits, SettingsAreAllOrNothing) {
    const Case base = fort_case("c1_load");
    const struct {
        std::vector<ItemSetting> settings;
        std::string message;
    } refused[] = {
        {{{"SOC", 12.0}, {"MAXCYC", 2.5}}, "set MAXCYC=2.5: 2.5 is not an integer within -2147483648 .. 2147483647"},
        {{{"SOC", 12.0}, {"SPEED", 1500.0}},
         "set SPEED=1500: SPEED (operating_point.speed) is also varied by speeds; give it in one place only"},
        {{{"SOC", 12.0}, {"MASS0", 1.0}}, "set MASS0=1: MASS0 names 3 items; use the key of the one meant: "
                                          "start.cylinder_1.mass, start.intake_receiver.mass or start.exhaust_receiver.mass"},
        {{{"SOC", std::string("9.0D0")}, {"SOC", 10.0}}, "set SOC=10: SOC (combustion.start_btdc) is already set by set SOC=9.0D0"},
    };
    for (const auto& r : refused) {
        Case c = base;
        try {
            apply_settings(c, r.settings, {{Item::SPEED, "speeds"}});
            ADD_FAILURE() << r.message;
        } catch (const InputError& e) {
            EXPECT_EQ(e.what(), r.message);
        }
        expect_same_case(c, base);
    }
    Case c = base;
    apply_settings(c, {{"combustion.start_btdc", std::string("9.0D0")}, {"NCYLE", 800.0}});
    EXPECT_EQ(c.real(Item::SOC), 9.0f);
    EXPECT_EQ(value_shown(c, Item::SOC), "9.0D0");
    // NCYLE's range holds for NCYL 1 or 2 only: the check of the whole case refuses it.
    ASSERT_FALSE(check_case(c).errors.empty());
    EXPECT_EQ(check_case(c).errors.front().rfind("NCYLE (start.write_table_for_cylinders): 800 is not accepted", 0), 0u);
}

}  // namespace
}  // namespace diesel
