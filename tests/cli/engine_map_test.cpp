#include "cli/engine_map.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/map_grid.hpp"
#include "input/input_files.hpp"

namespace diesel {
namespace {

namespace fs = std::filesystem;

const std::string kLoadExample = std::string(DIESEL_SOURCE_DIR) + "/examples/c1_load";
const std::string kFuelExample = std::string(DIESEL_SOURCE_DIR) + "/examples/c1_fixed";

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A fresh scratch folder, removed at the end of the test.
class ScratchDir {
public:
    ScratchDir() {
        std::string tmpl = (fs::temp_directory_path() / "diesel-map-test-XXXXXX").string();
        path_ = mkdtemp(tmpl.data());
    }
    ~ScratchDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

struct MapRun {
    int status;
    std::string out, err;
};

MapRun map(std::vector<std::string> args) {
    args.insert(args.begin(), "map");
    std::vector<const char*> argv;
    for (const auto& a : args) argv.push_back(a.c_str());
    std::ostringstream out, err;
    const int status = map_command(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
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

// ---- grid -----------------------------------------------------------------------

TEST(MapGrid, AcceptedAxes) {
    const struct {
        const char* text;
        std::vector<float> values;
    } cases[] = {
        {"2000", {2000.0f}},
        {"1000:3000:5", {1000.0f, 1500.0f, 2000.0f, 2500.0f, 3000.0f}},
        {"3000:1000:3", {3000.0f, 2000.0f, 1000.0f}},
        {"7.5:7.5:1", {7.5f}},
        {"4:9:1", {4.0f}},
        {"1,2.5,3E1,4d0", {1.0f, 2.5f, 30.0f, 4.0f}},
        {"0:1:3", {0.0f, 0.5f, 1.0f}},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto v = parse_grid_axis(c.text, error);
        ASSERT_TRUE(v) << c.text << ": " << error;
        EXPECT_EQ(*v, c.values) << c.text;
    }
    // Both ends of a range are exact, also when the step is not.
    std::string error;
    const auto v = parse_grid_axis("1200:3000:7", error);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->front(), 1200.0f);
    EXPECT_EQ(v->back(), 3000.0f);
    EXPECT_EQ(v->size(), 7u);
}

TEST(MapGrid, RefusedAxes) {
    for (const char* text : {"", "1:2", "1:2:3:4", "1:2:0", "1:2:-3", "1:2:x", "1::3", "a", "1,,2", "1,2,", "1:2:2.5"}) {
        std::string error;
        EXPECT_FALSE(parse_grid_axis(text, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(MapGrid, PointsRunSpeedsOuterLoadsInner) {
    const auto p = map_points({1000.0f, 2000.0f}, {4.0f, 6.0f, 8.0f});
    ASSERT_EQ(p.size(), 6u);
    EXPECT_EQ(p[0].index, 1);
    EXPECT_EQ(p[2].speed, 1000.0f);
    EXPECT_EQ(p[2].load, 8.0f);
    EXPECT_EQ(p[3].index, 4);
    EXPECT_EQ(p[3].speed, 2000.0f);
    EXPECT_EQ(p[3].load, 4.0f);
    EXPECT_EQ(point_folder_name(p[5].index), "point-0006");
}

// The regenerated "fort3.dat" reads back to exactly the point's floats, in the
// load's own item, and leaves the other items as the base has them.
TEST(MapGrid, PointFort3ReadsBackExactly) {
    const std::string fort2 = read_file(kLoadExample + "/fort2.dat");
    const struct {
        BasePoint base;
        MapPoint point;
    } cases[] = {
        {{2000.0f, 0, 8.0f, 3.5f, 1}, {1, 1222.2222f, 5.6666665f}},
        {{2000.0f, 2, 7.0f, 3.5f, 1}, {2, 2999.9998f, 0.1f}},
        {{1500.0f, 1, 1.0e-5f, 1.0e-7f, 1}, {3, 16.777217f, 1.0e-3f}},
    };
    for (const auto& c : cases) {
        auto s = std::make_unique<RunState>();
        read_inputs(*s, InputTexts{point_fort3(c.base, c.point), fort2, std::nullopt});
        EXPECT_EQ(s->SPEED, c.point.speed);
        EXPECT_EQ(s->MODE, c.base.MODE);
        EXPECT_EQ(s->NCYL, c.base.NCYL);
        EXPECT_EQ(s->PETARG, load_is_fuel(c.base) ? c.base.PETARG : c.point.load);
        EXPECT_EQ(s->FUEL, load_is_fuel(c.base) ? c.point.load : c.base.FUEL);
    }
}

// ---- in-process map -------------------------------------------------------------

TEST(EngineMap, RowsInPointOrderWhateverTheJobCount) {
    const MapRun one = map({kLoadExample, "--speeds", "1800:2200:2", "--loads", "5,8", "--jobs", "1"});
    const MapRun two = map({kLoadExample, "--speeds", "1800:2200:2", "--loads", "5,8", "--jobs", "2"});
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(two.status, 0) << two.err;
    EXPECT_EQ(one.out, two.out);
    const auto rows = lines_of(one.out);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0], "speed_rpm,target_pe_bar,fuel_10mm3,pe_bar,be_g_kwh,nv,tex_degc,etai,lambda,pmax_bar,cycles,end");
    const char* expected[][2] = {{"1800", "5"}, {"1800", "8"}, {"2200", "5"}, {"2200", "8"}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(column(rows[i + 1], 0), expected[i][0]) << rows[i + 1];
        EXPECT_EQ(column(rows[i + 1], 1), expected[i][1]) << rows[i + 1];
        EXPECT_EQ(column(rows[i + 1], 11), "completed") << rows[i + 1];
        // The load controller met its target within the load tolerance of 0.1 bar.
        EXPECT_NEAR(std::strtod(column(rows[i + 1], 3).c_str(), nullptr), std::strtod(expected[i][1], nullptr), 0.1);
    }
    EXPECT_NE(one.err.find("4 of 4 points done"), std::string::npos) << one.err;
}

TEST(EngineMap, FixedFuelBaseVariesTheFuel) {
    const MapRun r = map({kFuelExample, "--speeds", "2000", "--loads", "3.5", "--jobs", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rows = lines_of(r.out);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(column(rows[0], 1), "set_fuel_10mm3");
    EXPECT_EQ(column(rows[1], 2), "3.5");  // the fuel in force is the one set
    // The bundled fixed-fuel example at its own operating point: pe 6.219 bar.
    EXPECT_EQ(column(rows[1], 3).substr(0, 5), "6.219");
}

TEST(EngineMap, StoppedPointIsKeptAndMarked) {
    const MapRun r = map({kLoadExample, "--speeds", "2000", "--loads", "8,30", "--jobs", "2"});
    EXPECT_EQ(r.status, 3);
    const auto rows = lines_of(r.out);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(column(rows[1], 11), "completed");
    EXPECT_EQ(column(rows[2], 1), "30");
    EXPECT_NE(column(rows[2], 11), "completed");
    EXPECT_NE(r.err.find("1 not completed"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("point 2 (2000 rpm, load 30): run stopped"), std::string::npos) << r.err;
}

TEST(EngineMap, OutFolderHoldsEachPointsFiles) {
    ScratchDir dir;
    const MapRun r = map({kLoadExample, "--speeds", "2000", "--loads", "6,8", "--out", dir.path().string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rows = lines_of(r.out);
    for (int i = 1; i <= 2; ++i) {
        const fs::path p = dir.path() / point_folder_name(i);
        for (const char* f : {"fort8.dat", "fort9.dat", "fort10.dat", "fort11.dat", "fort12.dat", "fort13.dat",
                              "fort15.dat", "fort16.dat", "console.txt", "fort14.dat"}) {
            EXPECT_TRUE(fs::exists(p / f)) << p / f;
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
        {kLoadExample, "--speeds", "x", "--loads", "8"},
        {kLoadExample, "--speeds", "2000", "--loads", "8", "--jobs", "0"},
        {kLoadExample, "--speeds", "2000", "--loads", "8", "--bogus"},
        {kLoadExample, kLoadExample, "--speeds", "2000", "--loads", "8"},
        {"/nonexistent-folder", "--speeds", "2000", "--loads", "8"},
        {"--collect", "/nonexistent-folder"},
        {"--point", "/nonexistent-folder"},
    };
    for (const auto& args : cases) {
        const MapRun r = map(args);
        EXPECT_EQ(r.status, 2) << (args.empty() ? "" : args.back());
        EXPECT_TRUE(r.out.empty());
        EXPECT_NE(r.err.find("diesel-cycle: map: "), std::string::npos) << r.err;
    }
}

// ---- emitted maps ---------------------------------------------------------------

TEST(EngineMap, CollectMarksPointsWithoutResult) {
    ScratchDir dir;
    const std::string emit = (dir.path() / "map").string();
    ASSERT_EQ(map({kLoadExample, "--speeds", "2000", "--loads", "6,8", "--emit-jobs", emit}).status, 0);
    // Run the second point only, in process, as its jobs.txt line would.
    ASSERT_EQ(map({"--point", emit + "/point-0002"}).status, 0);
    const MapRun c = map({"--collect", emit});
    EXPECT_EQ(c.status, 2);
    const auto rows = lines_of(c.out);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1], "2000,6,,,,,,,,,,missing");
    EXPECT_EQ(column(rows[2], 11), "completed");
    EXPECT_NE(c.err.find("1 points of"), std::string::npos) << c.err;

    const auto jobs = lines_of(read_file(fs::path(emit) / "jobs.txt"));
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_NE(jobs[1].find(" map --point '" + emit + "/point-0002'"), std::string::npos) << jobs[1];
    const std::string slurm = read_file(fs::path(emit) / "slurm-array.sh");
    EXPECT_NE(slurm.find("#SBATCH --array=1-2\n"), std::string::npos) << slurm;
}

bool have_gnu_parallel() { return std::system("parallel --version >/dev/null 2>&1") == 0; }

// The whole flow with the real program: emit, run jobs.txt with GNU parallel,
// collect; the CSV equals the in-process map's byte for byte, a stopped point
// included.
TEST(EngineMap, EmitParallelCollectEqualsInProcessMap) {
    if (!have_gnu_parallel()) GTEST_SKIP() << "GNU parallel is not installed";
    ScratchDir dir;
    const std::string bin = DIESEL_BINARY;
    const fs::path emit = dir.path() / "emitted map";  // a blank in the path, quoted in jobs.txt
    const std::string grid = " --speeds 1500:2500:3 --loads 4,8,30";
    const std::string q = "'" + kLoadExample + "'";
    ASSERT_EQ(std::system(("'" + bin + "' map " + q + grid + " --emit-jobs '" + emit.string() + "' 2>/dev/null").c_str()), 0);
    ASSERT_EQ(std::system(("parallel --jobs 2 < '" + (emit / "jobs.txt").string() + "' 2>/dev/null").c_str()), 0);
    const fs::path collected = dir.path() / "collected.csv";
    const fs::path inProcess = dir.path() / "in-process.csv";
    std::system(("'" + bin + "' map --collect '" + emit.string() + "' --csv '" + collected.string() + "' 2>/dev/null").c_str());
    std::system(("'" + bin + "' map " + q + grid + " --jobs 2 --csv '" + inProcess.string() + "' 2>/dev/null").c_str());
    const std::string a = read_file(collected);
    const std::string b = read_file(inProcess);
    EXPECT_EQ(lines_of(a).size(), 10u);
    EXPECT_NE(a.find(",completed\n"), std::string::npos);
    EXPECT_NE(a.find("2000,30,"), std::string::npos);
    EXPECT_EQ(a, b);
}

}  // namespace
}  // namespace diesel
