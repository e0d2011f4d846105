#include "gas_exchange/valve_areas.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace diesel {
namespace {

// Opens only when the receiver pressure is at least the cylinder pressure and the
// seat force exceeds the preload; area = curtain area of the lift. Seat 0.02 m, 20000 N/m.
TEST(ValveAreas, CheckValve) {
    const struct {
        float P1, P2, FRV;  // exhaust receiver, cylinder [Pa], preload [N]
        bool open;
    } cases[] = {{99999.0f, 100000.0f, -10.0f, false}, {100000.0f, 100000.0f, -10.0f, true},
                 {290000.0f, 100000.0f, 60.0f, false}, {400000.0f, 100000.0f, 60.0f, true}};
    for (const auto& t : cases) {
        float AEXH = 1.0f;
        CHECKV(t.P1, t.P2, 0.02f, t.FRV, 20000.0f, AEXH);
        const double lift = ((static_cast<double>(t.P1) - t.P2) * (0.02 * 0.02 * M_PI / 4.0) - t.FRV) / 20000.0;
        const double area = t.open ? M_PI * 0.02 * lift : 0.0;
        EXPECT_NEAR(AEXH, area, 1.0E-5 * area) << t.P1 << " " << t.FRV;
    }
}

// The cycle angle is the library's fmod bit for bit: every float within 3
// degrees of each cycle edge from -1440 to 2160 degrees, a spread of angles
// between them, and the values at the ends of the range.
TEST(ValveAreas, CycleDegreesIsFmod) {
    const auto same = [](float D) {
        return std::bit_cast<uint32_t>(cycle_degrees(D)) == std::bit_cast<uint32_t>(std::fmod(D, 720.0f));
    };
    for (const float edge : {-1440.0f, -720.0f, 720.0f, 1440.0f, 2160.0f}) {
        for (float D = edge - 3.0f; D <= edge + 3.0f; D = std::nextafter(D, 1.0e4f)) {
            if (!same(D)) FAIL() << D;
        }
    }
    for (float D = -1500.0f; D <= 2200.0f; D += 0.013f) {
        if (!same(D)) FAIL() << D;
    }
    const float inf = std::numeric_limits<float>::infinity();
    for (const float D : {0.0f, -0.0f, 720.0f, -720.0f, 1440.0f, -1440.0f, std::nextafter(5760.0f, 0.0f), 5760.0f,
                          -5760.0f, 1.0e9f, -1.0e9f, inf, -inf, std::numeric_limits<float>::quiet_NaN(),
                          std::numeric_limits<float>::denorm_min()}) {
        EXPECT_TRUE(same(D)) << D;
    }
}

}  // namespace
}  // namespace diesel
