// Exchange of the receivers with the surroundings at 100000 Pa and 293 K: the
// spring-loaded outlet valve of the exhaust receiver and the intake supply.
#include "gas_exchange/receiver_flows.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "cylinder/gas_properties.hpp"

namespace diesel {
namespace {

constexpr double kPi = 3.14159265358979;

// One cylinder at 2000 rpm; intake receiver air at 320 K and pressure pin,
// exhaust receiver at 700 K with EQR 0.4 and pressure pe [Pa].
std::unique_ptr<RunState> receivers(float pe, float pin) {
    auto s = std::make_unique<RunState>();
    s->NCYL = 1;
    s->NZONE = 3;
    s->PI = 3.1415925f;
    s->SPEED = 2000.0f;
    s->DOUT = 0.044f;
    s->FOUT = 150.0f;
    s->KOUT = 4000.0f;
    s->AINF = 6.0e-4f;
    for (int32_t k = 1; k <= 3; ++k) s->MASS[k] = s->VOL[k] = 1.0e-3f;
    s->TEMP[1] = 400.0f, s->TEMP[2] = 320.0f, s->TEMP[3] = 700.0f;
    s->EQR[3] = 0.4f;
    gas_properties(*s);
    s->PRES[3] = pe;
    s->PRES[2] = pin;
    return s;
}

// Isentropic orifice flow [kg/rad at 2000 rpm] from upstream p0, T0, R at
// downstream/upstream ratio r, choked below 0.528 when allowed.
double orifice(double A, double p0, double T0, double R, double r, double k, bool chokeAllowed) {
    const double psi = (chokeAllowed && r < 0.528)
                           ? k / (R * T0) * std::pow(2.0 / (k + 1.0), (k + 1.0) / (k - 1.0))
                           : 2.0 * k / ((k - 1.0) * R * T0) * (std::pow(r, 2.0 / k) - std::pow(r, (k + 1.0) / k));
    return A * p0 * std::sqrt(psi) * 60.0 / (2.0 * kPi * 2000.0);
}

// Shut below the opening pressure (about 98650 Pa); ambient air in up to
// 100000 Pa, where the flow is zero; receiver gas out, subsonic down to the
// pressure ratio 0.528 and choked below it.
TEST(OutletValve, FourRegimes) {
    for (const double p : {98640.0, 98660.0, 99000.0, 100000.0, 150000.0, 300000.0}) {
        auto s = receivers(static_cast<float>(p), 98000.0f);
        ASSERT_TRUE(exhaust_outlet_flow(*s));
        const double A = std::fmax(0.0, kPi * 0.044 * 0.6 * 2.0 * (kPi * 0.044 * 0.044 / 4.0 * p - 150.0) / 4000.0);
        EXPECT_EQ(s->AOUT > 0.0f, p > 98650.0) << p;  // the spring opens the valve near 98650 Pa
        EXPECT_NEAR(s->AOUT, A, 1e-4 * A + 1e-9) << p;
        const double k = 76.7 / 700.0 + 1.254 - 0.4 * 0.0372;
        const double expected = p > 100000.0 ? orifice(s->AOUT, p, 700.0, s->RGAS[3], 100000.0 / p, k, true)
                                             : -orifice(s->AOUT, 100000.0, 293.0, s->RGAS[2], p / 100000.0, k, false);
        EXPECT_NEAR(s->DMEXH[3], expected, 1e-4 * std::fabs(expected)) << p;
    }
}

// Air is supplied only into the intake receiver, cut off above 100000 Pa.
TEST(IntakeSupply, CutOffAbove100000Pa) {
    for (const double pin : {130000.0, 100001.0, 99900.0, 40000.0}) {
        auto s = receivers(150000.0f, static_cast<float>(pin));
        s->DMINL[2] = 1.0f;  // a stale value must not survive
        intake_supply_flow(*s);
        const double k = 1.438 - 320.0 * 0.000105;
        const double expected = pin > 100000.0 ? 0.0 : orifice(6.0e-4, 100000.0, 293.0, s->RGAS[2], pin / 1e5, k, false);
        EXPECT_NEAR(s->DMINL[2], expected, 1e-4 * expected) << pin;
    }
}

}  // namespace
}  // namespace diesel
