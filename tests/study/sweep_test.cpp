// Sweeps and hypercubes end to end: run in-process and through emitted jobs
// (GNU parallel), collected to the same CSV; each row the run of its point's
// case; point folders that hold their case and results; --quiet.
#include <gtest/gtest.h>

#include <algorithm>

#include "cli/robust_binary_run.hpp"
#include "driver/in_memory_run.hpp"
#include "files/case_inputs.hpp"
#include "study/map_grid.hpp"
#include "study/varied_item.hpp"

namespace diesel {
namespace {

using namespace cli_test;
using test_support::lines;
using test_support::fields;

const std::string kBase = std::string(DIESEL_SOURCE_DIR) + "/examples/c1_fixed";

std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(Sweep, TwoItemSweepAndHypercubeRunAndCollectAlike) {
    ASSERT_TRUE(on_path("parallel")) << "this test needs GNU parallel (Debian package: parallel)";
    const struct { const char* what; std::vector<std::string> design; std::size_t rows; std::vector<std::string> columns; } cases[] = {
        {"intake closing x start of combustion", {"--vary", "valves.intake_closing=560:600:3", "--vary", "SOC=4,8,12"}, 9,
         {"valves.intake_closing", "SOC"}},
        {"a 20-point hypercube", {"--lhs", "20", "--vary", "IVC=560:600", "--vary", "SOC=2:14"}, 20, {"IVC", "SOC"}},
    };
    const Case base = load_folder_case(kBase, {}).c;
    for (const auto& c : cases) {
        Scratch dir;
        const std::vector<std::string> map = with(program({"map", kBase}), c.design);
        const auto inProcess = run_in(dir.path, with(map, {"--jobs", "2"}));
        ASSERT_EQ(inProcess.status, 0) << c.what << ": " << inProcess.err;
        const std::vector<std::string> rows = lines(inProcess.out);
        ASSERT_EQ(rows.size(), c.rows + 1) << c.what;
        const std::vector<std::string> header = fields(rows[0]);
        EXPECT_EQ(std::vector<std::string>(header.end() - 2, header.end()), c.columns) << c.what;
        EXPECT_EQ(run_in(dir.path, with(map, {"--jobs", "1"})).out, inProcess.out) << c.what;

        const std::string jobs = dir.file("jobs");
        ASSERT_EQ(run_in(dir.path, with(map, {"--emit-jobs", jobs})).status, 0) << c.what;
        ASSERT_EQ(run_in(dir.path, {"parallel", "--jobs", "2", "-a", jobs + "/jobs.txt"}).status, 0) << c.what;
        const auto collected = run_in(dir.path, program({"map", "--collect", jobs}));
        EXPECT_EQ(collected.status, 0) << c.what << ": " << collected.err;
        EXPECT_EQ(collected.out, inProcess.out) << c.what;
        EXPECT_TRUE(fs::exists(jobs + "/point-0003/results.json")) << c.what;

        // Every row is the run of the base with the row's values, to the bit.
        for (std::size_t r = 1; r < rows.size(); ++r) {
            const std::vector<std::string> f = fields(rows[r]);
            Case point = base;
            ASSERT_EQ(set_value_text(point, Item::IVC, f[f.size() - 2]), "");
            ASSERT_EQ(set_value_text(point, Item::SOC, f[f.size() - 1]), "");
            const InMemoryRun run = run_in_memory(point);
            ASSERT_TRUE(run.inputOk) << run.inputError;
            EXPECT_EQ(f[3], csv_real(run.state->PE)) << c.what << ", row " << r;
            EXPECT_EQ(f[4], csv_real(run.state->BE)) << c.what << ", row " << r;
        }
    }
}

// --out folders hold each point's case, which runs on its own to the same
// outputs; --export adds its results.json; --quiet leaves stdout as it was.
TEST(Sweep, PointFoldersQuietAndExport) {
    Scratch dir;
    const std::vector<std::string> map = program({"map", kBase, "--vary", "SOC=4,8", "--set", "CR=18"});
    const auto loud = run_in(dir.path, with(map, {"--out", "out", "--export"}));
    ASSERT_EQ(loud.status, 0) << loud.err;
    EXPECT_NE(loud.err.find("map: 2 of 2 points done"), std::string::npos) << loud.err;
    const auto quiet = run_in(dir.path, with(map, {"--quiet"}));
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.err, "");
    EXPECT_EQ(quiet.out, loud.out);
    EXPECT_NE(read_file(dir.file("out/point-0002/results.json")).find("\"pe\""), std::string::npos);

    fs::create_directory(dir.path / "again");
    fs::copy_file(dir.path / "out/point-0002/case.toml", dir.path / "again/case.toml");
    ASSERT_EQ(run_in(dir.path, program({"-C", "again"})).status, 0);
    EXPECT_EQ(read_file(dir.file("again/fort13.dat")), read_file(dir.file("out/point-0002/fort13.dat")));

    const auto noOut = run_in(dir.path, with(map, {"--export"}));
    EXPECT_EQ(noOut.status, 2);
    EXPECT_NE(noOut.err.find("diesel-cycle: map: --export needs --out DIR"), std::string::npos) << noOut.err;
}

}  // namespace
}  // namespace diesel
