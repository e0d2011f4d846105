// Whole runs of the bundled examples in memory that form only some of their
// texts. (The balances of the converged cycle: export_test.)
#include "driver/in_memory_run.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "test_support.hpp"

namespace diesel {
namespace {

using test_support::example_texts;

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
