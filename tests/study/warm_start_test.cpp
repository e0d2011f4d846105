// Maps that start warm: every figure of a 5 x 5 map within 1 % of the cold
// map in fewer cycles, the same CSV whatever the number of jobs, the
// sequences of loads, and what a sequence hands on.
#include "study/warm_start.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "driver/in_memory_run.hpp"
#include "files/case_inputs.hpp"
#include "study/engine_map.hpp"
#include "study/map_design.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

const std::string kLoad = std::string(DIESEL_SOURCE_DIR) + "/examples/c1_load";

// The CSV of a map of the load example, as rows of fields.
std::vector<std::vector<std::string>> map_rows(const std::string& speeds, const std::string& loads, bool warm,
                                               unsigned jobs) {
    MapDesign design;
    design.baseDir = kLoad;
    design.speeds = speeds;
    design.loads = loads;
    MapGrid grid;
    std::ostringstream out, err;
    EXPECT_TRUE(prepare_map_grid(design, grid, err)) << err.str();
    MapRunOptions options;
    options.jobs = jobs;
    options.quiet = true;
    options.warmStart = warm;
    run_map(grid, options, out, err);
    std::vector<std::vector<std::string>> rows;
    for (const std::string& line : test_support::lines(out.str())) rows.push_back(test_support::fields(line));
    return rows;
}

// Each figure against the cold map's, 1 % of it in its own unit, except
// where that unit's zero is not the quantity's: the exhaust temperature in
// kelvin, the peak-pressure angle to one crank step, and the residual gas, a
// share of the cylinder charge (a difference of two nearly equal masses that
// the cyclic tolerances leave uncertain by some per cent even for a cold run),
// to 1 % of the charge.
double allowed(const std::string& column, double cold) {
    if (column == "tex_degc") return 0.01 * (cold + 273.0);
    if (column == "pmax_angle_deg") return 1.0;
    if (column == "resid") return 0.01;
    return 0.01 * std::fabs(cold);
}

TEST(WarmStart, FiveByFiveMapWithinOnePercentOfColdInFewerCycles) {
    const auto cold = map_rows("1200:3200:5", "2:10:5", false, 2);
    const auto warm = map_rows("1200:3200:5", "2:10:5", true, 2);
    ASSERT_EQ(cold.size(), 26u);
    ASSERT_EQ(warm.size(), cold.size());
    const std::vector<std::string>& header = cold[0];
    int coldCycles = 0, warmCycles = 0;
    for (std::size_t r = 1; r < cold.size(); ++r) {
        ASSERT_EQ(warm[r].size(), header.size());
        const std::string point = cold[r][0] + " rpm, " + cold[r][1] + " bar";
        for (std::size_t i = 0; i < header.size(); ++i) {
            if (header[i] == "end") {
                EXPECT_EQ(cold[r][i], "completed") << point;
                EXPECT_EQ(warm[r][i], "completed") << point;
            } else if (header[i] == "cycles") {
                coldCycles += std::stoi(cold[r][i]);
                warmCycles += std::stoi(warm[r][i]);
            } else {
                const double c = std::stod(cold[r][i]), w = std::stod(warm[r][i]);
                EXPECT_LE(std::fabs(w - c), allowed(header[i], c)) << point << ": " << header[i];
            }
        }
    }
    EXPECT_LT(warmCycles, coldCycles * 4 / 5);
    // The sequences of loads run apart, each from its own predecessors.
    EXPECT_EQ(map_rows("1200:3200:5", "2:10:5", true, 1), warm);
    EXPECT_EQ(map_rows("1200:3200:5", "2:10:5", true, 3), warm);
}

TEST(WarmStart, LoadSequencesAreTheLoadsOfASpeedAndVariedValues) {
    const std::vector<MapPoint> points = {
        {1, 1000.0f, 2.0f, {"560"}}, {2, 1000.0f, 2.0f, {"580"}}, {3, 1000.0f, 4.0f, {"560"}},
        {4, 1000.0f, 4.0f, {"580"}}, {5, 2000.0f, 2.0f, {"560"}}, {6, 2000.0f, 4.0f, {"560"}},
    };
    EXPECT_EQ(load_sequences(points), (std::vector<std::vector<std::size_t>>{{0, 2}, {1, 3}, {4, 5}}));
}

// A run that a stopping rule ended hands nothing on, and the next load starts
// from its case; warm starts off, nothing is kept.
TEST(WarmStart, OnlyCompletedRunsHandOn) {
    const InMemoryRun run = run_in_memory(load_folder_case(kLoad, {}).c, kNoTexts);
    ASSERT_EQ(run.outcome.end, RunEnd::Completed);
    WarmStart off(false), on(true);
    off.ran(run.state.get(), RunEnd::Completed);
    EXPECT_EQ(off.start(), nullptr);
    on.ran(run.state.get(), RunEnd::MaxCycles);
    on.ran(nullptr, RunEnd::Completed);
    EXPECT_EQ(on.start(), nullptr);
    on.ran(run.state.get(), RunEnd::Completed, 8.0f);
    ASSERT_NE(on.start(), nullptr);
    EXPECT_EQ(on.start_at(9.0f), on.start());  // one state: nothing to extrapolate from
    on.ran(run.state.get(), RunEnd::Completed, 9.0f);
    EXPECT_NE(on.start_at(10.0f), on.start());
    EXPECT_EQ(on.start_at(20.0f), on.start());  // beyond reach: the last state
    // After a run that did not complete, the next load starts from its case;
    // a search (start()) still takes the latest completed run.
    on.ran(run.state.get(), RunEnd::MaxCycles, 10.0f);
    EXPECT_EQ(on.start_at(11.0f), nullptr);
    EXPECT_NE(on.start(), nullptr);
    on.ran(run.state.get(), RunEnd::Completed, 11.0f);
    EXPECT_NE(on.start_at(12.0f), nullptr);
}

}  // namespace
}  // namespace diesel
