// Every output of the bundled examples, byte for byte, against files the program
// wrote before any speed work; scripts/update-golden.sh renews them after a
// deliberate change of the model or of a format.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "files/run_folder.hpp"
#include "driver/in_memory_run.hpp"

namespace diesel {
namespace {

class GoldenOutput : public ::testing::TestWithParam<const char*> {};

TEST_P(GoldenOutput, EveryOutputIsByteIdentical) {
    const std::string golden = std::string(DIESEL_SOURCE_DIR) + "/tests/golden/" + GetParam() + "/";
    const std::string example = std::string(DIESEL_SOURCE_DIR) + "/examples/" + GetParam() + "/";
    const InMemoryRun run = run_in_memory({read_text_file(example + "fort3.dat"), read_text_file(example + "fort2.dat"),
                                           read_text_file(example + "fort14.dat")});
    ASSERT_EQ(run.outcome.end, RunEnd::Completed) << run.outcome.reason;
    // The start table is golden exactly when the run writes one.
    const auto table = read_text_file(golden + "fort14.dat");
    ASSERT_EQ(run.outcome.rewritesStartTable, table.has_value());
    EXPECT_EQ(table.value_or(run.outcome.startTable), run.outcome.startTable);
    for (const auto& [file, text] : {std::pair{"fort8.dat", &run.fort8}, {"fort9.dat", &run.fort9},
                                     {"fort10.dat", &run.fort10}, {"fort12.dat", &run.fort12},
                                     {"fort13.dat", &run.fort13}, {"fort15.dat", &run.fort15},
                                     {"fort16.dat", &run.fort16}, {"console.txt", &run.console}}) {
        EXPECT_EQ(read_text_file(golden + file).value_or("<missing>"), *text) << GetParam() << "/" << file;
    }
}

INSTANTIATE_TEST_SUITE_P(Examples, GoldenOutput, ::testing::Values("c1_fixed", "c1_load", "c4_fixed", "c12_fixed"));

}  // namespace
}  // namespace diesel
