#include "driver/simulation.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "driver/in_memory_run.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

using test_support::Edit;

// An example run with items of its input files edited: {file, line, item, value}.
InMemoryRun run(const char* example, const std::vector<Edit>& edits) {
    InMemoryRun r = run_in_memory(test_support::edited(test_support::example_texts(example), edits));
    EXPECT_TRUE(r.inputOk) << r.inputError;
    return r;
}
const Edit kMaxCycOne{2, 4, 12, "1"};

TEST(DriverLoop, MaxCycOneStopsAfterTheFirstCycle) {
    const InMemoryRun r = run("c1_fixed", {kMaxCycOne});
    EXPECT_EQ(r.outcome.end, RunEnd::MaxCycles);
    EXPECT_EQ(r.outcome.cycle, 1);
    EXPECT_EQ(r.state->ISTEP, 720);
    EXPECT_EQ(r.fort12, "");  // no continued cycle
}

// ITMAX 0: no full step converges in its one pass, so each is redone as ten
// tenth-steps, which reach the plain run's states and are recorded once per degree.
TEST(DriverLoop, StepFailingItmaxPlusOnePassesIsRefinedAndRecordedOnce) {
    const InMemoryRun r = run("c1_fixed", {kMaxCycOne, {2, 4, 14, "0"}, {2, 7, 7, "1.0E-9"}, {2, 7, 6, "1.0E-15"}});
    const InMemoryRun plain = run("c1_fixed", {kMaxCycOne});
    EXPECT_EQ(r.outcome.end, RunEnd::MaxCycles);
    EXPECT_EQ(r.state->ISTEP, 720);
    EXPECT_EQ(r.state->TRPRES[721], 0.0f);
    EXPECT_EQ(r.state->DPH, r.state->DPHI / 10.0f);  // the cycle ended inside a refined step
    EXPECT_GT(r.state->PHI, 1260.0f);  // tenths do not sum to whole degrees
    EXPECT_LT(r.state->PHI, 1261.0f);
    for (const int32_t i : {100, 360, 700}) {
        const float p = plain.state->TRPRES[i];
        EXPECT_NEAR(r.state->TRPRES[i], p, 0.01f * p) << i;
    }
}

// Fixed fuel ends after the first periodic cycle that finds both flags set (under
// loose tolerances cycle 1 is periodic, cycle 2 the output cycle); load control
// once |PETARG - PE| < TOLPE.
TEST(DriverLoop, FixedFuelAndLoadRunsEnd) {
    const InMemoryRun fixed = run("c1_fixed", {{2, 7, 9, "1.0"}, {2, 7, 10, "1.0"}, {2, 7, 8, "100.0"}});
    const InMemoryRun load = run("c1_load", {});
    for (const InMemoryRun* r : {&fixed, &load}) {
        EXPECT_EQ(r->outcome.end, RunEnd::Completed) << r->outcome.reason;
        EXPECT_EQ(r->state->CONV, 1.0f);
        EXPECT_EQ(r->state->FINAL, 1.0f);
    }
    EXPECT_EQ(fixed.state->ICYC, 2);
    EXPECT_LT(std::fabs(load.state->PETARG - load.state->PE), load.state->TOLPE);
}

// Each stopping rule ends the run through the reports and says why.
TEST(DriverLoop, StoppingRulesEndTheRunAndSayWhy) {
    const struct { const char* example; std::vector<Edit> edits; RunEnd end; const char* says; } cases[] = {
        {"c1_fixed", {{2, 7, 2, "0.01"}}, RunEnd::ExhaustEqrLimit, "EQRMAX"},
        {"c1_load", {{2, 7, 4, "0.5"}}, RunEnd::FuelLimit, "FUELMX"},
        {"c1_fixed", {{2, 1, 7, "0.0005"}, {2, 3, 5, "620.0"}, {2, 3, 6, "1.0E-6"}, {2, 10, 1, "2.4E-4"}},
         RunEnd::ExhaustPressureLow, "below 52800 Pa"},
        {"c1_fixed", {{2, 3, 1, "3000.0"}}, RunEnd::NonFiniteState, "no longer a finite number"},
    };
    for (const auto& c : cases) {
        const InMemoryRun r = run(c.example, c.edits);
        EXPECT_EQ(r.outcome.end, c.end) << c.says;
        EXPECT_NE(r.outcome.reason.find(c.says), std::string::npos) << r.outcome.reason;
        EXPECT_FALSE(r.fort16.empty()) << c.says;
    }
}

// Fuel burning in a cylinder richer than stoichiometric is said once per run;
// the run goes on as before.
TEST(DriverLoop, RichCombustionWarnsOncePerRun) {
    const std::string warning = "diesel-cycle: warning: the equivalence ratio of cylinder 1 passed 1 (";
    for (const auto& [fuel, warnings] : {std::pair{"3.5", 0}, {"8.0", 1}}) {
        const InMemoryRun r = run("c1_fixed", {{3, 1, 4, fuel}, {2, 7, 2, "5.0"}});
        EXPECT_EQ(r.outcome.end, RunEnd::Completed) << fuel;
        std::size_t n = 0;
        for (std::size_t at = r.diag.find(warning); at != std::string::npos; at = r.diag.find(warning, at + 1)) ++n;
        EXPECT_EQ(n, static_cast<std::size_t>(warnings)) << r.diag;
    }
}

}  // namespace
}  // namespace diesel
