#include "state/crank_angle.hpp"

#include <gtest/gtest.h>

namespace diesel {
namespace {

TEST(CrankAngle, FiringTdcIsZeroAndTheCycleRunsOnWithoutAJump) {
    const struct {
        float phi, angst, fromTdc;
    } cases[] = {
        {541.0f, 540.0f, -179.0f},   // first step of the usual cycle
        {720.0f, 540.0f, 0.0f},      // firing TDC
        {1080.0f, 540.0f, 360.0f},   // gas-exchange TDC
        {1260.0f, 540.0f, 540.0f},   // last full step
        {1260.999f, 540.0f, 540.999f},  // a refined last step stays in its cycle
        {1.0f, 0.0f, 1.0f},          // a cycle from firing TDC
        {-170.0f, -180.0f, -170.0f},
        {1441.0f, 1260.0f, 1.0f},      // a cycle from 1260 = -180
    };
    for (const auto& c : cases) {
        EXPECT_EQ(angle_from_firing_tdc(c.phi, c.angst), c.fromTdc) << c.phi << " in the cycle from " << c.angst;
        EXPECT_EQ(model_angle(c.fromTdc, c.angst), c.phi) << c.phi << " in the cycle from " << c.angst;
    }
}

TEST(CrankAngle, AnyAngleFallsIntoTheCycleFromBottomDeadCentre) {
    const struct {
        double deg, inCycle;
    } cases[] = {
        {-180.0, -180.0}, {539.999, 539.999}, {540.0, -180.0},  // the cycle's ends
        {576.0, -144.0},                                         // intake closing as the model gives it
        {1260.0, 540.0 - 720.0}, {-181.0, 539.0}, {-900.0, -180.0}, {1440.0, 0.0},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(cycle_angle(c.deg), c.inCycle) << c.deg;
}

}  // namespace
}  // namespace diesel
