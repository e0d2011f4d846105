#include "cli/engine_map.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/map_grid.hpp"
#include "cli/robust_binary_run.hpp"
#include "input/input_files.hpp"

namespace diesel {
namespace {

using namespace robust_test;

const std::string kLoadExample = std::string(DIESEL_SOURCE_DIR) + "/examples/c1_load";
const std::string kFuelExample = std::string(DIESEL_SOURCE_DIR) + "/examples/c1_fixed";
const char kHeader[] = "speed_rpm,target_pe_bar,fuel_10mm3,pe_bar,be_g_kwh,nv,tex_degc,etai,lambda,pmax_bar,cycles,end";

ProgramRun map(std::vector<std::string> args) {
    args.insert(args.begin(), "map");
    return call(map_command, args);
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string column(const std::string& row, int index) {
    std::istringstream in(row);
    std::string field;
    for (int i = 0; i <= index; ++i) std::getline(in, field, ',');
    return field;
}

// Axes of the grid; the order of the points (speeds outer, loads inner) shows
// in the rows of the maps below.
TEST(MapGrid, AcceptedAndRefusedAxes) {
    const std::pair<const char*, std::vector<float>> accepted[] = {
        {"2000", {2000.0f}},
        {"3000:1000:3", {3000.0f, 2000.0f, 1000.0f}},
        {"4:9:1", {4.0f}},
        {"1,2.5,3E1,4d0", {1.0f, 2.5f, 30.0f, 4.0f}},
    };
    std::string error;
    for (const auto& [text, values] : accepted) {
        const auto v = parse_grid_axis(text, error);
        ASSERT_TRUE(v) << text << ": " << error;
        EXPECT_EQ(*v, values) << text;
    }
    // Both ends of a range are exact, also when the step is not.
    const auto v = parse_grid_axis("1200:3000:7", error);
    ASSERT_TRUE(v && v->size() == 7u);
    EXPECT_EQ(v->front(), 1200.0f);
    EXPECT_EQ(v->back(), 3000.0f);
    for (const char* text : {"", "1:2", "1:2:3:4", "1:2:0", "1:2:-3", "1::3", "a", "1,,2", "1,2,", "1:2:2.5"}) {
        error.clear();
        EXPECT_FALSE(parse_grid_axis(text, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

// The regenerated "fort3.dat" reads back to exactly the point's floats, in the
// load's own item, and leaves the other items as the base has them.
TEST(MapGrid, PointFort3ReadsBackExactly) {
    const std::string fort2 = read_file(kLoadExample + "/fort2.dat");
    const std::pair<BasePoint, MapPoint> cases[] = {
        {{2000.0f, 0, 8.0f, 3.5f, 1}, {1, 1222.2222f, 5.6666665f}},
        {{2000.0f, 2, 7.0f, 3.5f, 1}, {2, 2999.9998f, 0.1f}},
        {{1500.0f, 1, 1.0e-5f, 1.0e-7f, 1}, {3, 16.777217f, 1.0e-3f}},
    };
    for (const auto& [base, point] : cases) {
        auto s = std::make_unique<RunState>();
        read_inputs(*s, InputTexts{point_fort3(base, point), fort2, std::nullopt});
        EXPECT_EQ(s->SPEED, point.speed);
        EXPECT_EQ(s->MODE, base.MODE);
        EXPECT_EQ(s->NCYL, base.NCYL);
        EXPECT_EQ(s->PETARG, load_is_fuel(base) ? base.PETARG : point.load);
        EXPECT_EQ(s->FUEL, load_is_fuel(base) ? point.load : base.FUEL);
    }
}

TEST(EngineMap, RowsInPointOrderWhateverTheJobCount) {
    const ProgramRun one = map({kLoadExample, "--speeds", "1800:2200:2", "--loads", "5,8", "--jobs", "1"});
    const ProgramRun two = map({kLoadExample, "--speeds", "1800:2200:2", "--loads", "5,8", "--jobs", "2"});
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(two.status, 0) << two.err;
    EXPECT_EQ(one.out, two.out);
    const auto rows = lines_of(one.out);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0], kHeader);
    const char* expected[][2] = {{"1800", "5"}, {"1800", "8"}, {"2200", "5"}, {"2200", "8"}};
    for (int i = 0; i < 4; ++i) {
        const std::string& row = rows[i + 1];
        EXPECT_EQ(column(row, 0), expected[i][0]) << row;
        EXPECT_EQ(column(row, 1), expected[i][1]) << row;
        EXPECT_EQ(column(row, 11), "completed") << row;
        // The load controller met its target within the load tolerance of 0.1 bar.
        EXPECT_NEAR(std::stod(column(row, 3)), std::stod(expected[i][1]), 0.1) << row;
    }
    EXPECT_NE(one.err.find("4 of 4 points done"), std::string::npos) << one.err;

    // A fixed-fuel base varies the fuel; at its own operating point: pe 6.219 bar.
    const auto fuel = lines_of(map({kFuelExample, "--speeds", "2000", "--loads", "3.5", "--jobs", "1"}).out);
    ASSERT_EQ(fuel.size(), 2u);
    EXPECT_EQ(column(fuel[0], 1), "set_fuel_10mm3");
    EXPECT_EQ(column(fuel[1], 2), "3.5");  // the fuel in force is the one set
    EXPECT_EQ(column(fuel[1], 3).substr(0, 5), "6.219");
}

TEST(EngineMap, StoppedPointIsKeptAndMarkedAndEachPointHasItsFolder) {
    ScratchFolder dir;
    const ProgramRun r = map({kLoadExample, "--speeds", "2000", "--loads", "8,30", "--jobs", "2", "--out",
                              dir.path().string()});
    EXPECT_EQ(r.status, 3);
    const auto rows = lines_of(r.out);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(column(rows[1], 11), "completed");
    EXPECT_EQ(column(rows[2], 1), "30");
    EXPECT_NE(column(rows[2], 11), "completed");
    EXPECT_NE(r.err.find("1 not completed"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("point 2 (2000 rpm, load 30): run stopped"), std::string::npos) << r.err;
    for (int i = 1; i <= 2; ++i) {
        const fs::path p = dir.path() / point_folder_name(i);
        for (const char* f : {"fort8.dat", "fort9.dat", "fort10.dat", "fort11.dat", "fort12.dat", "fort13.dat",
                              "fort15.dat", "fort16.dat", "console.txt"}) {
            EXPECT_TRUE(fs::exists(p / f)) << p / f;
        }
        if (i == 1) {
            EXPECT_TRUE(fs::exists(p / "fort14.dat"));  // the completed point hands on its start table
        }
        EXPECT_EQ(read_file(p / "result.csv"), rows[static_cast<std::size_t>(i)] + "\n");
        EXPECT_NE(read_file(p / "fort13.dat").find("n =2000.  rpm"), std::string::npos);
    }
}

TEST(EngineMap, UsageErrors) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {kLoadExample, "--speeds", "2000"},
        {kLoadExample, "--speeds", "2000", "--loads", "1:2"},
        {kLoadExample, "--speeds", "2000", "--loads", "8", "--jobs", "0"},
        {kLoadExample, "--speeds", "2000", "--loads", "8", "--bogus"},
        {"/nonexistent-folder", "--speeds", "2000", "--loads", "8"},
        {"--collect", "/nonexistent-folder"},
    };
    for (const auto& args : cases) {
        const ProgramRun r = map(args);
        EXPECT_EQ(r.status, 2) << (args.empty() ? "" : args.back());
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("diesel-cycle: map: "), std::string::npos) << r.err;
    }
}

TEST(EngineMap, CollectMarksPointsWithoutResult) {
    ScratchFolder dir;
    const std::string emit = dir.file("map");
    ASSERT_EQ(map({kLoadExample, "--speeds", "2000", "--loads", "6,8", "--emit-jobs", emit}).status, 0);
    // Run the second point only, in process, as its jobs.txt line would.
    ASSERT_EQ(map({"--point", emit + "/point-0002"}).status, 0);
    const ProgramRun c = map({"--collect", emit});
    EXPECT_EQ(c.status, 2);
    const auto rows = lines_of(c.out);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1], "2000,6,,,,,,,,,,missing");
    EXPECT_EQ(column(rows[2], 11), "completed");
    EXPECT_NE(c.err.find("1 points of"), std::string::npos) << c.err;

    const auto jobs = lines_of(read_file(emit + "/jobs.txt"));
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_NE(jobs[1].find(" map --point '" + emit + "/point-0002'"), std::string::npos) << jobs[1];
    EXPECT_NE(read_file(emit + "/slurm-array.sh").find("#SBATCH --array=1-2\n"), std::string::npos);
}

// The whole flow with the real program: emit, run jobs.txt with GNU parallel,
// collect; the CSV equals the in-process map's byte for byte, a stopped point
// included.
TEST(EngineMap, EmitParallelCollectEqualsInProcessMap) {
    if (!on_path("parallel")) GTEST_SKIP() << "GNU parallel is not installed";
    ScratchFolder dir;
    const std::string emit = dir.file("emitted map");  // a blank in the path, quoted in jobs.txt
    const std::vector<std::string> grid = {"--speeds", "1500:2500:3", "--loads", "4,8,30"};
    const auto withGrid = [&](std::vector<std::string> args) {
        args.insert(args.begin() + 2, grid.begin(), grid.end());
        return program(args);
    };
    ASSERT_EQ(run_in(dir.path(), withGrid({"map", kLoadExample, "--emit-jobs", emit})).status, 0);
    ASSERT_EQ(run_in(dir.path(), {"parallel", "--jobs", "2", "-a", emit + "/jobs.txt"}).status, 0);
    run_program(dir.path(), {"map", "--collect", emit, "--csv", "collected.csv"});
    run_in(dir.path(), withGrid({"map", kLoadExample, "--jobs", "2", "--csv", "in-process.csv"}));
    const std::string collected = read_file(dir.file("collected.csv"));
    EXPECT_EQ(lines_of(collected).size(), 10u);
    EXPECT_NE(collected.find(",completed\n"), std::string::npos);
    EXPECT_NE(collected.find("2000,30,"), std::string::npos);
    EXPECT_EQ(collected, read_file(dir.file("in-process.csv")));
}

}  // namespace
}  // namespace diesel
