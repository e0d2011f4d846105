// The bundled measured trace, examples/c1_fixed/measured-pressure.csv, is what
// its note says: remade here and compared byte for byte. With the environment
// variable DIESEL_WRITE_EXAMPLE_TRACE set (scripts/update-example-trace.sh)
// the test writes the file instead.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "analysis/analysis_support.hpp"

namespace diesel {
namespace {

using namespace analysis_test;

constexpr float kSoc = 9.0f, kDurc0 = 62.0f, kMwieb0 = 1.1f;  // the "engine's" combustion
constexpr unsigned kSeed = 15;
constexpr double kNoise = 0.05;  // standard deviation [bar]

std::string example_trace() {
    char buf[512];
    std::snprintf(buf, sizeof buf,
                  "# Cylinder pressure of two cycles at 2000 rpm, for the case examples/c1_fixed.\n"
                  "# Made by the model itself: the case run with SOC %g, DURC0 %g, MWIEB0 %g instead of\n"
                  "# 6, 75, 0.8; its cylinder-1 pressure every degree, twice, with normal noise of\n"
                  "# %.2f bar (Mersenne Twister, seed %u) added and rounded to 0.01 bar.\n"
                  "# Crank angle from firing TDC of cylinder 1; the second cycle runs on by 720 deg.\n"
                  "angle_deg,pressure_bar\n",
                  static_cast<double>(kSoc), static_cast<double>(kDurc0), static_cast<double>(kMwieb0), kNoise, kSeed);
    return buf + recorded_lines(c1_burning(kSoc, kDurc0, kMwieb0), kSeed, kNoise, 2, 0.0);
}

TEST(ExampleTrace, IsTheModelRunItsNoteDescribes) {
    const std::string path = std::string(DIESEL_SOURCE_DIR) + "/examples/c1_fixed/measured-pressure.csv";
    const std::string made = example_trace();
    if (std::getenv("DIESEL_WRITE_EXAMPLE_TRACE") != nullptr) {
        std::ofstream(path, std::ios::binary) << made;
        GTEST_SKIP() << "wrote " << path;
    }
    EXPECT_EQ(test_support::source_file("examples/c1_fixed/measured-pressure.csv"), made);
}

}  // namespace
}  // namespace diesel
