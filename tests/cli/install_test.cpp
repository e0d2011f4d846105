// Installing into a prefix puts the program, its plot helper and the documentation in place.
#include <gtest/gtest.h>

#include "cli/robust_binary_run.hpp"

namespace diesel {
namespace {

using namespace cli_test;

TEST(Install, ProgramHelperAndDocsIntoAPrefix) {
    Scratch prefix;
    const std::string build = fs::path(DIESEL_BINARY).parent_path().string();
    const auto r = run_in(prefix.path, {"cmake", "--install", build, "--prefix", prefix.path.string()});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    for (const char* tool : {"bin/diesel-cycle", "bin/diesel-cycle-plot"})
        EXPECT_EQ(::access((prefix.path / tool).c_str(), X_OK), 0) << tool;
    for (const char* doc : {"README.md", "command-line.md", "examples/c1_fixed/fort2.dat"})
        EXPECT_TRUE(fs::is_regular_file(prefix.path / "share/doc/diesel-cycle" / doc)) << doc;
}

}  // namespace
}  // namespace diesel
