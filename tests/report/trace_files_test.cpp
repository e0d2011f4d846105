#include "report/trace_files.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>

namespace diesel {
namespace {

std::string title(const std::string& text) { return std::string(25 - text.size(), ' ') + text + "\t"; }

TEST(TraceHeaders, TitlesRightJustifiedEachFollowedByTab) {
    std::ostringstream f8, f9, f10;
    write_trace_headers(f8, f9, f10);

    const std::string h8 = f8.str();
    EXPECT_EQ(h8.substr(0, 52), std::string(10, ' ') + "Crank Angle [o]\t" + std::string(24, ' ') + "L\t");
    EXPECT_EQ(h8.size(), 12u * 26u + 1u);
    EXPECT_EQ(h8.substr(4 * 26, 26), title("Cyl.#1 Temperature [K]"));
    EXPECT_EQ(h8.substr(h8.size() - 27), " Cyl.#1 fire burning rate\t\n");

    // fort9 differs from fort8 in column 5 only
    const std::string h9 = f9.str();
    EXPECT_EQ(h9, h8.substr(0, 4 * 26) + title("Cyl.#1 Temperature [oC?]") + h8.substr(5 * 26));

    const std::string h10 = f10.str();
    EXPECT_EQ(h10.size(), 10u * 26u + 1u);
    EXPECT_EQ(std::count(h10.begin(), h10.end(), '\t'), 10);
    EXPECT_EQ(h10.substr(2 * 26, 26), title("Exh. Pressure [bar]"));
    EXPECT_EQ(h10.substr(5 * 26, 52), title("Inlet Valve Area [m2?]") + title("Inlet Valve Area [m2?]"));
    // 28-character title cut to its first 25
    EXPECT_EQ(h10.substr(7 * 26, 52), "dMass from inlet valve [k\tdMass from inlet valve [k\t");
    EXPECT_EQ(h10.substr(9 * 26), title("Exhaust phi [-]") + "\n");
}

// Cylinder 1 of two at 541 degrees into the cycle; zone 4 is the exhaust
// receiver, zone 3 the intake receiver, which must not show up.
std::unique_ptr<RunState> traced_state() {
    auto s = std::make_unique<RunState>();
    s->NCYL = 2;
    s->ITER = 3;
    const std::pair<float*, float> values[] = {
        {&s->PHI, 1261.0f}, {&s->PRES[1], 101325.0f}, {&s->MASS[1], 0.0021f}, {&s->TEMP[1], -1.5f},
        {&s->VOL[1], 1.0f}, {&s->QHEAD[1], -0.0021f}, {&s->QPIST[1], 541.0f}, {&s->QLINER[1], 0.99996f},
        {&s->QWALL[1], 999951.0f}, {&s->WIEBE[1], 3.0f}, {&s->PRES[4], 200000.0f}, {&s->MASS[4], 0.5f},
        {&s->TEMP[4], 800.0f}, {&s->EQR[4], 0.25f}, {&s->AINL[1], 0.001f}, {&s->FAIN, 2.0f},
        {&s->AEXH[1], 3.0e-4f}, {&s->FAEX, 4.0f}, {&s->DMINL[1], -1.5f}, {&s->DMEXH[1], 1.0f}, {&s->PRES[3], 7.0f},
    };
    for (const auto& [field, value] : values) *field = value;
    return s;
}

TEST(TraceLines, FieldsAndTabs) {
    auto s = traced_state();
    s->ISTEP = 20;
    std::ostringstream f8, f9, f10;
    write_trace_lines(*s, f8, f9, f10);
    const std::string cyl =
        "0.5410E+03\t0.3000E+01\t0.1013E+01\t0.2100E-02\t-.1500E+01\t0.0000E+00\t"
        "0.1000E+01\t-.2100E-02\t0.5410E+03\t0.1000E+01\t0.1000E+07\t0.3000E+01\n";
    EXPECT_EQ(f8.str(), cyl);
    EXPECT_EQ(f9.str(), cyl);
    EXPECT_EQ(f10.str(),
              "0.5410E+03\t0.3000E+01\t0.2000E+01\t0.5000E+00\t0.8000E+03\t0.1000E-02\t"
              "0.1500E-03\t-.1500E+01\t0.1000E+01\t0.2500E+00\t\n");
}

// "fort9.dat" takes every tenth step; the angle is taken modulo 720.
TEST(TraceLines, EveryTenthStepIntoFort9) {
    const struct {
        int32_t istep;
        float phi;
        bool toFort9;
        const char* angle;
    } cases[] = {{1, 541.0f, false, "0.5410E+03"}, {10, 720.0f, true, "0.0000E+00"},
                 {15, 1260.0f, false, "0.5400E+03"}, {720, -30.0f, true, "-.3000E+02"}};
    for (const auto& c : cases) {
        auto s = traced_state();
        s->ISTEP = c.istep;
        s->PHI = c.phi;
        std::ostringstream f8, f9, f10;
        write_trace_lines(*s, f8, f9, f10);
        EXPECT_EQ(f9.str().empty(), !c.toFort9) << c.istep;
        EXPECT_EQ(f8.str().substr(0, 11), std::string(c.angle) + "\t") << c.istep;
        EXPECT_EQ(f10.str().substr(0, 11), std::string(c.angle) + "\t") << c.istep;
    }
    // A cycle of 720 recorded steps: 720, 72 and 720 data lines.
    auto s = traced_state();
    std::ostringstream f8, f9, f10;
    for (s->ISTEP = 1; s->ISTEP <= 720; ++s->ISTEP) write_trace_lines(*s, f8, f9, f10);
    const auto lines = [](const std::ostringstream& o) { return std::ranges::count(o.str(), '\n'); };
    EXPECT_EQ(lines(f8), 720);
    EXPECT_EQ(lines(f9), 72);
    EXPECT_EQ(lines(f10), 720);
}

}  // namespace
}  // namespace diesel
