#include "input/free_format.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace diesel {
namespace {

using Records = std::vector<std::vector<std::string>>;

// Reads records of the given sizes; a missing item shows as "<end>".
Records read_records(std::string_view text, const std::vector<int>& sizes) {
    FreeFormatReader reader(text);
    Records records;
    for (int size : sizes) {
        reader.start_record();
        std::vector<std::string> items;
        for (int i = 0; i < size; ++i) {
            const auto item = reader.next_item();
            items.push_back(item ? std::string(*item) : "<end>");
        }
        records.push_back(items);
    }
    return records;
}

TEST(FreeFormatReader, SplitsRecordsIntoItems) {
    std::string tenMegabyteLine(10'000'000, ' ');
    tenMegabyteLine[5'000'000] = '7';
    const std::string longItem(10'000'000, '1');
    const struct {
        const char* name;
        std::string text;
        std::vector<int> sizes;
        Records expected;
    } cases[] = {
        {"record over several lines, blank lines skipped", "1\n\n 2\n\t\n3   4\n5 6\n", {3, 2},
         {{"1", "2", "3"}, {"5", "6"}}},
        {"rest of the last line skipped", "1 2 ! comment 9\n3 4 5 6\n7\n", {2, 2, 1}, {{"1", "2"}, {"3", "4"}, {"7"}}},
        {"CRLF line ends", "1 2\r\n3\r\n\r\n4\r\n", {2, 2}, {{"1", "2"}, {"3", "4"}}},
        {"commas, tabs and blanks separate", "1,2 , 3\t4,\n5", {5}, {{"1", "2", "3", "4", "5"}}},
        {"two commas hold a null value", "1,,3\n,4\n", {3, 2}, {{"1", "", "3"}, {"", "4"}}},
        {"text ends inside a record", "1 2\n3", {2, 2}, {{"1", "2"}, {"3", "<end>"}}},
        {"text ends before a record", "1 2", {2, 1}, {{"1", "2"}, {"<end>"}}},
        {"binary bytes stay inside items", std::string("a\0b \xff,c\n", 8), {3}, {{std::string("a\0b", 3), "\xff", "c"}}},
        {"10 MB line", tenMegabyteLine + "\n8 9\n", {1, 2}, {{"7"}, {"8", "9"}}},
        {"10 MB item", longItem + " 2\n3", {1, 1}, {{longItem}, {"3"}}},
    };
    for (const auto& c : cases) EXPECT_EQ(read_records(c.text, c.sizes), c.expected) << c.name;
}

TEST(ParseReal, AcceptsIntegerFixedAndExponentForms) {
    const std::pair<const char*, float> cases[] = {
        {"90", 90.0f}, {"9.0e1", 90.0f}, {"9.0D1", 90.0f}, {"9.0d+1", 90.0f}, {"1.5D-3", 1.5e-3f},
        {".5", 0.5f}, {"5.", 5.0f}, {"+1.5", 1.5f}, {"-0", -0.0f}, {"1", 1.0f},
        {"3.4028235E38", 3.4028235e38f}, {"1.4E-45", 1.4e-45f},  // largest float, smallest subnormal
        {"1E-50", 0.0f}, {"-1E-50", -0.0f}, {"1E-99999999999999999999", 0.0f}, {"0E99999999999", 0.0f},
        // Just above the midpoint between 1 and the next float: rounding through
        // double first would land on the midpoint and then round to even (1.0).
        {"1.00000005960464477550", 1.00000011920928955f},
        {"0.000000000000000000000000000000000000000000000000000000000000001E70", 1.0e7f},
    };
    for (const auto& [text, expected] : cases) {
        float value = 12345.0f;
        ASSERT_EQ(parse_real(text, value), NumberStatus::Ok) << text;
        EXPECT_EQ(std::bit_cast<uint32_t>(value), std::bit_cast<uint32_t>(expected)) << text;
    }
}

TEST(ParseReal, RejectsWhatIsNotARealNumber) {
    const std::vector<std::string> malformed = {
        "", "1.0x", "inf", "-inf", "Infinity", "nan", "NaN", "0x1p3", "1e", "1e+", "e5", ".", "-", "1.0.0",
        "--1", "+-1", "1e5.0", "1E5D3", "1.5Q3", "1D", "1 ", " 1", "1,0", "1_000", "١", std::string("1\0", 2), "\xff",
    };
    for (const auto& text : malformed) {
        float value = 12345.0f;
        EXPECT_EQ(parse_real(text, value), NumberStatus::Malformed) << quote_item(text);
        EXPECT_EQ(value, 12345.0f);
    }
    for (const std::string text : {"1E39", "-1E39", "3.40282357E38", "1D99999999999999999999", "0.00001E44"}) {
        float value = 12345.0f;
        EXPECT_EQ(parse_real(text, value), NumberStatus::OutOfRange) << text;
        EXPECT_EQ(value, 12345.0f);
    }
    float value = 0.0f;
    EXPECT_EQ(parse_real(std::string(10'000'000, '9'), value), NumberStatus::OutOfRange);
}

TEST(ParseInteger, SignedIntegersWithinInt32Only) {
    const struct {
        std::string text;
        NumberStatus status;
        int32_t value;  // when Ok; else the untouched 99
    } cases[] = {
        {"-7", NumberStatus::Ok, -7}, {"+12", NumberStatus::Ok, 12}, {"007", NumberStatus::Ok, 7},
        {"-0", NumberStatus::Ok, 0}, {"2147483647", NumberStatus::Ok, INT32_MAX},
        {"-2147483648", NumberStatus::Ok, INT32_MIN},
        {"4.0", NumberStatus::Malformed, 99}, {"4.", NumberStatus::Malformed, 99}, {"1E3", NumberStatus::Malformed, 99},
        {"", NumberStatus::Malformed, 99}, {"+", NumberStatus::Malformed, 99}, {"--4", NumberStatus::Malformed, 99},
        {"0x10", NumberStatus::Malformed, 99}, {"99999999999999999999x", NumberStatus::Malformed, 99},
        {"2147483648", NumberStatus::OutOfRange, 99}, {"-2147483649", NumberStatus::OutOfRange, 99},
        {std::string(10'000'000, '9'), NumberStatus::OutOfRange, 99},
    };
    for (const auto& c : cases) {
        int32_t value = 99;
        EXPECT_EQ(parse_integer(c.text, value), c.status) << quote_item(c.text);
        EXPECT_EQ(value, c.value) << quote_item(c.text);
    }
}

TEST(QuoteItem, EscapesUnprintableBytesAndCutsLongItems) {
    EXPECT_EQ(quote_item("1.0x"), "\"1.0x\"");
    EXPECT_EQ(quote_item(std::string("a\0\"\\\xff\x7f\n", 7)), "\"a\\x00\\x22\\x5C\\xFF\\x7F\\x0A\"");
    EXPECT_EQ(quote_item(std::string(10'000'000, '7')), "\"" + std::string(40, '7') + "...\" (10000000 characters)");
}

}  // namespace
}  // namespace diesel
