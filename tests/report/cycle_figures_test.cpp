// End-of-cycle figures of cylinder 1: the exhaust-valve window, the 720-entry
// sweep (work, heat, means), friction and load, the charge-mass entry, and the
// final figures of a run.
#include "report/cycle_figures.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>

#include "driver/in_memory_run.hpp"
#include "driver/kinematics.hpp"
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
    std::string console;
    std::string diag;
};

Figures evaluate(RunState& s) {
    std::ostringstream console, diag;
    cycle_figures(s, console, &diag);
    return {console.str(), diag.str()};
}

int32_t count(const std::string& text, const std::string& what) {
    int32_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// ---- Exhaust-valve window -----------------------------------------------------

struct Window {
    const char* name;
    float evo;      // EVO - ANGST [deg]
    float evc;      // EVC - ANGST [deg]
    int32_t ica1;
    int32_t ica2;
    int32_t first;  // entries summed: first .. last (none when last < first)
    int32_t last;
    bool warns;     // part of the window lies outside the tables
};

std::ostream& operator<<(std::ostream& os, const Window& w) { return os << w.name; }

class ExhaustWindow : public ::testing::TestWithParam<Window> {};

TEST_P(ExhaustWindow, EntriesAndMeans) {
    const Window w = GetParam();
    auto s = example_state();
    s->EVO = s->ANGST + w.evo;
    s->EVC = s->ANGST + w.evc;
    for (int32_t i = 1; i <= kHistorySlots; ++i) s->TRHTCT[i] = static_cast<float>(i);
    const Figures f = evaluate(*s);
    EXPECT_EQ(s->ICA1, w.ica1);
    EXPECT_EQ(s->ICA2, w.ica2);
    double sum = 0.0;
    for (int32_t i = w.first; i <= w.last; ++i) sum += i;
    EXPECT_NEAR(s->QLV2, sum, 1e-6 * sum);
    // The mean over the window divides by the number of entries minus one.
    const int32_t entries = w.last >= w.first ? w.last - w.first + 1 : 0;
    const double htm2 = entries > 0 ? 200.0 * entries / (w.ica2 - w.ica1) : 0.0;
    EXPECT_NEAR(s->HTM2, htm2, 1e-5 * htm2);
    EXPECT_EQ(count(f.diag, "exhaust-valve window"), w.warns ? 1 : 0) << f.diag;
}

INSTANTIATE_TEST_SUITE_P(Timings, ExhaustWindow,
                         ::testing::Values(Window{"example timing", -410.0f, -170.0f, 310, 550, 310, 550, false},
                                           Window{"opening after ANGST", 10.0f, 80.0f, 730, 800, 730, 800, false},
                                           Window{"reaching beyond the tables", 50.0f, 150.0f, 770, 870, 770, 821, true},
                                           Window{"wholly beyond the tables", 110.0f, 150.0f, 830, 870, 1, 0, true},
                                           Window{"opening at entry 0", -719.5f, -600.0f, 0, 120, 1, 120, true},
                                           Window{"closing before opening", -10.0f, -700.0f, 710, 20, 1, 0, false}));

TEST(ExhaustWindow, WarningBeyondTheTablesOnlyOncePerRun) {
    auto s = example_state();
    s->EVO = s->ANGST + 50.0f;
    s->EVC = s->ANGST + 150.0f;
    const Figures first = evaluate(*s);
    const Figures second = evaluate(*s);
    EXPECT_EQ(count(first.diag, "warning"), 1) << first.diag;
    EXPECT_EQ(count(second.diag, "warning"), 0) << second.diag;
    EXPECT_TRUE(std::isfinite(s->HTM2));
}

// ---- The 720-entry sweep --------------------------------------------------------

TEST(CycleSweep, DisplacementRateMatchesTheKinematics) {
    auto s = example_state();
    evaluate(*s);
    float largest = 0.0f;
    for (int32_t j = 1; j <= 720; ++j) {
        s->PHI = s->ANGST + static_cast<float>(j);
        cylinder_kinematics(*s, 1, 720.0f);
        largest = std::fmax(largest, std::fabs(s->DVOL[1]));
        EXPECT_NEAR(s->TRDVOL[j], s->DVOL[1], 1.0e-9f) << "entry " << j;
    }
    // Peak displacement rate: bore area times crank radius (7.85e-3 m2 * 0.05 m),
    // raised a little by the connecting-rod angle [m3/rad].
    EXPECT_GT(largest, 3.9e-4f);
    EXPECT_LT(largest, 4.3e-4f);
}

TEST(CycleSweep, IndicatedWorkIsTheIntegralOfPressureOverVolume) {
    auto s = example_state();
    // A constant pressure does no work over a closed cycle.
    evaluate(*s);
    const float swept = s->VH / s->FNCYL;
    EXPECT_NEAR(s->WORK, 0.0f, 1e-4f * 200000.0f * swept);
    // 30 bar during the expansion stroke only (entries 181 .. 360 run from firing
    // TDC at 720 degrees to BDC): the work of one swept volume.
    for (int32_t j = 1; j <= kHistorySlots; ++j) s->TRPRES[j] = (j > 180 && j <= 360) ? 3.0e6f : 0.0f;
    evaluate(*s);
    EXPECT_NEAR(s->WORK, 3.0e6f * swept, 0.01f * 3.0e6f * swept);
}

TEST(CycleSweep, MeansOverExactly720Entries) {
    auto s = example_state();
    ASSERT_EQ(s->DPH, 1.0f);
    double htc = 0.0, htcT = 0.0;
    for (int32_t j = 1; j <= kHistorySlots; ++j) {
        const bool inCycle = j <= 720;
        s->TRHTC[j] = inCycle ? 100.0f + static_cast<float>(j) : 1.0e6f;
        s->TRTEMP[j] = inCycle ? 400.0f + static_cast<float>(j % 7) : 1.0e6f;
        s->TRTEXR[j] = inCycle ? 500.0f + static_cast<float>(j % 2) : 1.0e6f;
        s->TRPEXR[j] = inCycle ? 120000.0f : 1.0e9f;
        s->TRQWALL[j] = inCycle ? -0.25f : 1.0e6f;
        if (inCycle) {
            htc += s->TRHTC[j];
            htcT += static_cast<double>(s->TRHTC[j]) * s->TRTEMP[j];
        }
    }
    evaluate(*s);
    EXPECT_NEAR(s->HTM, htc / 720.0, 1e-5 * htc / 720.0);
    EXPECT_NEAR(s->HTM, 460.5f, 0.01f);
    EXPECT_NEAR(s->TCM, htcT / htc, 1e-5 * htcT / htc);
    EXPECT_NEAR(s->TEX, 227.5f, 0.01f);  // degC
    EXPECT_NEAR(s->PM, 0.2f, 1e-5f);     // bar above ambient
    EXPECT_NEAR(s->QLOS, -180.0f, 1e-3f);
}

// ---- Friction, load, fuel -------------------------------------------------------

TEST(LoadFigures, FrictionMeanEffectivePressure) {
    auto s = example_state();
    s->CR = 18.0f;
    s->FRCR = 1.0f;
    s->SPEED = 2000.0f;
    s->CMEAN = 10.0f;
    evaluate(*s);
    // 14/14.5 + 0.95 + 0.395 bar
    EXPECT_NEAR(s->FMEP, 2.3105f, 5e-5f);
    EXPECT_NEAR(s->FMEP, 14.0f / 14.5f + 0.95f + 0.395f, 1e-6f);
    // Friction work of one cylinder [J]: FMEP over the swept volume of a cylinder.
    EXPECT_NEAR(s->QFRI, s->FMEP * 100000.0f * s->VH / s->FNCYL, 1e-3f);
    EXPECT_NEAR(s->PE, (s->WORK / (s->VH / s->FNCYL)) / 100000.0f - s->FMEP, 1e-4f);
}

TEST(LoadFigures, FuelEnergyAndVolumetricEfficiency) {
    auto s = example_state();
    ASSERT_EQ(s->QF, 3.5f);
    const float fuel = 3.5f * 0.825f / 100000.0f;  // 35 mm3 of 0.825 kg/dm3 fuel [kg]
    s->EXMASS = s->VH * 1.2f + fuel * s->FNCYL;   // a swept volume of 1.2 kg/m3 air, plus the fuel
    evaluate(*s);
    EXPECT_NEAR(s->HFUEL, fuel * 43.0e6f, 1e-3f);
    EXPECT_NEAR(s->HFUEL, 1241.6f, 0.1f);
    EXPECT_NEAR(s->NV, 1.0f, 1e-5f);
    EXPECT_FLOAT_EQ(s->ETAI, s->WORK / s->HFUEL);
}

// ---- Charge-mass entry 30 degrees before the 720-degree mark ------------------------

struct ChargeEntry {
    float ANGST;    // [deg]
    int32_t entry;  // 0: no table entry
};

std::ostream& operator<<(std::ostream& os, const ChargeEntry& c) { return os << "ANGST " << c.ANGST; }

class ChargeMassEntry : public ::testing::TestWithParam<ChargeEntry> {};

TEST_P(ChargeMassEntry, ReadsOnlyTableEntries) {
    const ChargeEntry c = GetParam();
    auto s = example_state();
    s->ANGST = c.ANGST;
    for (int32_t i = 0; i <= kHistorySlots; ++i) s->TRMASS[i] = 1.0f;  // slot 0 too: it must not be read
    if (c.entry > 0) s->TRMASS[c.entry] = 8.0e-4f;
    const Figures f = evaluate(*s);
    if (c.entry > 0) {
        EXPECT_FLOAT_EQ(s->TRAPR, s->CR / (s->CR - 1.0f) * 8.0e-4f / s->VH / 1.2f * s->FNCYL);
        EXPECT_EQ(count(f.diag, "warning: the charge-mass"), 0) << f.diag;
    } else {
        EXPECT_TRUE(std::isnan(s->TRAPR));
        EXPECT_EQ(count(f.diag, "warning: the charge-mass"), 1) << f.diag;
    }
    EXPECT_NE(f.console.find("charge"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Starts, ChargeMassEntry,
                         ::testing::Values(ChargeEntry{540.0f, 150}, ChargeEntry{0.0f, 690},
                                           ChargeEntry{-29.5f, 719},  // IA = trunc(719.5)
                                           ChargeEntry{690.0f, 0}, ChargeEntry{-30.0f, 0},
                                           ChargeEntry{700.0f, 0}, ChargeEntry{1.0e9f, 0}));

TEST(ChargeMassEntry, WarnsOncePerRun) {
    auto s = example_state();
    s->ANGST = 690.0f;
    const Figures first = evaluate(*s);
    s->ANGST = 700.0f;
    const Figures second = evaluate(*s);
    EXPECT_EQ(count(first.diag + second.diag, "warning: the charge-mass"), 1);
    EXPECT_TRUE(std::isnan(s->TRAPR));
}

// ---- Final figures ------------------------------------------------------------

TEST(FinalFigures, MotoredCycleHasAmbientOxygen) {
    auto s = example_state();
    s->QF = 0.0f;
    s->EXMASS = s->VH * 1.2f * 0.9f;
    evaluate(*s);
    EXPECT_EQ(s->HFUEL, 0.0f);
    EXPECT_NEAR(s->NV, 0.9f, 1e-5f);
    final_figures(*s);
    EXPECT_TRUE(std::isinf(s->WLAM));
    EXPECT_NEAR(s->PSO2, 21.008f, 1e-3f);
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
    // 0.9 g of air for 28.9 mg of fuel; the figure takes about 14.0 kg of air per kg of fuel as stoichiometric.
    EXPECT_NEAR(s->WLAM, 9.0e-4f / (fuel * 14.0f), 0.01f);
    EXPECT_GT(s->PSO2, 0.0f);
    EXPECT_LT(s->PSO2, 21.008f);
    EXPECT_NEAR(s->SOCDEG, 6.0f, 1e-4f);
}

TEST(FinalFigures, MotoredRunCompletes) {
    // Fixed-fuel mode with no fuel.
    const InMemoryRun run = run_in_memory(test_support::edited(test_support::example_texts("c1_fixed"), {{3, 1, 4, "0.0"}}));
    ASSERT_TRUE(run.inputOk) << run.inputError;
    EXPECT_EQ(run.outcome.end, RunEnd::Completed) << run.outcome.reason;
    EXPECT_EQ(run.state->HFUEL, 0.0f);
    EXPECT_LT(run.state->WORK, 0.0f);  // pumping and heat loss
    EXPECT_NEAR(run.state->PSO2, 21.008f, 1e-3f);
    EXPECT_FALSE(run.fort13.empty());
    EXPECT_FALSE(run.fort16.empty());
}

}  // namespace
}  // namespace diesel
