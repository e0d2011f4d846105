// The design of a map: which points it runs, in which order, and every way a
// design is refused before any point runs, naming the option, item and value.
#include "study/map_design.hpp"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "case/case_checks.hpp"
#include "cli/robust_binary_run.hpp"
#include "study/varied_item.hpp"

namespace diesel {
namespace {

std::string example(const char* name) { return std::string(DIESEL_SOURCE_DIR) + "/examples/" + name; }

MapDesign design(const char* base, std::vector<std::string> vary = {}, std::string speeds = "", std::string loads = "") {
    MapDesign d;
    d.baseDir = example(base);
    d.vary = std::move(vary);
    d.speeds = std::move(speeds);
    d.loads = std::move(loads);
    return d;
}

MapDesign with_set(MapDesign d, const std::vector<std::string>& sets) {
    for (const std::string& s : sets) {
        std::string error;
        d.caseOptions.overrides.push_back(*parse_override(s, error));
    }
    return d;
}

MapDesign hypercube(MapDesign d, std::size_t n) {
    d.lhs = n;
    return d;
}

TEST(MapDesign, RefusedBeforeAnyPointRuns) {
    const struct { const char* what; MapDesign d; const char* says; } cases[] = {
        {"SPEED varied and swept", design("c1_fixed", {"SPEED=1000,2000"}, "2000"), "--vary SPEED=1000,2000: SPEED (operating_point.speed) is also varied by --speeds"},
        {"the load item varied and swept", design("c1_fixed", {"FUEL=3,4"}, "", "3"), "--vary FUEL=3,4: FUEL (operating_point.fuel_10mm3) is the load of this base (fixed fuel, MODE 2), which --loads varies"},
        {"--set of a varied item", with_set(design("c1_fixed", {"IVC=560,580"}), {"IVC=570"}), "--set IVC=570: IVC (valves.intake_closing) is also varied by --vary IVC=560,580"},
        {"MODE", design("c1_fixed", {"MODE=0,2"}), "MODE cannot be varied"},
        {"a varied value the checks refuse", design("c1_fixed", {"SOC=5", "IVC=560,1500"}), "--vary IVC=560,1500: IVC (valves.intake_closing): 1500.0 is not accepted: IVC must be"},
        {"a speed the checks refuse", design("c1_fixed", {}, "0,2000"), "--speeds 0,2000: SPEED (operating_point.speed): 0.0 is not accepted"},
        {"values that refuse each other", with_set(design("c1_fixed", {"CONROD=0.2,0.1"}), {"STROKE=0.2"}), "point 2 (2000 rpm, load 3.5, CONROD=0.1): CONROD (geometry.conrod_length): 0.1 is not accepted: CONROD must be greater than STROKE/2"},
        {"a list with --lhs", hypercube(design("c1_fixed", {"IVC=560,600"}), 5), "--vary IVC=560,600: a range LO:HI is needed here, not a list of values (with --lhs)"},
        {"--lhs without --vary", hypercube(design("c1_fixed"), 5), "--lhs needs the ranges to draw from"},
        {"a hypercube range the checks refuse", hypercube(design("c1_fixed", {"IVC=500:600"}), 5), "--vary IVC=500:600: IVC (valves.intake_closing): 500.0 is not accepted"},
        {"a grid beyond the limit", design("c1_fixed", {}, "1:2:100000", "1:2:100000"), "the grid has 10000000000 points (100000 speeds x 100000 loads), more than the limit of 1000000"},
        {"an axis beyond the limit", design("c1_fixed", {}, "1000:2000:2000000"), "--speeds: a range of 2000000 values is more than the limit of 1000000 points"},
        {"too many points", design("c1_fixed", {"IVC=560:600:1000", "SOC=0:10:1000", "CR=15,18"}), "the grid has 2000000 points (1000 values of IVC x 1000 values of SOC x 2 values of CR), more than the limit of 1000000"},
        {"no base folder", design("nowhere"), "base folder " DIESEL_SOURCE_DIR "/examples/nowhere: no such folder"},
    };
    for (const auto& c : cases) {
        MapGrid grid;
        std::ostringstream err;
        EXPECT_FALSE(prepare_map_grid(c.d, grid, err)) << c.what;
        const std::string said = err.str();
        EXPECT_EQ(said.rfind("diesel-cycle: map: ", 0), 0u) << c.what << ": " << said;
        EXPECT_NE(said.find(c.says), std::string::npos) << c.what << ": " << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << c.what << ": " << said;
    }
}

// Speeds outer, the last --vary fastest; speed and load columns show what each
// point runs with; a warning of a varied value comes once, not once per point.
TEST(MapDesign, FullFactorialOrderAndColumns) {
    MapGrid grid;
    std::ostringstream err;
    ASSERT_TRUE(prepare_map_grid(design("c1_load", {"valves.intake_closing=560,580", "SOC=4,60"}, "1500,2000"), grid, err))
        << err.str();
    const std::string said = err.str();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("diesel-cycle: warning: SOC (combustion.start_btdc): 60.0 is implausible"), std::string::npos)
        << said;
    EXPECT_FALSE(grid.loadIsFuel);
    ASSERT_EQ(grid.varied.size(), 2u);
    EXPECT_EQ(grid.varied[0].item, Item::IVC);
    EXPECT_EQ(grid.varied[0].name, "valves.intake_closing");
    ASSERT_EQ(grid.points.size(), 8u);
    const struct { float speed; const char* ivc; const char* soc; } expected[] = {
        {1500, "560", "4"}, {1500, "560", "60"}, {1500, "580", "4"}, {1500, "580", "60"},
        {2000, "560", "4"}, {2000, "560", "60"}, {2000, "580", "4"}, {2000, "580", "60"},
    };
    for (std::size_t i = 0; i < 8; ++i) {
        const MapPoint& p = grid.points[i];
        EXPECT_EQ(p.index, static_cast<int32_t>(i + 1));
        EXPECT_EQ(p.speed, expected[i].speed);
        EXPECT_EQ(p.load, 8.0f);  // the base's target pe
        EXPECT_EQ(p.values, (std::vector<std::string>{expected[i].ivc, expected[i].soc}));
        const Case c = point_case(grid, p);
        EXPECT_EQ(c.real(Item::SPEED), p.speed);
        EXPECT_EQ(case_value_text(c, Item::IVC), expected[i].ivc);
        EXPECT_EQ(case_value_text(c, Item::SOC), expected[i].soc);
    }
    // A varied speed is the point's speed.
    ASSERT_TRUE(prepare_map_grid(design("c1_fixed", {"SPEED=1200,2400"}), grid, err));
    EXPECT_EQ(grid.points[1].speed, 2400.0f);
    EXPECT_EQ(grid.points[1].load, 3.5f);
}

// A hypercube: N points, each range cut into N strata with one point each,
// integer items rounded, the same points for the same seed.
TEST(MapDesign, HypercubeOverTheRanges) {
    MapDesign d = hypercube(design("c1_fixed", {"IVC=560:600", "MAXCYC=20:40", "SOC=0:15"}), 20);
    MapGrid grid, again, other;
    std::ostringstream err;
    ASSERT_TRUE(prepare_map_grid(d, grid, err)) << err.str();
    ASSERT_TRUE(prepare_map_grid(d, again, err));
    d.seed = 2;
    ASSERT_TRUE(prepare_map_grid(d, other, err));
    ASSERT_EQ(grid.points.size(), 20u);
    std::set<int> ivcStrata, socStrata;
    bool differs = false;
    for (std::size_t i = 0; i < 20; ++i) {
        const Case c = point_case(grid, grid.points[i]);
        const double ivc = c.real(Item::IVC), soc = c.real(Item::SOC);
        EXPECT_TRUE(ivc >= 560 && ivc <= 600 && soc >= 0 && soc <= 15) << ivc << " " << soc;
        EXPECT_TRUE(c.integer(Item::MAXCYC) >= 20 && c.integer(Item::MAXCYC) <= 40);
        EXPECT_EQ(grid.points[i].values[1], std::to_string(c.integer(Item::MAXCYC)));
        ivcStrata.insert(std::min(19, static_cast<int>((ivc - 560) / 2)));
        socStrata.insert(std::min(19, static_cast<int>(soc / 0.75)));
        EXPECT_EQ(grid.points[i].values, again.points[i].values);
        differs = differs || grid.points[i].values != other.points[i].values;
    }
    EXPECT_EQ(ivcStrata.size(), 20u);
    EXPECT_EQ(socStrata.size(), 20u);
    EXPECT_TRUE(differs);
}

// Points with more cylinders than the base read the start rows they need.
TEST(MapDesign, MoreCylindersThanTheBaseReadMoreStartRows) {
    cli_test::Scratch dir;
    cli_test::put_example(dir.path, "c12_fixed", {{3, 1, 5, "2"}});  // NCYL 2: one start row of the twelve
    MapDesign d = design("c12_fixed", {"NCYL=2,12"});
    d.baseDir = dir.path.string();
    MapGrid grid;
    std::ostringstream err;
    ASSERT_TRUE(prepare_map_grid(d, grid, err)) << err.str();
    const Case twelve = point_case(grid, grid.points[1]);
    EXPECT_EQ(twelve.integer(Item::NCYL), 12);
    EXPECT_EQ(twelve.start.rows.size(), 11u);
    EXPECT_TRUE(check_case(twelve).errors.empty());
}

}  // namespace
}  // namespace diesel
