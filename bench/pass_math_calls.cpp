#include "pass_math_calls.hpp"

#include <bit>
#include <cstdint>
#include <memory>

#include "cylinder/gas_properties.hpp"
#include "gas_exchange/orifice.hpp"
#include "gas_exchange/receiver_flows.hpp"
#include "gas_exchange/valve_areas.hpp"

namespace diesel::bench {

namespace {

// Each records its calls and returns the value the pass would compute.
float pow_call(PassMathCalls& c, float x, float y) {
    c.pow.push_back({x, y});
    return std::pow(x, y);
}

float sqrt_call(PassMathCalls& c, float x) {
    c.sqrt.push_back(x);
    return std::sqrt(x);
}

// The orifice terms of one exponent; the two valves of a cylinder share them,
// so the power of the choked flow is formed at most once per cylinder.
struct Terms {
    float k;
    bool chokedFormed = false;
    float chokedPower = 0.0f;
};

// A shut valve whose flow is known to be zero forms no power and no root.
void choked(PassMathCalls& c, Terms& t, float RU, float TU, float A, float PU) {
    const float k = t.k;
    if (A == 0.0f && shut_choked_is_zero(k, RU, TU, PU)) return;
    if (!t.chokedFormed) {
        t.chokedPower = pow_call(c, 2.0f / (k + 1.0f), (k + 1.0f) / (k - 1.0f));
        t.chokedFormed = true;
    }
    sqrt_call(c, t.chokedPower * ((k / RU) / TU));
}

void subsonic(PassMathCalls& c, float X, float k, float RU, float TU, float A, float PU) {
    if (A == 0.0f && shut_subsonic_is_zero(X, k, RU, TU, PU)) return;
    const float a = pow_call(c, X, 2.0f / k);
    const float b = pow_call(c, X, (k + 1.0f) / k);
    sqrt_call(c, (a - b) * (((k * 2.0f) / (k - 1.0f)) / RU) / TU);
}

void receiver_subsonic(PassMathCalls& c, float r, float k, float R, float T, float A, float PU) {
    if (A == 0.0f && shut_subsonic_is_zero(r, k, R, T, PU)) return;
    const float a = pow_call(c, r, 2.0f / k);
    const float b = pow_call(c, r, (k + 1.0f) / k);
    sqrt_call(c, (a - b) * ((((k * 2.0f) / (k - 1.0f)) / R) / T));
}

}  // namespace

void collect_pass_math_calls(const RunState& state, const WallStepConstants& wall, PassMathCalls& c) {
    auto copy = std::make_unique<RunState>(state);
    RunState& s = *copy;
    gas_properties(s);  // no maths-library call
    const int32_t in = s.NCYL + 1;
    const int32_t e = s.NCYL + 2;

    ZoneArray kappa;
    kappa_cylinders(s, kappa);
    pressure_valve_areas(s);
    for (int32_t j = 1; j <= s.NCYL; ++j) {
        Terms t{kappa[j]};
        const float k = t.k;

        // Intake valve.
        const float P = s.PRES[j];
        const float PIN = s.PRES[in];
        const float AI = s.AINL[j];
        if (PIN / P < kCriticalPressureRatio) {
            choked(c, t, s.RGAS[j], s.TEMP[j], AI, P);
        } else if (P >= PIN) {
            subsonic(c, PIN / P, k, s.RGAS[j], s.TEMP[j], AI, P);
        } else if (P / PIN < kCriticalPressureRatio) {
            choked(c, t, s.RGAS[in], s.TEMP[in], AI, PIN);
        } else {
            subsonic(c, P / PIN, k, s.RGAS[in], s.TEMP[in], AI, PIN);
        }

        // Exhaust valve.
        const float PEX = s.PRES[e];
        const float AE = s.AEXH[j];
        if (P / PEX < kCriticalPressureRatio) {
            choked(c, t, s.RGAS[e], s.TEMP[e], AE, PEX);
        } else if (P < PEX) {
            subsonic(c, P / PEX, k, s.RGAS[e], s.TEMP[e], AE, PEX);
        } else if (PEX / P < kCriticalPressureRatio) {
            choked(c, t, s.RGAS[j], s.TEMP[j], AE, P);
        } else {
            subsonic(c, PEX / P, k, s.RGAS[j], s.TEMP[j], AE, P);
        }

        // Wall heat transfer; the motored pressure is a step constant.
        bool burning = true;
        float CW1 = wall.C1G;
        if (s.AINL[j] > 0.0f || s.AEXH[j] > 0.0f) {
            CW1 = wall.C1X;
            burning = false;
        }
        if (s.ASOC[j] < 0.0f) burning = false;
        const float vel = s.CMEAN * CW1 + (s.PRES[j] - wall.PMOT[j]) * (burning ? wall.CBURN : wall.CNOBURN);
        // The two velocities without a combustion term have their powers from the run.
        const uint32_t v = std::bit_cast<uint32_t>(vel);
        if (v != std::bit_cast<uint32_t>(wall.VELG) && v != std::bit_cast<uint32_t>(wall.VELX)) pow_call(c, vel, 0.8f);
        pow_call(c, s.PRES[j] / 100000.0f, 0.8f);
        pow_call(c, s.TEMP[j], 0.53f);
    }

    // Exhaust-receiver outlet.
    const float pe = s.PRES[e];
    const float ke = kappa_outlet(s);
    const float AOUT = outlet_valve_area(pe, s.DOUT, s.FOUT, s.KOUT);
    if (!(pe / 100000.0f < kCriticalPressureRatio)) {
        Terms t{ke};
        if (100000.0f / pe < kCriticalPressureRatio) {
            choked(c, t, s.RGAS[e], s.TEMP[e], AOUT, pe);
        } else if (pe > 100000.0f) {
            receiver_subsonic(c, 100000.0f / pe, ke, s.RGAS[e], s.TEMP[e], AOUT, pe);
        } else {
            receiver_subsonic(c, pe / 100000.0f, ke, s.RGAS[in], 293.0f, AOUT, 100000.0f);
        }
    }

    // Intake-receiver supply: the balances before it leave PRES and TEMP alone.
    const float pi = s.PRES[in];
    if (!(pi > 100000.0f)) receiver_subsonic(c, pi / 100000.0f, kappa_supply(s), s.RGAS[in], 293.0f, s.AINF, 100000.0f);
}

}  // namespace diesel::bench
