#include "report/summary_reports.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace diesel {
namespace {

// Line `line` (0-based) of what `writer` makes of a state holding `field` = `value`.
std::string line_of(void (*writer)(const RunState&, std::ostream&), float RunState::*field, float value, int line) {
    RunState s{};
    s.*field = value;
    std::ostringstream out;
    writer(s, out);
    std::istringstream in(out.str());
    std::string text;
    for (int i = 0; i <= line; ++i) std::getline(in, text);
    return text;
}

// Fixed-width fields, asterisks when too wide, and no blank after the last field.
TEST(SummaryReports, FieldsOfTheReportLines) {
    const struct {
        void (*writer)(const RunState&, std::ostream&);
        float RunState::*field;
        float value;
        int line;
        const char* expected;
    } cases[] = {
        {write_fort13, &RunState::SPEED, 2000.0f, 0, "n =2000.  rpm"},
        {write_fort13, &RunState::SPEED, 10000.0f, 0, "n =*****  rpm"},
        {write_fort13, &RunState::RESID, 0.044f, 15, "Rest= 4.%"},
        {write_fort13, &RunState::RESID, 1.0f, 15, "Rest=***%"},
        {write_fort13, &RunState::PSO2, 12.5f, 9, "[O2]=12.5%"},
        {write_fort13, &RunState::PSO2, 21.008f, 9, "[O2]=21.0%"},
        {write_fort13, &RunState::TCM, 900.0f, 14, "Tm= 900.   K"},
        {write_fort13, &RunState::NV, 0.85f, 3, "nv= 0.85"},
        {write_fort13, &RunState::NV, -0.85f, 3, "nv=-0.85"},
        {write_fort13, &RunState::LAMBDA, 1.8f, 6, "lambda = 1.80"},
        {write_fort13, &RunState::DURCDEG, 60.0f, 10, "m= 0.00     \xADz=  60."},  // raw byte 0xAD
        {write_fort13, &RunState::ETAI, 0.42f, 13, "\xE7i=0.420"},                 // raw byte 0xE7
        {write_fort16, &RunState::HFUEL, 1234.5f, 0, "HFUEL=   1234.5"},
    };
    for (const auto& c : cases) EXPECT_EQ(line_of(c.writer, c.field, c.value, c.line), c.expected);
}

}  // namespace
}  // namespace diesel
