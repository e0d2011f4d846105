// The scientific field of the trace files beyond the values the examples print
// (their bytes are the golden tests').
#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <limits>
#include <string>

#include "report/number_format.hpp"

namespace diesel {
namespace {

TEST(NumberFormat, ScientificFieldOfTenCharacters) {
    const std::pair<float, const char*> cases[] = {
        {1.0f, "0.1000E+01"}, {101325.0f, "0.1013E+06"}, {-0.0021f, "-.2100E-02"}, {0.0f, "0.0000E+00"},
        {-0.0f, "-.0000E+00"}, {0.99996f, "0.1000E+01"}, {999951.0f, "0.1000E+07"},  // carries move the exponent
        {0.99995f, "0.9999E+00"},  // stored just below ...95
        {std::numeric_limits<float>::denorm_min(), "0.1401E-44"}, {FLT_MAX, "0.3403E+39"},
        {std::numeric_limits<float>::infinity(), "  Infinity"}, {std::numeric_limits<float>::quiet_NaN(), "       NaN"},
    };
    for (const auto& [value, expected] : cases) {
        char out[11];
        std::memset(out, 'x', sizeof out);  // the terminator must be written too
        format_sci(value, out);
        EXPECT_STREQ(out, expected) << value;
    }
}

}  // namespace
}  // namespace diesel
