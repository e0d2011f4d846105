// "diesel-cycle init": the input set it writes and the files it never overwrites.
#include "cli/init_command.hpp"

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

ProgramRun init(std::vector<std::string> args) {
    args.insert(args.begin(), "init");
    return call(init_command, args);
}

// The embedded texts are the bundled example, byte for byte, and they run.
TEST(Init, WritesTheBundledExampleIntoANewFolder) {
    ScratchFolder base;
    const fs::path dir = base.path() / "new" / "operating-point";
    const ProgramRun r = init({dir.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("diesel-cycle -C " + dir.string()), std::string::npos) << r.out;
    for (const char* name : {"fort3.dat", "fort2.dat"}) {
        EXPECT_EQ(read_file((dir / name).string()), test_support::source_file(std::string("examples/c1_fixed/") + name))
            << name << " differs from examples/c1_fixed; keep the text in init_command.cpp in step";
    }
    const auto written = snapshot(dir);
    EXPECT_EQ(written.size(), 2u);
    std::ostringstream console, diag;
    EXPECT_EQ(run_in_folder(dir.string(), console, diag), kExitCompleted) << diag.str();

    // The program's own init writes into the working folder by default.
    ScratchFolder cwd;
    const auto own = run_program(cwd.path(), {"init"});
    EXPECT_EQ(own.status, 0) << own.err;
    EXPECT_NE(own.out.find("run it with:   diesel-cycle\n"), std::string::npos) << own.out;
    EXPECT_EQ(snapshot(cwd.path()), written);
}

// One existing file, of whatever kind, stops init before it writes anything.
TEST(Init, RefusesToOverwriteAndWritesNothing) {
    for (const bool danglingLink : {false, true}) {
        ScratchFolder dir;
        const std::string path = dir.file("fort2.dat");
        if (danglingLink) {
            fs::create_symlink(dir.file("nowhere"), path);
        } else {
            write_file(path, "my own operating point\n");
        }
        const auto before = snapshot(dir.path());
        const ProgramRun r = init({dir.path().string()});
        EXPECT_EQ(r.status, 2) << danglingLink;
        EXPECT_NE(r.err.find(path + " exists"), std::string::npos) << r.err;
        EXPECT_EQ(snapshot(dir.path()), before) << danglingLink;
        EXPECT_EQ(r.out, "");
    }
}

TEST(Init, BadArgumentsGiveStatus2) {
    ScratchFolder dir;
    write_file(dir.file("plain-file"), "x");
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{dir.file("a"), dir.file("b")}, "usage: diesel-cycle init"},
        {{"--force", dir.file("a")}, "usage: diesel-cycle init"},
        {{dir.file("plain-file") + "/sub"}, "cannot create the folder"},
    };
    for (const auto& [args, message] : cases) {
        const ProgramRun r = init(args);
        EXPECT_EQ(r.status, 2) << args.back();
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }
    EXPECT_EQ(snapshot(dir.path()).size(), 1u);
    EXPECT_EQ(init({"--help"}).status, 0);
}

}  // namespace
}  // namespace diesel
