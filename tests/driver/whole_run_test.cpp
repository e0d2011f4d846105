// Whole runs of the bundled examples in memory: the mass and energy balances
// of a converged cycle, and the hand-over of the start table to a run with
// four cylinders.
#include "driver/in_memory_run.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <string>

#include "cylinder/combustion.hpp"
#include "driver/crank_step.hpp"
#include "report/history.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

using test_support::example_texts;

// The fixed-fuel example with four cylinders, its cylinders 2 to 4 started from
// the table that a one-cylinder run of the example writes (NCYLE is 4 there).
InputTexts four_cylinder_texts(const InMemoryRun& single) {
    InputTexts texts = test_support::edited(example_texts("c1_fixed"), {{3, 1, 5, "4"}});  // NCYL
    texts.fort14 = single.outcome.startTable;
    return texts;
}

InputTexts texts_for(const std::string& name) {
    return name == "c4_fixed" ? four_cylinder_texts(run_in_memory(example_texts("c1_fixed"))) : example_texts(name);
}

// ---- One more cycle, stepped here -------------------------------------------------
//
// The driver accumulates the outlet mass of a cycle (EXMASS) but not the mass
// drawn in through the supply. To weigh both, the test continues a converged
// run for one more cycle with the program's own step routine, accepting each
// step as the driver does, and integrates the supply, outlet and fuel flows
// with the corrector's own rule: the trapezoid of the start-of-step and
// final-pass rates, or twice the final-pass rate while no step of the cycle
// has been recorded. The recording re-forms EXMASS, which must agree with the
// driver's EXMASS of the cycle before.

// Rates of the flows that cross the engine's boundary [kg/rad].
struct BoundaryRates {
    double supply = 0.0;  // into the intake receiver
    double outlet = 0.0;  // out of the exhaust receiver
    double fuel = 0.0;    // burnt in the cylinders that are shut
};

BoundaryRates boundary_rates(const RunState& s) {
    BoundaryRates r{s.DMINL[s.NCYL + 1], s.DMEXH[s.NCYL + 2], 0.0};
    for (int32_t k = 1; k <= s.NCYL; ++k) {
        if (!(s.AINL[k] > 0.0f) && !(s.AEXH[k] > 0.0f)) r.fuel += s.DMF[k];
    }
    return r;
}

double total_mass(const RunState& s) {
    double m = 0.0;
    for (int32_t k = 1; k <= s.NZONE; ++k) m += s.MASS0[k];
    return m;
}

struct CycleFlows {
    double supply = 0.0, outlet = 0.0, fuel = 0.0;  // [kg]
    double massStart = 0.0, massEnd = 0.0;          // all zones [kg]
    bool stopped = false;                           // exhaust receiver fell below 0.528 bar
};

// Runs the cycle after the run's last one on the state the run ended with.
CycleFlows step_one_more_cycle(RunState& s) {
    CycleFlows f;
    // The cycle head as the driver forms it after a completed cycle.
    s.ISTEP = 0;
    s.PHI = s.ANGST;
    s.PREFM = s.TRPRES[720];
    s.TREFM = s.TRTEMP[720];
    s.EXMASS = 0.0f;
    s.TIVC = (s.VIVC * s.PIVC) / (s.TRMASS[s.KIVC] * 287.0f);
    wiebe_exponent(s);
    f.massStart = total_mass(s);
    BoundaryRates before = boundary_rates(s);  // final pass of the run's last step
    while (s.ANGST + 720.0f > s.PHI) {
        if (solve_step(s) != PassResult::Converged) {
            f.stopped = true;
            return f;
        }
        const BoundaryRates now = boundary_rates(s);
        const double h = 0.5 * s.PI * s.DPH / 180.0;  // half the step taken [rad]
        const bool euler = s.ISTEP <= 0;
        f.supply += h * (now.supply + (euler ? now.supply : before.supply));
        f.outlet += h * (now.outlet + (euler ? now.outlet : before.outlet));
        f.fuel += h * (now.fuel + (euler ? now.fuel : before.fuel));
        before = now;
        if (s.NSMALL >= 10) s.DPH = s.DPHI;
        if (!(s.DPHIR > s.DPH)) {
            s.ISTEP = s.ISTEP + 1;
            if (s.ISTEP <= kHistorySlots) record_history(s);
        }
        end_of_step_copy(s);
    }
    f.massEnd = total_mass(s);
    return f;
}

class ConvergedRun : public ::testing::TestWithParam<std::string> {};

TEST_P(ConvergedRun, MassAndEnergyBalanceOverACycle) {
    const InMemoryRun run = run_in_memory(texts_for(GetParam()));
    ASSERT_TRUE(run.inputOk) << run.inputError;
    ASSERT_EQ(run.outcome.end, RunEnd::Completed) << run.outcome.reason;
    RunState& s = *run.state;

    // Cylinder 1: the fuel energy of a periodic cycle leaves as indicated work,
    // wall heat (QLOS < 0) and enthalpy pushed out while the exhaust valve is open (HEX < 0).
    ASSERT_GT(s.HFUEL, 0.0f);
    const float residual = (s.HFUEL - s.WORK + s.QLOS + s.HEX) / s.HFUEL;
    std::cout << "[ energy   ] " << GetParam() << ": HFUEL " << s.HFUEL << " J, WORK " << s.WORK << " J, QLOS "
              << s.QLOS << " J, HEX " << s.HEX << " J, residual " << residual << '\n';
    EXPECT_LT(std::fabs(residual), 0.03f);
    EXPECT_GT(s.WORK, 0.3f * s.HFUEL);
    EXPECT_LT(s.QLOS, 0.0f);
    EXPECT_LT(s.HEX, 0.0f);

    const float exmass = s.EXMASS;  // outlet mass of the output cycle [kg]
    const double fuelOfCycle = s.QF * 0.825 / 100000.0 * s.NCYL;
    const CycleFlows f = step_one_more_cycle(s);
    ASSERT_FALSE(f.stopped);
    const double imbalance = (f.supply - (f.outlet - f.fuel)) / f.supply;
    std::cout << "[ mass     ] " << GetParam() << ": supply " << f.supply << " kg, outlet " << f.outlet
              << " kg, fuel " << f.fuel << " kg, EXMASS " << exmass << " -> " << s.EXMASS << " kg, zones "
              << f.massStart << " -> " << f.massEnd << " kg, (supply - (outlet - fuel))/supply " << imbalance << '\n';
    // The stepping reproduces the driver: the next cycle of a periodic run
    // sends the same mass through the outlet.
    EXPECT_NEAR(s.EXMASS, exmass, 0.005f * exmass);
    EXPECT_NEAR(f.outlet, s.EXMASS, 0.005 * s.EXMASS);
    // Nearly all the fuel of the cycle burns while the valves are shut.
    EXPECT_NEAR(f.fuel, 0.99899 * fuelOfCycle, 0.01 * fuelOfCycle);
    // What crosses the boundary is what the zones gain.
    EXPECT_NEAR(f.massEnd - f.massStart, f.supply - f.outlet + f.fuel, 1e-4 * f.supply);
    // Over a converged cycle the air drawn in leaves through the outlet with the fuel.
    EXPECT_LT(std::fabs(imbalance), 0.01);
}

INSTANTIATE_TEST_SUITE_P(Examples, ConvergedRun, ::testing::Values("c1_fixed", "c1_load", "c4_fixed"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

TEST(FourCylinderHandOver, RunsFromTheWrittenStartTable) {
    const InMemoryRun single = run_in_memory(example_texts("c1_fixed"));
    ASSERT_EQ(single.outcome.end, RunEnd::Completed) << single.outcome.reason;
    ASSERT_TRUE(single.outcome.rewritesStartTable);
    EXPECT_EQ(test_support::line_count(single.outcome.startTable), 3u);  // NCYLE - 1 rows

    // Cylinder j starts where cylinder 1 was (j-1)*180 degrees into the cycle.
    const InputTexts texts = four_cylinder_texts(single);
    const auto start = test_support::read_state(texts);
    const RunState& h = *single.state;
    for (int32_t j = 2; j <= 4; ++j) {
        EXPECT_EQ(start->MASS0[j], h.TRMASS[(j - 1) * 180]) << "cylinder " << j;
        EXPECT_EQ(start->TEMP0[j], h.TRTEMP[(j - 1) * 180]) << "cylinder " << j;
        EXPECT_EQ(start->EQR0[j], h.TREQR[(j - 1) * 180]) << "cylinder " << j;
    }

    const InMemoryRun four = run_in_memory(texts);
    ASSERT_TRUE(four.inputOk) << four.inputError;
    EXPECT_EQ(four.outcome.end, RunEnd::Completed) << four.outcome.reason;
    EXPECT_FALSE(four.outcome.rewritesStartTable);  // only runs of one or two cylinders rewrite it
    EXPECT_EQ(four.diag, "");
    EXPECT_GE(test_support::line_count(four.fort8), 721u);  // a traced output cycle
    // Four identical cylinders on the same receivers: each works about as the single one does.
    EXPECT_NEAR(four.state->PE, single.state->PE, 0.03f * single.state->PE);
    // At the end of the cycle cylinder j stands (j-1)*180 degrees further on
    // than cylinder 1 at bottom dead centre: cylinder 2 at firing TDC, cylinder
    // 4 at the TDC of gas exchange with little more than its clearance gas.
    const RunState& s = *four.state;
    EXPECT_GT(s.PRES[2], 20.0f * s.PRES[1]);
    EXPECT_GT(s.PRES[2], 10.0f * s.PRES[3]);
    EXPECT_LT(s.MASS[4], 0.1f * s.MASS[1]);
}

}  // namespace
}  // namespace diesel
