// Report fields beyond what the examples print (their bytes are the golden
// tests'): the scientific field of the trace files, fort13 fields too wide or
// signed, and NaN on the console.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>
#include <string>

#include "report/console_lines.hpp"
#include "report/number_format.hpp"
#include "report/summary_reports.hpp"

namespace diesel {
namespace {

TEST(NumberFormat, ScientificFieldOfTenCharacters) {
    const std::pair<float, const char*> cases[] = {
        {1.0f, "0.1000E+01"}, {101325.0f, "0.1013E+06"}, {-0.0021f, "-.2100E-02"}, {0.0f, "0.0000E+00"},
        {-0.0f, "-.0000E+00"}, {0.99996f, "0.1000E+01"}, {999951.0f, "0.1000E+07"},  // carries move the exponent
        {0.99995f, "0.9999E+00"},  // stored just below ...95
        {-98765.4f, "-.9877E+05"}, {0.000305f, "0.3050E-03"}, {6.02e23f, "0.6020E+24"},
        {std::numeric_limits<float>::denorm_min(), "0.1401E-44"}, {FLT_MAX, "0.3403E+39"},
        {std::numeric_limits<float>::infinity(), "  Infinity"}, {std::numeric_limits<float>::quiet_NaN(), "       NaN"},
    };
    for (const auto& [value, expected] : cases) {
        char out[11];
        std::memset(out, 'x', sizeof out);  // the terminator must be written too
        format_sci(value, out);
        EXPECT_STREQ(out, expected) << value;
    }
}

// fort13: asterisks when too wide, signs, rounding.
TEST(SummaryReports, FieldsOfTheReportLines) {
    const struct {
        float RunState::*field;
        float value;
        int line;  // 0-based
        const char* expected;
    } cases[] = {
        {&RunState::SPEED, 10000.0f, 0, "n =*****  rpm"}, {&RunState::RESID, 0.044f, 15, "Rest= 4.%"},
        {&RunState::RESID, 1.0f, 15, "Rest=***%"},       {&RunState::NV, -0.85f, 3, "nv=-0.85"},
        {&RunState::PSO2, 21.008f, 9, "[O2]=21.0%"},
    };
    for (const auto& c : cases) {
        RunState s{};
        s.*c.field = c.value;
        std::ostringstream out;
        write_fort13(s, out);
        std::istringstream in(out.str());
        std::string text;
        for (int i = 0; i <= c.line; ++i) std::getline(in, text);
        EXPECT_EQ(text, c.expected);
    }
}

// printf shows a NaN's sign bit ("-nan"), which depends on how the NaN was
// made; the console shows "nan" for both.
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
