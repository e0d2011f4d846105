// Reading a measured trace: the formats it accepts, and every bad trace
// refused with its line named.
#include "analysis/pressure_trace.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/analysis_error.hpp"
#include "analysis/measured_cycle.hpp"

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

TEST(PressureTrace, EveryBadTraceNamesItsLine) {
    const struct {
        std::string text;
        std::string expected;  // part of the message
    } cases[] = {
        {"0,1\n1,1\n0.5,1\n", "bed.csv, line 3: crank angle 0.5 deg does not rise above 1 deg of line 2"},
        {"0,1\n1,1\n1,1\n", "line 3: crank angle 1 deg does not rise"},
        {"0,1\n1,1\n2,1\n3.02,1\n4.02,1\n", "line 4: the step of 1.02 deg from 2 deg (line 3) differs by more than 1 %"},
        {"0,1\n1,1\n2,1\n4,1\n5,1\n", "line 4: gap: no sample between 2 deg (line 3) and 4 deg"},
        {"0,1\n1,nan\n2,1\n", "line 2: pressure \"nan\" is not a finite number"},
        {"0,1\ninf,1\n", "line 2: crank angle \"inf\" is not a finite number"},
        {"0,1\n1,1.0x\n", "line 2: pressure \"1.0x\" is not a number"},
        {"0,1\n1,,2\n", "line 2: pressure \"\" is not a number"},
        {"angle,p\n0,1\nangle,p\n", "line 3: crank angle \"angle\" is not a number"},
        {"0,1\n1\n", "line 2: one field only"},
        {"# nothing\n0,1\n", "bed.csv: 1 samples"},
    };
    for (const auto& c : cases) {
        try {
            read_pressure_trace(c.text, "bed.csv");
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const AnalysisError& e) {
            EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
            EXPECT_EQ(e.status, 2);
        }
    }
}

TEST(PressureTrace, CycleErrorsNameTheLines) {
    const NeededRange compressionExpansion{-180.0, 180.0, "compression and expansion"};
    const struct {
        std::string text;
        double tdcShift;
        int32_t cycles;
        std::string expected;
    } cases[] = {
        // 1 .. 360 misses bottom dead centre before firing TDC, wherever firing TDC is.
        {table(1.0, 1.0, 360), 0.0, 1, "bed.csv, lines 1-360: the trace covers 1 .. 360 deg"},
        {table(-180.0, 1.0, 361), 0.6, 1, "covers -180.6 .. 179.4 deg after --tdc-shift 0.6"},
        {table(-180.0, 1.0, 720), 0.0, 2, "--cycles 2 asks for more cycles than the trace holds: 1 whole cycle(s)"},
        // 0.7 deg does not divide 720: the second cycle's samples fall between the first's.
        {table(-180.0, 0.7, 2100), 0.0, 2, "cycle 2 does not line up with the first"},
    };
    for (const auto& c : cases) {
        const PressureTrace t = read_pressure_trace(c.text, "bed.csv");
        try {
            measured_cycle(t, c.tdcShift, c.cycles, compressionExpansion);
            ADD_FAILURE() << "accepted: " << c.expected;
        } catch (const AnalysisError& e) {
            EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
        }
    }
    // A sensor that measures only changes, not pegged; a trace in Pa.
    const struct {
        std::string text, expected;
    } levels[] = {{"-180,0.5\n0,-0.2\n180,0.5\n", "bed.csv, line 2: pressure -0.2 bar at 0 deg is not positive"},
                  {"-180,95000\n0,4.5e6\n180,2.1e5\n", "bed.csv, line 1: pressure 95000 bar at -180 deg is above 5000 bar"}};
    for (const auto& l : levels) {
        try {
            require_absolute_pressure(measured_cycle(read_pressure_trace(l.text, "bed.csv"), 0.0, 1, compressionExpansion));
            ADD_FAILURE() << l.expected;
        } catch (const AnalysisError& e) {
            EXPECT_NE(std::string(e.what()).find(l.expected), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace diesel
