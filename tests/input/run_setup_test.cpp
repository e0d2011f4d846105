#include "input/run_setup.hpp"

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace diesel {
namespace {

// Below 1600 rpm the intake area shrinks with the square of the speed (the
// examples run above it): 0.001 * 1.2 * (1000/1600)^2.
TEST(RunSetup, IntakeAreaBelow1600Rpm) {
    auto s = test_support::read_state(test_support::edited(test_support::example_texts("c1_fixed"),
                                                           {{3, 1, 1, "1000.0"}, {2, 3, 6, "0.001"}, {2, 6, 6, "1.2"}}));
    set_up_run(*s);
    EXPECT_FLOAT_EQ(s->AIMAX, 4.6875E-4f);
}

}  // namespace
}  // namespace diesel
