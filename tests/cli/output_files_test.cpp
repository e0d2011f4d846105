// Output files that cannot be written, and the start table replaced whole or
// not at all: through a failing replacement and under a run killed midway.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "cli/file_run.hpp"
#include "cli/robust_binary_run.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

namespace fs = std::filesystem;
using robust_test::put_example;
using robust_test::read_file;
using robust_test::run_program;
using robust_test::ScratchFolder;
using robust_test::write_file;

const char kOldTable[] = "  8.8E-4  330.0  0.05\n  8.8E-4  330.0  0.05\n  8.8E-4  330.0  0.05\n";

// ---- A full disk -------------------------------------------------------------

struct FullFileCase {
    const char* file;      // output bound to /dev/full
    const char* message;   // start of the stderr line that must name it
};

void PrintTo(const FullFileCase& c, std::ostream* os) { *os << c.file; }

class FullDisk : public ::testing::TestWithParam<FullFileCase> {};

TEST_P(FullDisk, NamesTheFileExitsWith2AndKeepsTheStartTable) {
    ScratchFolder dir;
    put_example(dir.path(), "c1_fixed");
    write_file(dir.file("fort14.dat"), kOldTable);
    fs::create_symlink("/dev/full", dir.file(GetParam().file));

    const auto r = run_program(dir.path());

    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(GetParam().message), std::string::npos) << r.err;
    // A run whose reports were lost does not hand on a start table either.
    EXPECT_EQ(read_file(dir.file("fort14.dat")), kOldTable);
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, FullDisk,
    ::testing::Values(FullFileCase{"fort8.dat", "diesel-cycle: fort8.dat (unit 8): could not be written completely"},
                      FullFileCase{"fort13.dat", "diesel-cycle: fort13.dat (unit 13): could not be written completely"},
                      FullFileCase{"fort16.dat", "diesel-cycle: fort16.dat (unit 16): could not be written completely"}),
    [](const ::testing::TestParamInfo<FullFileCase>& info) {
        std::string name = info.param.file;
        return name.substr(0, name.find('.'));
    });

TEST(FullDisk, StandardOutputThatCannotBeWrittenIsStatus2) {
    ScratchFolder dir;
    put_example(dir.path(), "c1_fixed");
    const auto r = run_program(dir.path(), {}, "/dev/full");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("diesel-cycle: standard output: "), std::string::npos) << r.err;
}

// ---- Replacing a file atomically -------------------------------------------------

std::string temp_name(const std::string& path) { return path + ".tmp." + std::to_string(::getpid()); }

TEST(ReplaceFileAtomically, ReplacesTheTextKeepsThePermissionsAndLeavesNoTemporaryFile) {
    ScratchFolder dir;
    const std::string path = dir.file("fort14.dat");
    write_file(path, kOldTable);
    ::chmod(path.c_str(), 0600);

    EXPECT_EQ(replace_file_atomically(path, "new\n"), "");

    EXPECT_EQ(read_file(path), "new\n");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(ReplaceFileAtomically, ALinkInPlaceOfTheTemporaryFileIsNotWrittenThrough) {
    ScratchFolder dir;
    const std::string path = dir.file("fort14.dat");
    write_file(path, kOldTable);
    write_file(dir.file("elsewhere"), "keep\n");
    fs::create_symlink(dir.file("elsewhere"), temp_name(path));

    EXPECT_EQ(replace_file_atomically(path, "new\n"), "");

    EXPECT_EQ(read_file(path), "new\n");
    EXPECT_FALSE(fs::is_symlink(path));
    EXPECT_EQ(read_file(dir.file("elsewhere")), "keep\n");
}

struct FailingReplaceCase {
    const char* name;
    void (*arrange)(const std::string& path);  // makes the replacement fail
    const char* errorStart;
};

void PrintTo(const FailingReplaceCase& c, std::ostream* os) { *os << c.name; }

class FailingReplace : public ::testing::TestWithParam<FailingReplaceCase> {};

TEST_P(FailingReplace, ReportsWhyAndLeavesTheOldFileWhole) {
    ScratchFolder dir;
    const std::string path = dir.file("fort14.dat");
    write_file(path, kOldTable);
    GetParam().arrange(path);
    const auto before = robust_test::snapshot(dir.path());

    const std::string error = replace_file_atomically(path, "new\n");

    EXPECT_EQ(error.rfind(GetParam().errorStart, 0), 0u) << error;
    EXPECT_EQ(robust_test::snapshot(dir.path()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FailingReplace,
    ::testing::Values(
        // The temporary name is taken by a folder that holds a file.
        FailingReplaceCase{"TemporaryNameIsAFolder",
                           [](const std::string& path) {
                               fs::create_directory(temp_name(path));
                               write_file(temp_name(path) + "/inside", "x");
                           },
                           "cannot create "},
        // The file to replace is a folder: the rename fails after the write.
        FailingReplaceCase{"TargetIsAFolder",
                           [](const std::string& path) {
                               fs::remove(path);
                               fs::create_directory(path);
                               write_file(path + "/inside", "x");
                           },
                           "cannot replace "}),
    [](const ::testing::TestParamInfo<FailingReplaceCase>& info) { return std::string(info.param.name); });

TEST(ReplaceFileAtomically, AFolderThatDoesNotExistIsAnError) {
    ScratchFolder dir;
    const std::string path = dir.file("missing/fort14.dat");
    EXPECT_EQ(replace_file_atomically(path, "new\n").rfind("cannot create ", 0), 0u);
    EXPECT_FALSE(fs::exists(dir.file("missing")));
}

// ---- A run killed midway ------------------------------------------------------------

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
        const auto start = Clock::now();
        const auto r = run_program(dir.path());
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
        ASSERT_EQ(r.status, 3) << r.err;
        newTable = read_file(dir.file("fort14.dat"));
        if (seconds > 0.25 || maxcyc >= 20000) break;
        maxcyc *= 4;
    }
    ASSERT_NE(newTable, kOldTable);
    ASSERT_EQ(test_support::line_count(newTable), 3u);

    // Kills spread over the run and its very end, where the table is written.
    for (const double fraction : {0.1, 0.5, 0.9, 0.97, 0.99, 1.0, 1.02}) {
        ScratchFolder dir;
        put_long_run(dir.path(), maxcyc);
        ScratchFolder io;
        const pid_t pid = robust_test::start_program(dir.path(), {}, io.file("out"), io.file("err"));
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds * fraction));
        ::kill(pid, SIGKILL);
        robust_test::wait_status(pid);

        const std::string table = read_file(dir.file("fort14.dat"));
        EXPECT_TRUE(table == kOldTable || table == newTable) << "killed at " << fraction << ": " << table;
        if (fraction <= 0.5) {
            EXPECT_EQ(table, kOldTable) << "killed at " << fraction;
        }
    }
}

}  // namespace
}  // namespace diesel
