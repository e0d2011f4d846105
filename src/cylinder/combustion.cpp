#include "cylinder/combustion.hpp"

#include <bit>
#include <cmath>

namespace diesel {

void wiebe_exponent(RunState& s) {
    // MWF and SPDF are the factors fixed at set-up: MWIEB0 and (SPEEDR/SPEED)^0.3.
    s.MWIEB = s.PREFM / s.PIVC * s.TIVC / s.TREFM * s.MWF * s.SPDF;
}

float duration_speed_factor(const RunState& s) {
    return std::pow(s.SPEED / s.SPEEDR, s.XDURN);
}

void combustion_duration(RunState& s, float speedFactor) {
    s.DURC = std::pow(s.EQR0[s.NCYL + 2] / s.EQRREF, s.XDUREQ) * s.DURC0 * speedFactor;
}

void combustion_duration(RunState& s, float speedFactor, DurationPower& last) {
    const float base = s.EQR0[s.NCYL + 2] / s.EQRREF;
    const uint32_t bits = std::bit_cast<uint32_t>(base);
    if (!last.formed || bits != last.base) {
        last.power = std::pow(base, s.XDUREQ);
        last.base = bits;
        last.formed = true;
    }
    s.DURC = last.power * s.DURC0 * speedFactor;
}

void combustion_duration(RunState& s) {
    combustion_duration(s, duration_speed_factor(s));
}

float burn_phase(const RunState& s, int32_t j) {
    return std::fmod(s.THETA[j] + 2.0f * s.PI, 4.0f * s.PI);
}

void burn_rate(RunState& s, int32_t j) {
    burn_rate(s, j, burn_phase(s, j));
}

void burn_rate(RunState& s, int32_t j, float phase) {
    const float twoPi = 2.0f * s.PI;
    const float x = (phase + s.SOC - twoPi) / s.DURC;  // normalised combustion time
    s.ASOC[j] = s.DURC * x;
    if (s.ASOC[j] < 0.0f || s.ASOC[j] > s.DURC) {
        s.WIEBE[j] = 0.0f;
    } else {
        // 6.9: about 99.9 % of the fuel (1 - e^-6.9) is burnt at x = 1.
        s.WIEBE[j] = ((s.MWIEB + 1.0f) * 6.9f) * std::pow(x, s.MWIEB) * std::exp(-(std::pow(x, s.MWIEB + 1.0f) * 6.9f));
    }
    s.DMF[j] = s.QF * s.WIEBE[j] / 100.0f * 0.825f / 1000.0f / s.DURC;
}

}  // namespace diesel
