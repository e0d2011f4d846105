// The accepted ranges of the inputs: each limit refuses the value at or beyond
// it and accepts the nearest usable value; warnings leave a case runnable.
#include "case/case_checks.hpp"

#include <gtest/gtest.h>

#include <string>

#include "case/example_case.hpp"

namespace diesel {
namespace {

struct Limit {
    Item item;
    const char* refused;   // a value no run can use
    const char* accepted;  // the nearest value one can
};

TEST(CaseChecks, EveryLimitRefusesBeyondAndAcceptsWithin) {
    const Limit limits[] = {
        {Item::SPEED, "0", "1E-3"},          {Item::SPEED, "20000.01", "20000"},
        {Item::SPEEDR, "-1", "1"},           {Item::SPEEDR, "30000", "20000"},
        {Item::BORE, "0", "0.001"},          {Item::STROKE, "0", "0.05"},
        {Item::CONROD, "0.05", "0.0501"},    {Item::VINL, "0", "1E-6"},
        {Item::VEXR, "-0.004", "1E-6"},      {Item::AHEAD, "0", "1E-4"},
        {Item::APIST, "0", "1E-4"},          {Item::AER, "0", "1E-4"},
        {Item::CR, "1", "1.5"},              {Item::TCOOL, "-273", "-272.9"},
        {Item::TEMP0_INTAKE, "0", "1"},      {Item::MASS0_EXHAUST, "0", "1E-9"},
        {Item::EQR0_EXHAUST, "0", "1E-3"},   {Item::TOLM, "0", "1E-12"},
        {Item::TOLT, "-0.01", "1E-6"},       {Item::TOLEQR, "0", "1E-9"},
        {Item::TOLPE, "0", "1E-3"},          {Item::TOLCYM, "0", "1E-9"},
        {Item::TOLEXM, "-1E-6", "1E-9"},     {Item::ITMAX, "-1", "0"},
        {Item::ITMAX, "1001", "1000"},       {Item::MAXCYC, "0", "1"},
        {Item::DURC0, "0", "0.1"},           {Item::MWIEB0, "-0.01", "0"},
        {Item::EQRREF, "0", "0.01"},         {Item::IVC, "540.9", "541"},
        {Item::IVC, "1362", "1361.9"},       {Item::DPHI, "0.87", "0.88"},
        {Item::NCYL, "13", "12"},            {Item::NCYLE, "721", "720"},
        {Item::ANGST, "100001", "-100000"},
    };
    for (const Limit& l : limits) {
        Case c = example_case();
        ASSERT_EQ(c.set_text(l.item, l.refused, {ValueSource::Kind::CommandLine, 0, {}}), "");
        const CaseCheck bad = check_case(c);
        ASSERT_EQ(bad.errors.size(), 1u) << item_label(l.item) << " = " << l.refused;
        EXPECT_TRUE(bad.errors[0].starts_with("--set " + item_label(l.item) + ": " + l.refused + " is not accepted: "))
            << bad.errors[0];
        ASSERT_EQ(c.set_text(l.item, l.accepted, {}), "");
        EXPECT_TRUE(check_case(c).errors.empty()) << item_label(l.item) << " = " << l.accepted << ": "
                                                  << check_case(c).errors[0];
    }
}

// NCYLE bounds only a run that writes the start table; a value set through the
// API that no file could hold (NaN) is refused too.
TEST(CaseChecks, ConditionalAndNonFiniteValues) {
    Case c = example_case();
    c.set_integer(Item::NCYLE, 1000);
    EXPECT_EQ(check_case(c).errors.size(), 1u);
    c.set_integer(Item::NCYL, 4);
    EXPECT_TRUE(check_case(c).errors.empty());
    c.set_real(Item::FUEL, std::numeric_limits<float>::quiet_NaN());
    ASSERT_EQ(check_case(c).errors.size(), 1u);
    EXPECT_EQ(check_case(c).errors[0], "FUEL (operating_point.fuel_10mm3): nan is not a finite number");
    EXPECT_EQ(Case().set_number(Item::MODE, 2.5), "is not an integer within -2147483648 .. 2147483647");
}

TEST(CaseChecks, ImplausibleValuesWarnWithoutRefusing) {
    Case c = example_case();
    EXPECT_TRUE(check_case(c).warnings.empty());
    c.set_text(Item::TCOOL, "363", {ValueSource::Kind::CommandLine, 0, {}});
    c.set_text(Item::BORE, "100", {ValueSource::Kind::CommandLine, 0, {}});
    c.set_text(Item::CONROD, "160", {ValueSource::Kind::CommandLine, 0, {}});
    c.set_text(Item::STROKE, "100", {ValueSource::Kind::CommandLine, 0, {}});
    const CaseCheck check = check_case(c);
    EXPECT_TRUE(check.errors.empty());
    ASSERT_EQ(check.warnings.size(), 3u);
    EXPECT_EQ(check.warnings[0], "--set BORE (geometry.bore): 100 is implausible: outside 20 .. 1000 mm: a length in mm typed as m?");
    EXPECT_EQ(check.warnings[2], "--set TCOOL (walls.coolant_temperature_C): 363 is implausible: above 150 degC: a temperature in K typed as degC?");
}

}  // namespace
}  // namespace diesel
