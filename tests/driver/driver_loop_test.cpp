#include "driver/simulation.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <tuple>
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

// Each stopping rule ends the run through the reports and says why.
TEST(DriverLoop, StoppingRulesEndTheRunAndSayWhy) {
    const struct { const char* example; std::vector<Edit> edits; RunEnd end; const char* says; } cases[] = {
        {"c1_fixed", {{2, 4, 12, "1"}}, RunEnd::MaxCycles, "MAXCYC = 1"},
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
        if (c.end == RunEnd::MaxCycles) {
            EXPECT_TRUE(r.fort12.empty() && r.outcome.cycle == 1);  // no continued cycle
        }
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

// ITMAX 0: no full step converges in its one pass, so each is redone as ten
// tenth-steps, which reach the plain run's states and are recorded once per
// degree. A cycle that ends inside such a refinement sums its history with the
// step it was recorded at, and gives about the plain run's figures (pe was
// -3.1 bar against +6.2 when the sums used the tenth step).
TEST(DriverLoop, RefinedStepsAreRecordedOnceAndKeepTheFigures) {
    const Edit maxcycOne{2, 4, 12, "1"}, itmaxZero{2, 4, 14, "0"};
    const InMemoryRun first = run("c1_fixed", {maxcycOne, itmaxZero, {2, 7, 7, "1.0E-9"}, {2, 7, 6, "1.0E-15"}});
    const InMemoryRun plainFirst = run("c1_fixed", {maxcycOne});
    EXPECT_EQ(first.state->ISTEP, 720);
    EXPECT_EQ(first.state->TRPRES[721], 0.0f);
    EXPECT_EQ(first.state->DPH, first.state->DPHI / 10.0f);  // the cycle ended inside a refined step
    EXPECT_GT(first.state->PHI, 1260.0f);  // tenths do not sum to whole degrees
    EXPECT_LT(first.state->PHI, 1261.0f);
    for (const int32_t i : {100, 360, 700})
        EXPECT_NEAR(first.state->TRPRES[i], plainFirst.state->TRPRES[i], 0.01f * plainFirst.state->TRPRES[i]) << i;

    const InMemoryRun plain = run("c1_fixed", {});
    const InMemoryRun refined = run("c1_fixed", {itmaxZero});
    ASSERT_EQ(refined.outcome.end, RunEnd::Completed) << refined.outcome.reason;
    const RunState& s = *refined.state;
    EXPECT_EQ(s.DPH, s.DPHI / 10.0f);
    for (const auto& [name, a, b, tolerance] :
         {std::tuple{"pe", s.PE, plain.state->PE, 0.1f}, {"WORK", s.WORK, plain.state->WORK, 0.1f},
          {"tex", s.TEX, plain.state->TEX, 0.02f}, {"nv", s.NV, plain.state->NV, 0.02f},
          {"HTM", s.HTM, plain.state->HTM, 0.02f}}) {
        EXPECT_NEAR(a, b, tolerance * std::fabs(b)) << name;
    }
}

// A completed run must have finite figures to count as completed; without
// fuel be and etai mean nothing and a motored run stays completed. The state
// is edited after reading, where no input check could refuse the value.
TEST(DriverLoop, CompletedRunWithNonFiniteFiguresIsNoResult) {
    const struct { const char* what; std::vector<Edit> edits; void (*change)(RunState&); RunEnd end; const char* says; } cases[] = {
        {"motored", {{3, 1, 4, "0.0"}}, [](RunState&) {}, RunEnd::Completed, ""},
        {"speed overflows pe", {}, [](RunState& s) { s.SPEED = 1.0e30f; }, RunEnd::NonFiniteResult,
         "the output cycle was completed, but pe = -inf bar is not a finite number (cycle "},
        {"friction overflows", {}, [](RunState& s) { s.FRCR = 1.0e37f; }, RunEnd::NonFiniteResult, "qfri = inf J"},
    };
    for (const auto& c : cases) {
        auto s = test_support::read_state(test_support::edited(test_support::example_texts("c1_fixed"), c.edits));
        c.change(*s);
        std::ostringstream f8, f9, f10, f12, f13, f15, f16, con, diag;
        const RunOutcome o = run_simulation(*s, {&f8, &f9, &f10, &f12, &f13, &f15, &f16, &con, &diag});
        EXPECT_EQ(o.end, c.end) << c.what << ": " << o.reason;
        EXPECT_NE(o.reason.find(c.says), std::string::npos) << c.what << ": " << o.reason;
        EXPECT_STREQ(run_end_name(o.end), c.end == RunEnd::Completed ? "completed" : "non-finite-result");
    }
}

// The fuel limit names the quantity it compares, or says why there is none.
TEST(DriverLoop, FuelLimitReasonNeverPrintsANaN) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const struct { float qf, pe, fmep, pioff; const char* says; } cases[] = {
        {9.5f, 7.0f, 1.0f, 5.0f, "corrected fuel quantity 9.5 exceeds FUELMX = 8 (10 mm3)"},
        {nan, nan, 1.0f, 5.0f, "the cycle's pe is not a finite number"},
        {-nan, 7.0f, 1.0f, -1.0f, "FMEP + PIOFF, which is zero"},
        {inf, 7.0f, 1.0f, inf, "FMEP + PIOFF is not a finite number"},
        {inf, 7.0f, 1.0f, 5.0f, "exceeds single precision"},
    };
    for (const auto& c : cases) {
        RunState s{};
        s.QF = c.qf, s.PE = c.pe, s.FMEP = c.fmep, s.PIOFF = c.pioff, s.FUELMX = 8.0f;
        const std::string reason = fuel_limit_reason(s);
        EXPECT_NE(reason.find(c.says), std::string::npos) << reason;
        EXPECT_EQ(reason.find("nan"), std::string::npos) << reason;
    }
}

}  // namespace
}  // namespace diesel
