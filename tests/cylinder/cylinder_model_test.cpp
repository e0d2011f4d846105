// The combustion phase as the optimised step forms it, against the library's remainder.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "cylinder/combustion.hpp"

namespace diesel {
namespace {

// The combustion phase is fmod(THETA + 2 pi, 4 pi) bit for bit: on either side
// of each multiple the remainder takes off, at both signs, out to the far
// angles and non-finite ones the library forms.
TEST(Combustion, BurnPhaseIsTheLibraryRemainder) {
    RunState s{};
    s.PI = 3.1415925f;
    const float period = 4.0f * s.PI;
    std::vector<float> angles = {0.0f, -0.0f, 1.0e-30f, 1.0e6f, std::numeric_limits<float>::infinity(),
                                 std::numeric_limits<float>::quiet_NaN()};
    for (int32_t m = -10; m <= 10; ++m) {
        const float at = static_cast<float>(m) * period - 2.0f * s.PI;  // THETA + 2 pi lands near m periods
        float above = at, below = at;
        for (int32_t i = 0; i < 64; ++i) {
            angles.push_back(above);
            angles.push_back(below);
            above = std::nextafter(above, 1000.0f);
            below = std::nextafter(below, -1000.0f);
        }
    }
    for (const float theta : angles) {
        s.THETA[1] = theta;
        const float expected = std::fmod(theta + 2.0f * s.PI, period);
        const float phase = burn_phase(s, 1);
        EXPECT_EQ(std::bit_cast<uint32_t>(phase), std::bit_cast<uint32_t>(expected)) << theta;
    }
}

}  // namespace
}  // namespace diesel
