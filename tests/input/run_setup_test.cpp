#include "input/run_setup.hpp"

#include <gtest/gtest.h>

#include <cstdint>

#include "test_support.hpp"

namespace diesel {
namespace {

// The fixed-fuel example (TCOOL 90 C, 2000 rpm) as read, then
// altered by `edits` [file, line, item, value] before set-up.
std::unique_ptr<RunState> set_up(const std::vector<test_support::Edit>& edits) {
    auto s = test_support::read_state(test_support::edited(test_support::example_texts("c1_fixed"), edits));
    set_up_run(*s);
    return s;
}

TEST(RunSetup, DerivedFiguresOfTheExample) {
    const auto s = set_up({});
    EXPECT_EQ(s->TCOOL, 363.0f);  // 90 + 273, not 273.15
    EXPECT_FLOAT_EQ(set_up({{2, 3, 8, "10.0"}})->SOC, 0.17453292f);  // 10 deg in radians
    EXPECT_EQ(set_up({{2, 3, 3, "580.0"}})->KIVC, 40);
    // Below 1600 rpm the intake area shrinks with the square of the speed: 0.001 * 1.2 * (1000/1600)^2.
    EXPECT_FLOAT_EQ(set_up({{3, 1, 1, "1000.0"}, {2, 3, 6, "0.001"}, {2, 6, 6, "1.2"}})->AIMAX, 4.6875E-4f);
}

// Fixed fuel (MODE 2) takes FUEL; other modes estimate it from the target load
// PETARG 7.5 bar, PIOFF 7.5 bar and EQREX0 0.5.
TEST(RunSetup, FirstFuelFixedOrEstimated) {
    const std::vector<test_support::Edit> load = {{3, 1, 3, "7.5"}, {3, 1, 4, "4.5"}, {2, 6, 5, "7.5"}};
    for (const auto& [mode, qf] : {std::pair{"2", 4.5f}, {"0", 3.8613f}}) {
        auto edits = load;
        edits.push_back({3, 1, 2, mode});
        EXPECT_NEAR(set_up(edits)->QF, qf, 2.0E-4f) << "MODE " << mode;
    }
}

}  // namespace
}  // namespace diesel
