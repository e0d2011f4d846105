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

constexpr float kInf = std::numeric_limits<float>::infinity();

std::unique_ptr<RunState> filled_state() {
    auto s = std::make_unique<RunState>();
    const std::pair<float*, float> values[] = {
        {&s->SPEED, 2000.0f}, {&s->PE, 7.5f}, {&s->QF, 3.8613f}, {&s->NV, 0.85f}, {&s->PM, 0.35f}, {&s->TEX, 450.4f},
        {&s->LAMBDA, 1.8f}, {&s->SOCDEG, 8.0f}, {&s->FAIN, 1.0f}, {&s->FAEX, 0.9f}, {&s->PSO2, 12.5f},
        {&s->MWIEB, 0.65f}, {&s->DURCDEG, 60.0f}, {&s->K3, 0.00324f}, {&s->BE, 215.3f}, {&s->ETAI, 0.42f},
        {&s->TCM, 900.0f}, {&s->RESID, 0.044f}, {&s->WLAM, 1.8f}, {&s->AOUT, 0.12f}, {&s->QLV1, -123456.7f},
        {&s->QLV2, -2345.6f}, {&s->HFUEL, 1234.5f}, {&s->QFRI, 98.7f}, {&s->WORK, 543.2f}, {&s->HEX, 321.0f},
        {&s->QLOS, -210.4f}, {&s->QLKOP, -70.1f}, {&s->QLKOL, -60.2f}, {&s->QLLAU, -80.1f}, {&s->HTM, 450.25f},
        {&s->HTM2, 120.75f}, {&s->QUKOP, -150000.0f},
    };
    for (const auto& [field, value] : values) *field = value;
    return s;
}

using Writer = void (*)(const RunState&, std::ostream&);

std::string text_of(Writer writer, const RunState& s) {
    std::ostringstream out;
    writer(s, out);
    return out.str();
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(SummaryReports, ByteForByte) {
    const auto s = filled_state();
    // Lines 11 and 14 of "fort13.dat" hold the single raw bytes 0xAD and 0xE7.
    EXPECT_EQ(text_of(write_fort13, *s),
              "n =2000.  rpm\npe=  7.5  bar\nbe= 38.6  mm3/hub\nnv= 0.85\npm= 0.35  bar\ntex= 450.  oC\n"
              "lambda = 1.80\ninj=   8.  deg\n 1.00 0.90 0.00\n[O2]=12.5%\nm= 0.65     \xADz=  60.\n"
              "K3=0.003240\nbe= 215.   g/KWh\n\xE7i=0.420\nTm= 900.   K\nRest= 4.%\n");
    EXPECT_EQ(text_of(write_fort15, *s),
              "n =2000.  rpm\npe=  7.5  bar\nbe= 38.6  mm3/hub\nbe= 215.   g/KWh\nnv= 0.85\npm= 0.35  bar\n"
              "tex= 450.  oC\nPSO2= 12.50\nWLAM=  1.80\nCLA= 0.12\nQLV1=-123456.7\nQLV2=  -2345.6\nK1= 0.65\n"
              "TCOM=60.00\n");
    EXPECT_EQ(text_of(write_fort16, *s),
              "HFUEL=   1234.5\nQFRI=     98.7\nWORK=    543.2\nHEX=    321.0\nQLOS=   -210.4\nQLKOP=    -70.1\n"
              "QLKOL=    -60.2\nQLLAU=    -80.1\nHTM=    450.2\nHTM2=    120.8\nTCM=    900.0\nQUKOP=-150000.0\n");
}

TEST(SummaryReports, FieldsThatDoNotFitOrAreNotFinite) {
    const struct {
        std::function<void(RunState&)> set;
        Writer writer;
        size_t line;  // 0-based
        const char* expected;
    } cases[] = {
        {[](RunState& s) { s.SPEED = 10000.0f; }, write_fort13, 0, "n =*****  rpm"},
        {[](RunState& s) { s.RESID = 1.0f; }, write_fort13, 15, "Rest=***%"},
        {[](RunState& s) { s.PSO2 = 21.008f; }, write_fort13, 9, "[O2]=21.0%"},
        {[](RunState& s) { s.NV = -0.85f; }, write_fort13, 3, "nv=-0.85"},
        {[](RunState& s) { s.ETAI = kInf; }, write_fort13, 13, "\xE7i=  Inf"},
        {[](RunState& s) { s.LAMBDA = std::numeric_limits<float>::quiet_NaN(); }, write_fort13, 6, "lambda =  NaN"},
        {[](RunState& s) { s.QUKOP = -kInf; }, write_fort16, 11, "QUKOP=-Infinity"},
    };
    for (const auto& c : cases) {
        auto s = filled_state();
        c.set(*s);
        const auto lines = lines_of(text_of(c.writer, *s));
        ASSERT_GT(lines.size(), c.line);
        EXPECT_EQ(lines[c.line], c.expected);
    }
}

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
    for (const RunState* s : {filled.get(), zero.get(), wide.get()}) {
        for (const auto& [writer, count] : {std::pair<Writer, size_t>{write_fort13, 16}, {write_fort15, 14}, {write_fort16, 12}}) {
            const std::string text = text_of(writer, *s);
            ASSERT_FALSE(text.empty());
            EXPECT_EQ(text.back(), '\n');
            const auto lines = lines_of(text);
            EXPECT_EQ(lines.size(), count);
            for (const std::string& line : lines) {
                ASSERT_FALSE(line.empty());
                EXPECT_NE(line.back(), ' ') << "'" << line << "'";
            }
        }
    }
}

}  // namespace
}  // namespace diesel
