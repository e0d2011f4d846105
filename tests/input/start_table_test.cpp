#include "input/start_table.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.hpp"

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
    const std::pair<int32_t, std::vector<int>> cases[] = {
        {4, {180, 360, 540}}, {7, {102, 204, 306, 408, 510, 612}}, {1, {}}, {0, {}}, {-3, {}},
        {721, {}},  // would be a spacing of 0
    };
    for (const auto& [ncyle, expected] : cases) {
        std::istringstream in(start_table_text(*numbered_history(ncyle)));
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
        EXPECT_EQ(entries, expected) << "NCYLE " << ncyle;
    }
    // 720 cylinders: a row per history entry 1 .. 719, none beyond the table.
    EXPECT_EQ(start_table_text(*numbered_history(720)).size(), 719u * 49u);
    auto s = numbered_history(2);
    s->TRMASS[360] = 8.8e-4f;
    s->TRTEMP[360] = -0.0f;
    s->TREQR[360] = 1.4e-45f;
    EXPECT_EQ(start_table_text(*s), "  8.80000007E-04 -0.00000000E+00  1.40129846E-45\n");
}

// A table written by a one-cylinder run reads back bit for bit as the start
// states of cylinders 2 .. NCYLE of the next run.
TEST(StartTableText, RoundTripReadsBackTheIdenticalFloats) {
    auto writer = std::make_unique<RunState>();
    uint32_t x = 12345u;
    const auto next = [&x] { return x = x * 1664525u + 1013904223u; };  // any float pattern, every exponent
    for (int i = 1; i <= kHistorySlots; ++i) {
        writer->TRMASS[i] = std::bit_cast<float>(next() % 0x7F7FFFFFu + 1u);  // positive, finite, subnormals too
        writer->TRTEMP[i] = std::bit_cast<float>(next() % 0x7F7FFFFFu + 1u);
        writer->TREQR[i] = std::bit_cast<float>(next() % 0x7F800000u | (next() & 0x80000000u));
    }
    writer->TRMASS[180] = 1.0000001f;  // a few hand-picked awkward values
    writer->TRTEMP[180] = 3.4028235e38f;
    writer->TREQR[180] = -0.0f;
    writer->TRMASS[360] = 1.4e-45f;
    writer->TRTEMP[360] = 1.17549435e-38f;
    writer->TREQR[360] = 0.1f;
    const auto bits = [](float v) { return std::bit_cast<uint32_t>(v); };
    for (int ncyle : {4, 7, 1}) {
        writer->NCYLE = ncyle;
        const std::string table = start_table_text(*writer);
        EXPECT_EQ(test_support::line_count(table), static_cast<std::size_t>(ncyle - 1));
        const std::string n = std::to_string(ncyle);
        InputTexts texts = test_support::example_texts("c1_fixed");
        texts.fort14 = table;
        const auto s = test_support::read_state(test_support::edited(texts, {{3, 1, 5, n}, {2, 1, 4, n}}));
        for (int j = 1; j < ncyle; ++j) {
            EXPECT_EQ(bits(s->MASS0[j + 1]), bits(writer->TRMASS[j * (720 / ncyle)])) << ncyle << " row " << j;
            EXPECT_EQ(bits(s->TEMP0[j + 1]), bits(writer->TRTEMP[j * (720 / ncyle)])) << ncyle << " row " << j;
            EXPECT_EQ(bits(s->EQR0[j + 1]), bits(writer->TREQR[j * (720 / ncyle)])) << ncyle << " row " << j;
        }
    }
}

}  // namespace
}  // namespace diesel
