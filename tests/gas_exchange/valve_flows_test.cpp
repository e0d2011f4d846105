#include "gas_exchange/valve_flows.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <memory>

#include "gas_exchange/orifice.hpp"

namespace diesel {
namespace {

// The valve flows of one cylinder as the orifice formulas write them, every
// power formed, whatever the area: the reference for the short cut of shut
// valves and for the vector lanes, which must give the same bits.
struct Flows {
    float DMINL, DHINL, DMEXH, DHEXH;
};

Flows formula_flows(const RunState& s, int32_t j, float k) {
    const int32_t in = s.NCYL + 1, ex = s.NCYL + 2;
    const auto choked = [k](float R, float T, float A, float P) {
        return std::sqrt(std::pow(2.0f / (k + 1.0f), (k + 1.0f) / (k - 1.0f)) * ((k / R) / T)) * (A * P);
    };
    const auto subsonic = [k](float X, float R, float T, float A, float P) {
        return std::sqrt((std::pow(X, 2.0f / k) - std::pow(X, (k + 1.0f) / k)) * (((k * 2.0f) / (k - 1.0f)) / R) / T) *
               (A * P);
    };
    const auto radian = [&s](float m) { return (((m * 0.5f) / s.PI) / s.SPEED) * 60.0f; };
    const auto enthalpy = [&s](int32_t z) { return s.RGAS[z] * s.TEMP[z] + (s.UAIR[z] - s.UEQR[z] * s.EQR[z]); };
    const float P = s.PRES[j], PIN = s.PRES[in], PEX = s.PRES[ex];
    Flows f{};
    if (PIN / P < 0.528f) {
        f.DMINL = -radian(choked(s.RGAS[j], s.TEMP[j], s.AINL[j], P));
    } else if (P >= PIN) {
        f.DMINL = -radian(subsonic(PIN / P, s.RGAS[j], s.TEMP[j], s.AINL[j], P));
    } else {
        const float X = P / PIN;
        f.DMINL = radian(X < 0.528f ? choked(s.RGAS[in], s.TEMP[in], s.AINL[j], PIN)
                                    : subsonic(X, s.RGAS[in], s.TEMP[in], s.AINL[j], PIN));
        f.DHINL = enthalpy(in) * f.DMINL;
    }
    if (P / PEX < 0.528f) {
        f.DMEXH = -radian(choked(s.RGAS[ex], s.TEMP[ex], s.AEXH[j], PEX));
        f.DHEXH = enthalpy(ex) * f.DMEXH;
    } else if (P < PEX) {
        f.DMEXH = -radian(subsonic(P / PEX, s.RGAS[ex], s.TEMP[ex], s.AEXH[j], PEX));
        f.DHEXH = enthalpy(ex) * f.DMEXH;
    } else {
        const float X = PEX / P;
        f.DMEXH = radian(X < 0.528f ? choked(s.RGAS[j], s.TEMP[j], s.AEXH[j], P)
                                    : subsonic(X, s.RGAS[j], s.TEMP[j], s.AEXH[j], P));
        f.DHEXH = enthalpy(j) * f.DMEXH;
    }
    return f;
}

// Cylinder situations around the receivers at PIN = 98000 Pa and PEX = 110000 Pa.
struct Cylinder {
    const char* name;
    float P, T, AINL, AEXH, k;  // [Pa], [K], [m2], [m2], [-]
};

const float kNan = std::numeric_limits<float>::quiet_NaN();
const Cylinder kCylinders[] = {
    {"shut, compressed: both valves choked", 4.0e6f, 900.0f, 0.0f, 0.0f, 1.35f},
    {"shut, between the receivers: subsonic both ways", 104000.0f, 600.0f, 0.0f, 0.0f, 1.38f},
    {"shut, intake pressure to 1e-4: formed in full", 98009.8f, 400.0f, 0.0f, 0.0f, 1.4f},
    {"shut, exhaust pressure exactly: ratio 1", 110000.0f, 700.0f, 0.0f, 0.0f, 1.3f},
    {"shut, intake pressure exactly: ratio 1", 98000.0f, 350.0f, -0.0f, -0.0f, 1.4f},
    {"shut, expanded below both: choked inflow", 40000.0f, 500.0f, 0.0f, 0.0f, 1.36f},
    {"shut, NaN temperature", 200000.0f, kNan, 0.0f, 0.0f, 1.35f},
    {"shut, exponent below 1.1: formed in full", 105000.0f, 800.0f, 0.0f, 0.0f, 1.05f},
    {"shut, infinite pressure", std::numeric_limits<float>::infinity(), 800.0f, 0.0f, 0.0f, 1.35f},
    {"open: intake inflow, exhaust backflow", 90000.0f, 320.0f, 4.0e-4f, 2.0e-4f, 1.39f},
    {"open: blow-down", 500000.0f, 1100.0f, 0.0f, 5.0e-4f, 1.3f},
    {"open: overlap, equal to the exhaust", 110000.0f, 700.0f, 1.0e-4f, 3.0e-4f, 1.33f},
};

void set_cylinder(RunState& s, int32_t j, const Cylinder& c, ZoneArray& kappa) {
    s.PRES[j] = c.P;
    s.TEMP[j] = c.T;
    s.AINL[j] = c.AINL;
    s.AEXH[j] = c.AEXH;
    s.RGAS[j] = 290.0f;
    s.EQR[j] = 0.3f;
    s.UAIR[j] = 700.0f * c.T;
    s.UEQR[j] = 150000.0f;
    kappa[j] = c.k;
}

std::unique_ptr<RunState> receivers(int32_t ncyl) {
    auto s = std::make_unique<RunState>();
    s->NCYL = ncyl;
    s->NZONE = ncyl + 2;
    s->PI = 3.1415925f;
    s->SPEED = 2000.0f;
    const float P[2] = {98000.0f, 110000.0f}, T[2] = {310.0f, 750.0f}, E[2] = {0.0f, 0.45f};
    for (int32_t r = 0; r < 2; ++r) {
        const int32_t z = ncyl + 1 + r;
        s->PRES[z] = P[r];
        s->TEMP[z] = T[r];
        s->EQR[z] = E[r];
        s->RGAS[z] = 1000.0f * (0.02f * E[r] + 0.287f);
        s->UAIR[z] = 720.0f * T[r];
        s->UEQR[z] = 150000.0f;
    }
    return s;
}

uint32_t bits(float v) { return std::bit_cast<uint32_t>(v); }

// One cylinder at a time (one to three cylinders) and all of them in vector
// lanes (twelve cylinders) give the formula's bits: signed zeros of shut
// valves, NaN where the formula makes one.
TEST(ValveFlows, ShutValvesAndVectorLanesGiveTheFormulasBits) {
    constexpr int32_t n = static_cast<int32_t>(std::size(kCylinders));
    auto lanes = receivers(n);
    ZoneArray laneKappa = {};
    for (int32_t j = 1; j <= n; ++j) set_cylinder(*lanes, j, kCylinders[j - 1], laneKappa);
    cylinder_valve_flows(*lanes, laneKappa);
    for (int32_t j = 1; j <= n; ++j) {
        auto one = receivers(1);
        ZoneArray kappa = {};
        set_cylinder(*one, 1, kCylinders[j - 1], kappa);
        const Flows expected = formula_flows(*one, 1, kappa[1]);
        cylinder_valve_flows(*one, kappa);
        const struct {
            const char* what;
            float want, single, lane;
        } flows[] = {{"DMINL", expected.DMINL, one->DMINL[1], lanes->DMINL[j]},
                     {"DHINL", expected.DHINL, one->DHINL[1], lanes->DHINL[j]},
                     {"DMEXH", expected.DMEXH, one->DMEXH[1], lanes->DMEXH[j]},
                     {"DHEXH", expected.DHEXH, one->DHEXH[1], lanes->DHEXH[j]}};
        for (const auto& f : flows) {
            EXPECT_EQ(bits(f.single), bits(f.want)) << kCylinders[j - 1].name << ": " << f.what << " one at a time";
            EXPECT_EQ(bits(f.lane), bits(f.want)) << kCylinders[j - 1].name << ": " << f.what << " in lane " << j;
        }
    }
    // The lanes leave the receivers' slots alone.
    EXPECT_EQ(lanes->DMINL[n + 1], 0.0f);
    EXPECT_EQ(lanes->DHEXH[n + 2], 0.0f);
}

// The short cut rests on X^(2/k) >= X^((k+1)/k) as pow rounds them, wherever
// it takes it: ratios in [0.25, 0.999], exponents in [1.1, 2].
TEST(ValveFlows, ShutSubsonicPowersKeepTheirOrder) {
    uint32_t seed = 12345u;
    const auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<float>(seed >> 8) / 16777216.0f;
    };
    for (int i = 0; i < 200000; ++i) {
        // The first thousand just below the ratio where the short cut stops, the rest anywhere.
        const float X = i < 1000 ? 0.999f - static_cast<float>(i) * 6.0e-8f : 0.25f + 0.749f * next();
        const float k = 1.1f + 0.9f * next();
        ASSERT_TRUE(shut_subsonic_is_zero(X, k, 287.0f, 500.0f, 1.0e5f)) << X << " " << k;
        ASSERT_GE(std::pow(X, 2.0f / k), std::pow(X, (k + 1.0f) / k)) << X << " " << k;
    }
}

}  // namespace
}  // namespace diesel
