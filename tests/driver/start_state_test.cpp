// Warm starts: a run from the end of a converged run converges at once; a
// start state of another layout is not applied; the fuel follows the run's
// mode; states that are no start are refused; extrapolation is linear and
// bounded.
#include "driver/start_state.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "driver/in_memory_run.hpp"
#include "case/fort_files.hpp"
#include "input/run_setup.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

Case example_case(const char* name) { return read_fort_case(test_support::example_inputs(name)); }

// A run started from its own converged end finds its first cycle periodic:
// a fixed-fuel run then needs its output cycle only, a load-controlled one
// the load control's shortest course (five cycles); both end where they were.
TEST(StartState, ARunFromItsOwnEndConvergesAtOnce) {
    const struct { const char* example; int32_t cycles; } cases[] = {{"c1_fixed", 2}, {"c1_load", 5}, {"c4_fixed", 2}};
    for (const auto& c : cases) {
        const Case base = example_case(c.example);
        const InMemoryRun cold = run_in_memory(base, kNoTexts);
        ASSERT_EQ(cold.outcome.end, RunEnd::Completed) << c.example;
        const std::unique_ptr<StartState> start = start_state_of(*cold.state);
        ASSERT_NE(start, nullptr);
        const InMemoryRun warm = run_in_memory(base, kNoTexts, start.get(), nullptr);
        ASSERT_EQ(warm.outcome.end, RunEnd::Completed) << c.example << ": " << warm.outcome.reason;
        EXPECT_EQ(warm.outcome.cycle, c.cycles) << c.example;
        EXPECT_LT(std::fabs(warm.state->PE - cold.state->PE), 0.002f * cold.state->PE) << c.example;
        EXPECT_LT(std::fabs(warm.state->NV - cold.state->NV), 0.002f * cold.state->NV) << c.example;
    }
}

// The load example edited by `edits`, set up, ready for start_from().
std::unique_ptr<RunState> set_up(const std::vector<test_support::Edit>& edits) {
    InputTexts texts = test_support::edited(test_support::example_texts("c1_load"), edits);
    texts.fort14 = "8.8E-4  330.0  0.05\n";  // the row a second cylinder needs
    auto s = test_support::read_state(texts);
    set_up_run(*s);
    return s;
}

TEST(StartState, AppliedOnlyToARunOfTheSameLayout) {
    const InMemoryRun end = run_in_memory(example_case("c1_load"), kNoTexts);
    const std::unique_ptr<StartState> start = start_state_of(*end.state);
    ASSERT_NE(start, nullptr);
    const struct { const char* what; std::vector<test_support::Edit> edits; bool applies; } cases[] = {
        {"another load", {{3, 1, 3, "6.0"}}, true},
        {"fixed fuel", {{3, 1, 2, "2"}}, true},
        {"two cylinders", {{3, 1, 5, "2"}}, false},
        {"another start angle", {{2, 4, 2, "560.0"}}, false},
        {"another step", {{2, 4, 13, "0.9"}}, false},
    };
    for (const auto& c : cases) {
        auto s = set_up(c.edits);
        const RunState before = *s;
        EXPECT_EQ(start_from(*s, *start), c.applies) << c.what;
        if (!c.applies) {
            EXPECT_EQ(std::memcmp(&before, s.get(), sizeof before), 0) << c.what;
            continue;
        }
        EXPECT_EQ(s->HCOOL, start->HCOOL) << c.what;
        EXPECT_EQ(std::memcmp(s->TEMP0, start->TEMP0, sizeof s->TEMP0), 0) << c.what;
        if (s->LOADC == 1) {
            // The fuel scaled by the indicated mean effective pressures: 6 bar wanted, 8 bar had.
            EXPECT_NEAR(s->QF, start->QF * (6.0f + start->FMEP) / (start->PE + start->FMEP), 1e-5f) << c.what;
        } else {
            EXPECT_EQ(s->QF, s->FUEL) << c.what;
        }
    }
}

TEST(StartState, NoStartFromAStateThatIsNoneAndNoFarExtrapolation) {
    const InMemoryRun low = run_in_memory(example_case("c1_fixed"), kNoTexts);
    Case more = example_case("c1_fixed");
    more.set_real(Item::FUEL, 4.0f);
    const InMemoryRun high = run_in_memory(more, kNoTexts);
    const std::unique_ptr<StartState> a = start_state_of(*low.state), b = start_state_of(*high.state);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);

    RunState broken = *low.state;
    broken.TEMP0[2] = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(start_state_of(broken), nullptr);
    broken = *low.state;
    broken.MASS[1] = 0.0f;
    EXPECT_EQ(start_state_of(broken), nullptr);

    // Carried on linearly, a step the size of the last one and half of it.
    for (const float ratio : {1.0f, 0.5f}) {
        const std::unique_ptr<StartState> next = extrapolated(*a, *b, ratio);
        ASSERT_NE(next, nullptr) << ratio;
        EXPECT_EQ(next->QF, b->QF + (b->QF - a->QF) * ratio);
        EXPECT_EQ(next->TEMP0[3], b->TEMP0[3] + (b->TEMP0[3] - a->TEMP0[3]) * ratio);
        EXPECT_EQ(next->TRPRES[100], b->TRPRES[100] + (b->TRPRES[100] - a->TRPRES[100]) * ratio);
        EXPECT_EQ(next->DPH, b->DPH);
    }
    for (const float ratio : {0.0f, -1.0f, 2.5f, std::numeric_limits<float>::infinity()})
        EXPECT_EQ(extrapolated(*a, *b, ratio), nullptr) << ratio;
    // Beside another sequence: a base moved by that sequence's step, not by its own.
    const std::unique_ptr<StartState> moved = shifted(*a, *a, *b, 0.5f);
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(moved->TEMP0[3], a->TEMP0[3] + (b->TEMP0[3] - a->TEMP0[3]) * 0.5f);
    StartState otherLayout = *b;
    otherLayout.DPHI = 2.0f * b->DPHI;
    EXPECT_EQ(shifted(*a, *a, otherLayout, 0.5f), nullptr);
    // So far that a mass goes below zero: no state.
    StartState far = *b;
    far.MASS0[1] = a->MASS0[1] - 1.0f;
    EXPECT_EQ(extrapolated(*a, far, 1.0f), nullptr);
}

}  // namespace
}  // namespace diesel
