// "diesel-cycle analyze" from files to files: the bundled measured trace, a
// load-controlled case, the analysis sheet, and every failure as one line
// with an honest exit status and nothing written.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/robust_binary_run.hpp"
#include "driver/in_memory_run.hpp"

namespace diesel {
namespace {

using namespace cli_test;

// The case folder `name` with the bundled trace beside its input files.
fs::path case_with_trace(const Scratch& root, const std::string& name, const std::vector<test_support::Edit>& edits = {}) {
    const fs::path dir = root.path / name;
    fs::create_directory(dir);
    put_example(dir, name, edits);
    fs::copy_file(fs::path(DIESEL_SOURCE_DIR) / "examples/c1_fixed/measured-pressure.csv", dir / "measured-pressure.csv");
    return dir;
}

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) ++n;
    return n;
}

TEST(Analyze, BundledTraceGivesBackTheEnginesWiebeInputs) {
    Scratch root;
    const fs::path dir = case_with_trace(root, "c1_fixed");
    const fs::path out = root.path / "results";
    const auto r = run_in(root.path, program({"analyze", dir.string(), "--pressure", (dir / "measured-pressure.csv").string(),
                                              "--cycles", "2", "--smooth", "3", "--out", out.string()}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(count(r.err, "diesel-cycle:"), 0u) << r.err;
    EXPECT_NE(r.out.find("Wiebe fit"), std::string::npos) << r.out;

    const std::string csv = read_file((out / "analysis.csv").string());
    EXPECT_TRUE(csv.starts_with("angle_deg,volume_m3,pressure_bar,smoothed_pressure_bar,temperature_K,"
                                "heat_release_rate_J_per_deg,cumulative_heat_release_J,burnt_fraction,fitted_burnt_fraction\n"));
    EXPECT_EQ(test_support::line_count(csv), 721u);  // one cycle of 1-degree samples
    const auto json = nlohmann::json::parse(read_file((out / "analysis.json").string()));
    // The trace was made with SOC 9, DURC0 62, MWIEB0 1.1 (see its note).
    EXPECT_NEAR(json["inputs"]["SOC"].get<double>(), 9.0, 0.5);
    EXPECT_NEAR(json["inputs"]["DURC0"].get<double>(), 62.0, 0.03 * 62.0);
    EXPECT_NEAR(json["inputs"]["MWIEB0"].get<double>(), 1.1, 0.1 * 1.1);
    EXPECT_TRUE(json["figures"]["combustion"].get<bool>());
    EXPECT_EQ(json["format"], "diesel-cycle analysis 1");
    EXPECT_EQ(json["program"]["name"], "diesel-cycle");
    EXPECT_LT(std::abs(json["energy_balance"]["unaccounted_percent"].get<double>()), 2.0);
    EXPECT_FALSE(fs::exists(dir / "analysis.json"));  // --out, not the case folder

    ASSERT_TRUE(tool_installed("gnuplot", "gnuplot-nox"));
    const auto plot = run_in(root.path, program({"plot", out.string()}));
    ASSERT_EQ(plot.status, 0) << plot.err;
    EXPECT_TRUE(read_file((out / "analysis.png").string()).starts_with("\x89PNG\r\n\x1a\n"));
    const std::string script = read_file((out / "analysis.gp").string());
    for (const char* element : {"data = \"analysis.csv\"", "Heat-release rate: measured and fitted Wiebe law",
                                "using 1:6 ", "title \"fitted Wiebe law\"", "using 1:8 ", "using 1:9 ", "p-V diagram",
                                "using ($2 * 1000):4 ", "set multiplot layout 2,2"})
        EXPECT_NE(script.find(element), std::string::npos) << element;
}

TEST(Analyze, ReadsTheCaseAsARunDoes) {
    // The same load-controlled case as fort files, as case.toml alone, and with
    // --set: it is analysed at the fuel its load control converges to, or the
    // fuel set; the operating state follows the case, not its files.
    Scratch root;
    const fs::path fort = case_with_trace(root, "c1_load");
    const fs::path toml = root.path / "c1_load_toml";
    fs::create_directory(toml);
    put_toml_example(toml, "c1_load");
    const struct {
        fs::path dir;
        std::vector<std::string> options;
        double fuel;  // [10 mm3]; 0: the fuel the load control converges to
    } cases[] = {
        {fort, {}, 0.0},
        {toml, {}, 0.0},
        {fort, {"--set", "MODE=2", "--set", "operating_point.fuel_10mm3=3.0"}, 3.0},
    };
    const float converged = run_in_memory(test_support::example_texts("c1_load")).state->QF;
    for (const auto& c : cases) {
        std::vector<std::string> args{"analyze", c.dir.string(), "--pressure", (fort / "measured-pressure.csv").string()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const auto r = run_in(root.path, program(args));
        ASSERT_EQ(r.status, 0) << r.err;
        const auto json = nlohmann::json::parse(read_file((c.dir / "analysis.json").string()));
        const float fuel = json["operating_state"]["fuel_10mm3"].get<float>();
        if (c.fuel == 0.0) EXPECT_FLOAT_EQ(fuel, converged) << c.dir;  // written with 7 digits
        else EXPECT_EQ(fuel, static_cast<float>(c.fuel));
        EXPECT_EQ(json["operating_state"]["load_controlled_case"].get<bool>(), c.fuel == 0.0);
    }
}

TEST(Analyze, QuietSilencesProgressButNotWarnings) {
    Scratch root;
    const fs::path dir = case_with_trace(root, "c1_fixed");
    std::vector<std::string> args{"analyze", dir.string(), "--pressure", (dir / "measured-pressure.csv").string(),
                                  "--set", "TCOOL=363"};
    const auto loud = run_in(root.path, program(args));
    args.push_back("--quiet");
    const auto quiet = run_in(root.path, program(args));
    ASSERT_EQ(loud.status, 0) << loud.err;
    ASSERT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_NE(loud.err.find("\nanalyze: done in "), std::string::npos) << loud.err;
    EXPECT_EQ(quiet.out, loud.out);  // stdout never changes
    EXPECT_TRUE(quiet.err.starts_with("diesel-cycle: warning: --set TCOOL (walls.coolant_temperature_C): 363 is implausible"))
        << quiet.err;
    EXPECT_EQ(count(quiet.err, "\n"), 1u) << quiet.err;
}

TEST(Analyze, FailuresAreOneLineWithAnHonestStatusAndWriteNothing) {
    const struct {
        std::vector<std::string> args;             // after "analyze CASE"; TRACE stands for the trace's path
        std::vector<test_support::Edit> edits;     // of the case
        std::string traceText;                     // replaces the bundled trace when not empty
        int status;
        std::string message;
    } cases[] = {
        {{"--pressure", "missing.csv"}, {}, "", 2, "missing.csv: no such file"},
        {{"--pressure", "TRACE", "--cycles", "3"}, {}, "", 2, "--cycles 3 asks for more cycles than the trace holds"},
        {{"--pressure", "TRACE", "--smooth", "wide"}, {}, "", 2, "--smooth needs a width"},
        {{"--pressure", "TRACE"}, {}, "angle,p\n-180,1\n-179,1\n-178,nan\n", 2, "measured-pressure.csv, line 4: pressure"},
        {{"--pressure", "TRACE"}, {{2, 4, 12, "2"}}, "", 3, "no operating state to analyse at: run stopped: the cycle count reached MAXCYC = 2"},
        {{"--pressure", "TRACE"}, {{2, 1, 2, "0.1x"}}, "", 2, "fort2.dat (unit 2), record 1, item 2 (STROKE)"},
    };
    for (const auto& c : cases) {
        Scratch root;
        const fs::path dir = case_with_trace(root, "c1_fixed", c.edits);
        if (!c.traceText.empty()) write_file((dir / "measured-pressure.csv").string(), c.traceText);
        std::vector<std::string> args{"analyze", dir.string()};
        for (const std::string& a : c.args) args.push_back(a == "TRACE" ? (dir / "measured-pressure.csv").string() : a);
        const auto before = snapshot(dir);
        const auto r = run_in(root.path, program(args));
        EXPECT_EQ(r.status, c.status) << c.message << "\n" << r.err;
        EXPECT_EQ(count(r.err, "diesel-cycle:"), 1u) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(snapshot(dir), before) << c.message;
    }
}

}  // namespace
}  // namespace diesel
