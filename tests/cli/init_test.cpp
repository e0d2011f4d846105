// "diesel-cycle init": the input set it writes and the files it never overwrites.
#include "cli/init_command.hpp"

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
using robust_test::read_file;
using robust_test::ScratchFolder;
using robust_test::snapshot;
using robust_test::write_file;

struct Result {
    int status;
    std::string out;
    std::string err;
};

Result init(std::vector<std::string> args) {
    args.insert(args.begin(), "init");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::ostringstream out, err;
    const int status = init_command(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}

// The embedded texts are the bundled example, byte for byte, and they run.
TEST(Init, WritesTheBundledExampleIntoANewFolder) {
    ScratchFolder base;
    const fs::path dir = base.path() / "new" / "operating-point";
    const Result r = init({dir.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("diesel-cycle -C " + dir.string()), std::string::npos) << r.out;
    for (const char* name : {"fort3.dat", "fort2.dat"}) {
        EXPECT_EQ(read_file((dir / name).string()),
                  test_support::source_file(std::string("examples/c1_fixed/") + name))
            << name << " differs from examples/c1_fixed; keep the text in init_command.cpp in step";
    }
    EXPECT_EQ(snapshot(dir).size(), 2u);

    std::ostringstream console, diag;
    EXPECT_EQ(run_in_folder(dir.string(), console, diag), kExitCompleted) << diag.str();
}

// One existing file, of whatever kind, stops init before it writes anything.
TEST(Init, RefusesToOverwriteAndWritesNothing) {
    struct Case {
        const char* name;
        const char* existing;
        bool danglingLink;
    };
    for (const Case c : {Case{"fort3 exists", "fort3.dat", false}, Case{"fort2 exists", "fort2.dat", false},
                         Case{"broken link", "fort2.dat", true}}) {
        ScratchFolder dir;
        const std::string path = dir.file(c.existing);
        if (c.danglingLink) {
            fs::create_symlink(dir.file("nowhere"), path);
        } else {
            write_file(path, "my own operating point\n");
        }
        const auto before = snapshot(dir.path());
        const Result r = init({dir.path().string()});
        EXPECT_EQ(r.status, 2) << c.name;
        EXPECT_NE(r.err.find(path + " exists"), std::string::npos) << c.name << ": " << r.err;
        EXPECT_EQ(snapshot(dir.path()), before) << c.name;
        EXPECT_TRUE(r.out.empty()) << c.name;
    }
}

TEST(Init, WorkingFolderByDefault) {
    ScratchFolder dir;
    const auto r = command_test::run_program_in(dir.path(), {"init"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("run it with:   diesel-cycle\n"), std::string::npos) << r.out;
    EXPECT_TRUE(fs::exists(dir.path() / "fort3.dat"));
    EXPECT_TRUE(fs::exists(dir.path() / "fort2.dat"));
}

TEST(Init, BadArgumentsGiveUsageAndStatus2) {
    ScratchFolder dir;
    const std::string a = dir.file("a");
    const std::string b = dir.file("b");
    for (const auto& args : std::vector<std::vector<std::string>>{{a, b}, {"--force", a}, {""}}) {
        const Result r = init(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("usage: diesel-cycle init"), std::string::npos) << r.err;
    }
    EXPECT_FALSE(fs::exists(a));
    EXPECT_EQ(init({"--help"}).status, 0);
}

TEST(Init, FolderThatCannotBeCreated) {
    ScratchFolder dir;
    write_file(dir.file("plain-file"), "x");
    const Result r = init({dir.file("plain-file") + "/sub"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("cannot create the folder"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace diesel
