// Runs bound to a working folder: the exit statuses and the line on stderr
// that says why a run ended early, input errors that change no file, output
// that cannot be written, and the start table replaced whole or not at all.
#include "cli/file_run.hpp"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "cli/robust_binary_run.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

using namespace robust_test;
using test_support::Edit;

// Whether `text` is `pattern`, in which each '*' matches any run of characters
// within a line.
bool glob_match(const std::string& text, const std::string& pattern) {
    std::size_t t = 0, p = 0, star = std::string::npos, mark = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (star != std::string::npos && text[mark] != '\n') {
            p = star + 1;  // let the last '*' take one more character
            t = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

// Early or not, a run ends through the final console line and the reports;
// status 0 only when the output cycle was completed, else 3 and one line on
// stderr naming the rule, the cycle and the crank angle.
TEST(RunEnding, StatusStderrLineAndReports) {
    const std::string stopped = "diesel-cycle: run stopped: ";
    const struct {
        const char* name;
        const char* example;
        std::vector<Edit> edits;
        int status;
        std::string stderrPattern;  // whole of stderr
    } cases[] = {
        {"completed", "c1_fixed", {}, 0, ""},
        {"completed in load mode", "c1_load", {}, 0, ""},
        {"MAXCYC", "c1_fixed", {{2, 4, 12, "2"}}, 3,
         stopped + "the cycle count reached MAXCYC = 2 before the output cycle was completed (cycle 2, crank angle "
                   "1260.00 deg)\n"},
        {"EQRMAX", "c1_fixed", {{2, 7, 2, "0.01"}}, 3,
         stopped + "exhaust-receiver equivalence ratio * exceeds EQRMAX = 0.01 (cycle 3, crank angle * deg)\n"},
        {"FUELMX", "c1_load", {{2, 7, 4, "0.5"}}, 3,
         stopped + "corrected fuel quantity * exceeds FUELMX = 0.5 (10 mm3) (cycle *, crank angle * deg)\n"},
        // An intake valve that hardly opens and an exhaust valve held open
        // through the intake stroke: the cylinder draws the small exhaust
        // receiver empty within the first cycle.
        {"exhaust pressure below 0.528 bar", "c1_fixed",
         {{2, 3, 6, "1.0E-6"}, {2, 3, 5, "620.0"}, {2, 1, 7, "0.0005"}, {2, 10, 1, "2.4E-4"}}, 3,
         stopped + "exhaust-receiver pressure * Pa fell below 52800 Pa (0.528 bar) (cycle 1, crank angle * deg)\n"},
        // A coolant hotter than the gas reverses the head heat flux, and the
        // coolant-side law then raises a negative number to the power 0.6.
        {"NaN in a cylinder", "c1_fixed", {{2, 3, 1, "3000.0"}}, 3,
         stopped + "the temperature of zone 1 (cylinder 1) is no longer a finite number (cycle 2, crank angle * deg)\n"},
        // An intake receiver holding next to no gas divides by its mass.
        {"NaN in a receiver", "c1_fixed", {{2, 9, 1, "1.0E-12"}}, 3,
         stopped + "the mass of zone 2 (intake receiver) is no longer a finite number (cycle 1, crank angle * deg)\n"},
    };
    for (const auto& c : cases) {
        ScratchFolder dir;
        put_example(dir.path(), c.example, c.edits);
        const auto r = run_program(dir.path());
        EXPECT_EQ(r.status, c.status) << c.name << ": " << r.err;
        EXPECT_TRUE(glob_match(r.err, c.stderrPattern)) << c.name << ": stderr was: " << r.err;
        EXPECT_NE(r.out.find("final "), std::string::npos) << c.name;
        for (const char* report : {"fort13.dat", "fort15.dat", "fort16.dat"}) {
            EXPECT_FALSE(read_file(dir.file(report)).empty()) << c.name << ": " << report;
        }
    }
}

TEST(RunEnding, StartTableRewrittenAfterAStoppingRuleButNotAfterANonFiniteState) {
    for (const auto& [edit, rewritten] : {std::pair{Edit{2, 4, 12, "2"}, true}, {Edit{2, 3, 1, "3000.0"}, false}}) {
        ScratchFolder dir;
        put_example(dir.path(), "c1_fixed", {edit});
        write_file(dir.file("fort14.dat"), "old\n");
        EXPECT_EQ(run_program(dir.path()).status, 3);
        const std::string table = read_file(dir.file("fort14.dat"));
        EXPECT_EQ(table != "old\n", rewritten) << edit.value;
        if (rewritten) {
            EXPECT_EQ(test_support::line_count(table), 3u);  // NCYLE - 1 rows
        }
    }
}

// An input error: status 2, one line naming the file, and no file touched.
TEST(InputErrorRun, ExitsWithStatus2AndChangesNoFile) {
    enum class Replace { Nothing, ByNothing, ByFolder, ByEndlessDevice };
    const std::string prefix = "diesel-cycle: ";
    const struct {
        const char* name;
        std::vector<Edit> edits;
        const char* file;  // input file to replace, or nullptr
        Replace replace;   // ... by nothing, a folder, or a link to /dev/zero
        std::string stderrPattern;
    } cases[] = {
        {"letters in a number", {{2, 4, 13, "1.0x"}}, nullptr, Replace::Nothing,
         prefix + "fort2.dat (unit 2), record 4, item 13 (DPHI): \"1.0x\" is not a real number\n"},
        {"too many cylinders", {{3, 1, 5, "13"}}, nullptr, Replace::Nothing,
         prefix + "fort3.dat (unit 3), record 1, item 5 (NCYL): *\n"},
        {"missing operating point", {}, "fort3.dat", Replace::ByNothing, prefix + "fort3.dat (unit 3): file is missing\n"},
        // Two cylinders need a row of the start table, which holds a word here.
        {"unreadable start table", {{3, 1, 5, "2"}}, nullptr, Replace::Nothing, prefix + "fort14.dat (unit 14), row 1 *\n"},
        {"folder in place of a file", {}, "fort2.dat", Replace::ByFolder,
         prefix + "fort2.dat (unit 2): cannot be read: Is a directory\n"},
        // Read in full, it would fill the memory.
        {"endless file", {}, "fort2.dat", Replace::ByEndlessDevice,
         prefix + "fort2.dat (unit 2): cannot be read: larger than 64 MiB, which no input file is\n"},
    };
    for (const auto& c : cases) {
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
        EXPECT_EQ(r.status, 2) << c.name;
        EXPECT_TRUE(glob_match(r.err, c.stderrPattern)) << c.name << ": stderr was: " << r.err;
        EXPECT_EQ(r.out, "") << c.name;
        EXPECT_EQ(snapshot(dir.path()), before) << c.name;
    }
}

const char kOldTable[] = "  8.8E-4  330.0  0.05\n  8.8E-4  330.0  0.05\n  8.8E-4  330.0  0.05\n";

// A full disk under a trace, a report or the console: a message naming it and
// status 2; a run whose output files were lost hands on no start table.
TEST(FullDisk, NamesTheFileExitsWith2AndKeepsTheStartTable) {
    for (const std::string file : {"fort8.dat", "fort13.dat", ""}) {
        ScratchFolder dir;
        put_example(dir.path(), "c1_fixed");
        write_file(dir.file("fort14.dat"), kOldTable);
        if (!file.empty()) fs::create_symlink("/dev/full", dir.file(file));
        const auto r = run_program(dir.path(), {}, file.empty() ? "/dev/full" : "");
        EXPECT_EQ(r.status, 2) << file;
        const std::string message =
            file.empty() ? "diesel-cycle: standard output: "
                         : "diesel-cycle: " + file + " (unit " + file.substr(4, file.find('.') - 4) +
                               "): could not be written completely";
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        if (!file.empty()) {
            EXPECT_EQ(read_file(dir.file("fort14.dat")), kOldTable) << file;
        }
    }
}

std::string temp_name(const std::string& path) { return path + ".tmp." + std::to_string(::getpid()); }

TEST(ReplaceFileAtomically, ReplacesTheTextKeepsThePermissionsAndLeavesNoTemporaryFile) {
    ScratchFolder dir;
    const std::string path = dir.file("fort14.dat");
    write_file(path, kOldTable);
    ::chmod(path.c_str(), 0600);
    // A link in place of the temporary file is not written through.
    write_file(dir.file("elsewhere"), "keep\n");
    fs::create_symlink(dir.file("elsewhere"), temp_name(path));

    EXPECT_EQ(replace_file_atomically(path, "new\n"), "");

    EXPECT_EQ(read_file(path), "new\n");
    struct stat st {};
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(read_file(dir.file("elsewhere")), "keep\n");
    EXPECT_EQ(snapshot(dir.path()).size(), 2u);
}

TEST(ReplaceFileAtomically, FailureReportsWhyAndLeavesTheOldFileWhole) {
    const struct {
        const char* name;
        void (*arrange)(const std::string& path);  // makes the replacement fail
        const char* file;
        const char* errorStart;
    } cases[] = {
        // The file to replace is a folder: the rename fails after the write.
        {"target is a folder",
         [](const std::string& path) {
             fs::remove(path);
             fs::create_directory(path);
             write_file(path + "/inside", "x");
         },
         "fort14.dat", "cannot replace "},
        {"folder does not exist", [](const std::string&) {}, "missing/fort14.dat", "cannot create "},
    };
    for (const auto& c : cases) {
        ScratchFolder dir;
        write_file(dir.file("fort14.dat"), kOldTable);
        const std::string path = dir.file(c.file);
        c.arrange(path);
        const auto before = snapshot(dir.path());
        const std::string error = replace_file_atomically(path, "new\n");
        EXPECT_TRUE(error.starts_with(c.errorStart)) << c.name << ": " << error;
        EXPECT_EQ(snapshot(dir.path()), before) << c.name;
    }
}

// A run that never finds a periodic cycle (negative cyclic tolerance) and so
// runs its MAXCYC cycles, then rewrites the start table.
void put_long_run(const fs::path& dir, int maxcyc) {
    put_example(dir, "c1_fixed", {{2, 7, 9, "-1.0"}, {2, 4, 12, std::to_string(maxcyc)}});
    write_file((dir / "fort14.dat").string(), kOldTable);
}

TEST(KilledRun, StartTableIsTheOldOneOrTheWholeNewOne) {
    using Clock = std::chrono::steady_clock;
    // Size the run to take about half a second on this build.
    int maxcyc = 20;
    double seconds = 0.0;
    std::string newTable;
    for (;;) {
        ScratchFolder dir;
        put_long_run(dir.path(), maxcyc);
        const auto begin = Clock::now();
        const auto r = run_program(dir.path());
        seconds = std::chrono::duration<double>(Clock::now() - begin).count();
        ASSERT_EQ(r.status, 3) << r.err;
        newTable = read_file(dir.file("fort14.dat"));
        if (seconds > 0.25 || maxcyc >= 20000) break;
        maxcyc *= 4;
    }
    ASSERT_NE(newTable, kOldTable);
    ASSERT_EQ(test_support::line_count(newTable), 3u);

    // Kills spread over the run and its very end, where the table is written.
    // How far a run has come when killed depends on the machine's load, so
    // only demand that some kill landed before the table was replaced.
    int killedBeforeReplace = 0;
    for (const double fraction : {0.1, 0.5, 0.9, 0.97, 0.99, 1.0, 1.02}) {
        ScratchFolder dir, io;
        put_long_run(dir.path(), maxcyc);
        const pid_t pid = start(dir.path(), program(), io.file("out"), io.file("err"));
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds * fraction));
        ::kill(pid, SIGKILL);
        const int status = wait_status(pid);
        const std::string table = read_file(dir.file("fort14.dat"));
        EXPECT_TRUE(table == kOldTable || table == newTable) << "killed at " << fraction << ": " << table;
        if (status == 128 + SIGKILL && table == kOldTable) ++killedBeforeReplace;
    }
    EXPECT_GT(killedBeforeReplace, 0);
}

}  // namespace
}  // namespace diesel
