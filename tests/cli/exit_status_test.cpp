// Exit statuses of the program and the line on stderr that says why a run
// ended early, checked on the built program in scratch folders.
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "cli/robust_binary_run.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

using robust_test::put_example;
using robust_test::read_file;
using robust_test::run_program;
using robust_test::ScratchFolder;
using robust_test::snapshot;
using robust_test::write_file;
using test_support::Edit;

struct EndingCase {
    const char* name;
    const char* example;
    std::vector<Edit> edits;
    int status;
    const char* stderrPattern;  // whole of stderr; '*' stands for any text within a line
};

// Whether `text` is `pattern`, in which each '*' matches any run of characters
// within a line.
bool glob_match(const std::string& text, const std::string& pattern) {
    size_t t = 0, p = 0, starP = std::string::npos, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starT = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (starP != std::string::npos && text[starT] != '\n') {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const EndingCase& c, std::ostream* os) { *os << c.name; }

class RunEnding : public ::testing::TestWithParam<EndingCase> {};

TEST_P(RunEnding, StatusAndStderrLineAndReportsWritten) {
    const EndingCase& c = GetParam();
    ScratchFolder dir;
    put_example(dir.path(), c.example, c.edits);
    const auto r = run_program(dir.path());

    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_TRUE(glob_match(r.err, c.stderrPattern)) << "stderr was: " << r.err;
    // Early or not, the run ends through the final console line and the reports.
    EXPECT_NE(r.out.find("final "), std::string::npos);
    for (const char* report : {"fort13.dat", "fort15.dat", "fort16.dat"}) {
        EXPECT_FALSE(read_file(dir.file(report)).empty()) << report;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Endings, RunEnding,
    ::testing::Values(
        EndingCase{"Completed", "c1_fixed", {}, 0, ""},
        EndingCase{"CompletedInLoadMode", "c1_load", {}, 0, ""},
        // Two cycles cannot reach the output cycle.
        EndingCase{"MaxCycles", "c1_fixed", {{2, 4, 12, "2"}}, 3,
                   "diesel-cycle: run stopped: the cycle count reached MAXCYC = 2 before the output cycle was "
                   "completed (cycle 2, crank angle 1260.00 deg)\n"},
        EndingCase{"ExhaustEqrLimit", "c1_fixed", {{2, 7, 2, "0.01"}}, 3,
                   "diesel-cycle: run stopped: exhaust-receiver equivalence ratio *"
                   " exceeds EQRMAX = 0.01 (cycle 3, crank angle * deg)\n"},
        EndingCase{"FuelLimit", "c1_load", {{2, 7, 4, "0.5"}}, 3,
                   "diesel-cycle: run stopped: corrected fuel quantity *"
                   " exceeds FUELMX = 0.5 (10 mm3) (cycle *, crank angle * deg)\n"},
        // An intake valve that hardly opens and an exhaust valve held open
        // through the intake stroke: the cylinder draws the small exhaust
        // receiver empty within the first cycle.
        EndingCase{"ExhaustPressureLow", "c1_fixed",
                   {{2, 3, 6, "1.0E-6"}, {2, 3, 5, "620.0"}, {2, 1, 7, "0.0005"}, {2, 10, 1, "2.4E-4"}}, 3,
                   "diesel-cycle: run stopped: exhaust-receiver pressure *"
                   " Pa fell below 52800 Pa (0.528 bar) (cycle 1, crank angle * deg)\n"},
        // A coolant hotter than the gas reverses the head heat flux, and the
        // coolant-side law then raises a negative number to the power 0.6.
        EndingCase{"NonFiniteCylinder", "c1_fixed", {{2, 3, 1, "3000.0"}}, 3,
                   "diesel-cycle: run stopped: the temperature of zone 1 (cylinder 1) is no longer a finite "
                   "number (cycle 2, crank angle * deg)\n"},
        // An intake receiver holding next to no gas divides by its mass.
        EndingCase{"NonFiniteReceiver", "c1_fixed", {{2, 9, 1, "1.0E-12"}}, 3,
                   "diesel-cycle: run stopped: the mass of zone 2 (intake receiver) is no longer a finite "
                   "number (cycle 1, crank angle * deg)\n"}),
    [](const ::testing::TestParamInfo<EndingCase>& info) { return std::string(info.param.name); });

TEST(RunEnding, StartTableRewrittenAfterAStoppingRuleButNotAfterANonFiniteState) {
    const std::string oldTable = read_file(std::string(DIESEL_SOURCE_DIR) + "/examples/c4_fixed/fort14.dat");
    {
        ScratchFolder dir;
        put_example(dir.path(), "c1_fixed", {{2, 4, 12, "2"}});
        write_file(dir.file("fort14.dat"), "old\n");
        EXPECT_EQ(run_program(dir.path()).status, 3);
        const std::string table = read_file(dir.file("fort14.dat"));
        EXPECT_NE(table, "old\n");
        EXPECT_EQ(test_support::line_count(table), 3u);  // NCYLE - 1 rows
    }
    {
        ScratchFolder dir;
        put_example(dir.path(), "c1_fixed", {{2, 3, 1, "3000.0"}});
        write_file(dir.file("fort14.dat"), oldTable);
        EXPECT_EQ(run_program(dir.path()).status, 3);
        EXPECT_EQ(read_file(dir.file("fort14.dat")), oldTable);
    }
}

// ---- Input errors: status 2, one line naming the file, and no file touched --

enum class Replace { Nothing, ByNothing, ByFolder, ByEndlessDevice };

struct InputErrorCase {
    const char* name;
    std::vector<Edit> edits;
    const char* file;     // input file to replace, or nullptr
    Replace replace;      // ... by nothing, a folder, or a link to /dev/zero
    const char* stderrPattern;  // as above
};

void PrintTo(const InputErrorCase& c, std::ostream* os) { *os << c.name; }

class InputErrorRun : public ::testing::TestWithParam<InputErrorCase> {};

TEST_P(InputErrorRun, ExitsWithStatus2AndChangesNoFile) {
    const InputErrorCase& c = GetParam();
    ScratchFolder dir;
    put_example(dir.path(), "c1_fixed", c.edits);
    // Outputs and a start table of an earlier run, which must keep their bytes.
    for (const char* name : {"fort8.dat", "fort9.dat", "fort10.dat", "fort11.dat", "fort12.dat", "fort13.dat",
                             "fort15.dat", "fort16.dat", "fort14.dat"}) {
        write_file(dir.file(name), std::string("earlier ") + name + "\n");
    }
    if (c.replace != Replace::Nothing) std::filesystem::remove(dir.file(c.file));
    if (c.replace == Replace::ByFolder) std::filesystem::create_directory(dir.file(c.file));
    if (c.replace == Replace::ByEndlessDevice) std::filesystem::create_symlink("/dev/zero", dir.file(c.file));
    const auto before = snapshot(dir.path());

    const auto r = run_program(dir.path());

    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(glob_match(r.err, c.stderrPattern)) << "stderr was: " << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(snapshot(dir.path()), before);
}

INSTANTIATE_TEST_SUITE_P(
    InputErrors, InputErrorRun,
    ::testing::Values(
        InputErrorCase{"LettersInANumber", {{2, 4, 13, "1.0x"}}, nullptr, Replace::Nothing,
                       "diesel-cycle: fort2.dat (unit 2), record 4, item 13 (DPHI): \"1.0x\" is not a "
                       "real number\n"},
        InputErrorCase{"TooManyCylinders", {{3, 1, 5, "13"}}, nullptr, Replace::Nothing,
                       "diesel-cycle: fort3.dat (unit 3), record 1, item 5 (NCYL): *\n"},
        InputErrorCase{"MissingOperatingPoint", {}, "fort3.dat", Replace::ByNothing,
                       "diesel-cycle: fort3.dat (unit 3): file is missing\n"},
        // Two cylinders need a row of the start table, which holds a word here.
        InputErrorCase{"UnreadableStartTable", {{3, 1, 5, "2"}}, nullptr, Replace::Nothing,
                       "diesel-cycle: fort14.dat (unit 14), row 1 *\n"},
        InputErrorCase{"FolderInPlaceOfAFile", {}, "fort2.dat", Replace::ByFolder,
                       "diesel-cycle: fort2.dat (unit 2): cannot be read: Is a directory\n"},
        // Read in full, it would fill the memory.
        InputErrorCase{"EndlessFile", {}, "fort2.dat", Replace::ByEndlessDevice,
                       "diesel-cycle: fort2.dat (unit 2): cannot be read: larger than 64 MiB, which no input file "
                       "is\n"}),
    [](const ::testing::TestParamInfo<InputErrorCase>& info) { return std::string(info.param.name); });

TEST(CommandLine, UnknownArgumentIsStatus2AndRunsNothing) {
    ScratchFolder dir;
    put_example(dir.path(), "c1_fixed");
    const auto before = snapshot(dir.path());
    const auto r = run_program(dir.path(), {"--no-such-option"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("unknown argument"), std::string::npos);
    EXPECT_EQ(snapshot(dir.path()), before);
}

TEST(CommandLine, FolderOptionRunsThere) {
    ScratchFolder dir;
    put_example(dir.path(), "c1_fixed", {{2, 4, 12, "2"}});
    ScratchFolder elsewhere;
    const auto r = run_program(elsewhere.path(), {"-C", dir.path().string()});
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_FALSE(read_file(dir.file("fort13.dat")).empty());
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere.path()));
}

}  // namespace
}  // namespace diesel
