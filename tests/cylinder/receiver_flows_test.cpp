// Exchange of the receivers with the surroundings: the spring-loaded outlet
// valve of the exhaust receiver in its four regimes and the intake supply.
#include "cylinder/receiver_flows.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "cylinder/gas_properties.hpp"

namespace diesel {
namespace {

constexpr double kPi = 3.14159265358979;
constexpr double kDout = 0.044, kFout = 150.0, kKout = 4000.0;
constexpr double kAinf = 6.0e-4;  // [m2]

// One cylinder at 2000 rpm; intake receiver air at 320 K and pressure pin,
// exhaust receiver at 700 K with EQR 0.4 and pressure pe [Pa].
std::unique_ptr<RunState> receivers(float pe, float pin = 98000.0f) {
    auto s = std::make_unique<RunState>();
    s->NCYL = 1;
    s->NZONE = 3;
    s->PI = 3.1415925f;
    s->SPEED = 2000.0f;
    s->DOUT = static_cast<float>(kDout);
    s->FOUT = static_cast<float>(kFout);
    s->KOUT = static_cast<float>(kKout);
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

// Isentropic orifice flow [kg/rad at 2000 rpm] from upstream p0, T0, R at
// downstream/upstream ratio r, choked below 0.528 when allowed.
double orifice(double A, double p0, double T0, double R, double r, double k, bool chokeAllowed) {
    const double psi = (chokeAllowed && r < 0.528)
                           ? k / (R * T0) * std::pow(2.0 / (k + 1.0), (k + 1.0) / (k - 1.0))
                           : 2.0 * k / ((k - 1.0) * R * T0) * (std::pow(r, 2.0 / k) - std::pow(r, (k + 1.0) / k));
    return A * p0 * std::sqrt(psi) * 60.0 / (2.0 * kPi * 2000.0);
}

// The outlet flow by absolute receiver pressure, against the orifice equation
// with the upstream state of the flow direction: receiver gas outwards, ambient
// air (intake-receiver gas constant, 293 K) inwards. The run stops below
// 0.528 bar; the valve is shut below about 98650 Pa; ambient air flows in up to
// 100000 Pa, where the flow is zero; outflow is subsonic down to the ratio
// 0.528 (exactly 0.528f at 189393.938 Pa) and choked below it.
TEST(OutletValve, FourRegimesAndTheStop) {
    EXPECT_NEAR(kFout / (kPi * kDout * kDout / 4.0), 98650.0, 1.0);  // opening pressure [Pa]
    for (const float p : {0.0f, 52790.0f, 52800.0f, 98640.0f, 98660.0f, 99000.0f, 100000.0f, 110000.0f, 189393.938f,
                          189400.0f, 300000.0f}) {
        auto s = receivers(p);
        const int32_t in = 2, e = 3;
        const bool runs = exhaust_outlet_flow(*s);
        EXPECT_EQ(runs, p >= 52800.0f) << p << " Pa";
        if (!runs) continue;
        const double pe = p;
        const double k = 76.7 / 700.0 + 1.254 - 0.4 * 0.0372;
        EXPECT_NEAR(s->KAPPA, k, 1e-6);
        EXPECT_EQ(s->AOUT > 0.0f, p > 98650.0f) << p << " Pa";
        EXPECT_NEAR(s->AOUT, outlet_area(pe), 1e-4 * outlet_area(pe) + 1e-9) << p << " Pa";
        EXPECT_EQ(outlet_valve_area(p, 0.044f, 150.0f, 4000.0f), s->AOUT);

        double expected;  // [kg/rad], + out of the receiver
        double h;         // [J/kg] carried by the flow
        if (pe > 100000.0) {
            expected = orifice(s->AOUT, pe, 700.0, s->RGAS[e], 100000.0 / pe, k, true);
            h = s->RGAS[e] * 700.0 + s->UGAS[e];
        } else {
            expected = -orifice(s->AOUT, 100000.0, 293.0, s->RGAS[in], pe / 100000.0, k, false);
            h = s->RGAS[in] * 293.0 + s->UGAS[in];  // intake-receiver energy at its own 320 K
        }
        EXPECT_NEAR(s->DMEXH[e], expected, 1e-4 * std::fabs(expected)) << p << " Pa";
        EXPECT_NEAR(s->DHEXH[e], h * s->DMEXH[e], 1e-5 * std::fabs(h * s->DMEXH[e])) << p << " Pa";
    }
}

// The supply: air at 100000 Pa and 293 K into the intake receiver, never out
// of it, cut off above 100000 Pa, never choked.
TEST(IntakeSupply, OnlyInwardsWithoutChoking) {
    for (const float pin : {130000.0f, 100001.0f, 100000.0f, 99900.0f, 40000.0f}) {
        auto s = receivers(150000.0f, pin);
        s->DMINL[2] = 1.0f;  // a stale value must not survive
        intake_supply_flow(*s);
        const double k = 1.438 - 320.0 * 0.000105;
        EXPECT_NEAR(s->KAPPA, k, 1e-6);
        const double expected =
            pin <= 100000.0f ? orifice(kAinf, 100000.0, 293.0, s->RGAS[2], pin / 100000.0, k, false) : 0.0;
        EXPECT_NEAR(s->DMINL[2], expected, 1e-4 * expected) << pin << " Pa";
    }
}

}  // namespace
}  // namespace diesel
