#include "report/console_lines.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <limits>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace diesel {
namespace {

// Each console line is one line holding its values in order, energies in kJ.
TEST(ConsoleLines, OneLineValuesInOrder) {
    RunState s{};
    s.ICYC = 7, s.ICA1 = 310, s.ICA2 = 550;
    s.WORK = 1500.0f, s.QFRI = 300.0f, s.HEX = 800.0f, s.QLOS = -250.0f, s.HFUEL = 3900.0f;
    s.TRAPR = 1.25f, s.NV = 0.875f, s.PE = 7.5f, s.EXMASS = 0.00125f;
    const std::pair<void (*)(const RunState&, std::ostream&), std::vector<double>> cases[] = {
        {write_cycle_line1, {1.2, 0.8, -0.25, 0.3, 3.9}},  // brake work = WORK - QFRI
        {write_cycle_line2, {7, 1.25, 0.875, 7.5}},
        {write_final_line, {0.875, 7.5, 310, 550, 0.00125}},
    };
    for (const auto& [writer, expected] : cases) {
        std::ostringstream out;
        writer(s, out);
        const std::string text = out.str();
        EXPECT_EQ(text.find('\n'), text.size() - 1) << text;
        std::vector<double> numbers;  // every number of the line, skipping the labels
        for (const char* p = text.c_str(); *p != '\0';) {
            char* end = nullptr;
            const double v = std::strtod(p, &end);
            const bool number = end != p && (std::isdigit(static_cast<unsigned char>(*p)) || *p == '-');
            if (number) numbers.push_back(v);
            p = number ? end : p + 1;
        }
        ASSERT_EQ(numbers.size(), expected.size()) << text;
        for (std::size_t i = 0; i < numbers.size(); ++i) EXPECT_NEAR(numbers[i], expected[i], 1e-6) << text;
    }
}

}  // namespace
}  // namespace diesel

namespace diesel {
namespace {

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
