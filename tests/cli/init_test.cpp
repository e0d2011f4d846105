// "diesel-cycle init": writes the input set and never overwrites a file.
#include <gtest/gtest.h>

#include "cli/robust_binary_run.hpp"

namespace diesel {
namespace {

using namespace cli_test;

TEST(Init, WritesTheExampleSetThatRuns) {
    Scratch base;
    const fs::path dir = base.path / "new" / "point";
    ASSERT_EQ(run_in(base.path, program({"init", dir.string()})).status, 0);
    for (const std::string name : {"fort3.dat", "fort2.dat"})
        EXPECT_EQ(read_file((dir / name).string()), test_support::source_file("examples/c1_fixed/" + name)) << name;
    EXPECT_EQ(run_in(dir, program()).status, 0);
}

TEST(Init, RefusesToOverwriteAndWritesNothing) {
    Scratch dir;
    write_file(dir.file("fort2.dat"), "my own\n");
    const auto r = run_in(dir.path, program({"init"}));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("fort2.dat exists"), std::string::npos) << r.err;
    EXPECT_EQ(snapshot(dir.path), (std::map<std::string, std::string>{{"fort2.dat", "my own\n"}}));
}

}  // namespace
}  // namespace diesel
