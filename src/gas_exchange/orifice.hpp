// Isentropic orifice flow of an ideal gas, shared by the valve and receiver flows.
#pragma once

#include <cfloat>
#include <cmath>

namespace diesel {

// Below this downstream/upstream pressure ratio a flow is choked. A fixed
// value, not derived from the isentropic exponent.
inline constexpr float kCriticalPressureRatio = 0.528f;

// A shut orifice (A == 0) passes A*PU, a signed zero, whenever the square root
// the formulas multiply it by is finite: sqrt(x) * (A*PU) is then that zero,
// bit for bit, and the powers need not be formed. These tests admit only
// arguments for which that is certain; anything else (NaN, an odd exponent,
// pressures too close to call) takes the full formula, NaN included.
//
// Choked: (2/(k+1))^((k+1)/(k-1)) lies in [0, 1] for every k > 1, so the root
// is finite when k/RU/TU is.
inline bool shut_choked_is_zero(float k, float RU, float TU, float PU) {
    // Every comparison is evaluated (no short cut), so that lanes of a vector loop can form it.
    return (k > 1.0f) & (k <= 2.0f) & (RU >= 1.0f) & (TU >= 1.0f) & (std::fabs(PU) <= FLT_MAX);
}

// Subsonic: the root is finite unless X^(2/k) - X^((k+1)/k) comes out
// negative. At X = 1 both powers are exactly 1. Below 1 the first exceeds the
// second by the factor X^(-(k-1)/k) >= 1 + (k-1)/k*(1-X), for k in [1.1, 2]
// and X <= 0.999 at least 1 + 9e-5: far more than the rounding of pow can
// undo (64 ulp either way would be 1.6e-5).
inline bool shut_subsonic_is_zero(float X, float k, float RU, float TU, float PU) {
    return ((X == 1.0f) | ((X >= 0.25f) & (X <= 0.999f))) & (k >= 1.1f) & (k <= 2.0f) & (RU >= 1.0f) & (TU >= 1.0f) &
           (std::fabs(PU) <= FLT_MAX);
}

// Choked mass flow [kg/s] through area A [m2] from an upstream zone at PU
// [Pa], TU [K] with gas constant RU [J/(kg K)] and isentropic exponent k.
inline float orifice_choked(float k, float RU, float TU, float A, float PU) {
    if (A == 0.0f && shut_choked_is_zero(k, RU, TU, PU)) return A * PU;
    const float chokedPower = std::pow(2.0f / (k + 1.0f), (k + 1.0f) / (k - 1.0f));
    return std::sqrt(chokedPower * ((k / RU) / TU)) * (A * PU);
}

// kg/s to kg per radian of crank angle at SPEED [rpm], in the program's fixed
// sequence of operations.
inline float per_radian(float MDOT, float PI, float SPEED) {
    return (((MDOT * 0.5f) / PI) / SPEED) * 60.0f;
}

}  // namespace diesel
