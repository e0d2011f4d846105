#include "report/number_format.hpp"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace diesel {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

struct SciCase {
    float value;
    const char* expected;
};

class SciField : public ::testing::TestWithParam<SciCase> {};

TEST_P(SciField, WritesTenCharacters) {
    char out[11];
    std::memset(out, 'x', sizeof out);
    format_sci(GetParam().value, out);
    EXPECT_STREQ(out, GetParam().expected);
    EXPECT_EQ(out[10], '\0');
}

INSTANTIATE_TEST_SUITE_P(
    Values, SciField,
    ::testing::Values(
        SciCase{1.0f, "0.1000E+01"}, SciCase{101325.0f, "0.1013E+06"},
        SciCase{-0.0021f, "-.2100E-02"}, SciCase{0.0f, "0.0000E+00"},
        SciCase{-0.0f, "-.0000E+00"}, SciCase{-1.5f, "-.1500E+01"},
        SciCase{3.0f, "0.3000E+01"}, SciCase{541.0f, "0.5410E+03"},
        SciCase{0.5f, "0.5000E+00"}, SciCase{1.0e-10f, "0.1000E-09"},
        // carries out of the fourth digit move the exponent
        SciCase{0.99996f, "0.1000E+01"}, SciCase{999951.0f, "0.1000E+07"},
        SciCase{-9.99996f, "-.1000E+02"},
        // 0.99995f is stored just below ...95 and so rounds down
        SciCase{0.99995f, "0.9999E+00"},
        // extremes of the float range
        SciCase{std::numeric_limits<float>::denorm_min(), "0.1401E-44"},
        SciCase{FLT_MAX, "0.3403E+39"}, SciCase{-FLT_MAX, "-.3403E+39"},
        SciCase{FLT_MIN, "0.1175E-37"},
        SciCase{kInf, "  Infinity"}, SciCase{-kInf, " -Infinity"},
        SciCase{kNaN, "       NaN"}));

struct FixedCase {
    float value;
    int w;
    int d;
    const char* expected;
};

class FixedField : public ::testing::TestWithParam<FixedCase> {};

TEST_P(FixedField, Renders) {
    const FixedCase& c = GetParam();
    const std::string field = fixed_field(c.value, c.w, c.d);
    EXPECT_EQ(field, c.expected) << c.value << " as (" << c.w << "," << c.d << ")";
    EXPECT_EQ(field.size(), static_cast<size_t>(c.w));
}

INSTANTIATE_TEST_SUITE_P(
    Values, FixedField,
    ::testing::Values(
        // point ends the field with no decimals
        FixedCase{2000.0f, 5, 0, "2000."}, FixedCase{900.0f, 5, 0, " 900."},
        FixedCase{0.4f, 5, 0, "   0."}, FixedCase{0.044f * 100.0f, 3, 0, " 4."},
        // too wide, also after rounding
        FixedCase{10000.0f, 5, 0, "*****"}, FixedCase{100.0f, 3, 0, "***"},
        FixedCase{9999.6f, 5, 0, "*****"}, FixedCase{9.996f, 4, 2, "****"},
        FixedCase{FLT_MAX, 9, 1, "*********"}, FixedCase{-FLT_MAX, 9, 1, "*********"},
        FixedCase{12.5f, 4, 1, "12.5"}, FixedCase{21.008f, 4, 1, "21.0"},
        FixedCase{1234.5f, 9, 1, "   1234.5"}, FixedCase{-123456.7f, 9, 1, "-123456.7"},
        // the 0 before the point only where there is room
        FixedCase{0.85f, 5, 2, " 0.85"}, FixedCase{-0.85f, 5, 2, "-0.85"},
        FixedCase{0.85f, 4, 2, "0.85"}, FixedCase{-0.85f, 4, 2, "-.85"},
        FixedCase{0.85f, 3, 2, ".85"}, FixedCase{-0.85f, 3, 2, "***"},
        FixedCase{0.999f, 5, 2, " 1.00"}, FixedCase{0.00324f, 8, 6, "0.003240"},
        // the sign bit decides the minus
        FixedCase{-0.001f, 5, 2, "-0.00"}, FixedCase{-0.0f, 5, 2, "-0.00"},
        FixedCase{0.0f, 5, 2, " 0.00"}, FixedCase{0.0f, 3, 2, ".00"},
        // infinities and NaN by width
        FixedCase{kInf, 9, 1, " Infinity"}, FixedCase{kInf, 8, 1, "Infinity"},
        FixedCase{kInf, 7, 1, "    Inf"}, FixedCase{kInf, 3, 0, "Inf"},
        FixedCase{kInf, 2, 0, "**"}, FixedCase{-kInf, 9, 1, "-Infinity"},
        FixedCase{-kInf, 8, 1, "    -Inf"}, FixedCase{-kInf, 4, 0, "-Inf"},
        FixedCase{-kInf, 3, 0, "***"}, FixedCase{kNaN, 5, 3, "  NaN"},
        FixedCase{kNaN, 3, 0, "NaN"}, FixedCase{kNaN, 2, 0, "**"}));

}  // namespace
}  // namespace diesel
