// The command line: help, the answer to usage errors, and -C.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/command_line.hpp"
#include "cli/robust_binary_run.hpp"

namespace diesel {
namespace {

using namespace cli_test;

struct InProcess {
    int status;
    std::string out, err;
};

InProcess command_line(std::vector<const char*> args) {
    args.insert(args.begin(), "diesel-cycle");
    std::ostringstream out, err;
    const int status = run_command_line(static_cast<int>(args.size()), args.data(), out, err);
    return {status, out.str(), err.str()};
}

TEST(CommandLine, HelpListsEveryCommandAndOption) {
    const auto help = run_in(fs::temp_directory_path(), program({"--help"}));
    EXPECT_EQ(help.status, 0);
    for (const char* item : {"-C DIR", "--export", "--set NAME=VALUE", "--inputs toml|fort", "-h, --help", "--version",
                             "init [DIR]", "convert [DIR]", "plot [DIR | CSV]", "map BASE", "full-load BASE",
                             "optimize BASE", "analyze CASE", "calibrate CASE"})
        EXPECT_NE(help.out.find(item), std::string::npos) << item;
}

// A usage error is one line naming the command and what is wrong, with a
// pointer to the command's help, never a screenful of usage; nothing runs.
TEST(CommandLine, UsageErrorsAreOneLineWithAHintToHelp) {
    const struct {
        std::vector<const char*> args;
        const char* says;
    } cases[] = {
        {{"--bogus"}, "diesel-cycle: unknown argument '--bogus' (see diesel-cycle --help)"},
        {{"-C"}, "diesel-cycle: -C needs a folder (see diesel-cycle --help)"},
        {{"init", "--bogus"}, "diesel-cycle: init: unknown option '--bogus' (see diesel-cycle init --help)"},
        {{"convert", "--to", "xml"}, "diesel-cycle: convert: --to takes toml or fort (see diesel-cycle convert --help)"},
        {{"plot", "--z"}, "diesel-cycle: plot: --z needs a value (see diesel-cycle plot --help)"},
        {{"map"}, "diesel-cycle: map: a base folder is needed (see diesel-cycle map --help)"},
        {{"map", "B", "--export"}, "diesel-cycle: map: --export needs --out DIR"},
        {{"full-load", "B", "C"}, "diesel-cycle: full-load: more than one base folder ('B', 'C')"},
        {{"full-load", "B", "--min", "lamda=1.4"}, "diesel-cycle: full-load: --min lamda=1.4: no output figure is called lamda; did you mean lambda"},
        {{"optimize", "B", "--vary", "SOC=0:10"}, "diesel-cycle: optimize: an objective (--minimize FIG"},
    };
    for (const auto& c : cases) {
        const InProcess r = command_line(c.args);
        EXPECT_EQ(r.status, 2) << c.says;
        EXPECT_EQ(r.err.rfind(c.says, 0), 0u) << c.says << "\n" << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find("--help)"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << c.says;
    }
}

// A --set or --inputs that cannot be taken is an input error, one line worded
// as the Python module words it, without the pointer to the help.
TEST(CommandLine, CaseOptionErrorsAreInputErrorsOfTheirCommand) {
    const struct {
        std::vector<const char*> args;
        const char* says;
    } cases[] = {
        {{"--set", "SPEED"}, "diesel-cycle: --set SPEED: expected NAME=VALUE"},
        {{"optimize", "B", "--inputs", "xml"}, "diesel-cycle: optimize: --inputs takes toml"},
    };
    for (const auto& c : cases) {
        const InProcess r = command_line(c.args);
        EXPECT_EQ(r.status, 2) << c.says;
        EXPECT_EQ(r.err.rfind(c.says, 0), 0u) << c.says << "\n" << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.err.find("--help"), std::string::npos) << r.err;
    }
}

}  // namespace
}  // namespace diesel
