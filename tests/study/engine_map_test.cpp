// The engine map's files: destinations checked before any point runs, point
// folders bound as run folders, job files safe for the shell.
#include <gtest/gtest.h>

#include <functional>

#include "cli/robust_binary_run.hpp"

namespace diesel {
namespace {

using namespace cli_test;

const std::string kBase = std::string(DIESEL_SOURCE_DIR) + "/examples/c1_fixed";

// Every destination is checked before the first point runs; a failed write
// reaches the exit status and leaves an earlier CSV whole.
TEST(EngineMap, DestinationsCheckedFirstAndWriteErrorsReachTheStatus) {
    const struct { const char* what; std::vector<std::string> args; std::string stdoutFile; const char* says; bool ran; } cases[] = {
        {"stdout full", {"--speeds", "2000", "--loads", "3.5"}, "/dev/full", "standard output: the CSV could not be written", true},
        {"--csv in a missing folder", {"--speeds", "2000", "--loads", "3.5", "--csv", "nowhere/map.csv"}, "", "--csv nowhere/map.csv: cannot write", false},
        {"--csv a folder", {"--speeds", "2000", "--loads", "3.5", "--csv", "folder"}, "", "it is a folder", false},
        {"--out a file", {"--speeds", "2000", "--loads", "3.5", "--csv", "map.csv", "--out", "map.csv"}, "", "--out map.csv: cannot create the folder", false},
        {"--out read-only", {"--speeds", "2000", "--loads", "3.5", "--csv", "map.csv", "--out", "readonly"}, "", "Permission denied", false},
        {"an output of a point", {"--speeds", "2000", "--loads", "3.5,4", "--csv", "map.csv", "--out", "out"}, "", "point 2 (2000 rpm, load 4): ", true},
    };
    for (const auto& c : cases) {
        Scratch dir;
        open_to_all(dir.path);
        fs::create_directories(dir.path / "folder");
        fs::create_directories(dir.path / "readonly");
        fs::permissions(dir.path / "readonly", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                                   fs::perms::others_exec);
        fs::create_directories(dir.path / "out/point-0002/fort13.dat");
        fs::permissions(dir.path / "out", fs::perms::all);
        fs::permissions(dir.path / "out/point-0002", fs::perms::all);
        write_file(dir.file("map.csv"), "an earlier map\n");
        const auto r = run_in(dir.path, program({"map", kBase}, c.args), c.stdoutFile, drop_root);
        EXPECT_EQ(r.status, 2) << c.what << ": " << r.err;
        EXPECT_NE(r.err.find("diesel-cycle: map: "), std::string::npos) << c.what << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.what << ": " << r.err;
        EXPECT_EQ(r.err.find("points done") != std::string::npos, c.ran) << c.what << ": " << r.err;
        fs::permissions(dir.path / "readonly", fs::perms::owner_all);
        const std::string csv = read_file(dir.file("map.csv"));
        if (c.ran && c.stdoutFile.empty()) {
            EXPECT_NE(csv.find("\n2000,3.5,3.5,"), std::string::npos) << csv;
            EXPECT_TRUE(csv.ends_with("\n2000,4,,,,,,,,,,output-error,,,,,,\n")) << csv;  // not marked completed
        } else {
            EXPECT_EQ(csv, "an earlier map\n") << c.what;
        }
    }
}

// A point folder of --out is bound to its run as a working folder is (whose
// tests go through every kind of file): what cannot be written is found before
// the point's outputs are touched, and the export files of an earlier run go.
TEST(EngineMap, PointFoldersAreRunFolders) {
    const struct { const char* what; std::function<void(const std::string&)> prepare; bool exporting; int status; const char* says; } cases[] = {
        {"earlier export files", [](const std::string& p) { write_file(p + "/results.json", "{}"); write_file(p + "/traces.csv", "x\n"); }, false, 0, ""},
        {"case.toml a folder", [](const std::string& p) { fs::create_directory(p + "/case.toml"); }, false, 2, "out/point-0001: case.toml: cannot replace out/point-0001/case.toml: it is a folder"},
        {"results.json a folder", [](const std::string& p) { fs::create_directory(p + "/results.json"); }, true, 2, "out/point-0001: results.json: cannot remove the one of an earlier run"},
    };
    for (const auto& c : cases) {
        Scratch dir;
        const std::string point = dir.file("out/point-0001");
        fs::create_directories(point);
        write_file(point + "/fort13.dat", "earlier\n");
        c.prepare(point);
        std::vector<std::string> args =
            program({"map", kBase, "--speeds", "2000", "--loads", "3.5", "--out", "out", "--quiet"});
        if (c.exporting) args.push_back("--export");
        const auto r = run_in(dir.path, args);
        EXPECT_EQ(r.status, c.status) << c.what << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.what << ": " << r.err;
        EXPECT_EQ(read_file(point + "/fort13.dat") == "earlier\n", c.status != 0) << c.what;
        if (c.status == 0) {
            EXPECT_FALSE(fs::exists(point + "/results.json")) << c.what;
            EXPECT_FALSE(fs::exists(point + "/traces.csv")) << c.what;
        }
    }
}

// Folder and program names reach jobs.txt and the Slurm script quoted for the
// shell; names with a line break are refused before anything is made.
TEST(EngineMap, JobFilesQuoteNamesForTheShell) {
    for (const std::string name : {"plain", "with space", "quote'; touch INJECTED; '", "$(touch INJECTED)", "`touch INJECTED`",
                                   "\"double\" and \\", "line\nbreak", "tab\tand\rreturn"}) {
        Scratch dir;
        const std::string jobs = dir.file(name);
        const auto emitted =
            run_in(dir.path, program({"map", kBase, "--speeds", "2000", "--loads", "3.5", "--emit-jobs", jobs}));
        if (name.find_first_of("\n\t\r") != std::string::npos) {
            EXPECT_EQ(emitted.status, 2) << name;
            EXPECT_NE(emitted.err.find("control character"), std::string::npos) << emitted.err;
            EXPECT_TRUE(fs::is_empty(dir.path)) << name;
            continue;
        }
        ASSERT_EQ(emitted.status, 0) << name << ": " << emitted.err;
        EXPECT_EQ(run_in(dir.path, {"bash", jobs + "/jobs.txt"}).status, 0) << name;
        EXPECT_EQ(run_in(dir.path, {"bash", "-n", jobs + "/slurm-array.sh"}).status, 0) << name;
        EXPECT_EQ(run_in(dir.path, program({"map", "--collect", jobs})).status, 0) << name;
        EXPECT_FALSE(fs::exists(dir.path / "INJECTED")) << name;
        EXPECT_FALSE(fs::exists(fs::path(jobs) / "INJECTED")) << name;
    }
}

}  // namespace
}  // namespace diesel
