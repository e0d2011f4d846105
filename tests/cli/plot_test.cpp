// "diesel-cycle plot": the sheets of the bundled examples and of an engine map,
// and what it says when there is nothing to plot or no gnuplot.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/file_run.hpp"
#include "cli/robust_binary_run.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

using namespace robust_test;

#define SKIP_WITHOUT_GNUPLOT() \
    if (!on_path("gnuplot")) GTEST_SKIP() << "gnuplot is not installed (sudo apt-get install gnuplot-nox)"

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
    const auto r = run_program(root.path(), {"plot", root.path().string()});
    EXPECT_EQ(r.status, 0) << r.err;
    for (const std::string& name : names) {
        EXPECT_TRUE(is_png_sheet(root.path() / name / "cycle.png")) << name;
        EXPECT_NE(r.out.find(name + "/cycle.png"), std::string::npos) << r.out;
    }
}

// The whole chain on a bundled example: map, then the plot of its CSV. A point
// that did not run is left out of the contours but does not stop the sheet.
TEST(Plot, MapSheetOfTheLoadControlledExample) {
    SKIP_WITHOUT_GNUPLOT();
    ScratchFolder dir;
    const std::string base = std::string(DIESEL_SOURCE_DIR) + "/examples/c1_load";
    const auto map = run_program(dir.path(), {"map", base, "--speeds", "1500:3000:3", "--loads", "3:7:3", "--csv",
                                              "engine map.csv"});
    ASSERT_TRUE(map.status == 0 || map.status == 3) << map.err;
    write_file(dir.file("engine map.csv"), read_file(dir.file("engine map.csv")) + "5000,8,,,,,,,,,,missing\n");
    const auto r = run_program(dir.path(), {"plot", dir.path().string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(is_png_sheet(dir.path() / "engine map.png"));
}

// Nothing to plot, or no gnuplot to plot with: a message saying so, status 2.
TEST(Plot, NothingToPlotOrNoGnuplot) {
    ScratchFolder bin;
    fs::create_symlink("/bin/bash", bin.path() / "bash");
    const std::string helper = std::string(DIESEL_SOURCE_DIR) + "/tools/diesel-cycle-plot";
    const std::string noGnuplot = "gnuplot is not installed; install it with:  sudo apt-get install gnuplot-nox";
    const struct {
        const char* name;
        bool run;  // the example run first, stopped after two cycles: header lines only
        std::vector<std::string> argv;
        std::string path;  // PATH of the command, when not the test's own
        std::string message;
    } cases[] = {
        {"empty folder", false, program({"plot"}), "", "nothing to plot"},
        {"run stopped early", true, program({"plot"}), "", "holds no output cycle"},
        {"no such folder", false, program({"plot", "no-such-folder"}), "", "no such folder or file"},
        {"unknown option", false, program({"plot", "--colour"}), "", "usage: diesel-cycle plot"},
        {"no gnuplot", true, program({"plot"}), bin.path().string(), noGnuplot},
        {"helper without gnuplot", true, {"/bin/bash", helper}, bin.path().string(), noGnuplot},
    };
    for (const auto& c : cases) {
        if (c.path.empty() && !on_path("gnuplot")) continue;
        ScratchFolder dir;
        if (c.run) {
            put_example(dir.path(), "c1_fixed", {{2, 4, 12, "2"}});
            std::ostringstream console, diag;
            ASSERT_EQ(run_in_folder(dir.path().string(), console, diag), kExitStopped) << c.name;
        }
        const auto r = run_in(dir.path(), c.argv, c.path);
        EXPECT_EQ(r.status, 2) << c.name;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.name << ": " << r.err;
        EXPECT_FALSE(fs::exists(dir.path() / "cycle.png")) << c.name;
    }
    const auto help = run_program(bin.path(), {"plot", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: diesel-cycle plot"), std::string::npos);
    EXPECT_NE(help.out.find("gnuplot-nox"), std::string::npos);
}

}  // namespace
}  // namespace diesel
