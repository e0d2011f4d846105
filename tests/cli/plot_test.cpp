// "diesel-cycle plot": a PNG sheet for each bundled example's run.
#include <gtest/gtest.h>

#include "cli/robust_binary_run.hpp"

namespace diesel {
namespace {

using namespace cli_test;

TEST(Plot, SheetOfEveryExampleRun) {
    if (!on_path("gnuplot")) GTEST_SKIP() << "gnuplot is not installed";
    Scratch root;
    for (const auto& e : fs::directory_iterator(fs::path(DIESEL_SOURCE_DIR) / "examples")) {
        const fs::path dir = root.path / e.path().filename();
        fs::create_directory(dir);
        put_example(dir, e.path().filename().string());
        ASSERT_EQ(run_in(dir, program()).status, 0) << dir;
    }
    EXPECT_EQ(run_in(root.path, program({"plot", root.path.string()})).status, 0);
    for (const auto& dir : fs::directory_iterator(root.path))
        EXPECT_TRUE(read_file((dir.path() / "cycle.png").string()).starts_with("\x89PNG\r\n\x1a\n")) << dir.path();
}

}  // namespace
}  // namespace diesel
