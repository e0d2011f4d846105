// "diesel-cycle plot": the sheets of the bundled examples and of an engine map,
// and what it says when there is nothing to plot or no gnuplot.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command_process.hpp"
#include "cli/file_run.hpp"
#include "cli/robust_binary_run.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

namespace fs = std::filesystem;
using command_test::is_png_sheet;
using command_test::run_program_in;
using robust_test::put_example;
using robust_test::ScratchFolder;
using robust_test::write_file;

#define SKIP_WITHOUT_GNUPLOT()                                                           \
    if (!command_test::on_path("gnuplot")) GTEST_SKIP() << "gnuplot is not installed " \
                                                           "(sudo apt-get install gnuplot-nox)"

// Every bundled example, run in its own sub-folder, gets its sheet from one
// plot of the parent folder.
TEST(Plot, SheetOfEveryBundledExample) {
    SKIP_WITHOUT_GNUPLOT();
    ScratchFolder root;
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(fs::path(DIESEL_SOURCE_DIR) / "examples")) {
        if (!e.is_directory()) continue;
        const std::string name = e.path().filename().string();
        const fs::path dir = root.path() / name;
        fs::create_directory(dir);
        put_example(dir, name);
        std::ostringstream console, diag;
        ASSERT_EQ(run_in_folder(dir.string(), console, diag), kExitCompleted) << name << ": " << diag.str();
        names.push_back(name);
    }
    ASSERT_GE(names.size(), 3u);

    const auto r = run_program_in(root.path(), {"plot", root.path().string()});
    EXPECT_EQ(r.status, 0) << r.err;
    for (const std::string& name : names) {
        EXPECT_TRUE(is_png_sheet(root.path() / name / "cycle.png")) << name;
        EXPECT_NE(r.out.find(name + "/cycle.png"), std::string::npos) << r.out;
    }
}

// A map CSV as "diesel-cycle map" writes it: a header row naming the columns,
// one row per operating point. A point ended by a stopping rule and a point
// that did not run are left out of the contours but do not stop the sheet.
TEST(Plot, MapSheetFromCsv) {
    SKIP_WITHOUT_GNUPLOT();
    ScratchFolder dir;
    std::string csv = "speed_rpm,target_pe_bar,fuel_10mm3,pe_bar,be_g_kwh,nv,tex_degc,etai,lambda,pmax_bar,cycles,end\n";
    for (int n = 1000; n <= 4000; n += 1000) {
        for (int load = 1; load <= 5; ++load) {
            const double pe = 1.6 * load - 0.0002 * (n - 1000);
            const double be = 195.0 + 0.00001 * (n - 2200) * (n - 2200) + 120.0 / pe;
            const char* end = (n == 4000 && load == 5) ? "max-cycles" : "completed";
            csv += std::to_string(n) + "," + std::to_string(load) + ",3.5," + std::to_string(pe) + "," +
                   std::to_string(be) + ",0.9,400,0.4,2.0,65,8," + end + "\n";
        }
    }
    csv += "5000,8,,,,,,,,,,input-error\n";
    write_file(dir.file("engine map.csv"), csv);
    const auto r = run_program_in(dir.path(), {"plot", "engine map.csv"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(is_png_sheet(dir.path() / "engine map.png"));
}

// The whole chain on a bundled example: map, then the plot of its CSV.
TEST(Plot, MapSheetOfTheLoadControlledExample) {
    SKIP_WITHOUT_GNUPLOT();
    ScratchFolder dir;
    const std::string base = std::string(DIESEL_SOURCE_DIR) + "/examples/c1_load";
    const auto map = run_program_in(dir.path(), {"map", base, "--speeds", "1500:3000:3", "--loads", "3:7:3", "--csv",
                                                 "map.csv"});
    ASSERT_TRUE(map.status == 0 || map.status == 3) << map.err;
    const auto r = run_program_in(dir.path(), {"plot", dir.path().string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(is_png_sheet(dir.path() / "map.png"));
}

// Nothing to plot is an error the user hears about, with status 2.
TEST(Plot, NothingToPlot) {
    SKIP_WITHOUT_GNUPLOT();
    struct Case {
        const char* name;
        std::vector<test_support::Edit> edits;  // of c1_fixed, or none for an empty folder
        bool run;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"empty folder", {}, false, "nothing to plot"},
        // Two cycles end the run before its output cycle: header lines only.
        {"run stopped early", {{2, 4, 12, "2"}}, true, "holds no output cycle"},
    };
    for (const Case& c : cases) {
        ScratchFolder dir;
        if (c.run) {
            put_example(dir.path(), "c1_fixed", c.edits);
            std::ostringstream console, diag;
            ASSERT_EQ(run_in_folder(dir.path().string(), console, diag), kExitStopped) << c.name;
        }
        const auto r = run_program_in(dir.path(), {"plot"});
        EXPECT_EQ(r.status, 2) << c.name;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.name << ": " << r.err;
        EXPECT_FALSE(fs::exists(dir.path() / "cycle.png")) << c.name;
    }
    ScratchFolder dir;
    const auto r = run_program_in(dir.path(), {"plot", dir.file("no-such-folder")});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("no such folder or file"), std::string::npos) << r.err;
}

// Without gnuplot both the command and the helper itself say what to install.
TEST(Plot, WithoutGnuplotSaysWhatToInstall) {
    ScratchFolder dir, bin;
    put_example(dir.path(), "c1_fixed");
    fs::create_symlink("/bin/bash", bin.path() / "bash");
    const std::string helper = std::string(DIESEL_SOURCE_DIR) + "/tools/diesel-cycle-plot";
    const std::vector<std::vector<std::string>> commands = {
        {DIESEL_BINARY, "plot", dir.path().string()},
        {"/bin/bash", helper, dir.path().string()},
    };
    for (const auto& command : commands) {
        const auto r = command_test::run_in(dir.path(), command, bin.path().string());
        EXPECT_EQ(r.status, 2) << command[0];
        EXPECT_NE(r.err.find("gnuplot is not installed; install it with:  sudo apt-get install gnuplot-nox"),
                  std::string::npos)
            << command[0] << ": " << r.err;
    }
}

TEST(Plot, HelpAndUnknownOption) {
    ScratchFolder dir;
    const auto help = run_program_in(dir.path(), {"plot", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: diesel-cycle plot"), std::string::npos);
    EXPECT_NE(help.out.find("gnuplot-nox"), std::string::npos);
    const auto bad = run_program_in(dir.path(), {"plot", "--colour"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("usage: diesel-cycle plot"), std::string::npos);
}

}  // namespace
}  // namespace diesel
