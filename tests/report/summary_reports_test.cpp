#include "report/summary_reports.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace diesel {
namespace {

std::unique_ptr<RunState> filled_state() {
    auto s = std::make_unique<RunState>();
    s->SPEED = 2000.0f;
    s->PE = 7.5f;
    s->QF = 3.8613f;
    s->NV = 0.85f;
    s->PM = 0.35f;
    s->TEX = 450.4f;
    s->LAMBDA = 1.8f;
    s->SOCDEG = 8.0f;
    s->FAIN = 1.0f;
    s->FAEX = 0.9f;
    s->FA3 = 0.0f;
    s->PSO2 = 12.5f;
    s->MWIEB = 0.65f;
    s->DURCDEG = 60.0f;
    s->K3 = 0.00324f;
    s->BE = 215.3f;
    s->ETAI = 0.42f;
    s->TCM = 900.0f;
    s->RESID = 0.044f;
    s->WLAM = 1.8f;
    s->AOUT = 0.0012f;
    s->QLV1 = -123456.7f;
    s->QLV2 = -2345.6f;
    s->HFUEL = 1234.5f;
    s->QFRI = 98.7f;
    s->WORK = 543.2f;
    s->HEX = 321.0f;
    s->QLOS = -210.4f;
    s->QLKOP = -70.1f;
    s->QLKOL = -60.2f;
    s->QLLAU = -80.1f;
    s->HTM = 450.25f;
    s->HTM2 = 120.75f;
    s->QUKOP = -150000.0f;
    return s;
}

std::string run(void (*writer)(const RunState&, std::ostream&), const RunState& s) {
    std::ostringstream out;
    writer(s, out);
    return out.str();
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(SummaryReports, Fort13) {
    const std::string expected =
        "n =2000.  rpm\n"
        "pe=  7.5  bar\n"
        "be= 38.6  mm3/hub\n"
        "nv= 0.85\n"
        "pm= 0.35  bar\n"
        "tex= 450.  oC\n"
        "lambda = 1.80\n"
        "inj=   8.  deg\n"
        " 1.00 0.90 0.00\n"
        "[O2]=12.5%\n"
        "m= 0.65     \xADz=  60.\n"
        "K3=0.003240\n"
        "be= 215.   g/KWh\n"
        "\xE7i=0.420\n"
        "Tm= 900.   K\n"
        "Rest= 4.%\n";
    EXPECT_EQ(run(write_fort13, *filled_state()), expected);
}

TEST(SummaryReports, Fort15) {
    const std::string expected =
        "n =2000.  rpm\n"
        "pe=  7.5  bar\n"
        "be= 38.6  mm3/hub\n"
        "be= 215.   g/KWh\n"
        "nv= 0.85\n"
        "pm= 0.35  bar\n"
        "tex= 450.  oC\n"
        "PSO2= 12.50\n"
        "WLAM=  1.80\n"
        "CLA= 0.00\n"
        "QLV1=-123456.7\n"
        "QLV2=  -2345.6\n"
        "K1= 0.65\n"
        "TCOM=60.00\n";
    EXPECT_EQ(run(write_fort15, *filled_state()), expected);
}

TEST(SummaryReports, Fort16) {
    const std::string expected =
        "HFUEL=   1234.5\n"
        "QFRI=     98.7\n"
        "WORK=    543.2\n"
        "HEX=    321.0\n"
        "QLOS=   -210.4\n"
        "QLKOP=    -70.1\n"
        "QLKOL=    -60.2\n"
        "QLLAU=    -80.1\n"
        "HTM=    450.2\n"
        "HTM2=    120.8\n"
        "TCM=    900.0\n"
        "QUKOP=-150000.0\n";
    EXPECT_EQ(run(write_fort16, *filled_state()), expected);
}

struct LineCase {
    const char* name;
    std::function<void(RunState&)> set;
    void (*writer)(const RunState&, std::ostream&);
    size_t line;  // 0-based
    const char* expected;
};

class SummaryLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(SummaryLine, Renders) {
    auto s = filled_state();
    GetParam().set(*s);
    const auto lines = lines_of(run(GetParam().writer, *s));
    ASSERT_GT(lines.size(), GetParam().line);
    EXPECT_EQ(lines[GetParam().line], GetParam().expected);
}

constexpr float kInf = std::numeric_limits<float>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Lines, SummaryLine,
    ::testing::Values(
        LineCase{"SpeedTooWide", [](RunState& s) { s.SPEED = 10000.0f; }, write_fort13, 0,
                 "n =*****  rpm"},
        LineCase{"WholeResidue", [](RunState& s) { s.RESID = 1.0f; }, write_fort13, 15,
                 "Rest=***%"},
        LineCase{"OxygenOfAir", [](RunState& s) { s.PSO2 = 21.008f; }, write_fort13, 9,
                 "[O2]=21.0%"},
        LineCase{"NegativeNv", [](RunState& s) { s.NV = -0.85f; }, write_fort13, 3,
                 "nv=-0.85"},
        LineCase{"MotoredEfficiency", [](RunState& s) { s.ETAI = kInf; }, write_fort13, 13,
                 "\xE7i=  Inf"},
        LineCase{"NegativeInfinityWide", [](RunState& s) { s.QUKOP = -kInf; }, write_fort16,
                 11, "QUKOP=-Infinity"},
        LineCase{"NaNLambda",
                 [](RunState& s) { s.LAMBDA = std::numeric_limits<float>::quiet_NaN(); },
                 write_fort13, 6, "lambda =  NaN"}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

// Whatever the values, the reports keep their line counts and never end a
// line with a blank (asterisks and blank-padded fields included).
TEST(SummaryReports, LineCountsAndNoTrailingBlanks) {
    auto filled = filled_state();
    auto zero = std::make_unique<RunState>();  // run ended before any cycle
    auto wide = filled_state();
    wide->SPEED = 1.0e6f;
    wide->FA3 = 1.0e6f;
    wide->DURCDEG = -kInf;
    wide->HFUEL = 1.0e12f;
    struct Report {
        void (*writer)(const RunState&, std::ostream&);
        size_t lines;
    };
    for (const RunState* s : {filled.get(), zero.get(), wide.get()}) {
        for (const Report r : {Report{write_fort13, 16}, Report{write_fort15, 14},
                               Report{write_fort16, 12}}) {
            const std::string text = run(r.writer, *s);
            ASSERT_FALSE(text.empty());
            EXPECT_EQ(text.back(), '\n');
            const auto lines = lines_of(text);
            EXPECT_EQ(lines.size(), r.lines);
            for (const std::string& line : lines) {
                ASSERT_FALSE(line.empty());
                EXPECT_NE(line.back(), ' ') << "'" << line << "'";
            }
        }
    }
}

}  // namespace
}  // namespace diesel
