// Maps end to end: sweeps, hypercubes and a stopped point run in-process and
// through emitted jobs (GNU parallel), collected to the same CSV; each row the
// run of its point's case; point folders that hold their case and results; --quiet.
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

// A sweep, a hypercube and a speed x load map run in-process with any number
// of jobs and through emitted jobs to one CSV, each varied row the run of its
// point's case; a point a stopping rule ended keeps its row, marked, and the
// map its status 3 (GNU parallel's status counts the jobs that failed).
TEST(Sweep, InProcessAndThroughJobsToTheSameCsv) {
    ASSERT_TRUE(tool_installed("parallel", "parallel"));
    const std::string load = std::string(DIESEL_SOURCE_DIR) + "/examples/c1_load";
    const struct { const char* what; std::vector<std::string> design; std::size_t rows; std::vector<std::string> columns; int status; } cases[] = {
        {"intake closing x start of combustion", {"map", kBase, "--vary", "valves.intake_closing=560:600:3", "--vary", "SOC=4,8,12"}, 9,
         {"valves.intake_closing", "SOC"}, 0},
        {"a 20-point hypercube", {"map", kBase, "--lhs", "20", "--vary", "IVC=560:600", "--vary", "SOC=2:14"}, 20, {"IVC", "SOC"}, 0},
        {"a stopped point", {"map", load, "--speeds", "2000", "--loads", "8,30"}, 2, {}, 3},
    };
    const Case base = load_folder_case(kBase, {}).c;
    for (const auto& c : cases) {
        Scratch dir;
        const auto inProcess = run_in(dir.path, program(c.design, {"--jobs", "2"}));
        ASSERT_EQ(inProcess.status, c.status) << c.what << ": " << inProcess.err;
        const std::vector<std::string> rows = lines(inProcess.out);
        ASSERT_EQ(rows.size(), c.rows + 1) << c.what;
        const std::vector<std::string> header = fields(rows[0]);
        EXPECT_EQ(std::vector<std::string>(header.end() - std::ssize(c.columns), header.end()), c.columns) << c.what;
        EXPECT_EQ(run_in(dir.path, program(c.design, {"--jobs", "1"})).out, inProcess.out) << c.what;

        const std::string jobs = dir.file("jobs");
        ASSERT_EQ(run_in(dir.path, program(c.design, {"--emit-jobs", jobs})).status, 0) << c.what;
        const auto parallel = run_in(dir.path, {"parallel", "--jobs", "2", "-a", jobs + "/jobs.txt"});
        ASSERT_EQ(parallel.status, c.status == 0 ? 0 : 1) << c.what;
        const auto collected = run_in(dir.path, program({"map", "--collect", jobs}));
        EXPECT_EQ(collected.status, c.status) << c.what << ": " << collected.err;
        EXPECT_EQ(collected.out, inProcess.out) << c.what;
        EXPECT_TRUE(fs::exists(jobs + "/point-0002/results.json")) << c.what;

        for (std::size_t r = 1; r < rows.size(); ++r) {
            const std::vector<std::string> f = fields(rows[r]);
            ASSERT_EQ(f.size(), header.size()) << c.what << ", row " << r;
            // Only the point at 30 bar stops; its row is kept and marked.
            EXPECT_EQ(f[11] == "completed", f[1] != "30") << c.what << ": " << rows[r];
            if (c.columns.empty()) continue;
            // The row is the run of the base with the row's values, to the bit.
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
    const std::vector<std::string> map = {"map", kBase, "--vary", "SOC=4,8", "--set", "CR=18"};
    const auto loud = run_in(dir.path, program(map, {"--out", "out", "--export"}));
    ASSERT_EQ(loud.status, 0) << loud.err;
    EXPECT_NE(loud.err.find("map: 2 of 2 points done"), std::string::npos) << loud.err;
    const auto quiet = run_in(dir.path, program(map, {"--quiet"}));
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.err, "");
    EXPECT_EQ(quiet.out, loud.out);
    EXPECT_NE(read_file(dir.file("out/point-0002/results.json")).find("\"pe\""), std::string::npos);

    fs::create_directory(dir.path / "again");
    fs::copy_file(dir.path / "out/point-0002/case.toml", dir.path / "again/case.toml");
    ASSERT_EQ(run_in(dir.path, program({"-C", "again"})).status, 0);
    EXPECT_EQ(read_file(dir.file("again/fort13.dat")), read_file(dir.file("out/point-0002/fort13.dat")));
}

}  // namespace
}  // namespace diesel
