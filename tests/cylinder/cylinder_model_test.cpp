// The cylinder model: gas properties, wall heat transfer, and the zone
// balances with the corrector update over a closed cycle.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "cylinder/combustion.hpp"
#include "cylinder/gas_properties.hpp"
#include "cylinder/heat_transfer.hpp"
#include "cylinder/zone_balances.hpp"
#include "driver/crank_step.hpp"
#include "driver/kinematics.hpp"
#include "input/run_setup.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

// One cylinder whose three zones hold 1 g of air in 1 litre at temperature T [K].
std::unique_ptr<RunState> air_at(float T) {
    auto s = std::make_unique<RunState>();
    s->NCYL = 1;
    s->NZONE = 3;
    for (int32_t k = 1; k <= 3; ++k) {
        s->MASS[k] = s->VOL[k] = 1.0e-3f;
        s->TEMP[k] = T;
    }
    gas_properties(*s);
    return s;
}

// A slip in any coefficient of either polynomial shows at some temperature.
TEST(GasProperties, CvIsTheDerivativeOfU) {
    for (const float T : {250.0f, 900.0f, 1500.0f, 2200.0f, 2800.0f}) {
        const auto lo = air_at(T - 2.0f), at = air_at(T), hi = air_at(T + 2.0f);
        EXPECT_NEAR(at->CVAIR[1], (static_cast<double>(hi->UAIR[1]) - lo->UAIR[1]) / 4.0, 0.05) << T;
        EXPECT_NEAR(at->CVEQR[1], (static_cast<double>(hi->UEQR[1]) - lo->UEQR[1]) / 4.0, 0.05) << T;
    }
}

// The fixed-fuel example after set-up, every zone at its start state with zero
// derivatives; it starts at bottom dead centre before firing TDC.
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

// Wall heat of cylinder 1 holding its start charge at crank angle phi [deg],
// temperature T [K], with the given valve areas [m2].
std::unique_ptr<RunState> transfer_at(float phi, float T, float AINL, float AEXH) {
    auto s = example_state();
    s->PHI = phi;
    cylinder_kinematics(*s, 1, 720.0f);
    s->TEMP[1] = T;
    s->AINL[1] = AINL;
    s->AEXH[1] = AEXH;
    s->ASOC[1] = -1.0f;
    gas_properties(*s);
    WallStepConstants w;
    wall_step_constants(*s, w);
    WallPowers powers;
    cylinder_heat_transfer(*s, w, powers);
    return s;
}

// The combustion phase is fmod(THETA + 2 pi, 4 pi) bit for bit: on either side
// of each multiple the remainder takes off, at both signs, out to the far
// angles and non-finite ones the library forms.
TEST(Combustion, BurnPhaseIsTheLibraryRemainder) {
    RunState s{};
    s.PI = 3.1415925f;
    const float period = 4.0f * s.PI;
    std::vector<float> angles = {0.0f, -0.0f, 1.0e-30f, 1.0e6f, std::numeric_limits<float>::infinity(),
                                 std::numeric_limits<float>::quiet_NaN()};
    for (int32_t m = -10; m <= 10; ++m) {
        const float at = static_cast<float>(m) * period - 2.0f * s.PI;  // THETA + 2 pi lands near m periods
        float above = at, below = at;
        for (int32_t i = 0; i < 64; ++i) {
            angles.push_back(above);
            angles.push_back(below);
            above = std::nextafter(above, 1000.0f);
            below = std::nextafter(below, -1000.0f);
        }
    }
    for (const float theta : angles) {
        s.THETA[1] = theta;
        const float expected = std::fmod(theta + 2.0f * s.PI, period);
        const float phase = burn_phase(s, 1);
        EXPECT_EQ(std::bit_cast<uint32_t>(phase), std::bit_cast<uint32_t>(expected)) << theta;
    }
}

TEST(CylinderHeatTransfer, NoWallFlowAtCoolantTemperatureNorToTheLinerAtTdc) {
    for (const auto& [AINL, AEXH] : {std::pair{0.0f, 0.0f}, std::pair{4.0e-4f, 0.0f}, std::pair{0.0f, 4.0e-4f}}) {
        const auto s = transfer_at(400.0f, 363.0f, AINL, AEXH);  // TCOOL 90 degC
        ASSERT_EQ(s->TEMP[1], s->TCOOL);
        EXPECT_GT(s->HTC[1], 0.0f);
        for (const float q : {s->QHEAD[1], s->QPIST[1], s->QLINER[1], s->QWALL[1]}) EXPECT_EQ(q, 0.0f);
    }
    const auto tdc = transfer_at(0.0f, 900.0f, 0.0f, 0.0f);
    EXPECT_EQ(tdc->QLINER[1], 0.0f);
    EXPECT_LT(tdc->QHEAD[1], 0.0f);
}

// 720 one-degree steps of cylinder 1 with its valves shut and no wall heat,
// burning fuel only when fired; returns the peak temperature [K].
float closed_cycle(RunState& s, bool fired) {
    float peak = 0.0f;
    for (int32_t i = 0; i < 720; ++i) {
        s.PHI = s.PHI + s.DPH;
        combustion_duration(s);
        cylinder_kinematics(s, 1, 720.0f);
        burn_rate(s, 1);
        if (!fired) s.DMF[1] = 0.0f;
        predictor(s);
        for (s.ITER = 0; s.ITER < 30 && (s.ITER == 0 || s.CONVFLAG >= 1.0f); ++s.ITER) {
            gas_properties(s);
            cylinder_balances(s);
            corrector_update(s);
        }
        EXPECT_LT(s.CONVFLAG, 1.0f) << "step to " << s.PHI << " deg did not converge";
        s.ISTEP = s.ISTEP + 1;
        end_of_step_copy(s);
        peak = std::fmax(peak, s.TEMP0[1]);
    }
    return peak;
}

TEST(ClosedCylinder, WithoutFuelReturnsToItsStartState) {
    auto s = example_state();
    const float M = s->MASS0[1], E = s->EQR0[1], T = s->TEMP0[1];
    EXPECT_GT(closed_cycle(*s, false), 2.5f * T);  // compression 17:1 heats it by about 17^0.37
    EXPECT_EQ(s->MASS0[1], M);
    EXPECT_EQ(s->EQR0[1], E);
    EXPECT_NEAR(s->TEMP0[1], T, 0.05f);
}

// The Wiebe law burns the fraction 1 - e^-6.9 = 0.99899 of the cycle's fuel.
TEST(ClosedCylinder, BurnsTheCycleFuel) {
    auto s = example_state();
    s->MWIEB = s->MWIEB0;  // the shape at the reference charge state
    const float M = s->MASS0[1];
    closed_cycle(*s, true);
    const double fuel = s->QF * 0.825 / 100000.0;  // [kg]
    EXPECT_NEAR(s->MASS0[1] - M, 0.99899 * fuel, 0.002 * fuel);
}

// The example's start state is at rest, so every pass reproduces the start value.
TEST(CorrectorUpdate, ConvergenceFlag) {
    enum Quantity { Eqr, Mass, Temp };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        const char* name;
        int32_t zone, q, ITER;  // zone 1 cylinder, 2 intake receiver, 3 exhaust receiver
        float prev, next;       // previous and new iterate
        int32_t tol;            // 0: tolerance = |next - prev|; -1: one ulp below it; 1: the example's
        float flag;             // expected CONVFLAG
    } cases[] = {
        {"first pass never converges", 1, Mass, 0, 8.8e-4f, 8.8e-4f, 1, 100.0f},
        {"cylinder mass at tolerance", 1, Mass, 1, 8.8e-4f, 8.9e-4f, 0, 0.0f},
        {"cylinder mass above tolerance", 1, Mass, 1, 8.8e-4f, 8.9e-4f, -1, 100.0f},
        {"exhaust temperature above tolerance", 3, Temp, 1, 700.0f, 701.0f, 1, 100.0f},
        {"intake receiver never tested", 2, Temp, 1, 293.0f, 400.0f, 1, 0.0f},
        {"new cylinder temperature NaN", 1, Temp, 1, 330.0f, nan, 1, 0.0f},
    };
    for (const auto& c : cases) {
        auto s = example_state();
        s->ITER = c.ITER;
        float* start[] = {s->EQR0, s->MASS0, s->TEMP0};
        float* tolerance[] = {&s->TOLEQR, &s->TOLM, &s->TOLT};
        start[c.q][c.zone] = c.next;
        (c.q == Eqr ? s->EQR : c.q == Mass ? s->MASS : s->TEMP)[c.zone] = c.prev;
        const float diff = std::fabs(c.next - c.prev);
        if (c.tol < 1) *tolerance[c.q] = c.tol == 0 ? diff : std::nextafter(diff, 0.0f);
        corrector_update(*s);
        EXPECT_EQ(s->CONVFLAG, c.flag) << c.name;
    }
}

}  // namespace
}  // namespace diesel
