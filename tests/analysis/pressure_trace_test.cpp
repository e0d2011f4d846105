// A measured trace: reading it, with every bad trace refused naming its line;
// one cycle taken from it (TDC correction, the cycle placed on -180 .. 540 deg,
// averaging, pegging); and the low-pass filter that smooths it.
#include "analysis/pressure_trace.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "analysis/analysis_error.hpp"
#include "analysis/cycle_angles.hpp"
#include "analysis/measured_cycle.hpp"
#include "analysis/pressure_smoothing.hpp"

namespace diesel {
namespace {

// Samples at angles from, from + step, ... with pressure 1 + angle/100.
std::string table(double from, double step, int n, const char* sep = ",") {
    std::string t;
    for (int i = 0; i < n; ++i) {
        const double a = from + i * step;
        t += std::to_string(a) + sep + std::to_string(1.0 + a / 100.0) + "\n";
    }
    return t;
}

TEST(PressureTrace, ReadsCsvAndWhitespaceTablesWithHeaderAndComments) {
    const std::vector<std::string> texts = {
        "# test bed 4, cylinder 1\nangle [deg],p [bar]\n-1,1.5\n0,2.5  # TDC\n1,2.0\n",
        "angle p\n\n-1\t1.5\n  0   2.5\r\n1 2.0 17.3\n",  // blanks and tabs, CRLF, an extra column
        "-1;1.5\n0 ; +2.5\n1;2.0e0\n",
    };
    for (const std::string& text : texts) {
        const PressureTrace t = read_pressure_trace(text, "bed.csv");
        EXPECT_EQ(t.angle, (std::vector<double>{-1.0, 0.0, 1.0})) << text;
        EXPECT_EQ(t.pressure, (std::vector<double>{1.5, 2.5, 2.0})) << text;
        EXPECT_DOUBLE_EQ(t.step, 1.0);
    }
    EXPECT_EQ(read_pressure_trace(texts[0], "bed.csv").line, (std::vector<int32_t>{3, 4, 5}));
}

// Every bad trace, read, taken as one cycle and checked for absolute
// pressures, is refused with status 2 and its lines named.
TEST(PressureTrace, EveryBadTraceNamesItsLine) {
    const struct {
        std::string text;
        std::string expected;  // part of the message
        double tdcShift = 0.0;
        int32_t cycles = 1;
    } cases[] = {
        {"0,1\n1,1\n0.5,1\n", "bed.csv, line 3: crank angle 0.5 deg does not rise above 1 deg of line 2"},
        {"0,1\n1,1\n2,1\n3.02,1\n4.02,1\n", "line 4: the step of 1.02 deg from 2 deg (line 3) differs by more than 1 %"},
        {"0,1\n1,1\n2,1\n4,1\n5,1\n", "line 4: gap: no sample between 2 deg (line 3) and 4 deg"},
        {"0,1\n1,nan\n2,1\n", "line 2: pressure \"nan\" is not a finite number"},
        {"0,1\n1,1.0x\n", "line 2: pressure \"1.0x\" is not a number"},
        {"angle,p\n0,1\nangle,p\n", "line 3: crank angle \"angle\" is not a number"},
        {"0,1\n1\n", "line 2: one field only"},
        {"# nothing\n0,1\n", "bed.csv: 1 samples"},
        // 1 .. 360 misses bottom dead centre before firing TDC, wherever firing TDC is.
        {table(1.0, 1.0, 360), "bed.csv, lines 1-360: the trace covers 1 .. 360 deg"},
        {table(-180.0, 1.0, 361), "covers -180.6 .. 179.4 deg after --tdc-shift 0.6", 0.6},
        {table(-180.0, 1.0, 720), "--cycles 2 asks for more cycles than the trace holds: 1 whole cycle(s)", 0.0, 2},
        // 0.7 deg does not divide 720: the second cycle's samples fall between the first's.
        {table(-180.0, 0.7, 2100), "cycle 2 does not line up with the first", 0.0, 2},
        // A sensor that measures only changes, not pegged; a trace in Pa.
        {"-180,0.5\n0,-0.2\n180,0.5\n", "bed.csv, line 2: pressure -0.2 bar at 0 deg is not positive"},
        {"-180,95000\n0,4.5e6\n180,2.1e5\n", "bed.csv, line 1: pressure 95000 bar at -180 deg is above 5000 bar"},
    };
    for (const auto& c : cases) {
        try {
            const PressureTrace t = read_pressure_trace(c.text, "bed.csv");
            require_absolute_pressure(measured_cycle(t, c.tdcShift, c.cycles, {-180.0, 180.0, "compression and expansion"}));
            ADD_FAILURE() << "accepted: " << c.expected;
        } catch (const AnalysisError& e) {
            EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
            EXPECT_EQ(e.status, 2);
        }
    }
}

// A pressure that tells its own cycle angle apart: the same at angle and angle + 720.
double pressure_at(double a) { return 2.0 + std::sin(cycle_angle(a) * std::numbers::pi / 360.0); }

PressureTrace trace(double from, double step, int n, double cycleOffset = 0.0) {
    PressureTrace t;
    t.name = "bed.csv";
    t.step = step;
    for (int i = 0; i < n; ++i) {
        const double a = from + i * step;
        t.angle.push_back(a);
        // Cycle c of the trace is raised by c * cycleOffset.
        t.pressure.push_back(pressure_at(a) + std::floor((a - from) / 720.0) * cycleOffset);
        t.line.push_back(i + 2);
    }
    return t;
}

TEST(MeasuredCycle, PlacesShiftsAndAveragesTheCycle) {
    const NeededRange need{-180.0, 180.0, "compression and expansion"};
    const struct {
        const char* what;
        PressureTrace t;
        double shift;
        int32_t cycles;
        bool full;
        double first, last;  // angles of the cycle's first and last sample
        double offset;       // pressure above pressure_at()
    } cases[] = {
        {"a whole cycle from gas-exchange TDC", trace(-360.0, 1.0, 720), 0.0, 1, true, -180.0, 539.0, 0.0},
        {"TDC found 0.5 deg late", trace(-180.0, 1.0, 720), 0.5, 1, true, -179.5, 539.5, 0.0},
        {"three cycles, the first taken", trace(-180.0, 0.5, 4320, 3.0), 0.0, 1, true, -180.0, 539.5, 0.0},
        {"three cycles averaged", trace(-180.0, 0.5, 4320, 3.0), 0.0, 3, true, -180.0, 539.5, 3.0},
        {"compression and expansion around the second firing TDC", trace(540.0, 0.1, 3601), 0.0, 1, false, -180.0,
         180.0, 0.0},
    };
    for (const auto& c : cases) {
        const MeasuredCycle m = measured_cycle(c.t, c.shift, c.cycles, need);
        EXPECT_EQ(m.fullCycle, c.full) << c.what;
        EXPECT_NEAR(m.angle.front(), c.first, 1e-9) << c.what;
        EXPECT_NEAR(m.angle.back(), c.last, 1e-9) << c.what;
        for (size_t i = 0; i < m.angle.size(); ++i) {
            ASSERT_NEAR(m.angle[i] - m.angle.front(), i * c.t.step, 1e-9) << c.what << " at " << i;
            // Each sample keeps the pressure of the recorded angle it came from.
            ASSERT_NEAR(m.pressure[i], pressure_at(m.angle[i] + c.shift) + c.offset, 1e-12) << c.what << " at " << m.angle[i];
        }
    }
}

TEST(MeasuredCycle, PegLevelsTheMeanAroundTheAngleAcrossTheCycleEnd) {
    // 0.5 deg steps: 11 samples within 2.5 deg of -179, three of them past the wrap at 540 = -180.
    MeasuredCycle m = measured_cycle(trace(-180.0, 0.5, 1440), 0.0, 1, {-180.0, 180.0, ""});
    double mean = 0.0;
    for (double a = -181.5; a <= -176.5 + 1e-9; a += 0.5) mean += pressure_at(a) / 11.0;
    const double before = m.pressure[10];
    EXPECT_NEAR(peg_pressure(m, -179.0, 1.0), 1.0 - mean, 1e-12);
    EXPECT_NEAR(m.pressure[10] - before, 1.0 - mean, 1e-12);
}

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
