// Zone balances and the corrector update: conservation of mass, energy and
// composition in every valve state, the receivers, the trapezoidal update and
// its convergence flag.
#include "cylinder/zone_balances.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "cylinder/combustion.hpp"
#include "cylinder/gas_properties.hpp"
#include "cylinder/heat_transfer.hpp"
#include "driver/crank_step.hpp"
#include "driver/kinematics.hpp"
#include "input/run_setup.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

// The bundled fixed-fuel example after set-up, every zone at its start state
// with zero start-of-step derivatives.
std::unique_ptr<RunState> example_state() {
    auto s = test_support::read_state(test_support::example_texts("c1_fixed"));
    set_up_run(*s);
    for (int32_t k = 1; k <= s->NZONE; ++k) {
        s->MASS[k] = s->MASS0[k];
        s->TEMP[k] = s->TEMP0[k];
        s->EQR[k] = s->EQR0[k];
    }
    return s;
}

// One accepted crank step of an engine whose valves stay shut and whose
// receivers exchange nothing with the surroundings: every flow and the
// cylinder's wall heat stay at zero; the exhaust receiver keeps its wall loss.
void shut_engine_step(RunState& s, bool fired) {
    s.PHI = s.PHI + s.DPH;
    combustion_duration(s);
    exhaust_receiver_wall_coefficient(s);
    cylinder_kinematics(s, 1, 720.0f);
    burn_rate(s, 1);
    if (!fired) s.DMF[1] = 0.0f;
    predictor(s);
    for (s.ITER = 0; s.ITER < 30; ++s.ITER) {
        gas_properties(s);
        exhaust_receiver_wall_loss(s);
        cylinder_balances(s);
        intake_receiver_balance(s);
        exhaust_receiver_balance(s);
        corrector_update(s);
        if (s.CONVFLAG < 1.0f) break;
    }
    ASSERT_LT(s.CONVFLAG, 1.0f) << "step to " << s.PHI << " deg did not converge";
    s.ISTEP = s.ISTEP + 1;
    end_of_step_copy(s);
}

TEST(ShutEngine, AdiabaticCompressionAndExpansionIsReversible) {
    auto s = example_state();
    ASSERT_EQ(s->ANGST, 540.0f);  // bottom dead centre before firing TDC
    const int32_t in = s->NCYL + 1;
    const int32_t e = s->NCYL + 2;
    const auto start = std::make_unique<RunState>(*s);
    float peak = 0.0f;
    for (int32_t i = 0; i < 360; ++i) {
        shut_engine_step(*s, false);
        peak = std::fmax(peak, s->TEMP0[1]);
    }
    EXPECT_EQ(s->PHI, 900.0f);
    EXPECT_EQ(s->MASS0[1], start->MASS0[1]);
    EXPECT_EQ(s->EQR0[1], start->EQR0[1]);
    // Compression 17:1 heats the charge by a factor of about 17^0.37.
    EXPECT_GT(peak, 2.5f * start->TEMP0[1]);
    EXPECT_LT(peak, 3.2f * start->TEMP0[1]);
    EXPECT_NEAR(s->TEMP0[1], start->TEMP0[1], 0.05f);
    // The shut receivers keep their gas; the exhaust receiver cools towards its 293 K wall.
    EXPECT_EQ(s->MASS0[in], start->MASS0[in]);
    EXPECT_EQ(s->TEMP0[in], start->TEMP0[in]);
    EXPECT_EQ(s->MASS0[e], start->MASS0[e]);
    EXPECT_EQ(s->EQR0[e], start->EQR0[e]);
    EXPECT_LT(s->TEMP0[e], start->TEMP0[e] - 2.0f);
    EXPECT_GT(s->TEMP0[e], 293.0f);
}

TEST(ShutEngine, FiredCylinderConservesEnergyAndComposition) {
    auto s = example_state();
    s->PIVC = s->PREFM;
    s->TIVC = s->TREFM;
    wiebe_exponent(*s);
    cylinder_kinematics(*s, 1, 720.0f);
    gas_properties(*s);
    const float M0 = s->MASS0[1];
    const double E0 = static_cast<double>(M0) * s->UGAS[1];  // internal energy [J]
    const double air = static_cast<double>(M0) / s->XMIX[1];  // air mass, unchanged by burning [kg]
    const double fuel0 = air * 0.0676 * s->EQR0[1];          // burnt fuel at the start [kg]
    double work = 0.0;                                        // done by the gas [J]
    float p = s->PRES[1];
    float V = s->VOL[1];
    for (int32_t i = 0; i < 720; ++i) {
        shut_engine_step(*s, true);
        gas_properties(*s);  // pressure and energy of the accepted state
        work += 0.5 * (static_cast<double>(p) + s->PRES[1]) * (static_cast<double>(s->VOL[1]) - V);
        p = s->PRES[1];
        V = s->VOL[1];
    }
    const double burnt = static_cast<double>(s->MASS0[1]) - M0;
    const double fuel = s->QF * 0.825 / 100000.0;
    EXPECT_NEAR(burnt, (1.0 - std::exp(-6.9)) * fuel, 0.002 * fuel);
    // The mass gained is fuel: the equivalence ratio counts it against the same air.
    EXPECT_NEAR(s->EQR0[1], (fuel0 + burnt) / (0.0676 * air), 1e-4);
    // d(M u) = 43 MJ/kg dm - p dV: the heating value less the burnt-gas energy
    // offset of u is what the gas gains.
    const double gained = static_cast<double>(s->MASS0[1]) * s->UGAS[1] - E0;
    const double released = 43.0e6 * burnt;
    EXPECT_NEAR(gained, released - work, 0.001 * released);
    EXPECT_GT(work, 0.3 * released);
}

// ---- Cylinder balances by valve state ---------------------------------------

// Cylinder 1 of the example at 600 K in a fixed volume, no wall heat.
std::unique_ptr<RunState> cylinder_with_flows() {
    auto s = example_state();
    s->TEMP[1] = 600.0f;
    s->EQR[1] = 0.3f;
    s->PHI = 600.0f;
    cylinder_kinematics(*s, 1, 720.0f);
    s->DVOL[1] = 0.0f;
    s->QWALL[1] = 0.0f;
    s->DMF[1] = 0.0f;
    gas_properties(*s);
    return s;
}

// The valve state decides which flows count: stale flows of an earlier step
// must not count through a shut valve, nor fuel while a valve is open. EQR is
// compared with mixing a small mass in or out (exhaust backflow brings the
// receiver's gas, outflow takes the cylinder's own, fuel burns only while shut).
TEST(CylinderBalance, ValveStateDecidesFlowsAndComposition) {
    const struct {
        const char* name;
        float AINL, AEXH;          // [m2]
        float DMINL, DMEXH, DMF;   // [kg/rad]; DMEXH positive out of the cylinder
        float DMASSN;              // expected [kg/rad]
        int32_t heats;             // expected sign of DTEMPN, 0: isentropic outflow
    } cases[] = {
        {"exhaust only", 0.0f, 3.0e-4f, 5.0e-5f, 2.0e-5f, 1.0e-6f, -2.0e-5f, 0},
        {"closed", 0.0f, 0.0f, 1.0e-5f, 1.0e-5f, 2.0e-6f, 2.0e-6f, 1},
        {"intake only", 3.0e-4f, 0.0f, 2.0e-5f, 0.0f, 1.0e-6f, 2.0e-5f, -1},
        {"overlap backflow", 1.0e-4f, 1.0e-4f, 0.0f, -1.0e-5f, 1.0e-6f, 1.0e-5f, 1},
    };
    for (const auto& c : cases) {
        auto s = cylinder_with_flows();
        const int32_t e = s->NCYL + 2;
        s->EQR[e] = 0.6f;  // richer than the cylinder
        gas_properties(*s);
        s->AINL[1] = c.AINL;
        s->AEXH[1] = c.AEXH;
        s->DMINL[1] = c.DMINL;
        s->DHINL[1] = HAIR * c.DMINL;
        s->DMEXH[1] = c.DMEXH;
        const int32_t up = c.DMEXH < 0.0f ? e : 1;
        s->DHEXH[1] = (s->RGAS[up] * s->TEMP[up] + s->UGAS[up]) * c.DMEXH;
        s->DMF[1] = c.DMF;
        cylinder_balances(*s);
        EXPECT_EQ(s->DMASSN[1], c.DMASSN) << c.name;

        const double d = 1.0e-3;  // [rad]
        const double X = s->XMIX[1];
        double air = s->MASS[1] / X;
        double fuel = air * 0.0676 * s->EQR[1];
        if (c.AINL > 0.0f) air += d * c.DMINL;
        const double out = c.AEXH > 0.0f ? d * c.DMEXH : 0.0;
        const double Xout = out > 0.0 ? X : static_cast<double>(s->XMIX[e]);
        air -= out / Xout;
        fuel -= out / Xout * 0.0676 * (out > 0.0 ? s->EQR[1] : s->EQR[e]);
        if (c.AINL == 0.0f && c.AEXH == 0.0f) fuel += d * c.DMF;
        const double expected = (fuel / (0.0676 * air) - s->EQR[1]) / d;
        EXPECT_NEAR(s->DEQRN[1], expected, 1e-3 * std::fabs(expected) + 1e-9) << c.name;

        if (c.heats == 0) {
            // The gas left behind expands isentropically: dT/T = (R/cv) dM/M.
            const float T = s->RGAS[1] * s->TEMP[1] / s->CVGAS[1] * s->DMASSN[1] / s->MASS[1];
            EXPECT_NEAR(s->DTEMPN[1], T, 1e-4f * std::fabs(T)) << c.name;
        } else {
            EXPECT_EQ(s->DTEMPN[1] > 0.0f ? 1 : -1, c.heats) << c.name;
        }
    }
}

// ---- Receivers ------------------------------------------------------------------

TEST(ExhaustReceiverBalance, FuelAndAirAreConserved) {
    const struct {
        float inflowEqr;  // EQR of the gas arriving from the cylinders
        float inflow;     // [kg/rad] through the exhaust valves
        float outflow;    // [kg/rad] through the outlet
    } cases[] = {{0.8f, 2.0e-5f, 0.0f}, {0.4f, 2.0e-5f, 1.0e-5f}, {0.0f, 1.0e-5f, -2.0e-5f}};
    for (const auto& c : cases) {
        auto s = example_state();
        const int32_t e = s->NCYL + 2;
        gas_properties(*s);
        const double Xin = 1.0 + 0.0676 * c.inflowEqr;
        s->SDMEXH = c.inflow;
        s->SFEX = static_cast<float>(0.0676 * c.inflowEqr / Xin) * c.inflow;
        s->SDHEXH = 1.0e6f * c.inflow;
        s->DMEXH[e] = c.outflow;
        s->DHEXH[e] = (s->RGAS[e] * s->TEMP[e] + s->UGAS[e]) * c.outflow;
        s->QER = 0.0f;
        exhaust_receiver_balance(*s);
        EXPECT_FLOAT_EQ(s->DMASSN[e], c.inflow - c.outflow);
        // Mix a small mass in and let a small mass out, then compare EQR.
        const double d = 1.0e-3;  // [rad]
        const double X = s->XMIX[e];
        const double air = s->MASS[e] / X - d * c.outflow / X + d * c.inflow / Xin;
        const double fuel = (s->MASS[e] / X - d * c.outflow / X) * 0.0676 * s->EQR[e] +
                            d * c.inflow / Xin * 0.0676 * c.inflowEqr;
        const double expected = (fuel / (0.0676 * air) - s->EQR[e]) / d;
        EXPECT_NEAR(s->DEQRN[e], expected, 1e-3 * std::fabs(expected) + 1e-6) << "inflow EQR " << c.inflowEqr;
    }
}

TEST(IntakeReceiverBalance, SuppliedAirAndDrawnCharge) {
    auto s = example_state();
    const int32_t in = s->NCYL + 1;
    gas_properties(*s);
    ASSERT_EQ(s->TEMP[in], 293.0f);
    // Air in from the surroundings, as much drawn out by the cylinders at the
    // receiver's own enthalpy: nothing changes.
    s->DMINL[in] = 3.0e-5f;
    s->SDMINL = 3.0e-5f;
    s->SDHINL = HAIR * 3.0e-5f;
    intake_receiver_balance(*s);
    EXPECT_EQ(s->DMASSN[in], 0.0f);
    EXPECT_EQ(s->DEQRN[in], 0.0f);
    EXPECT_NEAR(s->DTEMPN[in], 0.0f, 1e-3f);
    // Filling only: the flow work of the entering air heats the receiver gas.
    s->SDMINL = 0.0f;
    s->SDHINL = 0.0f;
    intake_receiver_balance(*s);
    EXPECT_EQ(s->DMASSN[in], 3.0e-5f);
    const float expected = s->RGAS[in] * 293.0f * 3.0e-5f / (s->MASS[in] * s->CVGAS[in]);
    EXPECT_NEAR(s->DTEMPN[in], expected, 1e-3f * expected);
}

// ---- Corrector update and convergence flag -------------------------------------

// The example's start state is at rest: every zone's start value equals its
// iterate and all derivatives are zero, so every pass reproduces the same state.
TEST(CorrectorUpdate, ConvergenceFlag) {
    enum Quantity { Eqr, Mass, Temp };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        const char* name;
        int32_t zone;  // 1 cylinder, 2 intake receiver, 3 exhaust receiver
        Quantity q;
        int32_t ITER;
        float prev;    // previous iterate
        float next;    // new iterate (the start-of-step value, derivatives 0)
        int32_t tol;   // 0: tolerance = |next - prev|; -1: one ulp below it; 1: example tolerance
        float flag;    // expected CONVFLAG
    } cases[] = {
        {"first pass never converges", 1, Mass, 0, 8.8e-4f, 8.8e-4f, 1, 100.0f},
        {"unchanged state converges", 1, Mass, 1, 8.8e-4f, 8.8e-4f, 1, 0.0f},
        {"cylinder mass at tolerance", 1, Mass, 1, 8.8e-4f, 8.9e-4f, 0, 0.0f},
        {"cylinder mass above tolerance", 1, Mass, 1, 8.8e-4f, 8.9e-4f, -1, 100.0f},
        {"cylinder temperature at tolerance", 1, Temp, 2, 330.0f, 329.5f, 0, 0.0f},
        {"cylinder temperature above tolerance", 1, Temp, 2, 330.0f, 329.5f, -1, 100.0f},
        {"cylinder EQR at tolerance", 1, Eqr, 3, 0.05f, 0.06f, 0, 0.0f},
        {"cylinder EQR above tolerance", 1, Eqr, 3, 0.05f, 0.06f, -1, 100.0f},
        {"exhaust mass above tolerance", 3, Mass, 1, 1.9e-3f, 1.8e-3f, -1, 100.0f},
        {"exhaust temperature above tolerance", 3, Temp, 1, 700.0f, 701.0f, 1, 100.0f},
        {"exhaust EQR above tolerance", 3, Eqr, 1, 0.4f, 0.41f, 1, 100.0f},
        {"intake receiver never tested (mass)", 2, Mass, 1, 4.7e-3f, 1.0e-3f, 1, 0.0f},
        {"intake receiver never tested (temperature)", 2, Temp, 1, 293.0f, 400.0f, 1, 0.0f},
        {"new cylinder temperature NaN", 1, Temp, 1, 330.0f, nan, 1, 0.0f},
        {"previous exhaust mass NaN", 3, Mass, 1, nan, 1.9e-3f, 1, 0.0f},
        {"NaN in the first pass", 1, Eqr, 0, nan, 0.05f, 1, 100.0f},
    };
    for (const auto& c : cases) {
        auto s = example_state();
        s->ITER = c.ITER;
        float* start[] = {s->EQR0, s->MASS0, s->TEMP0};
        float* iterate[] = {s->EQR, s->MASS, s->TEMP};
        float* tolerance[] = {&s->TOLEQR, &s->TOLM, &s->TOLT};
        start[c.q][c.zone] = c.next;
        iterate[c.q][c.zone] = c.prev;
        const float diff = std::fabs(c.next - c.prev);
        if (c.tol == 0) *tolerance[c.q] = diff;
        if (c.tol == -1) *tolerance[c.q] = std::nextafter(diff, 0.0f);
        corrector_update(*s);
        EXPECT_EQ(s->CONVFLAG, c.flag) << c.name;
        // The new iterate is stored whatever the flag says.
        const float stored = iterate[c.q][c.zone];
        EXPECT_TRUE(stored == c.next || (std::isnan(stored) && std::isnan(c.next))) << c.name;
    }
}

TEST(CorrectorUpdate, ImplicitEulerUntilTheFirstRecord) {
    const struct {
        int32_t ISTEP;
        float DMASS;  // start-of-step derivative afterwards [kg/rad]
        float slope;  // (MASSN - MASS0)/h [kg/rad]
    } cases[] = {{0, 2.0e-5f, 4.0e-5f}, {-3, 2.0e-5f, 4.0e-5f}, {1, 6.0e-5f, 8.0e-5f}};
    const float h = 0.5f * 3.1415925f / 180.0f;  // half a one-degree step [rad]
    for (const auto& c : cases) {
        auto s = example_state();
        s->ISTEP = c.ISTEP;
        s->ITER = 1;
        s->DMASS[1] = 6.0e-5f;
        s->DMASSN[1] = 2.0e-5f;
        corrector_update(*s);
        EXPECT_EQ(s->DMASS[1], c.DMASS) << "ISTEP " << c.ISTEP;
        EXPECT_NEAR((s->MASSN[1] - s->MASS0[1]) / h, c.slope, 1e-3f * c.slope) << "ISTEP " << c.ISTEP;
        EXPECT_EQ(s->MASS[1], s->MASSN[1]);
    }
}

}  // namespace
}  // namespace diesel
