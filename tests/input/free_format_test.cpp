#include "input/free_format.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace diesel {
namespace {

// Items of consecutive records of the given sizes; a missing item reads as "<end>".
std::vector<std::string> items(std::string_view text, const std::vector<int>& sizes) {
    FreeFormatReader reader(text);
    std::vector<std::string> out;
    for (int size : sizes) {
        reader.start_record();
        for (int i = 0; i < size; ++i) {
            const auto item = reader.next_item();
            out.push_back(item ? std::string(*item) : "<end>");
        }
    }
    return out;
}

// A record runs over several lines; the rest of its last line (surplus values,
// comments) is skipped.
TEST(FreeFormat, RecordsSpanLinesAndSkipTheRestOfTheLastLine) {
    EXPECT_EQ(items("1\n\n 2,3 9 ! c\n4 5\n6", {3, 1, 2}),
              (std::vector<std::string>{"1", "2", "3", "4", "6", "<end>"}));
}

TEST(FreeFormat, RealsAcceptIntegersAndTheDExponent) {
    for (const auto& [text, want] : {std::pair{"1", 1.0f}, {"9.0D1", 90.0f}, {".9d+2", 90.0f}, {"1.5D-3", 1.5e-3f}}) {
        float value = 0.0f;
        ASSERT_EQ(parse_real(text, value), NumberStatus::Ok) << text;
        EXPECT_EQ(value, want) << text;
    }
}

}  // namespace
}  // namespace diesel
