// End-of-cycle figures of cylinder 1: the exhaust-valve window, the 720-entry
// sweep (work, heat, means), friction and load, the charge-mass entry, and the
// final figures of a run.
#include "report/cycle_figures.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <string>

#include "driver/in_memory_run.hpp"
#include "input/run_setup.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

// The bundled fixed-fuel example after set-up, with plausible history tables:
// 2 bar, 1 g, 800 K and 200 W/(m2 K) in cylinder 1, a warm exhaust receiver.
std::unique_ptr<RunState> example_state() {
    auto s = test_support::read_state(test_support::example_texts("c1_fixed"));
    set_up_run(*s);
    for (int32_t i = 1; i <= kHistorySlots; ++i) {
        s->TRPRES[i] = 200000.0f;
        s->TRMASS[i] = 1.0e-3f;
        s->TRTEMP[i] = 800.0f;
        s->TREQR[i] = 0.5f;
        s->TRPEXR[i] = 110000.0f;
        s->TRTEXR[i] = 600.0f;
        s->TRHTC[i] = 200.0f;
        s->TRHTCT[i] = -0.01f;
        s->TRQWALL[i] = -0.3f;
        s->TRQHEAD[i] = -0.1f;
    }
    s->EXMASS = 9.0e-4f;
    return s;
}

struct Figures {
    std::string console, diag;
};

Figures evaluate(RunState& s) {
    std::ostringstream console, diag;
    cycle_figures(s, console, &diag);
    return {console.str(), diag.str()};
}

int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// Entries ICA1 .. ICA2 are summed where they lie in the tables; the rest count
// as absent, with one warning per run.
TEST(CycleFigures, ExhaustValveWindowReadsOnlyTableEntries) {
    const struct {
        const char* name;
        float evo, evc;  // EVO - ANGST, EVC - ANGST [deg]
        int32_t ica1, ica2;
        int32_t first, last;  // entries summed (none when last < first)
        bool warns;
    } cases[] = {
        {"example timing", -410.0f, -170.0f, 310, 550, 310, 550, false},
        {"opening after ANGST", 10.0f, 80.0f, 730, 800, 730, 800, false},
        {"reaching beyond the tables", 50.0f, 150.0f, 770, 870, 770, 821, true},
        {"wholly beyond the tables", 110.0f, 150.0f, 830, 870, 1, 0, true},
        {"opening at entry 0", -719.5f, -600.0f, 0, 120, 1, 120, true},
        {"closing before opening", -10.0f, -700.0f, 710, 20, 1, 0, false},
    };
    for (const auto& c : cases) {
        auto s = example_state();
        s->EVO = s->ANGST + c.evo;
        s->EVC = s->ANGST + c.evc;
        for (int32_t i = 1; i <= kHistorySlots; ++i) s->TRHTCT[i] = static_cast<float>(i);
        const Figures f = evaluate(*s);
        EXPECT_EQ(s->ICA1, c.ica1) << c.name;
        EXPECT_EQ(s->ICA2, c.ica2) << c.name;
        double sum = 0.0;
        for (int32_t i = c.first; i <= c.last; ++i) sum += i;
        EXPECT_NEAR(s->QLV2, sum, 1e-6 * sum) << c.name;
        // The mean over the window divides by the number of entries minus one.
        const int32_t entries = c.last >= c.first ? c.last - c.first + 1 : 0;
        const double htm2 = entries > 0 ? 200.0 * entries / (c.ica2 - c.ica1) : 0.0;
        EXPECT_NEAR(s->HTM2, htm2, 1e-5 * htm2) << c.name;
        EXPECT_EQ(count(f.diag, "exhaust-valve window"), c.warns ? 1 : 0) << c.name << ": " << f.diag;
        EXPECT_EQ(evaluate(*s).diag, "") << c.name << ": warned twice";
    }
}

// The charge mass is read 30 degrees before the 720-degree mark; when that is
// no table entry (slot 0 included) TRAPR is NaN, with one warning per run.
TEST(CycleFigures, ChargeMassEntryReadsOnlyTableEntries) {
    for (const auto& [angst, entry] : {std::pair{540.0f, 150}, {0.0f, 690}, {-29.5f, 719}, {690.0f, 0}, {1.0e9f, 0}}) {
        auto s = example_state();
        s->ANGST = angst;
        for (int32_t i = 0; i <= kHistorySlots; ++i) s->TRMASS[i] = 1.0f;
        if (entry > 0) s->TRMASS[entry] = 8.0e-4f;
        const Figures f = evaluate(*s);
        if (entry > 0) {
            EXPECT_FLOAT_EQ(s->TRAPR, s->CR / (s->CR - 1.0f) * 8.0e-4f / s->VH / 1.2f * s->FNCYL) << angst;
        } else {
            EXPECT_TRUE(std::isnan(s->TRAPR)) << angst;
        }
        EXPECT_EQ(count(f.diag, "warning: the charge-mass"), entry > 0 ? 0 : 1) << angst << ": " << f.diag;
        EXPECT_NE(f.console.find("charge"), std::string::npos);
        EXPECT_EQ(evaluate(*s).diag, "") << angst << ": warned twice";
    }
}

// The sweep forms the displacement rate TRDVOL of each entry, and WORK as the
// integral of pressure over volume.
TEST(CycleFigures, DisplacementRateAndIndicatedWork) {
    auto s = example_state();
    evaluate(*s);
    const float swept = s->VH / s->FNCYL;
    EXPECT_NEAR(s->WORK, 0.0f, 1e-4f * 200000.0f * swept);  // a constant pressure does no work over a cycle
    // Zero at firing TDC (entry 180) and BDC (entry 360); peak about bore area
    // times crank radius (7.85e-3 m2 * 0.05 m), raised a little by the rod angle [m3/rad].
    EXPECT_NEAR(s->TRDVOL[180], 0.0f, 1.0e-9f);
    EXPECT_NEAR(s->TRDVOL[360], 0.0f, 1.0e-9f);
    float largest = 0.0f;
    for (int32_t j = 1; j <= 720; ++j) largest = std::fmax(largest, std::fabs(s->TRDVOL[j]));
    EXPECT_GT(largest, 3.9e-4f);
    EXPECT_LT(largest, 4.3e-4f);
    // 30 bar during the expansion stroke only (entries 181 .. 360 run from
    // firing TDC to BDC): the work of one swept volume.
    for (int32_t j = 1; j <= kHistorySlots; ++j) s->TRPRES[j] = (j > 180 && j <= 360) ? 3.0e6f : 0.0f;
    evaluate(*s);
    EXPECT_NEAR(s->WORK, 3.0e6f * swept, 0.01f * 3.0e6f * swept);
}

TEST(CycleFigures, MeansOverExactly720Entries) {
    auto s = example_state();
    ASSERT_EQ(s->DPH, 1.0f);
    double htc = 0.0, htcT = 0.0;
    for (int32_t j = 1; j <= kHistorySlots; ++j) {
        const bool inCycle = j <= 720;  // entries beyond must not count
        s->TRHTC[j] = inCycle ? 100.0f + static_cast<float>(j) : 1.0e6f;
        s->TRTEMP[j] = inCycle ? 400.0f + static_cast<float>(j % 7) : 1.0e6f;
        s->TRTEXR[j] = inCycle ? 500.0f + static_cast<float>(j % 2) : 1.0e6f;
        s->TRPEXR[j] = inCycle ? 120000.0f : 1.0e9f;
        s->TRQWALL[j] = inCycle ? -0.25f : 1.0e6f;
        if (inCycle) htc += s->TRHTC[j], htcT += static_cast<double>(s->TRHTC[j]) * s->TRTEMP[j];
    }
    evaluate(*s);
    EXPECT_NEAR(s->HTM, 460.5f, 0.01f);
    EXPECT_NEAR(s->TCM, htcT / htc, 1e-5 * htcT / htc);  // HTC-weighted
    EXPECT_NEAR(s->TEX, 227.5f, 0.01f);                  // degC
    EXPECT_NEAR(s->PM, 0.2f, 1e-5f);                     // bar above ambient
    EXPECT_NEAR(s->QLOS, -180.0f, 1e-3f);
}

TEST(CycleFigures, FrictionLoadAndFuelFigures) {
    auto s = example_state();
    s->CR = 18.0f;
    s->FRCR = 1.0f;
    s->CMEAN = 10.0f;
    ASSERT_EQ(s->QF, 3.5f);
    const float fuel = 3.5f * 0.825f / 100000.0f;  // 35 mm3 of 0.825 kg/dm3 fuel [kg]
    s->EXMASS = s->VH * 1.2f + fuel * s->FNCYL;   // a swept volume of 1.2 kg/m3 air, plus the fuel
    evaluate(*s);
    EXPECT_NEAR(s->FMEP, 2.3105f, 5e-5f);  // 14/14.5 + 0.95 + 0.395 bar at 2000 rpm
    // Friction work of one cylinder [J]: FMEP over the swept volume of a cylinder.
    EXPECT_NEAR(s->QFRI, s->FMEP * 100000.0f * s->VH / s->FNCYL, 1e-3f);
    EXPECT_NEAR(s->PE, (s->WORK / (s->VH / s->FNCYL)) / 100000.0f - s->FMEP, 1e-4f);
    EXPECT_NEAR(s->HFUEL, 1241.6f, 0.1f);  // 43 MJ/kg
    EXPECT_NEAR(s->NV, 1.0f, 1e-5f);
    EXPECT_FLOAT_EQ(s->ETAI, s->WORK / s->HFUEL);
}

TEST(FinalFigures, ExcessAirResidualsAndAngles) {
    auto s = example_state();
    s->TRMASS[300] = 1.0e-3f;
    s->TREQR[350] = 0.5f;
    const float fuel = s->QF * 0.825f / 100000.0f;
    s->EXMASS = 9.0e-4f + fuel;  // 0.9 g of air through one cylinder
    evaluate(*s);
    final_figures(*s);
    EXPECT_NEAR(s->RESID, 0.1f, 1e-4f);
    EXPECT_FLOAT_EQ(s->LAMBDA, 2.0f);
    // 0.9 g of air for 28.9 mg of fuel, about 14.0 kg of air per kg of fuel stoichiometric.
    EXPECT_NEAR(s->WLAM, 9.0e-4f / (fuel * 14.0f), 0.01f);
    EXPECT_GT(s->PSO2, 0.0f);
    EXPECT_LT(s->PSO2, 21.008f);
    EXPECT_NEAR(s->SOCDEG, 6.0f, 1e-4f);
}

// A motored run (fixed fuel, none of it) completes with the oxygen of air.
TEST(FinalFigures, MotoredRunCompletesWithAmbientOxygen) {
    const InMemoryRun run = run_in_memory(test_support::edited(test_support::example_texts("c1_fixed"), {{3, 1, 4, "0.0"}}));
    ASSERT_TRUE(run.inputOk) << run.inputError;
    EXPECT_EQ(run.outcome.end, RunEnd::Completed) << run.outcome.reason;
    EXPECT_EQ(run.state->HFUEL, 0.0f);
    EXPECT_LT(run.state->WORK, 0.0f);  // pumping and heat loss
    EXPECT_TRUE(std::isinf(run.state->WLAM));
    EXPECT_NEAR(run.state->PSO2, 21.008f, 1e-3f);
    EXPECT_NE(run.fort13.find("[O2]=21.0%"), std::string::npos) << run.fort13;
}

}  // namespace
}  // namespace diesel
