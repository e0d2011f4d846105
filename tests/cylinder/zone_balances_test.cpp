// Zone balances and the corrector update: a closed cylinder over a whole
// cycle, unfired and fired, and the convergence flag.
#include "cylinder/zone_balances.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "cylinder/combustion.hpp"
#include "cylinder/gas_properties.hpp"
#include "driver/crank_step.hpp"
#include "driver/kinematics.hpp"
#include "input/run_setup.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

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
