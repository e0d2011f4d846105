#include "report/number_format.hpp"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <limits>
#include <string>

namespace diesel {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(NumberFormat, ScientificFieldOfTenCharacters) {
    const std::pair<float, const char*> cases[] = {
        {1.0f, "0.1000E+01"}, {101325.0f, "0.1013E+06"}, {-0.0021f, "-.2100E-02"}, {0.0f, "0.0000E+00"},
        {-0.0f, "-.0000E+00"}, {-1.5f, "-.1500E+01"}, {1.0e-10f, "0.1000E-09"},
        // carries out of the fourth digit move the exponent
        {0.99996f, "0.1000E+01"}, {999951.0f, "0.1000E+07"}, {-9.99996f, "-.1000E+02"},
        // 0.99995f is stored just below ...95 and so rounds down
        {0.99995f, "0.9999E+00"},
        // extremes of the float range
        {std::numeric_limits<float>::denorm_min(), "0.1401E-44"}, {FLT_MIN, "0.1175E-37"},
        {FLT_MAX, "0.3403E+39"}, {-FLT_MAX, "-.3403E+39"},
        {kInf, "  Infinity"}, {-kInf, " -Infinity"}, {kNaN, "       NaN"},
    };
    for (const auto& [value, expected] : cases) {
        char out[11];
        std::memset(out, 'x', sizeof out);
        format_sci(value, out);
        ASSERT_EQ(out[10], '\0') << value;
        EXPECT_STREQ(out, expected) << value;
    }
}

TEST(NumberFormat, FixedFieldOfWidthAndDecimals) {
    const struct {
        float value;
        int w, d;
        const char* expected;
    } cases[] = {
        // point ends the field with no decimals
        {2000.0f, 5, 0, "2000."}, {900.0f, 5, 0, " 900."}, {0.4f, 5, 0, "   0."}, {0.044f * 100.0f, 3, 0, " 4."},
        // too wide, also after rounding
        {10000.0f, 5, 0, "*****"}, {9999.6f, 5, 0, "*****"}, {9.996f, 4, 2, "****"}, {100.0f, 3, 0, "***"},
        {FLT_MAX, 9, 1, "*********"}, {-FLT_MAX, 9, 1, "*********"},
        {12.5f, 4, 1, "12.5"}, {21.008f, 4, 1, "21.0"}, {1234.5f, 9, 1, "   1234.5"}, {-123456.7f, 9, 1, "-123456.7"},
        // the 0 before the point only where there is room
        {0.85f, 5, 2, " 0.85"}, {-0.85f, 5, 2, "-0.85"}, {0.85f, 4, 2, "0.85"}, {-0.85f, 4, 2, "-.85"},
        {0.85f, 3, 2, ".85"}, {-0.85f, 3, 2, "***"}, {0.999f, 5, 2, " 1.00"}, {0.00324f, 8, 6, "0.003240"},
        // the sign bit decides the minus
        {-0.001f, 5, 2, "-0.00"}, {-0.0f, 5, 2, "-0.00"}, {0.0f, 5, 2, " 0.00"}, {0.0f, 3, 2, ".00"},
        // infinities and NaN by width
        {kInf, 9, 1, " Infinity"}, {kInf, 8, 1, "Infinity"}, {kInf, 7, 1, "    Inf"}, {kInf, 3, 0, "Inf"},
        {kInf, 2, 0, "**"}, {-kInf, 9, 1, "-Infinity"}, {-kInf, 8, 1, "    -Inf"}, {-kInf, 4, 0, "-Inf"},
        {-kInf, 3, 0, "***"}, {kNaN, 5, 3, "  NaN"}, {kNaN, 2, 0, "**"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fixed_field(c.value, c.w, c.d), c.expected) << c.value << " as (" << c.w << "," << c.d << ")";
}

}  // namespace
}  // namespace diesel
