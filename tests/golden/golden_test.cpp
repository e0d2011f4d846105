// Every output of the bundled examples, byte for byte. The files under
// tests/golden/ were written by the program before any speed work; a change
// that moves one digit of one output fails here. After a deliberate change of
// the model or of a format, scripts/update-golden.sh renews them.
#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "cli/file_run.hpp"
#include "driver/in_memory_run.hpp"

namespace diesel {
namespace {


// Where two texts first differ, as "line N: expected '...', got '...'".
std::string first_difference(const std::string& expected, const std::string& actual) {
    std::istringstream e(expected), a(actual);
    std::string le, la;
    for (int line = 1;; ++line) {
        const bool he = static_cast<bool>(std::getline(e, le));
        const bool ha = static_cast<bool>(std::getline(a, la));
        if (!he && !ha) return "texts differ only in the final newline";
        if (!he || !ha || le != la) {
            return "line " + std::to_string(line) + ": expected '" + (he ? le : "<end>") + "', got '" +
                   (ha ? la : "<end>") + "'";
        }
    }
}

class GoldenOutput : public ::testing::TestWithParam<const char*> {};

TEST_P(GoldenOutput, EveryOutputIsByteIdentical) {
    const std::string name = GetParam();
    const std::string example = std::string(DIESEL_SOURCE_DIR) + "/examples/" + name + "/";
    const std::string golden = std::string(DIESEL_SOURCE_DIR) + "/tests/golden/" + name + "/";
    const InputTexts texts{read_text_file(example + "fort3.dat"), read_text_file(example + "fort2.dat"),
                           read_text_file(example + "fort14.dat")};
    const InMemoryRun run = run_in_memory(texts);
    ASSERT_TRUE(run.inputOk) << run.inputError;
    EXPECT_EQ(run.outcome.end, RunEnd::Completed) << run.outcome.reason;

    // The start table is golden exactly when the run writes one.
    const std::optional<std::string> table = read_text_file(golden + "fort14.dat");
    ASSERT_EQ(run.outcome.rewritesStartTable, table.has_value()) << name << "/fort14.dat";
    const struct {
        const char* file;
        const std::string& text;
    } outputs[] = {
        {"fort8.dat", run.fort8},   {"fort9.dat", run.fort9},   {"fort10.dat", run.fort10},
        {"fort12.dat", run.fort12}, {"fort13.dat", run.fort13}, {"fort15.dat", run.fort15},
        {"fort16.dat", run.fort16}, {"console.txt", run.console}, {"fort14.dat", run.outcome.startTable},
    };
    for (const auto& out : outputs) {
        const std::optional<std::string> expected = read_text_file(golden + out.file);
        if (!expected && std::string(out.file) == "fort14.dat") continue;
        ASSERT_TRUE(expected) << "golden file missing: " << golden << out.file;
        EXPECT_TRUE(*expected == out.text) << name << "/" << out.file << ": "
                                           << first_difference(*expected, out.text);
    }
}

INSTANTIATE_TEST_SUITE_P(Examples, GoldenOutput, ::testing::Values("c1_fixed", "c1_load", "c4_fixed", "c12_fixed"));

}  // namespace
}  // namespace diesel
