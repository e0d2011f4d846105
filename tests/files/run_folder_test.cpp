// Runs in a working folder: input errors that change no file, regular files
// only, outputs all or none, write errors, one run per folder, interrupted
// runs, and the start table both ways.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "cli/robust_binary_run.hpp"

namespace diesel {
namespace {

using namespace cli_test;

// Bad input, or a FIFO, device or folder in place of an input
// or output is refused at once, before any output is emptied or created; a
// link to a regular file is used. Earlier outputs of fort8 to fort12 and the
// export files exist, fort13 to fort16 do not; a run without --export would
// remove the export files.
TEST(RunFolder, RegularFilesOnlyAndOutputsAllOrNone) {
    using Edits = std::vector<test_support::Edit>;
    const struct { const char* name; const char* kind; int status; const char* says; Edits edits; } cases[] = {
        {"fort2.dat", "as is", 2, "fort2.dat (unit 2), record 4, item 13 (DPHI)", {{2, 4, 13, "1.0x"}}},
        {"fort2.dat", "fifo", 2, "fort2.dat (unit 2): cannot be read: it is a FIFO (named pipe), not a regular file", {}},
        {"fort3.dat", "folder", 2, "fort3.dat (unit 3): cannot be read: it is a folder, not a regular file", {}},
        {"fort14.dat", "/dev/zero", 2, "fort14.dat (unit 14): cannot be read: it is a character device", {{3, 1, 5, "2"}}},
        {"fort14.dat", "fifo", 2, "fort14.dat (unit 14): cannot replace fort14.dat: it is a FIFO", {}},
        {"fort16.dat", "fifo", 2, "fort16.dat (unit 16): it is a FIFO (named pipe), not a regular file", {}},
        // Found once the outputs are open: they are left as they were all the same.
        {"results.json", "folder", 2, "results.json: cannot remove the one of an earlier run: Is a directory", {}},
        {"fort8.dat", "link", 0, "", {}},
    };
    for (const auto& c : cases) {
        Scratch dir, elsewhere;
        put_example(dir.path, "c1_fixed", c.edits);
        for (const char* name :
             {"fort8.dat", "fort9.dat", "fort10.dat", "fort11.dat", "fort12.dat", "results.json", "traces.csv"})
            write_file(dir.file(name), "earlier\n");
        const std::string path = dir.file(c.name), kind = c.kind;
        const std::string target = elsewhere.file("target");
        if (kind != "as is" && fs::exists(path)) fs::rename(path, target);
        if (kind == "fifo") {
            ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
        }
        if (kind == "folder") fs::create_directory(path);
        if (kind.starts_with("/dev/")) fs::create_symlink(kind, path);
        if (kind == "link") {
            if (!fs::exists(target)) write_file(target, "earlier\n");
            fs::create_symlink(target, path);
        }
        const auto before = snapshot(dir.path);
        const auto t0 = std::chrono::steady_clock::now();
        const auto r = run_in(dir.path, program());
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5)) << c.name << " " << c.kind;
        EXPECT_EQ(r.status, c.status) << c.name << " " << c.kind << ": " << r.err;
        if (c.status == 0) {
            EXPECT_TRUE(fs::is_symlink(path)) << c.name;
            EXPECT_NE(read_file(target), "earlier\n") << c.name;
            continue;
        }
        EXPECT_TRUE(r.err.starts_with(std::string("diesel-cycle: ") + c.says)) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        auto after = snapshot(dir.path);
        after.erase(".diesel-cycle.lock");
        EXPECT_EQ(after, before) << c.name << " " << c.kind;
    }
}

// Where the writes fail (a file size limit here, a full disk alike), the run
// says which file and exits 2; the old start table stays.
TEST(RunFolder, WriteErrorsReachTheExitStatus) {
    Scratch dir;
    put_example(dir.path, "c1_fixed");
    write_file(dir.file("fort14.dat"), "old\n");
    const auto r = run_in(dir.path, program(), "", [] {
        ::signal(SIGXFSZ, SIG_IGN);  // a write beyond the limit fails instead of ending the process
        const rlimit limit{20000, 20000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("diesel-cycle: fort8.dat (unit 8): could not be written completely"), std::string::npos) << r.err;
    EXPECT_EQ(read_file(dir.file("fort14.dat")), "old\n");
    const auto full = run_in(dir.path, program(), "/dev/full");
    EXPECT_EQ(full.status, 2);
    EXPECT_NE(full.err.find("standard output"), std::string::npos) << full.err;
}

// c1_fixed made to run long: never periodic, 2000 cycles, which take seconds.
void put_long_run(const fs::path& dir) {
    put_example(dir, "c1_fixed", {{2, 7, 9, "1.0E-30"}, {2, 4, 12, "2000"}});
}

// One run per folder: a second one is refused naming the first; the lock of
// a run that ended, however, holds nothing back.
TEST(RunFolder, OneRunPerFolder) {
    enum class Lock { HeldByAnother, Stale, ReadOnlyFolder };
    const struct { Lock lock; int status; const char* says; } cases[] = {
        {Lock::HeldByAnother, 2, "another run (process 4242 on node7) is using the working folder"},
        {Lock::Stale, 0, ""},
        {Lock::ReadOnlyFolder, 2, "cannot create .diesel-cycle.lock: Permission denied"},
    };
    for (const auto& c : cases) {
        Scratch dir;
        put_example(dir.path, "c1_fixed");
        const std::string lockFile = dir.file(".diesel-cycle.lock");
        int held = -1;
        BeforeExec before;
        if (c.lock == Lock::Stale) write_file(lockFile, "4242 node7\n");
        if (c.lock == Lock::HeldByAnother) {
            write_file(lockFile, "4242 node7\n");
            held = ::open(lockFile.c_str(), O_RDWR | O_CLOEXEC);
            ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
        }
        if (c.lock == Lock::ReadOnlyFolder) {
            fs::permissions(dir.path, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                          fs::perms::others_exec);
            before = drop_root;
        }
        const auto r = run_in(dir.path, program(), "", before);
        EXPECT_EQ(r.status, c.status) << c.says << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(fs::exists(dir.file("fort8.dat")), c.status == 0) << c.says;
        if (held >= 0) ::close(held);
        fs::permissions(dir.path, fs::perms::owner_all);
    }
}

// SIGINT and SIGTERM remove the start table's temporary and end with 128 +
// the signal; what a SIGKILL leaves is removed by the next run in the folder.
// The earlier outputs stay whole: a run writes its texts over them at its end.
TEST(RunFolder, InterruptedRunsLeaveNoTemporary) {
    for (const int sig : {SIGINT, SIGTERM, SIGKILL}) {
        Scratch dir, io;
        put_long_run(dir.path);
        for (const char* name : {"fort12.dat", "fort13.dat"}) write_file(dir.file(name), "earlier\n");
        const pid_t pid = start(dir.path, program(), io.file("out"), io.file("err"));
        const std::string tmp = dir.file("fort14.dat.tmp." + std::to_string(pid));
        for (int i = 0; i < 500 && !fs::exists(tmp); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_TRUE(fs::exists(tmp)) << "the run makes its start-table temporary when it opens its outputs";
        ::kill(pid, sig);
        EXPECT_EQ(wait_status(pid), 128 + sig);
        EXPECT_EQ(fs::exists(tmp), sig == SIGKILL) << sig;
        EXPECT_EQ(read_file(io.file("err")), "") << sig;
        for (const char* name : {"fort12.dat", "fort13.dat"}) EXPECT_EQ(read_file(dir.file(name)), "earlier\n") << sig;
        put_example(dir.path, "c1_fixed");  // the next run, a short one, is not held back
        EXPECT_EQ(run_in(dir.path, program()).status, 0) << sig;
        EXPECT_FALSE(fs::exists(tmp)) << sig;
    }
}

// One cylinder takes no row of fort14.dat and does not even open it; a run
// writes NCYLE - 1 rows, none for NCYLE <= 1, so no stale rows survive it.
TEST(RunFolder, StartTableBothWays) {
    const struct { const char* what; std::vector<test_support::Edit> edits; bool unreadable; int status; std::size_t rows; } cases[] = {
        {"NCYLE 1 clears stale rows", {{2, 1, 4, "1"}}, false, 0, 0},
        {"one cylinder never opens the table", {}, true, 0, 3},
        {"two cylinders read it", {{3, 1, 5, "2"}}, true, 2, 0},
    };
    for (const auto& c : cases) {
        Scratch dir;
        put_example(dir.path, "c1_fixed", c.edits);
        write_file(dir.file("fort14.dat"), "  8.8E-4  330.0  0.05\n  8.8E-4  330.0  0.05\n");
        BeforeExec before;
        if (c.unreadable) {
            open_to_all(dir.path);
            fs::permissions(dir.file("fort14.dat"), fs::perms::none);
            before = drop_root;
        }
        const auto r = run_in(dir.path, program(), "", before);
        EXPECT_EQ(r.status, c.status) << c.what << ": " << r.err;
        if (c.status == 0) {
            EXPECT_EQ(test_support::line_count(read_file(dir.file("fort14.dat"))), c.rows) << c.what;
        } else {
            EXPECT_NE(r.err.find("fort14.dat (unit 14): cannot be read: Permission denied"), std::string::npos) << r.err;
        }
    }
}

}  // namespace
}  // namespace diesel
