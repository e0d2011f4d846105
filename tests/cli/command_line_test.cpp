// The command line: help, version, -C and the answer to arguments it does not know.
#include "cli/command_line.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/command_process.hpp"
#include "cli/robust_binary_run.hpp"

namespace diesel {
namespace {

using robust_test::put_example;
using robust_test::ScratchFolder;

struct Result {
    int status;
    std::string out;
    std::string err;
};

Result run(std::vector<std::string> args) {
    args.insert(args.begin(), "diesel-cycle");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::ostringstream out, err;
    const int status = run_command_line(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}

TEST(CommandLine, HelpListsEveryOptionAndCommand) {
    for (const char* flag : {"--help", "-h"}) {
        const Result r = run({flag});
        EXPECT_EQ(r.status, 0) << flag;
        EXPECT_TRUE(r.err.empty()) << flag;
        for (const char* item : {"usage: diesel-cycle", "-C DIR", "-h, --help", "--version", "init [DIR]",
                                 "plot [DIR | MAP.csv]", "map ...", "diesel-cycle map --help", "exit status",
                                 "share/doc/diesel-cycle"}) {
            EXPECT_NE(r.out.find(item), std::string::npos) << flag << " does not mention " << item;
        }
    }
}

TEST(CommandLine, VersionLine) {
    const Result r = run({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string("diesel-cycle ") + DIESEL_VERSION + "\n");
}

// Every command line it cannot run: usage on stderr, status 2, nothing run.
TEST(CommandLine, UnknownArgumentsGiveUsageAndStatus2) {
    const std::vector<std::vector<std::string>> cases = {
        {"--bogus"}, {"-x"}, {"extra"}, {"-C"}, {"-C", ".", "--verbose"}, {"-C", ".", "init"},
    };
    for (const auto& args : cases) {
        const Result r = run(args);
        std::string line;
        for (const auto& a : args) line += a + " ";
        EXPECT_EQ(r.status, 2) << line;
        EXPECT_NE(r.err.find("usage: diesel-cycle"), std::string::npos) << line;
        EXPECT_TRUE(r.out.empty()) << line;
    }
    // A command placed after an option is named as such.
    EXPECT_NE(run({"-C", ".", "plot"}).err.find("a command comes first"), std::string::npos);
}

TEST(CommandLine, MissingFolderOfMinusC) {
    const Result r = run({"-C", "/nonexistent/diesel-cycle-folder"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("/nonexistent/diesel-cycle-folder: no such folder"), std::string::npos) << r.err;
}

// -C DIR and -CDIR read the inputs of DIR and write the outputs there.
TEST(CommandLine, MinusCRunsInAnotherFolder) {
    for (const bool joined : {false, true}) {
        ScratchFolder dir;
        put_example(dir.path(), "c1_fixed");
        const std::string d = dir.path().string();
        const Result r = joined ? run({"-C" + d}) : run({"-C", d});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("final "), std::string::npos);
        for (const char* name : {"fort8.dat", "fort10.dat", "fort13.dat", "fort14.dat", "fort16.dat"}) {
            EXPECT_TRUE(std::filesystem::exists(dir.path() / name)) << name;
        }
    }
}

// The real program passes the status through main, from any working folder.
TEST(CommandLine, ProgramExitStatuses) {
    ScratchFolder cwd, run_dir;
    put_example(run_dir.path(), "c1_fixed");
    const auto bad = command_test::run_program_in(cwd.path(), {"--no-such-option"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("usage:"), std::string::npos);
    const auto ok = command_test::run_program_in(cwd.path(), {"-C", run_dir.path().string()});
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_TRUE(std::filesystem::exists(run_dir.path() / "fort13.dat"));
    EXPECT_FALSE(std::filesystem::exists(cwd.path() / "fort13.dat"));
}

}  // namespace
}  // namespace diesel
