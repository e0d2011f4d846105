// "diesel-cycle analyze" and "diesel-cycle calibrate" from files to files: the
// bundled measured trace analysed and plotted, the round trip of a trace with
// known combustion back to its inputs, the calibrated case written to a new
// folder, failed runs inside the search, and every failure as one line with an
// honest exit status and nothing written.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "analysis/analysis_support.hpp"
#include "cli/robust_binary_run.hpp"
#include "driver/in_memory_run.hpp"
#include "files/case_inputs.hpp"

namespace diesel {
namespace {

using namespace cli_test;
using Json = nlohmann::json;

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) ++n;
    return n;
}

// Folder `name` under `root` holding `example` (edited, or as case.toml alone
// when `toml`) and the bundled measured trace.
fs::path case_folder(const Scratch& root, const std::string& name, const std::string& example = "c1_fixed",
                     bool toml = false, const std::vector<test_support::Edit>& edits = {}) {
    const fs::path dir = root.path / name;
    fs::create_directory(dir);
    if (toml) put_toml_example(dir, example);
    else put_example(dir, example, edits);
    fs::copy_file(fs::path(DIESEL_SOURCE_DIR) / "examples/c1_fixed/measured-pressure.csv", dir / "measured-pressure.csv");
    return dir;
}

std::string trace_of(const fs::path& dir) { return (dir / "measured-pressure.csv").string(); }
Json json_of(const fs::path& file) { return Json::parse(read_file(file.string())); }

TEST(Analyze, BundledTraceGivesBackTheEnginesWiebeInputs) {
    Scratch root;
    const fs::path dir = case_folder(root, "bed"), out = root.path / "results";
    const auto r = run_in(root.path, program({"analyze", dir.string(), "--pressure", trace_of(dir), "--cycles", "2",
                                              "--smooth", "3", "--out", out.string()}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(count(r.err, "diesel-cycle:"), 0u) << r.err;
    EXPECT_NE(r.out.find("Wiebe fit"), std::string::npos) << r.out;

    const std::string csv = read_file((out / "analysis.csv").string());
    EXPECT_TRUE(csv.starts_with("angle_deg,volume_m3,pressure_bar,smoothed_pressure_bar,temperature_K,"
                                "heat_release_rate_J_per_deg,cumulative_heat_release_J,burnt_fraction,fitted_burnt_fraction\n"));
    EXPECT_EQ(test_support::line_count(csv), 721u);  // one cycle of 1-degree samples
    const Json json = json_of(out / "analysis.json");
    // The trace was made with SOC 9, DURC0 62, MWIEB0 1.1 (see its note).
    EXPECT_NEAR(json["inputs"]["SOC"].get<double>(), 9.0, 0.5);
    EXPECT_NEAR(json["inputs"]["DURC0"].get<double>(), 62.0, 0.03 * 62.0);
    EXPECT_NEAR(json["inputs"]["MWIEB0"].get<double>(), 1.1, 0.1 * 1.1);
    EXPECT_EQ(json["format"], "diesel-cycle analysis 1");
    EXPECT_LT(std::abs(json["energy_balance"]["unaccounted_percent"].get<double>()), 2.0);
    EXPECT_FALSE(fs::exists(dir / "analysis.json"));  // --out, not the case folder

    ASSERT_TRUE(tool_installed("gnuplot", "gnuplot-nox"));
    const auto plot = run_in(root.path, program({"plot", out.string()}));
    ASSERT_EQ(plot.status, 0) << plot.err;
    EXPECT_TRUE(read_file((out / "analysis.png").string()).starts_with("\x89PNG\r\n\x1a\n"));
    const std::string script = read_file((out / "analysis.gp").string());
    for (const char* element : {"data = \"analysis.csv\"", "using 1:6 ", "using 1:9 ", "set multiplot layout 2,2"})
        EXPECT_NE(script.find(element), std::string::npos) << element;
}

// A load-controlled case is analysed at the fuel its load control converges
// to, or at the fuel --set gives.
TEST(Analyze, ReadsTheCaseAsARunDoes) {
    Scratch root;
    const fs::path fort = case_folder(root, "fort", "c1_load");
    const struct {
        fs::path dir;
        std::vector<std::string> options;
        double fuel;  // [10 mm3]; 0: the fuel the load control converges to
    } cases[] = {
        {fort, {}, 0.0},
        {fort, {"--set", "MODE=2", "--set", "operating_point.fuel_10mm3=3.0"}, 3.0},
    };
    const float converged = run_in_memory(test_support::example_texts("c1_load")).state->QF;
    for (const auto& c : cases) {
        std::vector<std::string> args{"analyze", c.dir.string(), "--pressure", trace_of(fort)};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const auto r = run_in(root.path, program(args));
        ASSERT_EQ(r.status, 0) << r.err;
        const Json json = json_of(c.dir / "analysis.json");
        const float fuel = json["operating_state"]["fuel_10mm3"].get<float>();
        if (c.fuel == 0.0) EXPECT_FLOAT_EQ(fuel, converged) << c.dir;  // written with 7 digits
        else EXPECT_EQ(fuel, static_cast<float>(c.fuel));
        EXPECT_EQ(json["operating_state"]["load_controlled_case"].get<bool>(), c.fuel == 0.0);
    }
}

TEST(Calibrate, RoundTripFromTheCaseValuesBackToTheKnownCombustion) {
    // The engine burns with SOC 7.6, DURC0 68, MWIEB0 1.3; the case says 6, 75,
    // 0.8. Its trace: 0.05 bar of noise, 0.01 bar resolution, and a TDC found
    // 0.5 deg early, so that every recorded angle lies that far after the true one.
    constexpr double kSoc = 7.6, kDurc0 = 68.0, kMwieb0 = 1.3;
    Scratch root;
    const fs::path dir = case_folder(root, "bed");
    write_file((dir / "trace.csv").string(),
               "angle_deg,pressure_bar\n" +
                   analysis_test::recorded_lines(analysis_test::c1_burning(7.6f, 68.0f, 1.3f), 2024, 0.05, 1, 0.5));
    const fs::path calibrated = root.path / "calibrated";
    const auto r = run_in(root.path, program({"calibrate", dir.string(), "--pressure", (dir / "trace.csv").string(),
                                              "--tdc-shift", "0.5", "--start", "case", "--write", calibrated.string()}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(count(r.err, "diesel-cycle:"), 0u) << r.err;

    const Json j = json_of(dir / "calibration.json");
    EXPECT_EQ(j["format"], "diesel-cycle calibration 1");
    EXPECT_EQ(j["start"], Json({{"SOC", 6.0}, {"DURC0", 75.0}, {"MWIEB0", 0.8}}));
    const double soc = j["fitted"]["SOC"], durc0 = j["fitted"]["DURC0"], mwieb0 = j["fitted"]["MWIEB0"];
    EXPECT_NEAR(soc, kSoc, 0.5);
    EXPECT_NEAR(durc0, kDurc0, 0.03 * kDurc0);
    EXPECT_NEAR(mwieb0, kMwieb0, 0.1 * kMwieb0);
    EXPECT_LT(j["rms_bar"].get<double>(), 0.07);  // the noise, and no more
    EXPECT_EQ(count(r.err, "calibrate: run "), j["runs"].get<size_t>());  // a progress line per run

    // The new folder holds the case as given, in its format, with the fitted values.
    const Case back = load_folder_case(calibrated.string(), {}).c;
    EXPECT_EQ(back.real(Item::SOC), static_cast<float>(soc));
    EXPECT_EQ(back.real(Item::DURC0), static_cast<float>(durc0));
    EXPECT_EQ(back.real(Item::MWIEB0), static_cast<float>(mwieb0));
    EXPECT_TRUE(fs::exists(calibrated / "fort2.dat"));
}

TEST(Calibrate, LoadControlledCaseIsCalibratedAtFixedFuelAndWrittenWithItsLoadControl) {
    // The bundled trace and a case.toml folder; --fit by key and bounds, SOC alone.
    Scratch root;
    const fs::path dir = case_folder(root, "load", "c1_load", true);
    const fs::path out = root.path / "results", calibrated = root.path / "calibrated";
    fs::create_directory(calibrated);  // an empty folder will do
    const auto r = run_in(root.path, program({"calibrate", dir.string(), "--pressure", trace_of(dir), "--fit",
                                              "combustion.start_btdc=0:20", "--out", out.string(), "--write",
                                              calibrated.string(), "--quiet"}));
    ASSERT_EQ(r.status, 0) << r.err;
    // --quiet leaves the warnings: here only the one about the written case.
    EXPECT_EQ(r.err, "diesel-cycle: warning: the written case keeps its load control; it was calibrated at the fixed "
                     "fuel above\n");
    const Json j = json_of(out / "calibration.json");
    EXPECT_TRUE(j["operating_state"]["load_controlled_case"].get<bool>());
    EXPECT_EQ(j["bounds"]["SOC"], Json::array({0.0, 20.0}));
    EXPECT_FALSE(fs::exists(dir / "calibration.json"));  // --out, not the case folder

    const Case back = load_folder_case(calibrated.string(), {}).c;
    EXPECT_TRUE(fs::exists(calibrated / "case.toml"));
    EXPECT_NE(back.integer(Item::MODE), 2);
    EXPECT_EQ(back.real(Item::SOC), static_cast<float>(j["fitted"]["SOC"].get<double>()));
}

TEST(Calibrate, TheWrittenCaseCarriesTheStartRowsOfItsCylinders) {
    // The new folder holds no start table of its own: a 4-cylinder case takes
    // its rows along, as fort14.dat beside fort files or inline in case.toml.
    for (const bool toml : {false, true}) {
        Scratch root;
        const fs::path dir = case_folder(root, "bed", "c4_fixed", toml), calibrated = root.path / "calibrated";
        const auto r = run_in(root.path, program({"calibrate", dir.string(), "--pressure", trace_of(dir), "--max-runs",
                                                  "3", "--write", calibrated.string()}));
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(json_of(dir / "calibration.json")["stop_reason"], "the run limit was reached");
        EXPECT_EQ(fs::exists(calibrated / "fort14.dat"), !toml);
        const Case back = load_folder_case(calibrated.string(), {}).c;
        ASSERT_EQ(back.start.rows.size(), 3u);
        EXPECT_EQ(start_rows_text(back), start_rows_text(load_folder_case(dir.string(), {}).c));
        EXPECT_EQ(run_in(calibrated, program()).status, 0);
    }
}

TEST(Calibrate, RunsEndedByAStoppingRuleAreFailedEvaluations) {
    // A run whose exhaust equivalence ratio (0.48 here) exceeds EQRMAX stops.
    // Fitted alongside SOC within 0.4 .. 0.5, part of the box stops and the
    // search goes on in the rest; all of the box stopped gives status 3 and no file.
    for (const auto& [fit, status] : {std::pair{"SOC,EQRMAX=0.4:0.5", 0}, {"EQRMAX=0.01:0.02", 3}}) {
        Scratch root;
        const fs::path dir = case_folder(root, "bed");
        const auto before = snapshot(dir);
        const auto r = run_in(root.path, program({"calibrate", dir.string(), "--pressure", trace_of(dir), "--fit", fit,
                                                  "--max-runs", "60"}));
        EXPECT_EQ(r.status, status) << fit << "\n" << r.err;
        EXPECT_NE(r.err.find("failed: run stopped: exhaust-receiver equivalence ratio"), std::string::npos) << r.err;
        if (status != 0) {
            EXPECT_EQ(count(r.err, "diesel-cycle:"), 1u) << r.err;
            EXPECT_NE(r.err.find("no model run completed"), std::string::npos) << r.err;
            EXPECT_EQ(snapshot(dir), before);
            continue;
        }
        const Json j = json_of(dir / "calibration.json");
        EXPECT_GT(j["failed_runs"].get<int>(), 0);
        EXPECT_GT(j["fitted"]["EQRMAX"].get<double>(), 0.478);
        EXPECT_LT(j["rms_bar"].get<double>(), j["start_rms_bar"].get<double>());
    }
}

// Refused before any analysis or search: one line, an honest status, nothing written.
TEST(PressureCommands, FailuresAreOneLineWithAnHonestStatusAndWriteNothing) {
    const struct {
        const char* command;
        std::vector<std::string> args;          // after "COMMAND CASE --pressure TRACE"; CASE, FULL: folders
        std::vector<test_support::Edit> edits;  // of the case
        std::string trace;                      // replaces the bundled trace when not empty; "-": none
        int status;
        std::string message;
    } cases[] = {
        {"analyze", {}, {}, "-", 2, "measured-pressure.csv: no such file"},
        {"analyze", {}, {{2, 4, 12, "2"}}, "", 3, "no operating state to analyse at: run stopped: the cycle count reached MAXCYC = 2"},
        {"calibrate", {"--write", "CASE"}, {}, "", 2, "is the case folder; the calibrated case goes into a new folder"},
        {"calibrate", {"--write", "FULL"}, {}, "", 2, "the folder is not empty"},
    };
    for (const auto& c : cases) {
        Scratch root;
        const fs::path dir = case_folder(root, "bed", "c1_fixed", false, c.edits), full = root.path / "full";
        if (c.trace == "-") fs::remove(trace_of(dir));
        else if (!c.trace.empty()) write_file(trace_of(dir), c.trace);
        fs::create_directory(full);
        write_file((full / "notes.txt").string(), "mine\n");
        std::vector<std::string> args{c.command, dir.string(), "--pressure", trace_of(dir)};
        for (const std::string& a : c.args) args.push_back(a == "CASE" ? dir.string() : a == "FULL" ? full.string() : a);
        const auto before = snapshot(dir);
        const auto r = run_in(root.path, program(args));
        EXPECT_EQ(r.status, c.status) << c.message << "\n" << r.err;
        EXPECT_EQ(count(r.err, "diesel-cycle:"), 1u) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("calibrate: run "), std::string::npos) << c.message;  // refused before any search
        EXPECT_EQ(snapshot(dir), before) << c.message;
        EXPECT_EQ(snapshot(full).size(), 1u);
    }
}

}  // namespace
}  // namespace diesel
