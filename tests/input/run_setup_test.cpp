#include "input/run_setup.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>

#include "driver/kinematics.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

using test_support::example_texts;
using test_support::read_state;

// The fixed-fuel example as read, before set-up.
std::unique_ptr<RunState> example_state() { return read_state(example_texts("c1_fixed")); }

struct IntakeAreaCase {
    float SPEED, FAINLS, FAIN, AIMAX;
    float expected;  // AIMAX after set-up [m2]
};

class IntakeAreaTest : public ::testing::TestWithParam<IntakeAreaCase> {};

TEST_P(IntakeAreaTest, LowSpeedCutAndFactorApplyOnce) {
    const IntakeAreaCase c = GetParam();
    auto s = example_state();
    s->SPEED = c.SPEED;
    s->FAINLS = c.FAINLS;
    s->FAIN = c.FAIN;
    s->AIMAX = c.AIMAX;
    set_up_run(*s);
    EXPECT_FLOAT_EQ(s->AIMAX, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    RunSetup, IntakeAreaTest,
    ::testing::Values(
        // 0.001 * 1.2 * (1000/1600)^2
        IntakeAreaCase{1000.0f, 1.2f, 1.0f, 0.001f, 4.6875E-4f},
        // the cut applies below 1600 rpm only, and FAINLS goes with it
        IntakeAreaCase{1600.0f, 1.2f, 1.0f, 0.001f, 0.001f},
        IntakeAreaCase{2000.0f, 1.2f, 1.0f, 0.001f, 0.001f},
        IntakeAreaCase{1599.0f, 1.0f, 1.0f, 0.001f, 0.001f * (1599.0f / 1600.0f) * (1599.0f / 1600.0f)},
        // FAIN scales at every speed, after the cut
        IntakeAreaCase{1000.0f, 1.2f, 0.5f, 0.001f, 2.34375E-4f},
        IntakeAreaCase{2000.0f, 1.2f, 0.8f, 0.001f, 8.0E-4f}));

TEST(RunSetup, ExhaustAreaTakesItsFactorButNoSpeedCut) {
    auto s = example_state();
    s->SPEED = 1000.0f;
    s->FAINLS = 1.2f;
    s->FAEX = 0.9f;
    s->AEMAX = 6.0E-4f;
    set_up_run(*s);
    EXPECT_FLOAT_EQ(s->AEMAX, 5.4E-4f);
}

TEST(RunSetup, ConvertsCoolantTemperatureAndCombustionAnglesInPlace) {
    auto s = example_state();
    s->TCOOL = 90.0f;
    s->SOC = 10.0f;
    s->DURC0 = 60.0f;
    set_up_run(*s);
    EXPECT_EQ(s->TCOOL, 363.0f);  // + 273, not 273.15
    EXPECT_FLOAT_EQ(s->SOC, 0.17453292f);
    EXPECT_FLOAT_EQ(s->DURC0, 1.0471975f);
}

struct FuelCase {
    int32_t MODE;
    float PETARG, FUEL, PIOFF, EQREX0;
    int32_t NCYL;
    float expectedQF;  // [10 mm3]
    float tolerance;
    int32_t expectedLOADC;
};

class FirstFuelTest : public ::testing::TestWithParam<FuelCase> {};

TEST_P(FirstFuelTest, FixedFuelOrEstimateFromTargetLoad) {
    const FuelCase c = GetParam();
    auto s = example_state();
    s->MODE = c.MODE;
    s->PETARG = c.PETARG;
    s->FUEL = c.FUEL;
    s->PIOFF = c.PIOFF;
    s->EQREX0 = c.EQREX0;
    s->NCYL = c.NCYL;
    s->BORE = 0.1f;
    s->STROKE = 0.1f;
    set_up_run(*s);
    EXPECT_NEAR(s->QF, c.expectedQF, c.tolerance);
    EXPECT_EQ(s->LOADC, c.expectedLOADC);
    // swept volume of all simulated cylinders
    EXPECT_FLOAT_EQ(s->VH, 7.853982E-4f * static_cast<float>(c.NCYL));
    EXPECT_EQ(s->FNCYL, static_cast<float>(c.NCYL));
}

INSTANTIATE_TEST_SUITE_P(
    RunSetup, FirstFuelTest,
    ::testing::Values(
        // fixed fuel: FUEL whatever the target
        FuelCase{2, 7.5f, 4.5f, 7.5f, 0.5f, 1, 4.5f, 0.0f, 0},
        FuelCase{2, 0.0f, 4.5f, 7.5f, 0.5f, 1, 4.5f, 0.0f, 0},
        FuelCase{2, 25.0f, 4.5f, 7.5f, 0.5f, 4, 4.5f, 0.0f, 0},
        // load controlled (any MODE but 2): 7.853982E-4*1.2*0.0676*0.5*100000/0.825
        FuelCase{0, 7.5f, 4.5f, 7.5f, 0.5f, 1, 3.8613f, 1.0E-4f, 1},
        FuelCase{1, 7.5f, 99.0f, 7.5f, 0.5f, 1, 3.8613f, 1.0E-4f, 1},
        FuelCase{3, 7.5f, 4.5f, 7.5f, 0.5f, 1, 3.8613f, 1.0E-4f, 1},
        // per cylinder: the estimate does not grow with the cylinder count
        FuelCase{0, 7.5f, 4.5f, 7.5f, 0.5f, 4, 3.8613f, 1.0E-4f, 1},
        // scaled by (PETARG + 2.5)/(PIOFF + 2.5) and by EQREX0
        FuelCase{0, 10.0f, 4.5f, 7.5f, 0.5f, 1, 3.8613f * 1.25f, 2.0E-4f, 1},
        FuelCase{0, 7.5f, 4.5f, 7.5f, 0.25f, 1, 3.8613f * 0.5f, 1.0E-4f, 1}));

struct IntakeClosingCase {
    float IVC;
    int32_t KIVC;
};

class IntakeClosingIndexTest : public ::testing::TestWithParam<IntakeClosingCase> {};

TEST_P(IntakeClosingIndexTest, TruncatesTowardZero) {
    auto s = example_state();
    s->IVC = GetParam().IVC;
    set_up_run(*s);
    EXPECT_EQ(s->KIVC, GetParam().KIVC);
}

INSTANTIATE_TEST_SUITE_P(RunSetup, IntakeClosingIndexTest,
                         ::testing::Values(IntakeClosingCase{580.0f, 40}, IntakeClosingCase{575.9f, 35},
                                           IntakeClosingCase{576.0f, 36},
                                           // -0.5 truncates to 0, not -1
                                           IntakeClosingCase{539.5f, 0}, IntakeClosingCase{1361.0f, 821}));

TEST(RunSetup, VolumeAtIntakeClosingAtBottomDeadCentreIsFullCylinder) {
    auto s = example_state();
    s->CONROD = 0.2f;
    s->STROKE = 0.1f;
    s->IVC = 540.0f;
    set_up_run(*s);
    EXPECT_FLOAT_EQ(s->VIVC, s->VC + s->ABORE * s->STROKE);
}

TEST(RunSetup, VolumeAtIntakeClosingMatchesCylinderKinematics) {
    for (const float ivc : {560.0f, 576.0f, 600.0f, 640.0f}) {
        auto s = example_state();
        s->IVC = ivc;
        set_up_run(*s);
        s->PHI = ivc;
        cylinder_kinematics(*s, 1, 720.0f);
        EXPECT_FLOAT_EQ(s->VIVC, s->VOL[1]) << "IVC " << ivc;
        EXPECT_GT(s->VIVC, s->VC);
    }
}

TEST(RunSetup, DerivedGeometryOfTheExample) {
    auto s = example_state();  // bore 0.1, stroke 0.1, conrod 0.16, CR 17, 2000 rpm
    set_up_run(*s);
    EXPECT_FLOAT_EQ(s->ABORE, 7.853981E-3f);
    EXPECT_FLOAT_EQ(s->VC, 7.853981E-4f / 16.0f);
    EXPECT_FLOAT_EQ(s->CMEAN, 0.1f * 2000.0f / 30.0f);
    EXPECT_FLOAT_EQ(s->OMEGA, 209.43950f);
    EXPECT_FLOAT_EQ(s->RADIUS, 0.05f);
    EXPECT_FLOAT_EQ(s->RADSQ, 0.0025f);
    EXPECT_FLOAT_EQ(s->CONSQ, 0.0256f);
    EXPECT_FLOAT_EQ(s->DPHIR, 0.2f);
}

TEST(RunSetup, GivesEveryRunControlVariableItsStartValue) {
    auto s = example_state();
    // Leftovers that set-up must overwrite.
    s->PHI = 77.0f;
    s->DPH = 0.1f;
    s->TIVC = 1.0f;
    s->ICYC = 5;
    s->ISTEP = 300;
    s->NSMALL = 4;
    s->CONV = 1.0f;
    s->FINAL = 1.0f;
    s->EXMASS = 3.0f;
    s->ANGST = 540.0f;
    s->DPHI = 1.0f;
    set_up_run(*s);
    EXPECT_EQ(s->PHI, 540.0f);
    EXPECT_EQ(s->DPH, 1.0f);
    EXPECT_EQ(s->TIVC, 340.0f);
    EXPECT_EQ(s->ICYC, 0);
    EXPECT_EQ(s->ISTEP, 0);
    EXPECT_EQ(s->NSMALL, 0);
    EXPECT_EQ(s->CONV, 0.0f);
    EXPECT_EQ(s->FINAL, 0.0f);
    EXPECT_EQ(s->EXMASS, 0.0f);
    EXPECT_EQ(s->DOUT, 0.044f);
    EXPECT_EQ(s->FOUT, 150.0f);
    EXPECT_EQ(s->KOUT, 4000.0f);
}

TEST(RunSetup, PiIsOneUnitInTheLastPlaceBelowTheNearestFloat) {
    auto s = example_state();
    set_up_run(*s);
    const float nearest = static_cast<float>(M_PI);
    EXPECT_EQ(s->PI, std::nextafter(nearest, 0.0f));
    EXPECT_EQ(s->PI, 3.1415925f);
}

TEST(RunSetup, WiebeFactorsOfSpeedAndIgnitionDelay) {
    auto s = example_state();
    s->SPEEDR = 2000.0f;
    s->SPEED = 1000.0f;
    s->MWIEB0 = 0.8f;
    s->TIDR = 7.3f;  // enters only as TIDR/TIDR
    set_up_run(*s);
    EXPECT_FLOAT_EQ(s->SPDF, 1.2311444f);  // 2^0.3
    EXPECT_FLOAT_EQ(s->MWF, 0.8f);
}

}  // namespace
}  // namespace diesel
