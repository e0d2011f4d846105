// Runs in a working folder: exit statuses, the stderr line of a stopped run,
// input errors that change no file, output that cannot be written, and the
// start table replaced whole or not at all.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "cli/robust_binary_run.hpp"

namespace diesel {
namespace {

using namespace cli_test;

std::ptrdiff_t count_warnings(const std::string& err) {
    std::ptrdiff_t n = 0;
    for (std::size_t at = err.find("diesel-cycle: warning: "); at != std::string::npos; at = err.find("diesel-cycle: warning: ", at + 1)) ++n;
    return n;
}

// Status 0 only for a completed output cycle, else 3 with one stderr line
// naming the rule, cycle and crank angle; the reports are written either way.
TEST(RunFolder, EndingStatusStderrLineAndReports) {
    const struct { std::vector<test_support::Edit> edits; int status; std::string err; } cases[] = {
        {{}, 0, ""},
        {{{2, 4, 12, "2"}}, 3, "run stopped: the cycle count reached MAXCYC = 2 before the output cycle was completed (cycle 2, crank angle 1260.00 deg)\n"},
        // A coolant hotter than the gas drives the head heat flux to a NaN.
        {{{2, 3, 1, "3000.0"}}, 3, "run stopped: the temperature of zone 1 (cylinder 1) is no longer a finite number (cycle 2, crank angle "},
    };
    for (const auto& c : cases) {
        Scratch dir;
        put_example(dir.path, "c1_fixed", c.edits);
        const auto r = run_in(dir.path, program());
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.err.empty() ? "" : "diesel-cycle: " + c.err), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n') - count_warnings(r.err), c.status == 0 ? 0 : 1) << r.err;
        for (const char* report : {"fort13.dat", "fort15.dat", "fort16.dat"}) EXPECT_FALSE(read_file(dir.file(report)).empty()) << report;
    }
}

TEST(RunFolder, InputErrorGivesStatus2AndChangesNoFile) {
    for (const bool missing : {false, true}) {
        Scratch dir;
        put_example(dir.path, "c1_fixed", {{2, 4, 13, "1.0x"}});
        for (const char* name : {"fort8.dat", "fort13.dat", "fort14.dat"}) write_file(dir.file(name), "earlier\n");
        if (missing) fs::remove(dir.file("fort3.dat"));
        const auto before = snapshot(dir.path);
        const auto r = run_in(dir.path, program());
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(missing ? "fort3.dat (unit 3): file is missing" : "fort2.dat (unit 2), record 4, item 13 (DPHI)"), std::string::npos) << r.err;
        EXPECT_EQ(snapshot(dir.path), before);
    }
}

TEST(RunFolder, UnwritableOutputNamesTheFile) {
    Scratch dir;
    put_example(dir.path, "c1_fixed");
    fs::create_symlink("/dev/full", dir.file("fort13.dat"));
    const auto r = run_in(dir.path, program());
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("fort13.dat (unit 13): could not be written completely"), std::string::npos) << r.err;
}

// A run that never finds a periodic cycle (a tolerance below any mass difference but 0) runs MAXCYC
// cycles, then rewrites fort14.dat.
TEST(RunFolder, KilledRunLeavesTheOldOrTheWholeNewStartTable) {
    const std::string old = "  8.8E-4  330.0  0.05\n  8.8E-4  330.0  0.05\n  8.8E-4  330.0  0.05\n";
    const auto prepare = [&](const Scratch& s, int maxcyc) {
        put_example(s.path, "c1_fixed", {{2, 7, 9, "1.0E-45"}, {2, 4, 12, std::to_string(maxcyc)}});
        write_file(s.file("fort14.dat"), old);
    };
    int maxcyc = 20;
    double seconds = 0.0;
    std::string whole;
    for (;; maxcyc *= 4) {  // size the run to about half a second
        Scratch s;
        prepare(s, maxcyc);
        const auto t0 = std::chrono::steady_clock::now();
        ASSERT_EQ(run_in(s.path, program()).status, 3);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        whole = read_file(s.file("fort14.dat"));
        if (seconds > 0.25 || maxcyc >= 20000) break;
    }
    ASSERT_NE(whole, old);
    for (const double fraction : {0.3, 0.9, 0.99, 1.0, 1.02}) {
        Scratch s, io;
        prepare(s, maxcyc);
        const pid_t pid = start(s.path, program(), io.file("out"), io.file("err"));
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds * fraction));
        ::kill(pid, SIGKILL);
        wait_status(pid);
        EXPECT_TRUE(read_file(s.file("fort14.dat")) == old || read_file(s.file("fort14.dat")) == whole) << fraction;
    }
}

}  // namespace
}  // namespace diesel
