// The engine map: its CSV with a stopped point kept and marked, and the same
// CSV from emitted jobs run by GNU parallel and collected.
#include <gtest/gtest.h>

#include <algorithm>

#include "cli/robust_binary_run.hpp"

namespace diesel {
namespace {

using namespace cli_test;

TEST(EngineMap, CsvKeepsAStoppedPointAndJobsCollectToTheSameCsv) {
    Scratch dir;
    const std::string base = std::string(DIESEL_SOURCE_DIR) + "/examples/c1_load", emit = dir.file("emitted map");
    const auto map = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = program({"map", base, "--speeds", "2000", "--loads", "8,30"});
        args.insert(args.end(), extra.begin(), extra.end());
        return run_in(dir.path, args).status;
    };
    EXPECT_EQ(map({"--jobs", "2", "--csv", "map.csv"}), 3);
    const std::string csv = read_file(dir.file("map.csv"));
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 3) << csv;
    EXPECT_NE(csv.find(",completed\n2000,30,"), std::string::npos) << csv;  // the stopped point is kept ...
    EXPECT_FALSE(csv.ends_with(",completed\n")) << csv;                      // ... and marked

    if (!on_path("parallel")) GTEST_SKIP() << "GNU parallel is not installed";
    ASSERT_EQ(map({"--emit-jobs", emit}), 0);
    ASSERT_EQ(run_in(dir.path, {"parallel", "--jobs", "2", "-a", emit + "/jobs.txt"}).status, 0);
    run_in(dir.path, program({"map", "--collect", emit, "--csv", "collected.csv"}));
    EXPECT_EQ(read_file(dir.file("collected.csv")), csv);
}

}  // namespace
}  // namespace diesel
