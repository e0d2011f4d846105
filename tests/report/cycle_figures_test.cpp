#include "report/cycle_figures.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <string>

#include "input/run_setup.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

// The fixed-fuel example after set-up; TRHTCT[i] = i shows which entries are summed.
std::unique_ptr<RunState> example_state() {
    auto s = test_support::read_state(test_support::example_texts("c1_fixed"));
    set_up_run(*s);
    for (int32_t i = 1; i <= kHistorySlots; ++i) s->TRMASS[i] = 1.0e-3f, s->TRHTCT[i] = static_cast<float>(i);
    s->EXMASS = 9.0e-4f;
    return s;
}

// Diagnostics of one evaluation; a second one must stay silent (one warning per run).
std::string diagnostics(RunState& s) {
    std::ostringstream console, diag, again;
    cycle_figures(s, console, &diag);
    cycle_figures(s, console, &again);
    EXPECT_EQ(again.str(), "");
    return diag.str();
}

// Window entries outside the tables count as absent, with one warning.
TEST(CycleFigures, ExhaustValveWindow) {
    const struct {
        float evo, evc;  // EVO - ANGST, EVC - ANGST [deg]
        int32_t ica1, ica2, last;  // last entry summed
    } cases[] = {{-410.0f, -170.0f, 310, 550, 550}, {10.0f, 80.0f, 730, 800, 800}, {50.0f, 150.0f, 770, 870, 821}};
    for (const auto& c : cases) {
        auto s = example_state();
        s->EVO = s->ANGST + c.evo;
        s->EVC = s->ANGST + c.evc;
        const std::string diag = diagnostics(*s);
        EXPECT_EQ(s->ICA1, c.ica1);
        EXPECT_EQ(s->ICA2, c.ica2);
        EXPECT_NEAR(s->QLV2, (c.ica1 + c.last) * (c.last - c.ica1 + 1) / 2.0, 1.0) << c.ica1;
        EXPECT_EQ(diag.find("exhaust-valve window") != std::string::npos, c.last != c.ica2) << diag;
    }
}

// The charge mass 30 degrees before the 720-degree mark: entry 0 is no table entry.
TEST(CycleFigures, ChargeMassEntryOutsideTheTable) {
    auto s = example_state();
    s->ANGST = 690.0f;
    EXPECT_NE(diagnostics(*s).find("warning: the charge-mass"), std::string::npos);
    EXPECT_TRUE(std::isnan(s->TRAPR));
}

}  // namespace
}  // namespace diesel
