// Wall heat transfer: the Woschni-type coefficient with its velocity terms,
// the series resistances to the coolant, and the exhaust-receiver wall loss.
#include "cylinder/heat_transfer.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <ostream>

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
    s->AINL[1] = 0.0f;
    s->AEXH[1] = 0.0f;
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

struct ValveState {
    const char* name;
    float AINL;  // [m2]
    float AEXH;  // [m2]
    float ASOC;  // [rad]
};

std::ostream& operator<<(std::ostream& os, const ValveState& v) { return os << v.name; }

const ValveState kValveStates[] = {
    {"closed before combustion", 0.0f, 0.0f, -0.1f}, {"closed during combustion", 0.0f, 0.0f, 0.2f},
    {"intake open", 4.0e-4f, 0.0f, 3.0f},            {"exhaust open", 0.0f, 4.0e-4f, 3.0f},
    {"overlap", 1.0e-4f, 1.0e-4f, 6.0f},
};

class NoFlowAtCoolantTemperature : public ::testing::TestWithParam<ValveState> {};

TEST_P(NoFlowAtCoolantTemperature, AllThreeWallsAreZero) {
    const ValveState v = GetParam();
    auto s = cylinder_at(400.0f, 363.0f);
    ASSERT_EQ(s->TEMP[1], s->TCOOL);  // 90 degC
    s->AINL[1] = v.AINL;
    s->AEXH[1] = v.AEXH;
    s->ASOC[1] = v.ASOC;
    transfer(*s);
    EXPECT_GT(s->HTC[1], 0.0f);
    EXPECT_EQ(s->QHEAD[1], 0.0f);
    EXPECT_EQ(s->QPIST[1], 0.0f);
    EXPECT_EQ(s->QLINER[1], 0.0f);
    EXPECT_EQ(s->QWALL[1], 0.0f);
    EXPECT_FLOAT_EQ(s->HTCT[1], -s->HTC[1] * 363.0f);
}

INSTANTIATE_TEST_SUITE_P(Valves, NoFlowAtCoolantTemperature, ::testing::ValuesIn(kValveStates));

TEST(CylinderHeatTransfer, NoLinerFlowAtTopDeadCentre) {
    auto tdc = cylinder_at(0.0f, 900.0f);
    transfer(*tdc);
    EXPECT_EQ(tdc->ALINER[1], 0.0f);
    EXPECT_EQ(tdc->QLINER[1], 0.0f);
    EXPECT_LT(tdc->QHEAD[1], 0.0f);
    EXPECT_LT(tdc->QPIST[1], 0.0f);
    EXPECT_EQ(tdc->QWALL[1], tdc->QHEAD[1] + tdc->QPIST[1]);

    // At bottom dead centre the whole stroke of liner is exposed and hot gas loses heat to it.
    auto bdc = cylinder_at(180.0f, 900.0f);
    transfer(*bdc);
    EXPECT_NEAR(bdc->ALINER[1], 3.1415925f * bdc->BORE * bdc->STROKE, 1e-6f);
    EXPECT_LT(bdc->QLINER[1], 0.0f);
    // Cold gas gains heat.
    auto cold = cylinder_at(180.0f, 300.0f);
    transfer(*cold);
    EXPECT_GT(cold->QWALL[1], 0.0f);
}

// The velocity coefficient and the combustion-induced term by valve state and
// combustion phase. The combustion term is seen as a dependence on K3 while the
// cylinder pressure is above the motored pressure.
struct Selection {
    ValveState v;
    bool gasExchange;      // C1 of gas exchange (6.18 + 0.417 SWIRL)
    bool combustionTerm;   // K3 term active
};

std::ostream& operator<<(std::ostream& os, const Selection& c) { return os << c.v.name; }

class CoefficientSelection : public ::testing::TestWithParam<Selection> {};

TEST_P(CoefficientSelection, VelocityTerms) {
    const Selection c = GetParam();
    auto s = cylinder_at(370.0f, 1500.0f);  // 10 degrees after TDC, burning
    s->AINL[1] = c.v.AINL;
    s->AEXH[1] = c.v.AEXH;
    s->ASOC[1] = c.v.ASOC;
    const float PMOT = s->PIVC * std::pow(s->VIVC / s->VOL[1], s->PEXP);
    ASSERT_GT(s->PRES[1], 1.5f * PMOT);
    transfer(*s);
    const float expectedC1 = c.gasExchange ? 6.18f + 0.417f * s->SWIRL : 2.28f + 0.308f * s->SWIRL;
    EXPECT_FLOAT_EQ(s->CW1, expectedC1);
    const float htc = s->HTC[1];
    s->K3 = 10.0f * s->K3;
    transfer(*s);
    if (c.combustionTerm) {
        EXPECT_GT(s->HTC[1], 1.5f * htc);
    } else {
        EXPECT_EQ(s->HTC[1], htc);
    }
}

INSTANTIATE_TEST_SUITE_P(Valves, CoefficientSelection,
                         ::testing::Values(Selection{kValveStates[0], false, false},
                                           Selection{kValveStates[1], false, true},
                                           Selection{{"closed at start of combustion", 0.0f, 0.0f, 0.0f}, false, true},
                                           Selection{kValveStates[2], true, false},
                                           Selection{kValveStates[3], true, false},
                                           Selection{kValveStates[4], true, false}));

// HTC ~ w^0.8 p^0.8 BORE^-0.2 T^-0.53 at a fixed velocity coefficient.
struct Scaling {
    const char* name;
    void (*doubleIt)(RunState&);
    float exponent;
};

std::ostream& operator<<(std::ostream& os, const Scaling& c) { return os << c.name; }

class CoefficientScaling : public ::testing::TestWithParam<Scaling> {};

TEST_P(CoefficientScaling, PowerLaw) {
    const Scaling c = GetParam();
    auto s = cylinder_at(600.0f, 800.0f);
    s->AINL[1] = 4.0e-4f;  // gas exchange: no pressure-rise term, w = CMEAN C1
    transfer(*s);
    const float htc = s->HTC[1];
    c.doubleIt(*s);
    transfer(*s);
    EXPECT_NEAR(s->HTC[1] / htc, std::pow(2.0f, c.exponent), 1e-5f);
}

INSTANTIATE_TEST_SUITE_P(Quantities, CoefficientScaling,
                         ::testing::Values(Scaling{"pressure", [](RunState& s) { s.PRES[1] *= 2.0f; }, 0.8f},
                                           Scaling{"temperature", [](RunState& s) { s.TEMP[1] *= 2.0f; }, -0.53f},
                                           Scaling{"velocity", [](RunState& s) { s.CMEAN *= 2.0f; }, 0.8f},
                                           Scaling{"bore", [](RunState& s) { s.BORE *= 2.0f; }, -0.2f},
                                           Scaling{"constant", [](RunState& s) { s.CWOS *= 2.0f; }, 1.0f}));

TEST(CylinderHeatTransfer, WallResistancesInSeries) {
    auto s = cylinder_at(180.0f, 900.0f);
    transfer(*s);
    // Head and piston add their wall conduction to the films; the liner does not.
    const float liner = s->QLINER[1] / s->ALINER[1];  // [W/m2]
    const float head = s->QHEAD[1] / s->AHEAD;
    const float piston = s->QPIST[1] / s->APIST;
    EXPECT_LT(liner, head);
    EXPECT_LT(head, 0.0f);
    EXPECT_LT(piston, 0.0f);

    // Without walls and with a perfect coolant film only the gas film remains.
    s->SHEAD = 0.0f;
    s->SPIST = 0.0f;
    s->HCOOL = 1.0e30f;
    transfer(*s);
    const float gasFilm = -s->HTC[1] * (900.0f - s->TCOOL);
    EXPECT_FLOAT_EQ(s->QHEAD[1] / s->AHEAD, gasFilm);
    EXPECT_FLOAT_EQ(s->QPIST[1] / s->APIST, gasFilm);
    EXPECT_FLOAT_EQ(s->QLINER[1] / s->ALINER[1], gasFilm);
}

TEST(ExhaustReceiverWall, LossTowards293K) {
    auto s = cylinder_at(0.0f, 900.0f);
    const int32_t e = s->NCYL + 2;
    s->TEMP[e] = 150.0f;
    exhaust_receiver_wall_coefficient(*s);
    EXPECT_FLOAT_EQ(s->HTCER, 9.54f);

    struct Case {
        float T;     // receiver temperature in the pass [K]
        int32_t sign;  // expected sign of QER
    };
    for (const Case c : {Case{250.0f, 1}, Case{293.0f, 0}, Case{700.0f, -1}}) {
        s->TEMP[e] = c.T;
        exhaust_receiver_wall_loss(*s);
        const int32_t sign = (s->QER > 0.0f) - (s->QER < 0.0f);
        EXPECT_EQ(sign, c.sign) << "receiver at " << c.T << " K";
    }

    // The coefficient is formed once per step; the passes use the current temperature.
    s->TEMP[e] = 700.0f;
    exhaust_receiver_wall_coefficient(*s);
    const float htcer = s->HTCER;
    s->TEMP[e] = 600.0f;
    exhaust_receiver_wall_loss(*s);
    EXPECT_EQ(s->HTCER, htcer);
    EXPECT_FLOAT_EQ(s->QER, -(600.0f - 293.0f) * s->AER * htcer);
}

}  // namespace
}  // namespace diesel
