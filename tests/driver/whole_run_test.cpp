// Whole runs of the bundled examples in memory: the pressure trace, and runs
// that form only some of their texts. (The balances of the converged cycle:
// export_test.)
#include "driver/in_memory_run.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <sstream>

#include "test_support.hpp"

namespace diesel {
namespace {

using test_support::example_texts;

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
