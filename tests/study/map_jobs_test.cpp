// The hand-over of an emitted map: results bound to their point and grid,
// collect checking each of them, emission into a used folder, the exit
// statuses of a point, and destinations checked before the work.
#include <gtest/gtest.h>
#include <sys/file.h>

#include <algorithm>
#include <functional>

#include "cli/robust_binary_run.hpp"

namespace diesel {
namespace {

using namespace cli_test;
using test_support::lines;

const std::string kBase = std::string(DIESEL_SOURCE_DIR) + "/examples/c1_fixed";  // fixed fuel: loads are fuel quantities

std::vector<std::string> map_args(const std::string& loads, std::vector<std::string> extra) {
    return program({"map", kBase, "--speeds", "2000,2500", "--loads", loads}, extra);
}

// A job folder of the 2 x 2 grid with every point run, as GNU parallel would run jobs.txt.
struct RunJobs {
    Scratch dir;
    std::string jobs = dir.file("jobs");
    explicit RunJobs(const std::string& loads = "3.5,4") {
        EXPECT_EQ(run_in(dir.path, map_args(loads, {"--emit-jobs", jobs})).status, 0);
        EXPECT_EQ(run_in(dir.path, {"bash", jobs + "/jobs.txt"}).status, 0);
    }
    std::string point(int i, const std::string& name = "") const {
        return jobs + "/point-000" + std::to_string(i) + (name.empty() ? "" : "/" + name);
    }
    ProgramRun collect() const { return run_in(dir.path, program({"map", "--collect", jobs})); }
};

// Every way a point's result can be wrong or absent gives that point a row
// without figures, a stderr line naming the point, and status 2; the other
// rows are the in-process map's. What a result file may hold is the manifest
// tests' matter; here, what reaches the check from the folder.
TEST(MapJobs, CollectValidatesEveryResult) {
    // Collected whole, the CSV is the in-process map's (the sweep tests show it).
    Scratch dir;
    const auto inProcess = run_in(dir.path, map_args("3.5,4", {}));
    ASSERT_EQ(inProcess.status, 0) << inProcess.err;
    const std::vector<std::string> rows = lines(inProcess.out);

    RunJobs otherGrid("3.5,5");
    int held = -1;
    using Spoil = std::function<void(const RunJobs&)>;
    const struct { const char* what; Spoil spoil; const char* end; const char* says; } cases[] = {
        {"truncated", [](const RunJobs& j) { fs::resize_file(j.point(2, "result.json"), 60); }, "invalid", "not a complete JSON object"},
        {"a NUL byte", [](const RunJobs& j) {
             std::string text = read_file(j.point(2, "result.json"));
             write_file(j.point(2, "result.json"), text.insert(text.find(",completed") + 6, 1, '\0'));
         }, "invalid", "not a complete JSON object"},
        {"another point's result", [](const RunJobs& j) { fs::copy_file(j.point(3, "result.json"), j.point(2, "result.json"), fs::copy_options::overwrite_existing); }, "invalid", "the result of point 3"},
        {"another grid's result", [&](const RunJobs& j) { fs::copy_file(otherGrid.point(2, "result.json"), j.point(2, "result.json"), fs::copy_options::overwrite_existing); }, "invalid", "a result of another grid"},
        {"a folder in its place", [](const RunJobs& j) { fs::remove(j.point(2, "result.json")); fs::create_directory(j.point(2, "result.json")); }, "invalid", "it is a folder"},
        {"missing", [](const RunJobs& j) { fs::remove(j.point(2, "result.json")); }, "missing", "not run yet"},
        {"unfinished", [&](const RunJobs& j) {
             fs::remove(j.point(2, "result.json"));
             held = ::open(j.point(2, ".diesel-cycle.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
             write_file(j.point(2, ".diesel-cycle.lock"), "4242 node7\n");
             ::flock(held, LOCK_EX);
         }, "missing", "it is running (process 4242 on node7)"},
        {"its folder gone", [](const RunJobs& j) { fs::remove_all(j.point(2)); }, "missing", "its folder is gone"},
    };
    for (const auto& c : cases) {
        RunJobs j;
        c.spoil(j);
        const auto r = j.collect();
        if (held >= 0) ::close(held), held = -1;
        EXPECT_EQ(r.status, 2) << c.what;
        std::vector<std::string> expected = rows;
        expected[2] = "2000,4,,,,,,,,,," + std::string(c.end) + ",,,,,,";
        EXPECT_EQ(lines(r.out), expected) << c.what;
        const std::string line = "diesel-cycle: map: point 2 (2000 rpm, load 4): " + std::string(c.end) + ": ";
        EXPECT_NE(r.err.find(line), std::string::npos) << c.what << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.what << ": " << r.err;
    }
}

// A folder that holds jobs already: the same grid keeps its finished points
// (all finished: nothing to run, so it says to collect), another grid is
// refused unless --force, which removes only what that grid's manifest lists;
// folders of an earlier version and foreign files are refused.
TEST(MapJobs, EmitIntoAUsedFolder) {
    enum class Before { HalfRun, Run, EarlierVersion, Foreign };
    const struct { const char* what; Before before; const char* loads; bool force; int status; const char* says; std::size_t toRun; } cases[] = {
        {"the same grid", Before::HalfRun, "3.5,4", false, 0, "1 finished points kept), 1 to run", 1},
        {"the same grid, all run", Before::Run, "3.5,4", false, 0, "2 finished points kept), 0 to run\n  collect: ", 0},
        {"another grid", Before::HalfRun, "3.5,5", false, 2, "holds the jobs of another grid", 0},
        {"another grid, forced", Before::HalfRun, "3.5,5", true, 0, ", 2 to run", 2},
        {"an earlier version", Before::EarlierVersion, "3.5,4", false, 2, "map jobs of an earlier version", 0},
        {"an earlier version, forced", Before::EarlierVersion, "3.5,4", true, 0, ", 2 to run", 2},
        {"foreign files", Before::Foreign, "3.5,4", true, 2, "holds jobs.txt but no manifest", 0},
    };
    for (const auto& c : cases) {
        Scratch dir;
        const std::string jobs = dir.file("jobs");
        const auto emit = [&](const char* loads, bool force) {
            std::vector<std::string> args =
                program({"map", kBase, "--speeds", "2000", "--loads", loads, "--emit-jobs", jobs});
            if (force) args.push_back("--force");
            return run_in(dir.path, args);
        };
        if (c.before == Before::HalfRun || c.before == Before::Run) {
            ASSERT_EQ(emit("3.5,4", false).status, 0);
            ASSERT_EQ(run_in(dir.path, {"bash", jobs + "/jobs.txt"}).status, 0);
            if (c.before == Before::HalfRun) fs::remove(jobs + "/point-0002/result.json");
        } else {
            fs::create_directories(jobs + "/point-0001");
            write_file(jobs + (c.before == Before::EarlierVersion ? "/map.txt" : "/jobs.txt"), "speed_rpm,end\npoint-0001\n");
            write_file(jobs + "/point-0001/point.txt", "1 2000 3.5\n");
        }
        write_file(jobs + "/notes.txt", "mine\n");
        auto before = snapshot(jobs);
        const std::string result1 = read_file(jobs + "/point-0001/result.json");
        const auto unforced = emit(c.loads, false);
        const auto r = c.force && c.status == 0 ? emit(c.loads, true) : unforced;
        EXPECT_EQ(r.status, c.status) << c.what << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.what << ": " << r.err;
        EXPECT_EQ(read_file(jobs + "/notes.txt"), "mine\n") << c.what;
        if (c.status != 0) {
            auto after = snapshot(jobs);
            after.erase(".diesel-cycle.lock");
            before.erase(".diesel-cycle.lock");
            EXPECT_EQ(after, before) << c.what;
            continue;
        }
        EXPECT_EQ(lines(read_file(jobs + "/jobs.txt")).size(), c.toRun) << c.what;
        EXPECT_EQ(r.err.find("parallel <") != std::string::npos, c.toRun > 0) << c.what << ": " << r.err;
        if (!c.force) {
            EXPECT_EQ(read_file(jobs + "/point-0001/result.json"), result1) << c.what;  // kept as it was
        } else {
            EXPECT_FALSE(fs::exists(jobs + "/point-0001/result.json")) << c.what;
            EXPECT_FALSE(fs::exists(jobs + "/map.txt")) << c.what;
        }
    }
}

// A point exits like a run: 0 completed, 3 stopped by a rule with its result
// kept, 2 when it could not run or its result could not be written (no result then).
TEST(MapJobs, PointExitsLikeARun) {
    using Prepare = std::function<void(const std::string&)>;
    int held = -1;
    const auto none = [](const std::string&) {};
    const struct { const char* what; std::vector<test_support::Edit> base; Prepare prepare; BeforeExec as; int status; const char* says; } cases[] = {
        {"completed", {}, none, {}, 0, ""},
        {"stopped", {{2, 4, 12, "2"}}, none, {}, 3, "MAXCYC = 2"},
        {"case changed", {}, [](const std::string& p) { write_file(p + "/input/case.toml", read_file(p + "/input/case.toml") + " "); }, {}, 2, "the case in input/ is not the one emitted for point 1"},
        {"case gone", {}, [](const std::string& p) { fs::remove(p + "/input/case.toml"); }, {}, 2, "input/case.toml: file is missing"},
        {"a first-version point", {}, [](const std::string& p) {
             std::string text = read_file(p + "/point.json");
             text.replace(text.find("\"version\":2"), 11, "\"version\":1");
             write_file(p + "/point.json", text);
         }, {}, 2, "emitted by an earlier version, whose points this one cannot run"},
        {"no binding", {}, [](const std::string& p) { fs::remove(p + "/point.json"); }, {}, 2, "no point.json"},
        {"an earlier version", {}, [](const std::string& p) { fs::remove(p + "/point.json"); write_file(p + "/point.txt", "1 2000 3.5\n"); }, {}, 2, "earlier version"},
        {"running already", {}, [&](const std::string& p) {
             write_file(p + "/.diesel-cycle.lock", "4242 node7\n");
             held = ::open((p + "/.diesel-cycle.lock").c_str(), O_RDWR | O_CLOEXEC);
             ::flock(held, LOCK_EX);
         }, {}, 2, "another run (process 4242 on node7) is using"},
        {"an output is a folder", {}, [](const std::string& p) { fs::create_directory(p + "/fort13.dat"); }, {}, 2, "fort13.dat (unit 13): it is a folder"},
        {"a read-only folder", {}, [](const std::string& p) { fs::permissions(p, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read | fs::perms::others_exec); }, drop_root, 2, "Permission denied"},
    };
    for (const auto& c : cases) {
        Scratch dir;
        open_to_all(dir.path);
        const std::string base = dir.file("base"), jobs = dir.file("jobs"), point = jobs + "/point-0001";
        fs::create_directory(base);
        put_example(base, "c1_fixed", c.base);
        ASSERT_EQ(run_in(dir.path, program({"map", base, "--speeds", "2000", "--loads", "3.5", "--emit-jobs", jobs})).status, 0);
        fs::permissions(jobs, fs::perms::all);
        c.prepare(point);
        const auto r = run_in(dir.path, program({"map", "--point", point}), "", c.as);
        if (held >= 0) ::close(held), held = -1;
        EXPECT_EQ(r.status, c.status) << c.what << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.what << ": " << r.err;
        EXPECT_EQ(fs::exists(point + "/result.json"), c.status != 2) << c.what;
        fs::permissions(point, fs::perms::owner_all);
    }
}

}  // namespace
}  // namespace diesel
