// diesel-cycle --export: results.json and traces.csv belong to the outputs of
// a run: written with them, also by a stopped run, and removed by a later run
// without --export.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/robust_binary_run.hpp"

namespace diesel {
namespace {

using namespace cli_test;

TEST(ExportRun, ExportFilesBelongToTheOutputSet) {
    const struct {
        const char* what;
        std::vector<test_support::Edit> edits;
        std::vector<std::string> args;
        int status;
        bool exported;  // the run's own export files are there; else none are
    } runs[] = {
        {"completed run with --export", {}, {"--export"}, 0, true},
        {"later run without --export", {}, {}, 0, false},
        {"stopped run with --export", {{2, 4, 12, "2"}}, {"--export"}, 3, true},
    };
    Scratch dir;
    put_example(dir.path, "c1_fixed");
    for (const auto& r : runs) {
        put_example(dir.path, "c1_fixed", r.edits);
        const auto result = run_in(dir.path, program(r.args));
        EXPECT_EQ(result.status, r.status) << r.what << ": " << result.err;
        EXPECT_EQ(fs::exists(dir.file("results.json")), r.exported) << r.what;
        EXPECT_EQ(fs::exists(dir.file("traces.csv")), r.exported) << r.what;
        if (!r.exported) continue;
        // What the files hold is the export's own matter; here, that they are this run's:
        // a stopped run has no output cycle, so a header only, and the stderr line's reason.
        const auto results = nlohmann::json::parse(read_file(dir.file("results.json")));
        EXPECT_EQ(test_support::line_count(read_file(dir.file("traces.csv"))), r.status == 0 ? 721u : 1u) << r.what;
        EXPECT_EQ(results["ended"]["status"], r.status == 0 ? "completed" : "stopped") << r.what;
        if (r.status == 0) continue;
        EXPECT_EQ(results["ended"]["rule"], "max-cycles");
        EXPECT_EQ(results["cycles"], 2);
        EXPECT_EQ("diesel-cycle: " + results["ended"]["message"].get<std::string>() + "\n", result.err);
    }
}

}  // namespace
}  // namespace diesel
