// "diesel-cycle calibrate" from files to files: the round trip of a measured
// trace with known combustion back to its inputs, the calibrated case written
// to a new folder, failed runs inside the search, and every refusal as one
// line with an honest exit status and nothing written.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "analysis/analysis_support.hpp"
#include "cli/robust_binary_run.hpp"
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

// Folder `name` under `root` holding `example` (as case.toml alone when `toml`)
// and the bundled measured trace.
fs::path case_folder(const Scratch& root, const std::string& name, const std::string& example = "c1_fixed",
                     bool toml = false) {
    const fs::path dir = root.path / name;
    fs::create_directory(dir);
    if (toml) put_toml_example(dir, example);
    else put_example(dir, example);
    fs::copy_file(fs::path(DIESEL_SOURCE_DIR) / "examples/c1_fixed/measured-pressure.csv", dir / "measured-pressure.csv");
    return dir;
}

Json json_of(const fs::path& file) { return Json::parse(read_file(file.string())); }

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
    EXPECT_GT(j["seconds"].get<double>(), 0.0);
    EXPECT_LE(j["runs"].get<int>(), 400);
    EXPECT_EQ(count(r.err, "calibrate: run "), j["runs"].get<size_t>());  // a progress line per run
    EXPECT_NE(r.err.find("calibrate: run 1 of at most 400 (start): "), std::string::npos) << r.err;

    // The new folder holds the case as given, in its format, with the fitted values.
    const FolderCase back = load_folder_case(calibrated.string(), {});
    EXPECT_EQ(back.c.real(Item::SOC), static_cast<float>(soc));
    EXPECT_EQ(back.c.real(Item::DURC0), static_cast<float>(durc0));
    EXPECT_EQ(back.c.real(Item::MWIEB0), static_cast<float>(mwieb0));
    EXPECT_EQ(back.c.real(Item::SPEED), 2000.0f);
    EXPECT_TRUE(fs::exists(calibrated / "fort2.dat"));
    EXPECT_FALSE(fs::exists(calibrated / "case.toml"));
    EXPECT_EQ(j["written_case"].get<std::string>(), calibrated.string());
}

TEST(Calibrate, LoadControlledCaseIsCalibratedAtFixedFuelAndWrittenWithItsLoadControl) {
    // The bundled trace and a case.toml folder; --fit by key and bounds, SOC alone.
    Scratch root;
    const fs::path dir = case_folder(root, "load", "c1_load", true);
    const fs::path out = root.path / "results", calibrated = root.path / "calibrated";
    fs::create_directory(calibrated);  // an empty folder will do
    const auto r = run_in(root.path, program({"calibrate", dir.string(), "--pressure", (dir / "measured-pressure.csv").string(),
                                              "--fit", "combustion.start_btdc=0:20", "--out", out.string(),
                                              "--write", calibrated.string(), "--quiet"}));
    ASSERT_EQ(r.status, 0) << r.err;
    // --quiet leaves the warnings: here only the one about the written case.
    EXPECT_EQ(r.err, "diesel-cycle: warning: the written case keeps its load control; it was calibrated at the fixed "
                     "fuel above\n");
    const Json j = json_of(out / "calibration.json");
    EXPECT_TRUE(j["operating_state"]["load_controlled_case"].get<bool>());
    EXPECT_EQ(j["bounds"]["SOC"], Json::array({0.0, 20.0}));
    EXPECT_EQ(j["fitted"].size(), 1u);
    EXPECT_FALSE(fs::exists(dir / "calibration.json"));  // --out, not the case folder

    const FolderCase back = load_folder_case(calibrated.string(), {});
    EXPECT_TRUE(fs::exists(calibrated / "case.toml"));
    EXPECT_NE(back.c.integer(Item::MODE), 2);
    EXPECT_EQ(back.c.real(Item::SOC), static_cast<float>(j["fitted"]["SOC"].get<double>()));
}

TEST(Calibrate, TheWrittenCaseCarriesTheStartRowsOfItsCylinders) {
    // The new folder holds no start table of its own: a 4-cylinder case takes
    // its rows along, as fort14.dat beside fort files or inline in case.toml.
    for (const bool toml : {false, true}) {
        Scratch root;
        const fs::path dir = case_folder(root, "bed", "c4_fixed", toml);
        const fs::path calibrated = root.path / "calibrated";
        const auto r = run_in(root.path, program({"calibrate", dir.string(), "--pressure", (dir / "measured-pressure.csv").string(),
                                                  "--max-runs", "3", "--write", calibrated.string()}));
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
        const auto r = run_in(root.path, program({"calibrate", dir.string(), "--pressure", (dir / "measured-pressure.csv").string(),
                                                  "--fit", fit, "--max-runs", "60"}));
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

TEST(Calibrate, RefusalsAreOneLineWithAnHonestStatusAndWriteNothing) {
    const struct {
        std::vector<std::string> args;  // after "calibrate CASE --pressure TRACE"; CASE: the case folder
        int status;
        std::string message;
    } cases[] = {
        {{"--fit", "SOCC"}, 2, "--fit SOCC: "},  // the rest of --fit: calibration_inputs_test
        {{"--fit", "DURC0=0:100"}, 2, "DURC0 must be greater than 0 deg"},
        {{"--window", "-200:90"}, 2, "--window needs FROM:TO"},
        {{"--start", "middle"}, 2, "--start takes analysis or case"},
        {{"--max-runs", "1"}, 2, "--max-runs needs a whole number from 2"},
        {{"--write", "CASE"}, 2, "is the case folder; the calibrated case goes into a new folder"},
        {{"--write", "FULL"}, 2, "the folder is not empty"},
        {{"--set", "STROKE=0.1x"}, 2, "--set STROKE=0.1x"},
        {{"--set", "MAXCYC=2"}, 3, "no operating state to analyse at"},
    };
    for (const auto& c : cases) {
        Scratch root;
        const fs::path dir = case_folder(root, "bed");
        const fs::path full = root.path / "full";
        fs::create_directory(full);
        write_file((full / "notes.txt").string(), "mine\n");
        std::vector<std::string> args{"calibrate", dir.string(), "--pressure", (dir / "measured-pressure.csv").string()};
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
