// Installing into a prefix puts the program, its plot helper and the
// documentation in place, and the installed program works from there.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli/robust_binary_run.hpp"

namespace diesel {
namespace {

using namespace robust_test;

bool executable(const fs::path& p) {
    std::error_code ec;
    const auto perms = fs::status(p, ec).permissions();
    return !ec && fs::is_regular_file(p, ec) && (perms & fs::perms::owner_exec) != fs::perms::none;
}

TEST(Install, ProgramHelperAndDocumentationIntoAPrefix) {
    if (!on_path("cmake")) GTEST_SKIP() << "cmake is not on the PATH";
    ScratchFolder prefix, work;
    const fs::path build = fs::path(DIESEL_BINARY).parent_path();
    const auto install = run_in(work.path(), {"cmake", "--install", build.string(), "--prefix", prefix.path().string()});
    ASSERT_EQ(install.status, 0) << install.out << install.err;

    const fs::path bin = prefix.path() / "bin";
    EXPECT_TRUE(executable(bin / "diesel-cycle"));
    EXPECT_TRUE(executable(bin / "diesel-cycle-plot"));
    const fs::path doc = prefix.path() / "share" / "doc" / "diesel-cycle";
    for (const char* name : {"README.md", "command-line.md", "input-files.md", "output-files.md", "model.md",
                             "run-control.md", "troubleshooting.md", "examples/c1_fixed/fort2.dat",
                             "examples/c4_fixed/fort14.dat"}) {
        EXPECT_TRUE(fs::is_regular_file(doc / name)) << name;
    }

    // The installed program writes an input set, runs it and plots it with
    // the helper it finds beside itself.
    const std::string program = (bin / "diesel-cycle").string();
    const std::string runDir = (work.path() / "point").string();
    EXPECT_EQ(run_in(work.path(), {program, "init", runDir}).status, 0);
    const auto run = run_in(work.path(), {program, "-C", runDir});
    EXPECT_EQ(run.status, 0) << run.err;
    if (!on_path("gnuplot")) GTEST_SKIP() << "gnuplot is not installed; plot not tried";
    const auto plot = run_in(work.path(), {program, "plot", runDir});
    EXPECT_EQ(plot.status, 0) << plot.err;
    EXPECT_TRUE(is_png_sheet(fs::path(runDir) / "cycle.png"));
}

}  // namespace
}  // namespace diesel
