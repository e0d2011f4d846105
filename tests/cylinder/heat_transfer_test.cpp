// Wall heat transfer: the Woschni-type coefficient with its velocity terms,
// the series resistances to the coolant, and the exhaust-receiver wall loss.
#include "cylinder/heat_transfer.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "cylinder/gas_properties.hpp"
#include "driver/kinematics.hpp"
#include "input/run_setup.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

// The bundled fixed-fuel example after set-up, cylinder 1 at crank angle phi
// [deg] holding the example's start charge at temperature T [K], both valves
// shut and combustion not yet started.
std::unique_ptr<RunState> cylinder_at(float phi, float T) {
    auto s = test_support::read_state(test_support::example_texts("c1_fixed"));
    set_up_run(*s);
    s->PHI = phi;
    cylinder_kinematics(*s, 1, 720.0f);
    for (int32_t k = 1; k <= s->NZONE; ++k) {
        s->MASS[k] = s->MASS0[k];
        s->TEMP[k] = s->TEMP0[k];
        s->EQR[k] = s->EQR0[k];
    }
    s->TEMP[1] = T;
    gas_properties(*s);
    s->ASOC[1] = -1.0f;
    return s;
}

// Heat transfer of cylinder 1, formed both ways the program offers: from the
// per-pass constants and from the per-step constants the driver forms at the
// step head. The two must agree to the bit.
void transfer(RunState& s) {
    WallStepConstants step;
    wall_step_constants(s, step);
    cylinder_heat_transfer(s, 1, step);
    const float byStep[] = {s.HTC[1], s.HTCT[1], s.QHEAD[1], s.QPIST[1], s.QLINER[1], s.QWALL[1], s.CW1};
    cylinder_heat_transfer(s, 1, wall_pass_constants(s));
    const float byPass[] = {s.HTC[1], s.HTCT[1], s.QHEAD[1], s.QPIST[1], s.QLINER[1], s.QWALL[1], s.CW1};
    for (int32_t i = 0; i < 7; ++i) EXPECT_EQ(byStep[i], byPass[i]) << "result " << i;
}

// By valve state: no wall flow with the gas at the coolant temperature; the
// velocity coefficient, and the combustion-induced term, seen as a dependence
// on K3 while the cylinder pressure is above the motored pressure.
TEST(CylinderHeatTransfer, ByValveState) {
    const struct {
        const char* name;
        float AINL, AEXH;     // [m2]
        float ASOC;           // [rad]
        bool gasExchange;     // C1 of gas exchange (6.18 + 0.417 SWIRL)
        bool combustionTerm;  // K3 term active
    } cases[] = {
        {"closed before combustion", 0.0f, 0.0f, -0.1f, false, false},
        {"closed at start of combustion", 0.0f, 0.0f, 0.0f, false, true},
        {"intake open", 4.0e-4f, 0.0f, 3.0f, true, false},
        {"exhaust open", 0.0f, 4.0e-4f, 3.0f, true, false},
        {"overlap", 1.0e-4f, 1.0e-4f, 6.0f, true, false},
    };
    for (const auto& v : cases) {
        for (const float T : {363.0f, 1500.0f}) {  // TCOOL 90 degC; burning 10 degrees after TDC
            auto s = cylinder_at(T == 363.0f ? 400.0f : 370.0f, T);
            s->AINL[1] = v.AINL;
            s->AEXH[1] = v.AEXH;
            s->ASOC[1] = v.ASOC;
            transfer(*s);
            if (T == 363.0f) {
                ASSERT_EQ(s->TEMP[1], s->TCOOL);
                EXPECT_GT(s->HTC[1], 0.0f) << v.name;
                EXPECT_EQ(s->QHEAD[1], 0.0f) << v.name;
                EXPECT_EQ(s->QPIST[1], 0.0f) << v.name;
                EXPECT_EQ(s->QLINER[1], 0.0f) << v.name;
                EXPECT_EQ(s->QWALL[1], 0.0f) << v.name;
                EXPECT_FLOAT_EQ(s->HTCT[1], -s->HTC[1] * 363.0f) << v.name;
                continue;
            }
            ASSERT_GT(s->PRES[1], 1.5f * s->PIVC * std::pow(s->VIVC / s->VOL[1], s->PEXP));
            EXPECT_FLOAT_EQ(s->CW1, v.gasExchange ? 6.18f + 0.417f * s->SWIRL : 2.28f + 0.308f * s->SWIRL) << v.name;
            const float htc = s->HTC[1];
            s->K3 = 10.0f * s->K3;
            transfer(*s);
            EXPECT_EQ(s->HTC[1] > 1.5f * htc, v.combustionTerm) << v.name;
            EXPECT_EQ(s->HTC[1] == htc, !v.combustionTerm) << v.name;
        }
    }
}

TEST(CylinderHeatTransfer, WallFlows) {
    // No liner is exposed at TDC.
    auto tdc = cylinder_at(0.0f, 900.0f);
    transfer(*tdc);
    EXPECT_EQ(tdc->QLINER[1], 0.0f);
    EXPECT_LT(tdc->QHEAD[1], 0.0f);
    EXPECT_LT(tdc->QPIST[1], 0.0f);
    EXPECT_EQ(tdc->QWALL[1], tdc->QHEAD[1] + tdc->QPIST[1]);
    // Cold gas gains heat.
    auto cold = cylinder_at(180.0f, 300.0f);
    transfer(*cold);
    EXPECT_GT(cold->QLINER[1], 0.0f);
    EXPECT_GT(cold->QWALL[1], 0.0f);
    // Head and piston add their wall conduction to the films, the liner does not:
    // the liner loses most per area [W/m2]. Without walls and with a perfect
    // coolant film only the gas film remains.
    auto s = cylinder_at(180.0f, 900.0f);
    transfer(*s);
    EXPECT_LT(s->QLINER[1] / s->ALINER[1], s->QHEAD[1] / s->AHEAD);
    s->SHEAD = s->SPIST = 0.0f;
    s->HCOOL = 1.0e30f;
    transfer(*s);
    EXPECT_FLOAT_EQ(s->QHEAD[1] / s->AHEAD, s->QLINER[1] / s->ALINER[1]);
    EXPECT_FLOAT_EQ(s->QPIST[1] / s->APIST, -s->HTC[1] * (900.0f - s->TCOOL));
}

TEST(ExhaustReceiverWall, LossTowards293K) {
    auto s = cylinder_at(0.0f, 900.0f);
    const int32_t e = s->NCYL + 2;
    s->TEMP[e] = 150.0f;
    exhaust_receiver_wall_coefficient(*s);
    EXPECT_FLOAT_EQ(s->HTCER, 9.54f);
    // The coefficient is formed once per step; the passes use the current temperature.
    const float htcer = s->HTCER;
    for (const float T : {250.0f, 293.0f, 700.0f}) {
        s->TEMP[e] = T;
        exhaust_receiver_wall_loss(*s);
        EXPECT_EQ(s->HTCER, htcer);
        EXPECT_FLOAT_EQ(s->QER, -(T - 293.0f) * s->AER * htcer) << "receiver at " << T << " K";
    }
}

}  // namespace
}  // namespace diesel
