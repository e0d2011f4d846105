#include "gas_exchange/receiver_flows.hpp"

#include <cmath>

#include "cylinder/gas_properties.hpp"
#include "gas_exchange/orifice.hpp"

namespace diesel {

namespace {

constexpr float kAmbientPressure = 100000.0f;  // [Pa]
constexpr float kAmbientTemperature = 293.0f;  // [K]

// Subsonic orifice flow [kg/s] in the grouping the receiver flows use, its
// power term taken from `p` when formed from the same bits; inlined, as it
// runs twice a pass.
[[gnu::always_inline]] inline float receiver_subsonic(SubsonicPower& p, float r, float k, float R, float T, float A,
                                                      float PU) {
    if (A == 0.0f && shut_subsonic_is_zero(r, k, R, T, PU)) return A * PU;
    const float term = p.get({r, k}, [&] { return std::pow(r, 2.0f / k) - std::pow(r, (k + 1.0f) / k); });
    return std::sqrt(term * ((((k * 2.0f) / (k - 1.0f)) / R) / T)) * (A * PU);
}

}  // namespace

float outlet_valve_area(const float& pe, const float& DOUT, const float& FOUT, const float& KOUT) {
    const float PI = 3.1415925f;
    // The lift follows the absolute pressure, so the valve starts to open near 98650 Pa.
    const float lift = (((DOUT * DOUT) * PI) * 0.25f * pe - FOUT) / KOUT;
    if (lift >= 0.0f) {
        return (((PI * DOUT) * lift) * 0.6f) * 2.0f;
    }
    return 0.0f;
}

bool exhaust_outlet_flow(RunState& s, ReceiverPowers& powers) {
    const int32_t e = s.NCYL + 2;
    const int32_t in = s.NCYL + 1;
    const float pe = s.PRES[e];
    const float Te = s.TEMP[e];
    const float Re = s.RGAS[e];

    s.KAPPA = kappa_outlet(s);
    const float k = s.KAPPA;
    s.AOUT = outlet_valve_area(pe, s.DOUT, s.FOUT, s.KOUT);

    if (pe / kAmbientPressure < kCriticalPressureRatio) {
        return false;
    }
    if (kAmbientPressure / pe < kCriticalPressureRatio) {
        const float mdot = orifice_choked(k, Re, Te, s.AOUT, pe);
        s.DMEXH[e] = per_radian(mdot, s.PI, s.SPEED);
        s.DHEXH[e] = (Re * Te + s.UGAS[e]) * s.DMEXH[e];
    } else if (pe > kAmbientPressure) {
        const float mdot = receiver_subsonic(powers.outflow, kAmbientPressure / pe, k, Re, Te, s.AOUT, pe);
        s.DMEXH[e] = per_radian(mdot, s.PI, s.SPEED);
        s.DHEXH[e] = (Re * Te + s.UGAS[e]) * s.DMEXH[e];
    } else {
        // Ambient air flows back in; it takes the intake-receiver gas constant at
        // 293 K, and its energy is that of the intake-receiver gas.
        const float mdot = receiver_subsonic(powers.inflow, pe / kAmbientPressure, k, s.RGAS[in], kAmbientTemperature, s.AOUT,
                                             kAmbientPressure);
        s.DMEXH[e] = -(per_radian(mdot, s.PI, s.SPEED));
        s.DHEXH[e] = (s.RGAS[in] * kAmbientTemperature + s.UGAS[in]) * s.DMEXH[e];
    }
    return true;
}

void intake_supply_flow(RunState& s, ReceiverPowers& powers) {
    const int32_t in = s.NCYL + 1;
    s.KAPPA = kappa_supply(s);
    const float pi = s.PRES[in];
    if (pi > kAmbientPressure) {
        s.DMINL[in] = 0.0f;
        return;
    }
    const float mdot = receiver_subsonic(powers.supply, pi / kAmbientPressure, s.KAPPA, s.RGAS[in], kAmbientTemperature, s.AINF,
                                         kAmbientPressure);
    s.DMINL[in] = per_radian(mdot, s.PI, s.SPEED);
}

}  // namespace diesel
