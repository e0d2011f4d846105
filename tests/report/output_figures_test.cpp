// The figures table: its documentation is current, and torque and power are
// those of the whole engine.
#include "report/output_figures.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <numbers>

#include "driver/in_memory_run.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

// docs/results.md holds the generated table between two marker lines. When it
// is out of date, the current page is left in the build folder to copy over.
TEST(OutputFigures, DocumentationTableIsCurrent) {
    const std::string page = test_support::source_file("docs/results.md");
    const std::string begin = "<!-- figures table: generated -->\n", end = "<!-- end of figures table -->\n";
    const std::size_t from = page.find(begin), to = page.find(end);
    ASSERT_NE(from, std::string::npos);
    ASSERT_NE(to, std::string::npos);
    const std::string current = page.substr(0, from + begin.size()) + output_figures_markdown() + page.substr(to);
    if (current != page) {
        std::ofstream("results.md", std::ios::binary) << current;
        FAIL() << "docs/results.md does not show the current figures table; the current page is results.md in the "
                  "build folder: copy it to docs/";
    }
}

// torque = pe x displacement of max(NCYL, NCYLE) cylinders / (4 pi); power =
// torque x angular speed. c1_fixed stands for a 4-cylinder engine (NCYLE 4).
TEST(OutputFigures, TorqueAndPowerOfTheWholeEngine) {
    const struct { const char* example; int ncyle; double cylinders; } cases[] = {
        {"c1_fixed", 4, 4.0}, {"c1_fixed", 0, 1.0}, {"c4_fixed", 4, 4.0}, {"c4_fixed", 2, 4.0}, {"c4_fixed", 6, 6.0},
    };
    for (const auto& c : cases) {
        const InMemoryRun run =
            run_in_memory(test_support::edited(test_support::example_inputs(c.example), {{2, 1, 4, std::to_string(c.ncyle)}}));
        ASSERT_TRUE(run.inputOk) << run.inputError;
        const RunState& s = *run.state;
        const double displacement = std::numbers::pi / 4.0 * 0.1 * 0.1 * 0.1 * c.cylinders;  // bore = stroke = 0.1 m
        const double torque = static_cast<double>(s.PE) * 1e5 * displacement / (4.0 * std::numbers::pi);
        const double power = torque * 2000.0 * 2.0 * std::numbers::pi / 60.0 / 1000.0;
        EXPECT_NEAR(find_output_figure("torque")->value(s), torque, 1e-5 * torque) << c.example << " " << c.ncyle;
        EXPECT_NEAR(find_output_figure("power")->value(s), power, 1e-5 * power) << c.example << " " << c.ncyle;
    }
}

}  // namespace
}  // namespace diesel
