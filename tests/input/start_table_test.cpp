#include "input/start_table.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace diesel {
namespace {

// History entry i holds i as mass, 1000+i as temperature and -i as EQR, so a
// row names the entry it was taken from.
std::unique_ptr<RunState> numbered_history(int32_t ncyle) {
    auto s = std::make_unique<RunState>();
    s->NCYLE = ncyle;
    for (int i = 1; i <= kHistorySlots; ++i) {
        s->TRMASS[i] = static_cast<float>(i);
        s->TRTEMP[i] = static_cast<float>(1000 + i);
        s->TREQR[i] = static_cast<float>(-i);
    }
    return s;
}

TEST(StartTableText, OneRowPerLaterCylinderAtWholeMultiplesOf720DivNCYLE) {
    struct Case {
        int32_t ncyle;
        std::vector<int> entries;
    };
    const std::vector<Case> cases = {
        {4, {180, 360, 540}},
        {7, {102, 204, 306, 408, 510, 612}},
        {2, {360}},
        {1, {}},
        {0, {}},
        {-3, {}},
        {721, {}},  // would be a spacing of 0
    };
    for (const auto& c : cases) {
        const std::string text = start_table_text(*numbered_history(c.ncyle));
        std::istringstream in(text);
        std::vector<int> entries;
        for (std::string line; std::getline(in, line);) {
            std::istringstream fields(line);
            double mass = 0, temp = 0, eqr = 0;
            std::string extra;
            ASSERT_TRUE(fields >> mass >> temp >> eqr) << line;
            EXPECT_FALSE(fields >> extra) << line;
            EXPECT_EQ(temp, 1000 + mass);
            EXPECT_EQ(eqr, -mass);
            entries.push_back(static_cast<int>(mass));
        }
        EXPECT_EQ(entries, c.entries) << "NCYLE " << c.ncyle;
        if (c.entries.empty()) {
            EXPECT_EQ(text, "") << "NCYLE " << c.ncyle;
        }
    }
    // 720 cylinders: a row per history entry 1 .. 719, none beyond the table.
    EXPECT_EQ(start_table_text(*numbered_history(720)).size(), 719u * 49u);
}

TEST(StartTableText, WritesNineSignificantDigits) {
    auto s = numbered_history(2);
    s->TRMASS[360] = 8.8e-4f;
    s->TRTEMP[360] = -0.0f;
    s->TREQR[360] = 1.4e-45f;
    EXPECT_EQ(start_table_text(*s), "  8.80000007E-04 -0.00000000E+00  1.40129846E-45\n");
}

}  // namespace
}  // namespace diesel
