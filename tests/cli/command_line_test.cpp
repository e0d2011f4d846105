// The command line: help, the answer to unknown options, and -C.
#include <gtest/gtest.h>

#include "cli/robust_binary_run.hpp"

namespace diesel {
namespace {

using namespace cli_test;

TEST(CommandLine, HelpListsEveryOptionAndUnknownOptionsGiveStatus2) {
    const auto help = run_in(fs::temp_directory_path(), program({"--help"}));
    EXPECT_EQ(help.status, 0);
    for (const char* item : {"-C DIR", "-h, --help", "--version", "init [DIR]", "plot [DIR | MAP.csv]", "map ...", "full-load BASE", "optimize BASE"})
        EXPECT_NE(help.out.find(item), std::string::npos) << item;
    const auto r = run_in(fs::temp_directory_path(), program({"--bogus"}));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("usage: diesel-cycle"), std::string::npos) << r.err;
}

TEST(CommandLine, MinusCRunsInAnotherFolder) {
    Scratch cwd, dir;
    put_example(dir.path, "c1_fixed");
    const auto r = run_in(cwd.path, program({"-C", dir.path.string()}));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(dir.path / "fort13.dat"));
    EXPECT_TRUE(fs::is_empty(cwd.path));
}

}  // namespace
}  // namespace diesel
