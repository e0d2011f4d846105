// The low-pass filter: passes slow variations, removes fast ones, shifts nothing.
#include "analysis/pressure_smoothing.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace diesel {
namespace {

TEST(PressureSmoothing, GainFollowsTheDocumentedCutOff) {
    const double step = 0.1, width = 2.0;  // -3 dB at 0.312 / width = 0.156 cycles per degree
    const struct {
        double period;  // [deg]
        double gainMin, gainMax;
    } cases[] = {{60.0, 0.99, 1.0}, {1.0 / 0.156, 0.70, 0.72}, {1.0, 0.0, 1e-6}};
    for (const auto& c : cases) {
        std::vector<double> p;
        for (int i = 0; i < 7200; ++i) p.push_back(std::sin(2.0 * std::numbers::pi * i * step / c.period));
        const std::vector<double> s = smooth_pressure(p, step, width, false);
        // Gain from the samples at the crests, away from the ends; a shift would show as a loss of gain there.
        double gain = 0.0;
        for (size_t i = 1000; i < 6200; ++i) gain = std::max(gain, s[i] * p[i]);
        EXPECT_GE(gain, c.gainMin) << c.period;
        EXPECT_LE(gain, c.gainMax) << c.period;
    }
    // A straight line stays straight, also where the kernel is cut at the ends.
    std::vector<double> ramp;
    for (int i = 0; i < 100; ++i) ramp.push_back(3.0 + 0.5 * i);
    const std::vector<double> s = smooth_pressure(ramp, 1.0, 5.0, false);
    for (size_t i = 3; i + 3 < ramp.size(); ++i) EXPECT_NEAR(s[i], ramp[i], 1e-9) << i;
    EXPECT_EQ(smooth_pressure(ramp, 1.0, 0.0, false), ramp);
}

}  // namespace
}  // namespace diesel
