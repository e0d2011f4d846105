// Exchange of the receivers with the surroundings: the spring-loaded outlet
// valve of the exhaust receiver in its four regimes and the intake supply.
#include "cylinder/receiver_flows.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <ostream>

#include "cylinder/gas_properties.hpp"

namespace diesel {
namespace {

constexpr double kPi = 3.14159265358979;
constexpr double kSpeed = 2000.0;  // [rpm]
constexpr double kDout = 0.044, kFout = 150.0, kKout = 4000.0;
constexpr double kAinf = 6.0e-4;  // [m2]

// One cylinder at 2000 rpm; intake receiver air at 320 K, exhaust receiver at
// 700 K with EQR 0.4 and pressure pe [Pa]; the outlet valve of the program.
std::unique_ptr<RunState> receivers(float pe, float pin = 98000.0f) {
    auto s = std::make_unique<RunState>();
    s->NCYL = 1;
    s->NZONE = 3;
    s->PI = 3.1415925f;
    s->SPEED = static_cast<float>(kSpeed);
    s->DOUT = 0.044f;
    s->FOUT = 150.0f;
    s->KOUT = 4000.0f;
    s->AINF = static_cast<float>(kAinf);
    const float T[] = {0.0f, 400.0f, 320.0f, 700.0f};
    const float E[] = {0.0f, 0.05f, 0.0f, 0.4f};
    for (int32_t k = 1; k <= 3; ++k) {
        s->MASS[k] = 1.0e-3f;
        s->VOL[k] = 1.0e-3f;
        s->TEMP[k] = T[k];
        s->EQR[k] = E[k];
    }
    gas_properties(*s);
    s->PRES[3] = pe;
    s->PRES[2] = pin;
    return s;
}

// Outlet valve flow area [m2] of the spring-loaded valve at pressure p [Pa].
double outlet_area(double p) {
    const double lift = (kPi * kDout * kDout / 4.0 * p - kFout) / kKout;
    return lift < 0.0 ? 0.0 : kPi * kDout * lift * 0.6 * 2.0;
}

// Isentropic orifice flow [kg/s] from upstream p0, T0, R at downstream/upstream
// ratio r, choked below 0.528.
double orifice(double A, double p0, double T0, double R, double r, double k, bool chokeAllowed) {
    if (chokeAllowed && r < 0.528) {
        return A * p0 * std::sqrt(k / (R * T0) * std::pow(2.0 / (k + 1.0), (k + 1.0) / (k - 1.0)));
    }
    return A * p0 * std::sqrt(2.0 * k / ((k - 1.0) * R * T0) * (std::pow(r, 2.0 / k) - std::pow(r, (k + 1.0) / k)));
}

double per_rad(double mdot) { return mdot * 60.0 / (2.0 * kPi * kSpeed); }

TEST(OutletValve, OpensNear98650Pa) {
    const float opening = static_cast<float>(kFout / (kPi * kDout * kDout / 4.0));
    EXPECT_NEAR(opening, 98650.0f, 1.0f);
    struct Case {
        float p;     // [Pa]
        bool open;
    };
    for (const Case c : {Case{60000.0f, false}, Case{98640.0f, false}, Case{98660.0f, true},
                         Case{100000.0f, true}, Case{250000.0f, true}}) {
        const float A = outlet_valve_area(c.p, 0.044f, 150.0f, 4000.0f);
        EXPECT_EQ(A > 0.0f, c.open) << c.p << " Pa";
        EXPECT_GE(A, 0.0f);
        EXPECT_NEAR(A, outlet_area(c.p), 1e-4 * outlet_area(c.p) + 1e-9) << c.p << " Pa";
    }
}

// The outlet flow by receiver pressure, against the orifice equation with the
// upstream state of the flow direction: receiver gas outwards, ambient air
// (intake-receiver gas constant, 293 K) inwards.
struct OutletCase {
    const char* name;
    float pe;  // [Pa]
};

std::ostream& operator<<(std::ostream& os, const OutletCase& c) { return os << c.name; }

class OutletRegimes : public ::testing::TestWithParam<OutletCase> {};

TEST_P(OutletRegimes, FlowAndEnthalpy) {
    const OutletCase c = GetParam();
    auto s = receivers(c.pe);
    const int32_t in = 2, e = 3;
    ASSERT_TRUE(exhaust_outlet_flow(*s));
    const double pe = c.pe;
    const double k = 76.7 / 700.0 + 1.254 - 0.4 * 0.0372;
    EXPECT_NEAR(s->KAPPA, k, 1e-6);
    EXPECT_NEAR(s->AOUT, outlet_area(pe), 1e-4 * outlet_area(pe) + 1e-9);

    double expected;  // [kg/rad], + out of the receiver
    double h;         // [J/kg] carried by the flow
    if (pe > 100000.0) {
        expected = per_rad(orifice(outlet_area(pe), pe, 700.0, s->RGAS[e], 100000.0 / pe, k, true));
        h = s->RGAS[e] * 700.0 + s->UGAS[e];
    } else {
        expected = -per_rad(orifice(outlet_area(pe), 100000.0, 293.0, s->RGAS[in], pe / 100000.0, k, false));
        h = s->RGAS[in] * 293.0 + s->UGAS[in];  // intake-receiver energy at its own 320 K
    }
    EXPECT_NEAR(s->DMEXH[e], expected, 1e-4 * std::fabs(expected) + 1e-12);
    if (expected != 0.0) {
        EXPECT_NEAR(s->DHEXH[e] / s->DMEXH[e], h, 1e-5 * h);
    } else {
        EXPECT_EQ(s->DMEXH[e], 0.0f);
        EXPECT_EQ(s->DHEXH[e], 0.0f);
    }
}

INSTANTIATE_TEST_SUITE_P(Pressures, OutletRegimes,
                         ::testing::Values(OutletCase{"at the 0.528 bar limit, shut", 52800.0f},
                                           OutletCase{"shut", 80000.0f},
                                           OutletCase{"just below opening", 98640.0f},
                                           OutletCase{"open, ambient air flows in", 99000.0f},
                                           OutletCase{"open, ambient air flows in fast", 99900.0f},
                                           OutletCase{"exactly ambient", 100000.0f},
                                           OutletCase{"subsonic outflow", 110000.0f},
                                           OutletCase{"subsonic at the critical ratio", 189390.0f},
                                           OutletCase{"choked just above it", 189400.0f},
                                           OutletCase{"choked", 300000.0f}));

TEST(OutletRegimes, StopBelow0528Bar) {
    for (const float pe : {52790.0f, 30000.0f, 0.0f}) {
        auto s = receivers(pe);
        EXPECT_FALSE(exhaust_outlet_flow(*s)) << pe << " Pa";
    }
    auto s = receivers(52800.0f);
    EXPECT_TRUE(exhaust_outlet_flow(*s));
}

TEST(OutletRegimes, ChokedFlowIsLinearInAreaTimesPressure) {
    auto a = receivers(200000.0f);
    auto b = receivers(400000.0f);
    ASSERT_TRUE(exhaust_outlet_flow(*a));
    ASSERT_TRUE(exhaust_outlet_flow(*b));
    EXPECT_NEAR(b->DMEXH[3] / (b->AOUT * 400000.0f), a->DMEXH[3] / (a->AOUT * 200000.0f),
                1e-5f * a->DMEXH[3] / (a->AOUT * 200000.0f));
    // No jump where the flow chokes: the fixed ratio 0.528 lies close to the
    // critical ratio of the gas.
    auto sub = receivers(189390.0f);
    auto choked = receivers(189400.0f);
    ASSERT_TRUE(exhaust_outlet_flow(*sub));
    ASSERT_TRUE(exhaust_outlet_flow(*choked));
    EXPECT_NEAR(choked->DMEXH[3], sub->DMEXH[3], 0.005f * sub->DMEXH[3]);
}

// The supply: air at 100000 Pa and 293 K into the intake receiver, never out of it.
class IntakeSupply : public ::testing::TestWithParam<float> {};

TEST_P(IntakeSupply, OnlyInwardsWithoutChoking) {
    const float pin = GetParam();
    auto s = receivers(150000.0f, pin);
    intake_supply_flow(*s);
    const double k = 1.438 - 320.0 * 0.000105;
    EXPECT_NEAR(s->KAPPA, k, 1e-6);
    double expected = 0.0;
    if (pin <= 100000.0f) {
        expected = per_rad(orifice(kAinf, 100000.0, 293.0, s->RGAS[2], pin / 100000.0, k, false));
    }
    EXPECT_NEAR(s->DMINL[2], expected, 1e-4 * expected + 1e-12) << pin << " Pa";
    EXPECT_GE(s->DMINL[2], 0.0f);
}

INSTANTIATE_TEST_SUITE_P(Pressures, IntakeSupply,
                         ::testing::Values(130000.0f, 100001.0f, 100000.0f, 99900.0f, 95000.0f,
                                           40000.0f));  // 0.4: below the critical ratio, still subsonic

TEST(IntakeSupply, CutOffAboveAmbient) {
    auto s = receivers(150000.0f, 100000.0f);
    intake_supply_flow(*s);
    EXPECT_EQ(s->DMINL[2], 0.0f);
    s->PRES[2] = 100010.0f;
    s->DMINL[2] = 1.0f;  // a stale value must not survive
    intake_supply_flow(*s);
    EXPECT_EQ(s->DMINL[2], 0.0f);
    s->PRES[2] = 99990.0f;
    intake_supply_flow(*s);
    EXPECT_GT(s->DMINL[2], 0.0f);
}

}  // namespace
}  // namespace diesel
