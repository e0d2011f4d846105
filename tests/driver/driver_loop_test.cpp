#include "driver/simulation.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "driver/in_memory_run.hpp"
#include "input/run_setup.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

using test_support::Edit;
using test_support::edited;
using test_support::example_texts;
using test_support::line_count;

// Items of the example files that the tests edit: {file, line, item}.
Edit MAXCYC(const std::string& v) { return {2, 4, 12, v}; }
Edit ITMAX(const std::string& v) { return {2, 4, 14, v}; }
Edit EQRMAX(const std::string& v) { return {2, 7, 2, v}; }
Edit DPEMIN(const std::string& v) { return {2, 7, 3, v}; }
Edit FUELMX(const std::string& v) { return {2, 7, 4, v}; }
Edit TOLEQR(const std::string& v) { return {2, 7, 5, v}; }
Edit TOLM(const std::string& v) { return {2, 7, 6, v}; }
Edit TOLT(const std::string& v) { return {2, 7, 7, v}; }
Edit TOLPE(const std::string& v) { return {2, 7, 8, v}; }
Edit TOLCYM(const std::string& v) { return {2, 7, 9, v}; }
Edit TOLEXM(const std::string& v) { return {2, 7, 10, v}; }
Edit EXHAUST_MASS0(const std::string& v) { return {2, 10, 1, v}; }

InMemoryRun run(const InputTexts& texts) {
    InMemoryRun r = run_in_memory(texts);
    EXPECT_TRUE(r.inputOk) << r.inputError;
    return r;
}

InMemoryRun run(const std::string& example, const std::vector<Edit>& edits) {
    return run(edited(example_texts(example), edits));
}

// Lines of a text that begin with `prefix`.
std::size_t lines_starting_with(const std::string& text, const std::string& prefix) {
    std::istringstream in(text);
    std::size_t n = 0;
    for (std::string line; std::getline(in, line);) n += (line.rfind(prefix, 0) == 0) ? 1 : 0;
    return n;
}

// Tolerances under which every cycle counts as periodic, and under which none does.
const std::vector<Edit> kAlwaysPeriodic = {TOLCYM("1.0"), TOLEXM("1.0"), TOLPE("100.0")};
const std::vector<Edit> kNeverPeriodic = {TOLCYM("0.0")};

std::vector<Edit> plus(std::vector<Edit> a, const std::vector<Edit>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Header plus the data lines of one traced cycle: 720, 72 and 720, or 721 in
// fort8/fort10 when ten small steps of a refinement (which do not sum to a
// whole degree in floats) left the crank angle just short of the cycle end.
void expect_one_traced_cycle(const InMemoryRun& r) {
    EXPECT_GE(line_count(r.fort8), 721u);
    EXPECT_LE(line_count(r.fort8), 722u);
    EXPECT_EQ(line_count(r.fort9), 73u);
    EXPECT_EQ(line_count(r.fort10), line_count(r.fort8));
}

TEST(DriverLoop, MaxCycOneStopsAfterTheFirstCycle) {
    const InMemoryRun r = run("c1_fixed", {MAXCYC("1")});
    EXPECT_EQ(r.outcome.end, RunEnd::MaxCycles);
    EXPECT_EQ(r.outcome.cycle, 1);
    EXPECT_NE(r.outcome.reason.find("MAXCYC"), std::string::npos) << r.outcome.reason;
    // the stop comes before the cycle-end reset
    EXPECT_EQ(r.state->ICYC, 1);
    EXPECT_EQ(r.state->ISTEP, 720);
    EXPECT_EQ(r.state->PHI, 1260.0f);
    // one pair of cycle lines and the final line; no continued cycle, no output
    // cycle, but the final reports
    EXPECT_EQ(line_count(r.console), 3u) << r.console;
    EXPECT_EQ(r.fort12, "");
    EXPECT_EQ(line_count(r.fort8) + line_count(r.fort9) + line_count(r.fort10), 3u);
    EXPECT_FALSE(r.fort13.empty());
}

TEST(DriverLoop, StepFailingItmaxPlusOnePassesIsRefinedAndRecordedOnce) {
    // Loose tolerances every second pass meets (the first never counts):
    // ITMAX 1 allows that second pass, so no step is refined.
    const std::vector<Edit> loose = {MAXCYC("1"), TOLEQR("1.0"), TOLM("1.0"), TOLT("1000.0"), ITMAX("1")};
    const InMemoryRun once = run("c1_fixed", loose);
    EXPECT_EQ(once.state->ITER, 1);
    EXPECT_EQ(once.state->NSMALL, 0);
    EXPECT_EQ(once.state->ISTEP, 720);
    EXPECT_EQ(once.state->PHI, 1260.0f);

    // ITMAX 0: the first pass of a full step never converges, so every full
    // step is refined, and each small step is accepted after one pass.
    const InMemoryRun r = run("c1_fixed", {MAXCYC("1"), ITMAX("0"), TOLT("1.0E-9"), TOLM("1.0E-15")});
    const InMemoryRun plain = run("c1_fixed", {MAXCYC("1")});
    EXPECT_EQ(r.outcome.end, RunEnd::MaxCycles);
    EXPECT_EQ(r.diag, "");  // in particular no overflow of the history tables
    // One record per whole-degree interval, not one per small step; the cycle
    // ends in its last interval.
    EXPECT_EQ(r.state->ISTEP, 720);
    EXPECT_GE(r.state->PHI, 1260.0f);
    EXPECT_LT(r.state->PHI, 1261.0f);
    for (int32_t i = 1; i <= 720; ++i) ASSERT_GT(r.state->TRMASS[i], 0.0f) << i;
    EXPECT_EQ(r.state->TRPRES[721], 0.0f);
    // Ten tenth-steps reach the same states as the plain full steps.
    for (const int32_t i : {100, 360, 700}) {
        EXPECT_NEAR(r.state->TRMASS[i], plain.state->TRMASS[i], 5.0E-3f * plain.state->TRMASS[i]) << i;
        EXPECT_NEAR(r.state->TRPRES[i], plain.state->TRPRES[i], 0.01f * plain.state->TRPRES[i]) << i;
    }
}

std::string float_text(float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
    return buf;
}

TEST(DriverLoop, PeriodicityTestIsStrict) {
    // The cylinder-1 and exhaust-receiver mass drifts of the first cycle.
    const InMemoryRun first = run("c1_fixed", {MAXCYC("1")});
    const float dm = std::fabs(first.state->TRMASS[720] - first.state->TRMASS[1]);
    const float dx = std::fabs(first.state->TRMEXR[720] - first.state->TRMEXR[1]);
    ASSERT_GT(dm, 0.0f);
    ASSERT_GT(dx, 0.0f);
    struct Case {
        float TOLCYM, TOLEXM;
        float CONV;  // fixed fuel: set by the first periodic cycle
    };
    for (const Case c : {Case{dm, 1.0f, 0.0f}, Case{std::nextafter(dm, 1.0f), 1.0f, 1.0f}, Case{1.0f, dx, 0.0f},
                         Case{1.0f, std::nextafter(dx, 1.0f), 1.0f}}) {
        // the run stops at the end of cycle 2 before its own test: the flags are cycle 1's
        const InMemoryRun r =
            run("c1_fixed", {MAXCYC("2"), TOLCYM(float_text(c.TOLCYM)), TOLEXM(float_text(c.TOLEXM))});
        EXPECT_EQ(r.state->CONV, c.CONV) << "TOLCYM " << c.TOLCYM << " TOLEXM " << c.TOLEXM;
        EXPECT_EQ(r.state->FINAL, c.CONV);
    }
}

// Fixed fuel ends after the first periodic cycle that finds both flags set,
// load control after its output cycle with |PETARG - PE| < TOLPE; the output
// cycle itself is periodic and traced.
TEST(DriverLoop, ExamplesEndAfterTheirPeriodicOutputCycle) {
    for (const char* example : {"c1_fixed", "c1_load"}) {
        const InMemoryRun r = run(example, {});
        const RunState& s = *r.state;
        EXPECT_EQ(r.outcome.end, RunEnd::Completed) << example << ": " << r.outcome.reason;
        EXPECT_EQ(r.outcome.cycle, s.ICYC) << example;
        EXPECT_LT(s.ICYC, s.MAXCYC) << example;
        EXPECT_EQ(s.CONV, 1.0f) << example;
        EXPECT_EQ(s.FINAL, 1.0f) << example;
        EXPECT_LT(std::fabs(s.TRMASS[720] - s.TRMASS[1]), s.TOLCYM) << example;
        EXPECT_LT(std::fabs(s.TRMEXR[720] - s.TRMEXR[1]), s.TOLEXM) << example;
        // a cycle of 720 recorded steps: header plus 720, 72 and 720 data lines
        EXPECT_EQ(line_count(r.fort8), 721u) << example;
        EXPECT_EQ(line_count(r.fort9), 73u) << example;
        EXPECT_EQ(line_count(r.fort10), 721u) << example;
        // one empty record per cycle that reached the continuation, the last one included
        EXPECT_EQ(r.fort12, std::string(static_cast<std::size_t>(s.ICYC), '\n')) << example;
        EXPECT_EQ(r.diag, "") << example;
        if (s.MODE == 0) {
            EXPECT_LT(std::fabs(s.PETARG - s.PE), s.TOLPE);
            EXPECT_GE(s.ICYC, 5);  // CONV at cycle 3 at the earliest, FINAL one cycle later
        } else {
            EXPECT_EQ(s.QF, 3.5f);  // fixed fuel is never corrected
            EXPECT_GE(s.ICYC, 3);
        }
    }
}

TEST(DriverLoop, StopRulesEndAtTheRightCycleForTheRightReason) {
    const struct {
        const char* name;
        const char* example;
        std::vector<Edit> edits;
        RunEnd end;
        int32_t ICYC;             // completed cycles
        int32_t cycle;            // cycle in progress at the end
        std::size_t fort12Lines;  // continued cycles
    } cases[] = {
        // fixed fuel: the first periodic cycle sets both flags, the next one is the output cycle
        {"fixed fuel, earliest finish", "c1_fixed", kAlwaysPeriodic, RunEnd::Completed, 2, 2, 2},
        // load control: CONV after cycle 3, FINAL after cycle 4, output cycle 5
        {"load control, earliest finish", "c1_load", kAlwaysPeriodic, RunEnd::Completed, 5, 5, 5},
        {"never periodic", "c1_fixed", plus(kNeverPeriodic, {MAXCYC("4")}), RunEnd::MaxCycles, 4, 4, 3},
        // the fuel limit is checked on the periodic path only
        {"fuel limit", "c1_load", plus(kAlwaysPeriodic, {FUELMX("0.1")}), RunEnd::FuelLimit, 1, 1, 1},
        {"no fuel limit off the periodic path", "c1_load", plus(kNeverPeriodic, {FUELMX("0.1"), MAXCYC("3")}),
         RunEnd::MaxCycles, 3, 3, 2},
        // the exhaust equivalence-ratio limit applies from the third cycle on
        {"exhaust EQR limit", "c1_fixed", {EQRMAX("0.1")}, RunEnd::ExhaustEqrLimit, 3, 3, 2},
        {"no exhaust EQR limit before cycle 3", "c1_fixed", {EQRMAX("0.1"), MAXCYC("2")}, RunEnd::MaxCycles, 2, 2, 1},
        // a receiver far below 0.528 bar ends the run in its first corrector pass
        {"exhaust pressure low", "c1_fixed", {EXHAUST_MASS0("1.0E-4")}, RunEnd::ExhaustPressureLow, 0, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const InMemoryRun r = run(c.example, c.edits);
        EXPECT_EQ(r.outcome.end, c.end) << run_end_name(r.outcome.end) << ": " << r.outcome.reason;
        EXPECT_EQ(r.outcome.reason.empty(), c.end == RunEnd::Completed);
        EXPECT_EQ(r.state->ICYC, c.ICYC);
        EXPECT_EQ(r.outcome.cycle, c.cycle);
        EXPECT_EQ(line_count(r.fort12), c.fort12Lines);
        EXPECT_EQ(lines_starting_with(r.console, "cycle"), static_cast<std::size_t>(c.ICYC));
        EXPECT_FALSE(r.fort13.empty());
        // only a completed run traced its output cycle
        if (c.end == RunEnd::Completed) {
            expect_one_traced_cycle(r);
        } else {
            EXPECT_EQ(line_count(r.fort8) + line_count(r.fort9) + line_count(r.fort10), 3u);
        }
    }
}

TEST(DriverLoop, FuelCorrectionOfANonPeriodicCycle) {
    const InputTexts texts = edited(example_texts("c1_load"), kNeverPeriodic);
    auto setUp = test_support::read_state(texts);
    set_up_run(*setUp);
    const float QF0 = setUp->QF;
    // Inside the dead band no correction is made.
    EXPECT_EQ(run(edited(texts, {DPEMIN("100.0"), MAXCYC("3")})).state->QF, QF0);

    // Outside it the stoichiometric fuel of the missing load is added, per
    // cylinder, scaled by the friction and offset pressures.
    const InMemoryRun one = run(edited(texts, {DPEMIN("0.0"), MAXCYC("1")}));
    const InMemoryRun two = run(edited(texts, {DPEMIN("0.0"), MAXCYC("2")}));
    const RunState& s = *one.state;  // the figures of cycle 1 as cycle 1 ended
    EXPECT_EQ(s.QF, QF0);
    const double DF = (static_cast<double>(s.PETARG) - s.PE) * (s.VH / s.FNCYL) * 1.2 * 0.0676 * s.EQR[s.NCYL + 2] *
                      100000.0 / 0.825 / (static_cast<double>(s.FMEP) + s.PIOFF);
    ASSERT_GT(std::fabs(DF), 1.0E-3);
    EXPECT_NEAR(two.state->QF, QF0 + DF, 1.0E-4 * std::fabs(DF));
}

}  // namespace
}  // namespace diesel
