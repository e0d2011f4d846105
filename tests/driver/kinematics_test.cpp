#include "driver/kinematics.hpp"

#include <gtest/gtest.h>

#include "input/run_setup.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

// The fixed-fuel example after set-up with NCYL cylinders, kinematics done at PHI [deg].
std::unique_ptr<RunState> at(float PHI, int32_t NCYL = 1) {
    auto s = test_support::read_state(test_support::example_texts("c1_fixed"));
    set_up_run(*s);
    s->NCYL = NCYL;
    s->FNCYL = static_cast<float>(NCYL);
    s->PHI = PHI;
    for (int32_t j = 1; j <= NCYL; ++j) cylinder_kinematics(*s, j, 720.0f / s->FNCYL);
    return s;
}

TEST(Kinematics, DeadCentresVolumeRateAndFiringOffsets) {
    const auto tdc = at(0.0f);
    const float swept = tdc->STROKE * tdc->ABORE;
    EXPECT_EQ(tdc->VOL[1], tdc->VC);
    EXPECT_EQ(tdc->DVOL[1], 0.0f);
    EXPECT_NEAR(at(180.0f)->VOL[1], tdc->VC + swept, 1.0E-6f * swept);  // PI is pi only to rounding
    // DVOL is dV per radian of crank angle: the central difference of VOL over +-1 degree.
    for (float phi = 543.0f; phi < 1260.0f; phi += 37.0f) {
        const float dv = (at(phi + 1.0f)->VOL[1] - at(phi - 1.0f)->VOL[1]) / (2.0f * tdc->PI / 180.0f);
        EXPECT_NEAR(at(phi)->DVOL[1], dv, 1.0E-3f * swept) << phi;
    }
    // NCYL 4: cylinder j sees what cylinder 1 sees (j-1)*180 degrees later.
    const auto four = at(1000.0f, 4);
    for (int32_t j = 1; j <= 4; ++j) {
        const auto one = at(1000.0f + static_cast<float>(j - 1) * 180.0f);
        EXPECT_FLOAT_EQ(four->VOL[j], one->VOL[1]) << j;
        EXPECT_NEAR(four->DVOL[j], one->DVOL[1], 1.0E-7f) << j;
    }
}

}  // namespace
}  // namespace diesel
