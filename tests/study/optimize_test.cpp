// Optimisation: one item lands on the optimum a dense sweep finds; limits
// hold at the best point; the best case written runs to the same figures;
// failed evaluations, no feasible point and refusals.
#include "study/optimize_study.hpp"

#include <gtest/gtest.h>

#include "cli/robust_binary_run.hpp"
#include "driver/in_memory_run.hpp"
#include "files/case_inputs.hpp"
#include "study/map_grid.hpp"

namespace diesel {
namespace {

using namespace cli_test;
using test_support::lines;
using test_support::fields;

const std::string kFixed = std::string(DIESEL_SOURCE_DIR) + "/examples/c1_fixed";

// be at start of combustion `soc` [deg before TDC] of the fixed-fuel example.
float be_at(const Case& base, double soc) {
    Case c = base;
    c.set_real(Item::SOC, static_cast<float>(soc));
    const InMemoryRun run = run_in_memory(c);
    EXPECT_EQ(run.outcome.end, RunEnd::Completed) << soc;
    return run.state->BE;
}

TEST(Optimize, OneItemLandsOnTheOptimumOfADenseSweep) {
    const Case base = load_folder_case(kFixed, {}).c;
    // The sweep: whole degrees over the range, then 0.05 deg around the best.
    double best = 0.0;
    for (int i = 0; i <= 30; ++i) {
        if (be_at(base, i) < be_at(base, best)) best = i;
    }
    const double coarse = best;
    for (double soc = coarse - 1.0; soc <= coarse + 1.0; soc += 0.05) {
        if (soc >= 0.0 && be_at(base, soc) < be_at(base, best)) best = soc;
    }
    ASSERT_GT(best, 1.0);
    ASSERT_LT(best, 29.0);  // inside the range

    std::string error;
    const auto soc = parse_varied_item("SOC=0:30", VaryForm::Range, 1000, error);
    ASSERT_TRUE(soc) << error;
    // Warm, the figures are those of warm runs, within the convergence
    // tolerances; on so flat an optimum its place is found less closely.
    for (const bool warm : {false, true}) {
        const OptimizeResult r = optimize_at(base, 2000.0f, {*soc}, {find_output_figure("be"), false}, {}, 200, {}, warm);
        ASSERT_TRUE(r.found) << r.stopReason;
        EXPECT_NEAR(std::stod(r.values[0]), best, (warm ? 0.05 : 0.01) * 30.0) << warm;
        EXPECT_LT(r.evaluations, 200);
        EXPECT_LE(r.state->BE, be_at(base, best) * (warm ? 1.001f : 1.0001f)) << warm;
    }
}

// A binding limit holds at the best point; the case written runs to the
// CSV's figures; a folder holding a case is refused before anything runs.
TEST(Optimize, LimitsHoldAndTheBestCaseIsWritten) {
    Scratch dir;
    const std::vector<std::string> args =
        program({"optimize", kFixed, "--vary", "SOC=0:30", "--minimize", "be", "--max", "pmax=70", "--write", "best"});
    const auto r = run_in(dir.path, args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("optimize: 2000 rpm: evaluation 1 of at most 200: SOC="), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(" left\n"), std::string::npos) << r.err;
    const std::vector<std::string> rows = lines(r.out);
    ASSERT_EQ(rows.size(), 2u) << r.out;
    EXPECT_EQ(rows[0], optimize_csv_header({{Item::SOC, "SOC", "SOC=0:30", {}, 0.0, 30.0}}));
    const std::vector<std::string> header = fields(rows[0]), row = fields(rows[1]);
    const auto column = [&](const char* name) { return row[std::find(header.begin(), header.end(), name) - header.begin()]; };
    EXPECT_LE(std::stof(column("pmax")), 70.0f);
    EXPECT_GT(std::stof(column("pmax")), 69.0f);  // the limit binds: the free optimum lies above it
    EXPECT_EQ(column("end"), "completed");

    const FolderCase written = load_folder_case(dir.file("best"), {});
    EXPECT_EQ(case_value_text(written.c, Item::SOC), column("SOC"));
    const InMemoryRun again = run_in_memory(written.c);
    EXPECT_EQ(csv_real(again.state->BE), column("be"));

    const auto refused = run_in(dir.path, args);
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("--write best: the folder holds a case already; nothing was run"), std::string::npos)
        << refused.err;
    EXPECT_EQ(refused.err.find("evaluation"), std::string::npos);
    std::vector<std::string> forced = args;
    forced.push_back("--force");
    EXPECT_EQ(run_in(dir.path, forced).status, 0);
}

TEST(Optimize, FailedEvaluationsNoFeasiblePointAndRefusals) {
    const struct { const char* what; std::vector<std::string> args; int status; const char* says; } cases[] = {
        {"no point meets the limits", {"--vary", "SOC=0:30", "--minimize", "be", "--max", "pmax=10", "--max-evals", "30"}, 3,
         "diesel-cycle: optimize: 2000 rpm: no evaluation met every limit in "},
        {"every run stops", {"--vary", "SOC=0:30", "--minimize", "be", "--set", "MAXCYC=3", "--max-evals", "20"}, 3,
         "diesel-cycle: optimize: 2000 rpm: every one of the 7 evaluations failed (a stopping rule ended its run"},
        {"quiet", {"--vary", "SOC=0:30", "--maximize", "etab", "--quiet"}, 0, ""},
        {"a range the checks refuse", {"--vary", "IVC=500:600", "--minimize", "be"}, 2, "--vary IVC=500:600: IVC (valves.intake_closing): 500.0 is not accepted"},
        {"--set of a varied item", {"--vary", "SOC=0:30", "--minimize", "be", "--set", "SOC=5"}, 2, "--set SOC=5: SOC (combustion.start_btdc) is also varied by --vary SOC=0:30"},
    };
    for (const auto& c : cases) {
        Scratch dir;
        const auto r = run_in(dir.path, program({"optimize", kFixed}, c.args));
        EXPECT_EQ(r.status, c.status) << c.what << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.what << ": " << r.err;
        if (c.status == 0) {
            EXPECT_EQ(r.err, "") << c.what;
        }
        if (c.status == 3) {
            EXPECT_TRUE(r.out.ends_with(",no-point-meets-limits\n")) << c.what << ": " << r.out;
        }
        if (c.status == 2) {
            EXPECT_EQ(r.out, "") << c.what;
        }
    }
}

}  // namespace
}  // namespace diesel
