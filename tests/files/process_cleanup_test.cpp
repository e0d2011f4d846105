// The last resort: an exception nothing caught, on any thread, ends the
// process with one diesel-cycle line and status 2, its temporaries removed.
#include "files/process_cleanup.hpp"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <thread>

#include "cli/robust_binary_run.hpp"

namespace diesel {
namespace {

using namespace cli_test;

TEST(ProcessCleanup, UncaughtExceptionEndsWithOneLineAndStatus2) {
    const struct { const char* what; void (*fail)(); const char* says; } cases[] = {
        {"worker thread", [] { std::thread([] { throw std::runtime_error("boom"); }).join(); }, "internal error: boom"},
        {"out of memory", [] { throw std::bad_alloc(); }, "internal error: out of memory"},
        {"not an exception", [] { throw 42; }, "internal error: an unexpected error"},
    };
    for (const auto& c : cases) {
        Scratch dir;
        const std::string tmp = dir.file("fort14.dat.tmp.1"), err = dir.file("err");
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0 || ::dup2(fd, 2) < 0) ::_exit(126);
            install_signal_cleanup();
            write_file(tmp, "half a table");
            const RegisteredTemporary registered(tmp);
            try {
                c.fail();
            } catch (...) {
                last_resort_exit();  // what main() does
            }
            ::_exit(0);
        }
        EXPECT_EQ(wait_status(pid), 2) << c.what;
        EXPECT_EQ(read_file(err), std::string("diesel-cycle: ") + c.says + "; stopped without a result\n") << c.what;
        EXPECT_FALSE(fs::exists(tmp)) << c.what;
    }
}

}  // namespace
}  // namespace diesel
