#include "report/summary_reports.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace diesel {
namespace {

// fort13 fields beyond what the examples print (their bytes are the golden
// tests'): asterisks when too wide, signs, rounding.
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

}  // namespace
}  // namespace diesel
