// Reading the inputs: the start table written by a run read back to the bit,
// and what set-up derives.
#include <gtest/gtest.h>

#include <bit>
#include <memory>
#include <string>

#include "input/run_setup.hpp"
#include "input/start_table.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

// A table written by a one-cylinder run reads back bit for bit as the start
// states of cylinders 2 .. NCYLE of the next run, row j from entry j*(720/NCYLE).
TEST(StartTable, RoundTripReadsBackTheIdenticalFloats) {
    auto writer = std::make_unique<RunState>();
    uint32_t x = 12345u;
    const auto next = [&x] { return x = x * 1664525u + 1013904223u; };
    for (int i = 1; i <= kHistorySlots; ++i) {  // any positive finite floats, subnormals too; any signed EQR
        writer->TRMASS[i] = std::bit_cast<float>(next() % 0x7F7FFFFFu + 1u);
        writer->TRTEMP[i] = std::bit_cast<float>(next() % 0x7F7FFFFFu + 1u);
        writer->TREQR[i] = std::bit_cast<float>(next() % 0x7F800000u | (next() & 0x80000000u));
    }
    const auto bits = [](float v) { return std::bit_cast<uint32_t>(v); };
    for (int ncyle : {4, 7, 1}) {
        writer->NCYLE = ncyle;
        const std::string table = start_table_text(*writer), n = std::to_string(ncyle);
        EXPECT_EQ(test_support::line_count(table), static_cast<std::size_t>(ncyle - 1));
        InputTexts texts = test_support::example_texts("c1_fixed");
        texts.fort14 = table;
        const auto s = test_support::read_state(test_support::edited(texts, {{3, 1, 5, n}, {2, 1, 4, n}}));
        for (int j = 1, at = 720 / ncyle; j < ncyle; ++j) {
            EXPECT_EQ(bits(s->MASS0[j + 1]), bits(writer->TRMASS[j * at])) << ncyle << " row " << j;
            EXPECT_EQ(bits(s->TEMP0[j + 1]), bits(writer->TRTEMP[j * at])) << ncyle << " row " << j;
            EXPECT_EQ(bits(s->EQR0[j + 1]), bits(writer->TREQR[j * at])) << ncyle << " row " << j;
        }
    }
}

// Below 1600 rpm the intake area shrinks with the square of the speed (the
// examples run above it): 0.001 * 1.2 * (1000/1600)^2.
TEST(RunSetup, IntakeAreaBelow1600Rpm) {
    auto s = test_support::read_state(test_support::edited(test_support::example_texts("c1_fixed"),
                                                           {{3, 1, 1, "1000.0"}, {2, 3, 6, "0.001"}, {2, 6, 6, "1.2"}}));
    set_up_run(*s);
    EXPECT_FLOAT_EQ(s->AIMAX, 4.6875E-4f);
}

}  // namespace
}  // namespace diesel
