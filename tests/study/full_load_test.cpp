// The full-load search: the fuel found meets every limit and half a percent
// more does not; what bounds it; speeds without a feasible fuel; refusals.
#include "study/full_load.hpp"

#include <gtest/gtest.h>

#include "cli/robust_binary_run.hpp"
#include "files/case_inputs.hpp"
#include "study/map_grid.hpp"
#include "study/study_run.hpp"

namespace diesel {
namespace {

using namespace cli_test;
using test_support::lines;
using test_support::fields;

const std::string kLoad = std::string(DIESEL_SOURCE_DIR) + "/examples/c1_load";

bool meets_lambda(const Case& base, float speed, float fuel, float lambda, std::string* pe = nullptr) {
    const StudyRun run = run_study_case(full_load_case(base, speed, fuel));
    if (!run.completed()) return false;
    if (pe != nullptr) *pe = csv_real(run.state->PE);
    return run.state->LAMBDA >= lambda;
}

TEST(FullLoad, FoundFuelMeetsTheLimitAndHalfAPercentMoreDoesNot) {
    Scratch dir;
    const auto r = run_in(dir.path, program({"full-load", kLoad, "--speeds", "1000:3000:5", "--min", "lambda=1.4"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("full-load: 5 of 5 speeds done"), std::string::npos) << r.err;
    const std::vector<std::string> rows = lines(r.out);
    ASSERT_EQ(rows.size(), 6u) << r.out;
    EXPECT_EQ(rows[0], full_load_csv_header());
    const Case base = load_folder_case(kLoad, {}).c;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const std::vector<std::string> f = fields(rows[i]);
        ASSERT_EQ(f.size(), fields(rows[0]).size());
        const float speed = std::stof(f[0]), fuel = std::stof(f[1]);
        EXPECT_EQ(f[6], "completed") << rows[i];
        std::string pe;
        EXPECT_TRUE(meets_lambda(base, speed, fuel, 1.4f, &pe)) << rows[i];
        EXPECT_EQ(f[2], pe) << rows[i];
        const float above = static_cast<float>(static_cast<double>(fuel) * 1.005);
        EXPECT_FALSE(meets_lambda(base, speed, above, 1.4f)) << speed << " rpm at " << above;
        // What bounds the fuel is the limit or a run that stopped above it.
        EXPECT_TRUE(f[5] == "lambda" || f[5] == "max-cycles") << rows[i];
    }
}

// The bracket in the library: several limits, the one that binds named; a
// fuel limit that itself meets every limit. Warm runs find the fuel of cold
// ones within the convergence tolerances.
TEST(FullLoad, WhatBoundsTheFuel) {
    const Case base = load_folder_case(kLoad, {}).c;
    std::string error;
    const auto limit = [&](const char* text, FigureLimit::Kind kind) { return *parse_figure_limit(text, kind, error); };
    const FigureLimit lambda = limit("lambda=1.4", FigureLimit::Kind::Min), pmax = limit("pmax=65", FigureLimit::Kind::Max);
    float coldFuel = 0.0f;
    for (const bool warm : {false, true}) {
        const FullLoadPoint both = find_full_load(base, 2000.0f, {lambda, pmax}, 0.005, {}, warm);
        ASSERT_TRUE(both.found) << warm;
        EXPECT_EQ(both.activeLimit, "pmax") << warm;
        EXPECT_LE(find_output_figure("pmax")->value(*both.state), 65.0f) << warm;
        EXPECT_LE(static_cast<double>(both.above), static_cast<double>(both.fuel) * 1.005) << warm;
        EXPECT_GT(both.above, both.fuel) << warm;
        EXPECT_LT(both.runs, 30) << warm;
        if (!warm) coldFuel = both.fuel;
        EXPECT_NEAR(both.fuel, coldFuel, 0.01f * coldFuel) << warm;
    }

    Case small = base;
    small.set_real(Item::FUELMX, 1.0f);
    const FullLoadPoint capped = find_full_load(small, 2000.0f, {lambda}, 0.005);
    ASSERT_TRUE(capped.found);
    EXPECT_EQ(capped.fuel, 1.0f);
    EXPECT_EQ(capped.activeLimit, "FUELMX");
    EXPECT_EQ(capped.runs, 1);
}

TEST(FullLoad, NoFeasibleFuelAndRefusals) {
    const struct { const char* what; std::vector<std::string> args; int status; const char* says; bool ran; } cases[] = {
        {"no fuel meets the limits", {"--speeds", "2000", "--max", "pmax=10"}, 3,
         "diesel-cycle: full-load: 2000 rpm: no fuel quantity in (0, 8] meets the limits; at fuel 0.00012207031: pmax = ", true},
        {"quiet", {"--speeds", "2000", "--min", "lambda=1.4", "--quiet", "--warm-start"}, 0, "", true},
        {"a tolerance without %", {"--min", "lambda=1.4", "--tol", "0.5"}, 2, "--tol needs a percentage of the fuel", false},
        {"--set of the fuel", {"--min", "lambda=1.4", "--set", "FUEL=3"}, 2, "--set FUEL=3: FUEL (operating_point.fuel_10mm3) is also varied by the full-load search", false},
        {"a speed the checks refuse", {"--speeds", "0,2000", "--min", "lambda=1.4"}, 2, "diesel-cycle: full-load: 0 rpm: SPEED (operating_point.speed): 0.0 is not accepted", false},
    };
    for (const auto& c : cases) {
        Scratch dir;
        const auto r = run_in(dir.path, program({"full-load", kLoad}, c.args));
        EXPECT_EQ(r.status, c.status) << c.what << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.what << ": " << r.err;
        EXPECT_EQ(!r.out.empty(), c.ran) << c.what;
        if (std::string(c.what) == "quiet") {
            EXPECT_EQ(r.err, "");
        }
        if (c.status == 3) {
            const std::vector<std::string> f = fields(lines(r.out).at(1));
            EXPECT_EQ(std::vector<std::string>(f.begin(), f.begin() + 7),
                      (std::vector<std::string>{"2000", "", "", "", "", "none", "no-fuel-meets-limits"}));
            EXPECT_TRUE(std::all_of(f.begin() + 7, f.end(), [](const std::string& s) { return s.empty(); }));
        }
    }
}

}  // namespace
}  // namespace diesel
