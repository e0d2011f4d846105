#include "driver/kinematics.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>

#include "input/run_setup.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

// The fixed-fuel example after set-up: bore 0.1 m, stroke 0.1 m, conrod 0.16 m, CR 17, 2000 rpm.
std::unique_ptr<RunState> example_after_set_up() {
    auto s = test_support::read_state(test_support::example_texts("c1_fixed"));
    set_up_run(*s);
    return s;
}

// Slider-crank volume [m3] at crank angle t [rad], in double from the run's geometry.
double volume(const RunState& s, double t) {
    const double r = 0.5 * s.STROKE;
    const double l = s.CONROD;
    const double x = r * (1.0 - std::cos(t)) + l - std::sqrt(l * l - r * r * std::sin(t) * std::sin(t));
    return x * (M_PI * s.BORE * s.BORE / 4.0) + s.VC;
}

TEST(Kinematics, TopDeadCentre) {
    auto s = example_after_set_up();
    s->PHI = 0.0f;
    cylinder_kinematics(*s, 1, 720.0f);
    EXPECT_EQ(s->VOL[1], s->VC);
    EXPECT_EQ(s->DVOL[1], 0.0f);
    EXPECT_EQ(s->ALINER[1], 0.0f);
    EXPECT_EQ(s->THETA[1], 0.0f);
}

TEST(Kinematics, BothDeadCentresOfTheCycle) {
    auto s = example_after_set_up();
    const float swept = s->STROKE * s->ABORE;
    // PI is not exactly pi, so the dead centres away from 0 are exact only to rounding.
    for (const float phi : {360.0f, 720.0f, 1080.0f}) {
        s->PHI = phi;
        cylinder_kinematics(*s, 1, 720.0f);
        EXPECT_NEAR(s->VOL[1], s->VC, 1.0E-6f * swept) << "TDC at " << phi;
        EXPECT_NEAR(s->DVOL[1], 0.0f, 1.0E-5f * swept) << "TDC at " << phi;
        EXPECT_NEAR(s->ALINER[1], 0.0f, 1.0E-6f) << "TDC at " << phi;
    }
    for (const float phi : {180.0f, 540.0f, 900.0f, 1260.0f}) {
        s->PHI = phi;
        cylinder_kinematics(*s, 1, 720.0f);
        EXPECT_FLOAT_EQ(s->VOL[1], s->VC + s->STROKE * s->ABORE) << "BDC at " << phi;
        EXPECT_NEAR(s->DVOL[1], 0.0f, 1.0E-5f * swept) << "BDC at " << phi;
        EXPECT_FLOAT_EQ(s->ALINER[1], s->PI * s->BORE * s->STROKE) << "BDC at " << phi;
    }
}

TEST(Kinematics, VolumeAndRateFollowTheSliderCrankOverTheCycle) {
    auto s = example_after_set_up();
    const double swept = static_cast<double>(s->STROKE) * s->ABORE;
    const double h = 1.0E-4;  // [rad]
    for (float phi = 540.0f; phi < 1260.0f; phi += 7.0f) {
        s->PHI = phi;
        cylinder_kinematics(*s, 1, 720.0f);
        const double t = s->THETA[1];
        EXPECT_NEAR(t, phi * M_PI / 180.0, 1.0E-6 * phi) << phi;

        const double v = volume(*s, t);
        // near TDC the travel is a small difference of large terms: judge against the swept volume
        EXPECT_NEAR(s->VOL[1], v, 1.0E-6 * swept) << "VOL at " << phi;

        // DVOL is dV per radian of crank angle, whatever the speed.
        const double dv = (volume(*s, t + h) - volume(*s, t - h)) / (2.0 * h);
        EXPECT_NEAR(s->DVOL[1], dv, 1.0E-4 * std::fabs(dv) + 1.0E-6 * swept) << "DVOL at " << phi;

        // Liner area: bore circumference times the piston travel.
        const double x = (v - s->VC) / (M_PI * s->BORE * s->BORE / 4.0);
        EXPECT_NEAR(s->ALINER[1], M_PI * s->BORE * x, 1.0E-5 * M_PI * s->BORE * s->STROKE) << "ALINER at " << phi;
    }
}

TEST(Kinematics, RateIsPerRadianNotPerSecond) {
    auto a = example_after_set_up();
    auto b = example_after_set_up();
    b->SPEED = 1000.0f;
    b->OMEGA = b->SPEED * 6.283185f / 60.0f;
    a->PHI = b->PHI = 400.0f;
    cylinder_kinematics(*a, 1, 720.0f);
    cylinder_kinematics(*b, 1, 720.0f);
    EXPECT_FLOAT_EQ(a->DVOL[1], b->DVOL[1]);
    EXPECT_GT(a->DVOL[1], 0.0f);  // expanding after TDC at 360
}

struct PhaseCase {
    int32_t NCYL;
    float PHI;
};

class PhaseOffsetTest : public ::testing::TestWithParam<PhaseCase> {};

// Cylinder j runs at PHI + (j-1)*720/NCYL: it sees what cylinder 1 sees that much later.
TEST_P(PhaseOffsetTest, CylinderJRunsAtItsFiringOffset) {
    const PhaseCase c = GetParam();
    auto s = example_after_set_up();
    s->NCYL = c.NCYL;
    s->FNCYL = static_cast<float>(c.NCYL);
    const float FIRE = 720.0f / s->FNCYL;
    s->PHI = c.PHI;
    for (int32_t j = 1; j <= c.NCYL; ++j) cylinder_kinematics(*s, j, FIRE);

    auto one = example_after_set_up();
    for (int32_t j = 1; j <= c.NCYL; ++j) {
        one->PHI = c.PHI + static_cast<float>(j - 1) * 720.0f / static_cast<float>(c.NCYL);
        cylinder_kinematics(*one, 1, 720.0f);
        EXPECT_FLOAT_EQ(s->THETA[j], one->THETA[1]) << "cylinder " << j;
        EXPECT_FLOAT_EQ(s->VOL[j], one->VOL[1]) << "cylinder " << j;
        EXPECT_NEAR(s->DVOL[j], one->DVOL[1], 1.0E-7f) << "cylinder " << j;
        EXPECT_FLOAT_EQ(s->ALINER[j], one->ALINER[1]) << "cylinder " << j;
    }
}

INSTANTIATE_TEST_SUITE_P(Kinematics, PhaseOffsetTest,
                         ::testing::Values(PhaseCase{4, 0.0f}, PhaseCase{4, 541.0f}, PhaseCase{4, 1000.0f},
                                           PhaseCase{3, 545.0f}, PhaseCase{6, 700.0f}, PhaseCase{12, 1259.0f}));

TEST(Kinematics, FourCylindersAtTopDeadCentreOfCylinderOne) {
    auto s = example_after_set_up();
    s->NCYL = 4;
    s->FNCYL = 4.0f;
    s->PHI = 0.0f;
    for (int32_t j = 1; j <= 4; ++j) cylinder_kinematics(*s, j, 180.0f);
    const float full = s->VC + s->STROKE * s->ABORE;
    // 0, 180, 360, 540 degrees: TDC, BDC, TDC, BDC.
    EXPECT_EQ(s->VOL[1], s->VC);
    EXPECT_FLOAT_EQ(s->VOL[2], full);
    EXPECT_NEAR(s->VOL[3], s->VC, 1.0E-6f * full);
    EXPECT_FLOAT_EQ(s->VOL[4], full);
    // only the slots of the four cylinders are written
    EXPECT_EQ(s->VOL[5], 0.0f);
    EXPECT_EQ(s->DVOL[5], 0.0f);
}

}  // namespace
}  // namespace diesel
