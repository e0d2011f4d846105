#include "cylinder/combustion.hpp"

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
    const float power = last.get({base}, [&] { return std::pow(base, s.XDUREQ); });
    s.DURC = power * s.DURC0 * speedFactor;
}

void combustion_duration(RunState& s) {
    combustion_duration(s, duration_speed_factor(s));
}

namespace {

// fmod(x, y) for y > 0, bit for bit. Below 8y it takes off 4y, 2y and y where
// they fit: each time the remainder lies between the multiple and twice it, so
// the difference is exact (Sterbenz), as fmod's remainder is. Anything else
// (far angles, infinities, NaN) goes to the library's bit-by-bit loop.
float remainder_below_8y(float x, float y) {
    const float a = std::fabs(x);
    if (!(a < 8.0f * y)) return std::fmod(x, y);
    const float y4 = 4.0f * y;
    const float y2 = 2.0f * y;
    float r = a;
    if (r >= y4) r = r - y4;
    if (r >= y2) r = r - y2;
    if (r >= y) r = r - y;
    return std::copysign(r, x);
}

}  // namespace

float burn_phase(const RunState& s, int32_t j) {
    return remainder_below_8y(s.THETA[j] + 2.0f * s.PI, 4.0f * s.PI);
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
