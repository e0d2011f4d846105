// The command line: help, version, -C and the answer to arguments it does not know.
#include "cli/command_line.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/robust_binary_run.hpp"

namespace diesel {
namespace {

using namespace robust_test;

ProgramRun run(std::vector<std::string> args) {
    args.insert(args.begin(), "diesel-cycle");
    return call(run_command_line, args);
}

TEST(CommandLine, HelpListsEveryOptionAndCommand) {
    for (const char* flag : {"--help", "-h"}) {
        const ProgramRun r = run({flag});
        EXPECT_EQ(r.status, 0) << flag;
        EXPECT_EQ(r.err, "") << flag;
        for (const char* item : {"usage: diesel-cycle", "-C DIR", "-h, --help", "--version", "init [DIR]",
                                 "plot [DIR | MAP.csv]", "map ...", "diesel-cycle map --help", "exit status",
                                 "share/doc/diesel-cycle"}) {
            EXPECT_NE(r.out.find(item), std::string::npos) << flag << " does not mention " << item;
        }
    }
    EXPECT_EQ(run({"--version"}).out, std::string("diesel-cycle ") + DIESEL_VERSION + "\n");
}

// Every command line it cannot run: a message on stderr, status 2, nothing run.
TEST(CommandLine, UnknownArgumentsGiveUsageAndStatus2) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"--bogus"}, "usage: diesel-cycle"},
        {{"-x"}, "usage: diesel-cycle"},
        {{"extra"}, "usage: diesel-cycle"},
        {{"-C"}, "usage: diesel-cycle"},
        {{"-C", ".", "--verbose"}, "usage: diesel-cycle"},
        {{"-C", ".", "init"}, "usage: diesel-cycle"},
        {{"-C", ".", "plot"}, "a command comes first"},
        {{"-C", "/nonexistent/diesel-cycle-folder"}, "/nonexistent/diesel-cycle-folder: no such folder"},
    };
    for (const auto& [args, message] : cases) {
        const ProgramRun r = run(args);
        EXPECT_EQ(r.status, 2) << args.back();
        EXPECT_NE(r.err.find(message), std::string::npos) << args.back() << ": " << r.err;
        EXPECT_EQ(r.out, "") << args.back();
    }
}

// The real program passes the status through main, from any working folder;
// -C DIR and -CDIR read the inputs of DIR and write the outputs there.
TEST(CommandLine, ProgramExitStatusesAndMinusC) {
    ScratchFolder cwd, runDir;
    put_example(runDir.path(), "c1_fixed");
    const auto before = snapshot(runDir.path());
    const auto bad = run_program(runDir.path(), {"--no-such-option"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("unknown argument"), std::string::npos) << bad.err;
    EXPECT_EQ(snapshot(runDir.path()), before);
    for (const auto& args : {std::vector<std::string>{"-C", runDir.path().string()}, {"-C" + runDir.path().string()}}) {
        fs::remove(runDir.file("fort13.dat"));
        const auto ok = run_program(cwd.path(), args);
        EXPECT_EQ(ok.status, 0) << ok.err;
        EXPECT_NE(ok.out.find("final "), std::string::npos);
        for (const char* name : {"fort8.dat", "fort10.dat", "fort13.dat", "fort14.dat", "fort16.dat"}) {
            EXPECT_TRUE(fs::exists(runDir.path() / name)) << name;
        }
        EXPECT_TRUE(fs::is_empty(cwd.path()));
    }
}

}  // namespace
}  // namespace diesel
