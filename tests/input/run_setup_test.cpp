#include "input/run_setup.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>

#include "driver/kinematics.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

// The fixed-fuel example as read, before set-up: bore 0.1, stroke 0.1,
// conrod 0.16, CR 17, 2000 rpm.
std::unique_ptr<RunState> example_state() {
    return test_support::read_state(test_support::example_texts("c1_fixed"));
}

// The intake area is cut below 1600 rpm, FAINLS going with the cut, and both
// areas take their factor at every speed.
TEST(RunSetup, ValveAreasTakeTheLowSpeedCutAndTheirFactors) {
    const struct {
        float SPEED, FAIN, AIMAX;
    } cases[] = {
        {1000.0f, 1.0f, 4.6875E-4f},  // 0.001 * 1.2 * (1000/1600)^2
        {1600.0f, 1.0f, 0.001f},
        {1000.0f, 0.5f, 2.34375E-4f},
        {2000.0f, 0.8f, 8.0E-4f},
    };
    for (const auto& c : cases) {
        auto s = example_state();
        s->SPEED = c.SPEED;
        s->FAINLS = 1.2f;
        s->FAIN = c.FAIN;
        s->AIMAX = 0.001f;
        s->FAEX = 0.9f;
        s->AEMAX = 6.0E-4f;
        set_up_run(*s);
        EXPECT_FLOAT_EQ(s->AIMAX, c.AIMAX) << c.SPEED << " rpm, FAIN " << c.FAIN;
        EXPECT_FLOAT_EQ(s->AEMAX, 5.4E-4f) << c.SPEED << " rpm";
    }
}

// Fixed fuel (MODE 2) takes FUEL; any other MODE estimates it per cylinder
// from the target load: 7.853982E-4*1.2*0.0676*0.5*100000/0.825 at 7.5 bar,
// scaled by (PETARG + 2.5)/(PIOFF + 2.5) and by EQREX0.
TEST(RunSetup, FirstFuelFixedOrEstimatedFromTheTargetLoad) {
    const struct {
        int32_t MODE;
        float PETARG, FUEL, EQREX0;
        int32_t NCYL;
        float QF;  // [10 mm3]
    } cases[] = {
        {2, 7.5f, 4.5f, 0.5f, 1, 4.5f},          {2, 25.0f, 4.5f, 0.5f, 4, 4.5f},
        {0, 7.5f, 4.5f, 0.5f, 1, 3.8613f},       {1, 7.5f, 99.0f, 0.5f, 1, 3.8613f},
        {0, 7.5f, 4.5f, 0.5f, 4, 3.8613f},       {0, 10.0f, 4.5f, 0.5f, 1, 3.8613f * 1.25f},
        {0, 7.5f, 4.5f, 0.25f, 1, 3.8613f * 0.5f},
    };
    for (const auto& c : cases) {
        auto s = example_state();
        s->MODE = c.MODE;
        s->PETARG = c.PETARG;
        s->FUEL = c.FUEL;
        s->PIOFF = 7.5f;
        s->EQREX0 = c.EQREX0;
        s->NCYL = c.NCYL;
        set_up_run(*s);
        EXPECT_NEAR(s->QF, c.QF, 2.0E-4f) << "MODE " << c.MODE << " PETARG " << c.PETARG << " NCYL " << c.NCYL;
        EXPECT_EQ(s->LOADC, c.MODE == 2 ? 0 : 1);
        EXPECT_FLOAT_EQ(s->VH, 7.853982E-4f * static_cast<float>(c.NCYL));  // all simulated cylinders
    }
}

TEST(RunSetup, IntakeClosingIndexTruncatesTowardZero) {
    for (const auto& [ivc, kivc] : {std::pair{580.0f, 40}, {575.9f, 35}, {539.5f, 0}, {1361.0f, 821}}) {
        auto s = example_state();
        s->IVC = ivc;
        set_up_run(*s);
        EXPECT_EQ(s->KIVC, kivc) << "IVC " << ivc;
    }
}

TEST(RunSetup, VolumeAtIntakeClosingMatchesCylinderKinematics) {
    for (const float ivc : {540.0f, 576.0f, 640.0f}) {
        auto s = example_state();
        s->IVC = ivc;
        set_up_run(*s);
        if (ivc == 540.0f) {
            EXPECT_FLOAT_EQ(s->VIVC, s->VC + s->ABORE * s->STROKE);  // BDC: the full cylinder
        }
        s->PHI = ivc;
        cylinder_kinematics(*s, 1, 720.0f);
        EXPECT_FLOAT_EQ(s->VIVC, s->VOL[1]) << "IVC " << ivc;
    }
}

TEST(RunSetup, DerivedFiguresAndStartValuesOfTheExample) {
    auto s = example_state();
    // Leftovers that set-up must overwrite.
    s->PHI = s->TIVC = s->CONV = s->FINAL = s->EXMASS = 77.0f;
    s->DPH = 0.1f;
    s->ICYC = s->ISTEP = s->NSMALL = 5;
    s->SOC = 10.0f;
    set_up_run(*s);
    EXPECT_EQ(s->TCOOL, 363.0f);  // 90 + 273, not 273.15
    EXPECT_FLOAT_EQ(s->SOC, 0.17453292f);
    EXPECT_FLOAT_EQ(s->DURC0, 1.3089969f);  // 75 deg
    EXPECT_FLOAT_EQ(s->ABORE, 7.853981E-3f);
    EXPECT_FLOAT_EQ(s->VC, 7.853981E-4f / 16.0f);
    EXPECT_FLOAT_EQ(s->CMEAN, 6.6666667f);
    EXPECT_FLOAT_EQ(s->OMEGA, 209.43950f);
    EXPECT_FLOAT_EQ(s->RADSQ, 0.0025f);
    EXPECT_FLOAT_EQ(s->CONSQ, 0.0256f);
    EXPECT_FLOAT_EQ(s->DPHIR, 0.2f);
    EXPECT_EQ(s->PHI, 540.0f);  // ANGST
    EXPECT_EQ(s->DPH, 1.0f);    // DPHI
    EXPECT_EQ(s->TIVC, 340.0f);
    for (const int32_t v : {s->ICYC, s->ISTEP, s->NSMALL}) EXPECT_EQ(v, 0);
    for (const float v : {s->CONV, s->FINAL, s->EXMASS}) EXPECT_EQ(v, 0.0f);
    // One unit in the last place below the float nearest to pi.
    EXPECT_EQ(s->PI, std::nextafter(static_cast<float>(M_PI), 0.0f));
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
