// The step head takes what repeats from its table and the cycle's wall
// constants: every step of two cycles of the four-cylinder example comes out
// as a fresh head forms it, bit for bit.
#include "driver/step_head.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "driver/crank_step.hpp"
#include "driver/in_memory_run.hpp"
#include "report/history.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

TEST(StepHead, KeptAnglesGiveTheBitsOfAFreshHead) {
    InputTexts four = test_support::edited(test_support::example_texts("c1_fixed"), {{3, 1, 5, "4"}});
    four.fort14 = run_in_memory(test_support::example_texts("c1_fixed")).outcome.startTable;
    const InMemoryRun run = run_in_memory(four);
    ASSERT_EQ(run.outcome.end, RunEnd::Completed) << run.outcome.reason;
    RunState& s = *run.state;
    s.ISTEP = 0;
    s.PHI = s.ANGST;
    StepHead kept(s);
    int32_t steps = 0, cycles = 0;
    while (cycles < 2) {
        const auto fresh = std::make_unique<RunState>(s);
        const auto reused = std::make_unique<RunState>(s);
        fresh->PHI = reused->PHI = s.PHI + s.DPH;
        StepHead once(*fresh);
        once.form(*fresh);
        kept.form(*reused);
        ASSERT_EQ(std::memcmp(fresh.get(), reused.get(), sizeof(RunState)), 0) << "state at " << fresh->PHI << " deg";
        ASSERT_EQ(std::memcmp(&once.wall(), &kept.wall(), sizeof(WallStepConstants)), 0) << "wall at " << fresh->PHI;

        ASSERT_EQ(solve_step(s, kept), PassResult::Converged);
        if (s.NSMALL >= 10) s.DPH = s.DPHI;
        if (!(s.DPHIR > s.DPH) && ++s.ISTEP <= kHistorySlots) record_history(s);
        end_of_step_copy(s);
        ++steps;
        if (!(s.ANGST + 720.0f > s.PHI)) {
            // The cycle end as the driver forms it: new wall constants for the next cycle.
            s.PHI = s.ANGST;
            s.ISTEP = 0;
            s.PIVC = s.TRPRES[s.KIVC];
            s.TIVC = (s.VIVC * s.PIVC) / (s.TRMASS[s.KIVC] * 287.0f);
            ++cycles;
        }
    }
    EXPECT_GT(steps, 1440);
}

}  // namespace
}  // namespace diesel
