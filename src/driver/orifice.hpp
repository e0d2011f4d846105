// Isentropic orifice flow of an ideal gas, shared by the valve and receiver flows.
#pragma once

#include <cmath>

namespace diesel {

// Below this downstream/upstream pressure ratio a flow is choked. A fixed
// value, not derived from the isentropic exponent.
inline constexpr float kCriticalPressureRatio = 0.528f;

// Subsonic mass flow [kg/s] through area A [m2] from an upstream zone at PU
// [Pa], TU [K] with gas constant RU [J/(kg K)], at pressure ratio X =
// p(downstream)/PU and isentropic exponent k.
inline float orifice_subsonic(float X, float k, float RU, float TU, float A, float PU) {
    return std::sqrt((std::pow(X, 2.0f / k) - std::pow(X, (k + 1.0f) / k)) * (((k * 2.0f) / (k - 1.0f)) / RU) / TU) *
           (A * PU);
}

// Choked mass flow [kg/s], same arguments without the pressure ratio.
inline float orifice_choked(float k, float RU, float TU, float A, float PU) {
    return std::sqrt(std::pow(2.0f / (k + 1.0f), (k + 1.0f) / (k - 1.0f)) * ((k / RU) / TU)) * (A * PU);
}

// kg/s to kg per radian of crank angle at SPEED [rpm], in the program's fixed
// sequence of operations.
inline float per_radian(float MDOT, float PI, float SPEED) {
    return (((MDOT * 0.5f) / PI) / SPEED) * 60.0f;
}

}  // namespace diesel
