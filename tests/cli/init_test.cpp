// "diesel-cycle init": a commented case of the example engine, changed by
// --set, that never overwrites a case.
#include <gtest/gtest.h>

#include "case/fort_files.hpp"
#include "cli/robust_binary_run.hpp"
#include "files/case_inputs.hpp"

namespace diesel {
namespace {

using namespace cli_test;

TEST(Init, WritesTheExampleCaseThatRunsLikeIt) {
    const Case example = read_fort_case(test_support::example_texts("c1_fixed"));
    for (const bool fort : {false, true}) {
        Scratch base;
        const fs::path dir = base.path / "new" / "point";
        std::vector<std::string> args = {"init", dir.string()};
        if (fort) args.insert(args.begin() + 1, "--fort");
        const auto r = run_in(base.path, program(args));
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(fs::exists(dir / "case.toml"), !fort);
        EXPECT_EQ(fs::exists(dir / "fort2.dat"), fort);
        EXPECT_FALSE(first_difference(example, load_folder_case(dir.string(), {}).c)) << fort;
        EXPECT_EQ(run_in(dir, program()).status, 0);
        EXPECT_EQ(read_file((dir / "fort13.dat").string()), test_support::source_file("tests/golden/c1_fixed/fort13.dat"));
    }
}

TEST(Init, SetStartsFromTheUsersEngine) {
    Scratch dir;
    const auto r = run_in(dir.path, program({"init", "--set", "BORE=0.11", "--set=operating_point.speed=1800", "--set",
                                             "NCYLE=6"}));
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string toml = read_file(dir.file("case.toml"));
    for (const char* line : {"\nbore = 0.11\n", "\nspeed = 1800.0\n", "\nwrite_table_for_cylinders = 6\n"})
        EXPECT_NE(toml.find(line), std::string::npos) << line;
    EXPECT_EQ(run_in(dir.path, program()).status, 0);
}

// Nothing is written into a folder that holds a case, nor for a --set no run could use.
TEST(Init, RefusesAndWritesNothing) {
    const struct {
        const char* existing;
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {"case.toml", {"init"}, "case.toml exists; init overwrites nothing"},
        {"fort2.dat", {"init", "--fort"}, "fort2.dat exists"},
        {"fort14.dat", {"init"}, "fort14.dat exists"},
        {nullptr, {"init", "--set", "NCYL=13"}, "--set NCYL (operating_point.cylinders): 13 is not accepted"},
        {nullptr, {"init", "--set", "BORE=0,1"}, "--set BORE=0,1: \"0,1\" is not a real number"},
    };
    for (const auto& c : cases) {
        Scratch dir;
        if (c.existing) write_file(dir.file(c.existing), "my own\n");
        const auto before = snapshot(dir.path);
        const auto r = run_in(dir.path, program(c.args));
        EXPECT_EQ(r.status, 2) << c.says;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(snapshot(dir.path), before) << c.says;
    }
}

}  // namespace
}  // namespace diesel
