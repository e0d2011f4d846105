#include "report/console_lines.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>

namespace diesel {
namespace {

// printf shows a NaN's sign bit ("-nan"), which depends on how the NaN was
// made; the console shows "nan" for both. (The lines' layout is the golden tests'.)
TEST(ConsoleLines, NaNPrintedOneWay) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::string lines[2];
    for (const float v : {nan, -nan}) {
        RunState s{};
        s.NV = v, s.PE = v, s.TRAPR = v, s.EXMASS = v, s.WORK = v;
        std::ostringstream out;
        write_cycle_line1(s, out);
        write_cycle_line2(s, out);
        write_final_line(s, out);
        lines[std::signbit(v) ? 1 : 0] = out.str();
    }
    EXPECT_EQ(lines[0], lines[1]);
    EXPECT_EQ(lines[1].find("-nan"), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find("pe      nan bar"), std::string::npos) << lines[1];
}

}  // namespace
}  // namespace diesel
