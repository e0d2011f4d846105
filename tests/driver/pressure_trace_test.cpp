// The cylinder-pressure trace of the output cycle has the shape of a diesel
// cycle: a motored run peaks at firing TDC, a fired run peaks higher, after it.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "driver/in_memory_run.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

struct Peak {
    float angle;     // crank angle of the peak, -180 .. 540 [deg]
    float pressure;  // [bar]
};

// Peak of column 3 (pressure) of "fort8.dat" over column 1 (angle mod 720).
Peak pressure_peak(const std::string& fort8) {
    std::istringstream in(fort8);
    std::string line;
    std::getline(in, line);  // header
    Peak peak{0.0f, -1.0f};
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        float angle = 0.0f, iter = 0.0f, p = 0.0f;
        fields >> angle >> iter >> p;
        if (p > peak.pressure) peak = {angle > 540.0f ? angle - 720.0f : angle, p};
    }
    return peak;
}

TEST(PressureTrace, MotoredPeaksAtTdcFiredPeaksHigherJustAfter) {
    using test_support::edited;
    using test_support::Edit;
    const InputTexts fired = test_support::example_texts("c1_fixed");
    const InputTexts motored = edited(fired, {Edit{3, 1, 4, "0.0"}});  // FUEL 0

    const InMemoryRun f = run_in_memory(fired);
    const InMemoryRun m = run_in_memory(motored);
    ASSERT_EQ(f.outcome.end, RunEnd::Completed);
    ASSERT_EQ(m.outcome.end, RunEnd::Completed);

    const Peak pm = pressure_peak(m.fort8);
    const Peak pf = pressure_peak(f.fort8);
    // Heat loss moves the motored peak a little before TDC, never after it.
    EXPECT_GE(pm.angle, -3.0f);
    EXPECT_LE(pm.angle, 0.0f);
    EXPECT_GT(pf.angle, 0.0f);
    EXPECT_LT(pf.angle, 20.0f);
    EXPECT_GT(pf.pressure, 1.3f * pm.pressure);
}

}  // namespace
}  // namespace diesel
