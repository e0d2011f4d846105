// Whole runs of the bundled examples in memory: a completed output cycle, the
// hand-over to four cylinders, the balances of a converged cycle, the pressure trace.
#include "driver/in_memory_run.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <sstream>

#include "cylinder/combustion.hpp"
#include "driver/crank_step.hpp"
#include "report/history.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

using test_support::example_texts;

// Continues a converged run for one more cycle with the program's own step routine,
// accepting steps as the driver does, and integrates with the corrector's rule
// (trapezoid; twice the end rate before the first record) the mass drawn in
// through the supply, sent out of the exhaust receiver and burnt in shut cylinders [kg].
std::array<double, 3> one_more_cycle(RunState& s) {
    const auto rates = [&s] {
        std::array<double, 3> r{s.DMINL[s.NCYL + 1], s.DMEXH[s.NCYL + 2], 0.0};
        for (int32_t k = 1; k <= s.NCYL; ++k) r[2] += (s.AINL[k] > 0.0f || s.AEXH[k] > 0.0f) ? 0.0f : s.DMF[k];
        return r;
    };
    s.ISTEP = 0;  // the cycle head as the driver forms it
    s.PHI = s.ANGST;
    s.PREFM = s.TRPRES[720];
    s.TREFM = s.TRTEMP[720];
    s.TIVC = (s.VIVC * s.PIVC) / (s.TRMASS[s.KIVC] * 287.0f);
    wiebe_exponent(s);
    std::array<double, 3> sum{}, before = rates();
    StepHead head(s);
    while (s.ANGST + 720.0f > s.PHI) {
        if (solve_step(s, head) != PassResult::Converged) return {};
        const auto now = rates();
        const double h = 0.5 * s.PI * s.DPH / 180.0;  // half the step [rad]
        for (int i = 0; i < 3; ++i) sum[i] += h * (now[i] + (s.ISTEP <= 0 ? now[i] : before[i]));
        before = now;
        if (s.NSMALL >= 10) s.DPH = s.DPHI;
        if (!(s.DPHIR > s.DPH) && ++s.ISTEP <= kHistorySlots) record_history(s);
        end_of_step_copy(s);
    }
    return sum;
}

TEST(WholeRun, OneAndFourCylindersCompleteWithBalancedCycles) {
    const InMemoryRun single = run_in_memory(example_texts("c1_fixed"));
    ASSERT_TRUE(single.outcome.rewritesStartTable);
    InputTexts four = test_support::edited(example_texts("c1_fixed"), {{3, 1, 5, "4"}});  // NCYL 4
    four.fort14 = single.outcome.startTable;  // cylinders 2 to 4 start from the written table
    for (const InMemoryRun& run : {run_in_memory(example_texts("c1_fixed")), run_in_memory(four)}) {
        RunState& s = *run.state;
        ASSERT_EQ(run.outcome.end, RunEnd::Completed) << s.NCYL << ": " << run.outcome.reason;
        EXPECT_GE(test_support::line_count(run.fort8), 721u);  // a traced output cycle
        // Cylinder 1: fuel energy leaves as work, wall heat (QLOS < 0) and exhaust enthalpy (HEX < 0).
        const float energy = (s.HFUEL - s.WORK + s.QLOS + s.HEX) / s.HFUEL;
        const float exmass = s.EXMASS;
        const auto [supply, outlet, fuel] = one_more_cycle(s);
        const double mass = (supply - (outlet - fuel)) / supply;
        EXPECT_LT(std::fabs(energy), 0.03f) << s.NCYL;
        EXPECT_NEAR(outlet, exmass, 0.005 * exmass) << s.NCYL;  // the stepping reproduces the driver
        EXPECT_LT(std::fabs(mass), 0.01) << s.NCYL << ": supply " << supply << " kg, fuel " << fuel << " kg";
    }
}

// Crank angle [deg, -180 .. 540] and value [bar] of the pressure peak in "fort8.dat".
std::pair<float, float> pressure_peak(const std::string& fort8) {
    std::istringstream in(fort8.substr(fort8.find('\n') + 1));
    std::pair<float, float> peak{0.0f, -1.0f};
    for (float angle, iter, p; in >> angle >> iter >> p; in.ignore(1 << 20, '\n')) {
        if (p > peak.second) peak = {angle > 540.0f ? angle - 720.0f : angle, p};
    }
    return peak;
}

// A motored run peaks at TDC (heat loss moves it a little before); a fired run
// peaks higher, just after it.
TEST(WholeRun, PressureTraceShape) {
    const auto fired = pressure_peak(run_in_memory(example_texts("c1_fixed")).fort8);
    const auto motored =
        pressure_peak(run_in_memory(test_support::edited(example_texts("c1_fixed"), {{3, 1, 4, "0.0"}})).fort8);
    EXPECT_GE(motored.first, -3.0f);
    EXPECT_LE(motored.first, 0.0f);
    EXPECT_GT(fired.first, 0.0f);
    EXPECT_LT(fired.first, 20.0f);
    EXPECT_GT(fired.second, 1.3f * motored.second);
}

// A run that forms none of its texts, or only some, ends as the full run does,
// to the last bit of its state; the texts not wanted stay empty.
TEST(WholeRun, TextsNobodyWantsAreNotFormed) {
    for (const char* example : {"c1_load", "c12_fixed", "c1_fixed"}) {
        const InputTexts texts = test_support::example_inputs(example);
        const InMemoryRun full = run_in_memory(texts);
        for (const WantedTexts wanted :
             {WantedTexts{false, false}, WantedTexts{false, true}, WantedTexts{true, false}, kNoTexts}) {
            const InMemoryRun part = run_in_memory(texts, wanted);
            ASSERT_TRUE(part.inputOk) << part.inputError;
            EXPECT_EQ(std::memcmp(full.state.get(), part.state.get(), sizeof(RunState)), 0) << example;
            EXPECT_EQ(part.outcome.end, full.outcome.end);
            EXPECT_EQ(part.outcome.reason, full.outcome.reason);
            EXPECT_EQ(part.outcome.rewritesStartTable, full.outcome.rewritesStartTable);
            EXPECT_EQ(part.outcome.startTable, wanted.startTable ? full.outcome.startTable : std::string());
            EXPECT_EQ(part.diag, full.diag);
            for (const auto& [got, all] : {std::pair{&part.fort8, &full.fort8}, {&part.fort10, &full.fort10}}) {
                EXPECT_EQ(*got, wanted.traces ? *all : std::string()) << example;
            }
            for (const auto& [got, all] : {std::pair{&part.fort13, &full.fort13}, {&part.console, &full.console}}) {
                EXPECT_EQ(*got, wanted.reports ? *all : std::string()) << example;
            }
        }
    }
}

}  // namespace
}  // namespace diesel
