#include "driver/kinematics.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <utility>

#include "input/run_setup.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

// The fixed-fuel example after set-up: bore 0.1 m, stroke 0.1 m, conrod 0.16 m, CR 17.
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

TEST(Kinematics, DeadCentres) {
    auto s = example_after_set_up();
    const float swept = s->STROKE * s->ABORE;
    s->PHI = 0.0f;
    cylinder_kinematics(*s, 1, 720.0f);
    EXPECT_EQ(s->VOL[1], s->VC);
    EXPECT_EQ(s->DVOL[1], 0.0f);
    EXPECT_EQ(s->ALINER[1], 0.0f);
    // PI is not exactly pi, so the dead centres away from 0 are exact only to rounding.
    for (const float phi : {180.0f, 360.0f, 540.0f, 720.0f, 1080.0f, 1260.0f}) {
        const bool bdc = std::fmod(phi, 360.0f) == 180.0f;
        s->PHI = phi;
        cylinder_kinematics(*s, 1, 720.0f);
        EXPECT_NEAR(s->VOL[1], s->VC + (bdc ? swept : 0.0f), 1.0E-6f * swept) << phi;
        EXPECT_NEAR(s->DVOL[1], 0.0f, 1.0E-5f * swept) << phi;
        EXPECT_NEAR(s->ALINER[1], bdc ? s->PI * s->BORE * s->STROKE : 0.0f, 1.0E-6f) << phi;
    }
}

TEST(Kinematics, VolumeRateIsTheCentralDifferenceOfTheSliderCrank) {
    auto s = example_after_set_up();
    const double swept = static_cast<double>(s->STROKE) * s->ABORE;
    const double h = 1.0E-4;  // [rad]
    for (float phi = 540.0f; phi < 1260.0f; phi += 7.0f) {
        s->PHI = phi;
        cylinder_kinematics(*s, 1, 720.0f);
        const double t = s->THETA[1];
        EXPECT_NEAR(t, phi * M_PI / 180.0, 1.0E-6 * phi) << phi;
        const double v = volume(*s, t);
        EXPECT_NEAR(s->VOL[1], v, 1.0E-6 * swept) << "VOL at " << phi;
        // DVOL is dV per radian of crank angle, whatever the speed.
        const double dv = (volume(*s, t + h) - volume(*s, t - h)) / (2.0 * h);
        EXPECT_NEAR(s->DVOL[1], dv, 1.0E-4 * std::fabs(dv) + 1.0E-6 * swept) << "DVOL at " << phi;
        const double x = (v - s->VC) / (M_PI * s->BORE * s->BORE / 4.0);  // piston travel [m]
        EXPECT_NEAR(s->ALINER[1], M_PI * s->BORE * x, 1.0E-5 * M_PI * s->BORE * s->STROKE) << "ALINER at " << phi;
    }
}

// Cylinder j runs at PHI + (j-1)*720/NCYL: it sees what cylinder 1 sees that
// much later (NCYL 4 at PHI 0: TDC, BDC, TDC, BDC).
TEST(Kinematics, CylinderJRunsAtItsFiringOffset) {
    for (const auto& [NCYL, PHI] : {std::pair{4, 0.0f}, {4, 1000.0f}, {3, 545.0f}, {12, 1259.0f}}) {
        auto s = example_after_set_up();
        s->NCYL = NCYL;
        s->FNCYL = static_cast<float>(NCYL);
        s->PHI = PHI;
        for (int32_t j = 1; j <= NCYL; ++j) cylinder_kinematics(*s, j, 720.0f / s->FNCYL);
        EXPECT_EQ(s->VOL[NCYL + 1], 0.0f);  // only the cylinders' slots are written
        auto one = example_after_set_up();
        for (int32_t j = 1; j <= NCYL; ++j) {
            one->PHI = PHI + static_cast<float>(j - 1) * 720.0f / static_cast<float>(NCYL);
            cylinder_kinematics(*one, 1, 720.0f);
            EXPECT_FLOAT_EQ(s->THETA[j], one->THETA[1]) << "NCYL " << NCYL << ", cylinder " << j;
            EXPECT_FLOAT_EQ(s->VOL[j], one->VOL[1]) << "NCYL " << NCYL << ", cylinder " << j;
            EXPECT_NEAR(s->DVOL[j], one->DVOL[1], 1.0E-7f) << "NCYL " << NCYL << ", cylinder " << j;
            EXPECT_FLOAT_EQ(s->ALINER[j], one->ALINER[1]) << "NCYL " << NCYL << ", cylinder " << j;
        }
    }
}

}  // namespace
}  // namespace diesel
