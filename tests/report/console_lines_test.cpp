#include "report/console_lines.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace diesel {
namespace {

// The numbers of a line, in order of appearance (integers included).
std::vector<double> numbers_in(const std::string& line) {
    std::vector<double> found;
    const char* p = line.c_str();
    while (*p != '\0') {
        char* end = nullptr;
        const double v = std::strtod(p, &end);
        if (end != p && (std::isdigit(static_cast<unsigned char>(*p)) || *p == '-')) {
            found.push_back(v);
            p = end;
        } else {
            ++p;
        }
    }
    return found;
}

struct ConsoleCase {
    const char* name;
    void (*writer)(const RunState&, std::ostream&);
    std::vector<double> expected;
};

class ConsoleLine : public ::testing::TestWithParam<ConsoleCase> {};

TEST_P(ConsoleLine, OneLineValuesInOrder) {
    auto s = std::make_unique<RunState>();
    s->WORK = 1500.0f;
    s->QFRI = 300.0f;
    s->HEX = 800.0f;
    s->QLOS = -250.0f;
    s->HFUEL = 3900.0f;
    s->ICYC = 7;
    s->TRAPR = 1.25f;
    s->NV = 0.875f;
    s->PE = 7.5f;
    s->ICA1 = 310;
    s->ICA2 = 550;
    s->EXMASS = 0.00125f;
    std::ostringstream out;
    GetParam().writer(*s, out);
    const std::string text = out.str();
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.find('\n'), text.size() - 1);
    const auto numbers = numbers_in(text);
    ASSERT_EQ(numbers.size(), GetParam().expected.size()) << text;
    for (size_t i = 0; i < numbers.size(); ++i) {
        EXPECT_NEAR(numbers[i], GetParam().expected[i], 1e-6) << text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ConsoleLine,
    ::testing::Values(ConsoleCase{"Energies", write_cycle_line1, {1.2, 0.8, -0.25, 0.3, 3.9}},
                      ConsoleCase{"Cycle", write_cycle_line2, {7, 1.25, 0.875, 7.5}},
                      ConsoleCase{"Final", write_final_line, {0.875, 7.5, 310, 550, 0.00125}}),
    [](const ::testing::TestParamInfo<ConsoleCase>& info) { return std::string(info.param.name); });

TEST(ContinueRecord, OneEmptyLine) {
    std::ostringstream out;
    write_continue_record(out);
    write_continue_record(out);
    EXPECT_EQ(out.str(), "\n\n");
}

}  // namespace
}  // namespace diesel
