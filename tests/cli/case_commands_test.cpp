// Runs with --set and --inputs, convert and init, as the program does them:
// exit statuses, messages, and input files untouched.
#include <gtest/gtest.h>


#include "case/fort_files.hpp"
#include "cli/robust_binary_run.hpp"
#include "files/case_inputs.hpp"

namespace diesel {
namespace {

using namespace cli_test;

// --set overrides an item for one run; the folder's input files keep their
// bytes; -C runs in the folder named, leaving the working folder alone.
TEST(CaseCommands, SetRunsAtTheNewValueWithoutTouchingTheInputs) {
    for (const bool toml : {false, true}) {
        Scratch dir, cwd;
        if (toml) put_toml_example(dir.path, "c1_fixed");
        else put_example(dir.path, "c1_fixed");
        const auto before = snapshot(dir.path);
        const auto r = run_in(cwd.path, program({"--set", "SPEED=2400", "--set", "run_control.max_cycles=60", "-C",
                                                 dir.path.string()}));
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(read_file(dir.file("fort13.dat")).starts_with("n =2400.  rpm")) << read_file(dir.file("fort13.dat"));
        for (const auto& [name, bytes] : before) EXPECT_EQ(read_file(dir.file(name)), bytes) << name;
        EXPECT_TRUE(fs::is_empty(cwd.path));
    }
}

// Which input a folder holding both runs from, and every refusal with its
// message (exit 2, no file changed), convert's and init's among them.
TEST(CaseCommands, InputChoiceAndRefusals) {
    const struct {
        const char* speed;   // put in case.toml for its 2000.0, when given
        const char* remove;  // a file taken away, when given
        std::vector<std::string> args;
        int status;
        std::string says;  // on stderr; for status 0 the first line of fort13.dat
    } cases[] = {
        {nullptr, nullptr, {}, 0, "n =2000."},  // both, the same case
        {"2400.0", nullptr, {}, 2, "case.toml and the fort files describe different cases: SPEED (operating_point.speed) "
                                   "is 2400.0 (case.toml line 12) but 2000.0 (fort3.dat (unit 3), record 1, item 1)"},
        {"2400.0", nullptr, {"--inputs", "toml"}, 0, "n =2400."},
        {nullptr, "case.toml", {"--inputs", "toml"}, 2, "case.toml: file is missing"},
        {nullptr, "fort2.dat", {}, 2, "fort2.dat (unit 2): file is missing (the folder holds both"},
        {nullptr, nullptr, {"convert"}, 2, "case.toml exists; nothing was written (--force replaces it)"},
        {nullptr, nullptr, {"convert", "--to", "fort"}, 2, "fort3.dat exists"},
        {nullptr, nullptr, {"init"}, 2, "case.toml exists; init overwrites nothing"},
    };
    for (const auto& c : cases) {
        Scratch dir;
        put_example(dir.path, "c1_fixed");
        ASSERT_EQ(run_in(dir.path, program({"convert"})).status, 0);
        if (c.speed) {
            std::string text = read_file(dir.file("case.toml"));
            write_file(dir.file("case.toml"), text.replace(text.find("speed = 2000.0"), 14, std::string("speed = ") + c.speed));
        }
        if (c.remove) fs::remove(dir.path / c.remove);
        const auto before = snapshot(dir.path);
        const auto r = run_in(dir.path, program(c.args));
        EXPECT_EQ(r.status, c.status) << c.says << "\n" << r.err;
        if (c.status == 0) {
            EXPECT_TRUE(read_file(dir.file("fort13.dat")).starts_with(c.says)) << c.says;
        } else {
            EXPECT_TRUE(r.err.starts_with("diesel-cycle: ") && r.err.find(c.says) != std::string::npos) << r.err;
            EXPECT_EQ(snapshot(dir.path), before) << c.says;
        }
    }
}

// init: a commented case of the example engine, changed by --set, that never
// overwrites a case.
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

// Nothing is written into a folder that holds a case.
TEST(Init, RefusesAndWritesNothing) {
    const struct {
        const char* existing;
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {"fort2.dat", {"init", "--fort"}, "fort2.dat exists"},
        {"fort14.dat", {"init"}, "fort14.dat exists"},
    };
    for (const auto& c : cases) {
        Scratch dir;
        write_file(dir.file(c.existing), "my own\n");
        const auto before = snapshot(dir.path);
        const auto r = run_in(dir.path, program(c.args));
        EXPECT_EQ(r.status, 2) << c.says;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(snapshot(dir.path), before) << c.says;
    }
}

}  // namespace
}  // namespace diesel
