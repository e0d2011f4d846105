// Isentropic orifice flow of an ideal gas, shared by the valve and receiver flows.
#pragma once

#include <cmath>

namespace diesel {

// Below this downstream/upstream pressure ratio a flow is choked. A fixed
// value, not derived from the isentropic exponent.
inline constexpr float kCriticalPressureRatio = 0.528f;

// The parts of the orifice equations that depend on the isentropic exponent k
// alone, each formed when first needed. Both valves of a cylinder use the same
// k in a corrector pass and share them: the same quotients and the same power
// as the formulas below form, just not twice.
struct OrificeTerms {
    explicit OrificeTerms(float kappa) : k(kappa) {}

    float k;                     // isentropic exponent [-]
    bool subsonicFormed = false;
    float e1 = 0.0f;             // 2/k [-]
    float e2 = 0.0f;             // (k+1)/k [-]
    float c = 0.0f;              // (k*2)/(k-1) [-]
    bool chokedFormed = false;
    float chokedPower = 0.0f;    // (2/(k+1))^((k+1)/(k-1)) [-]

    void form_subsonic() {
        if (subsonicFormed) return;
        e1 = 2.0f / k;
        e2 = (k + 1.0f) / k;
        c = (k * 2.0f) / (k - 1.0f);
        subsonicFormed = true;
    }
    void form_choked() {
        if (chokedFormed) return;
        chokedPower = std::pow(2.0f / (k + 1.0f), (k + 1.0f) / (k - 1.0f));
        chokedFormed = true;
    }
};

// Subsonic mass flow [kg/s] through area A [m2] from an upstream zone at PU
// [Pa], TU [K] with gas constant RU [J/(kg K)], at pressure ratio X =
// p(downstream)/PU and isentropic exponent t.k.
inline float orifice_subsonic(float X, OrificeTerms& t, float RU, float TU, float A, float PU) {
    t.form_subsonic();
    return std::sqrt((std::pow(X, t.e1) - std::pow(X, t.e2)) * (t.c / RU) / TU) * (A * PU);
}

// Choked mass flow [kg/s], same arguments without the pressure ratio.
inline float orifice_choked(OrificeTerms& t, float RU, float TU, float A, float PU) {
    t.form_choked();
    return std::sqrt(t.chokedPower * ((t.k / RU) / TU)) * (A * PU);
}

// Choked flow for a single flow with exponent k.
inline float orifice_choked(float k, float RU, float TU, float A, float PU) {
    OrificeTerms t(k);
    return orifice_choked(t, RU, TU, A, PU);
}

// kg/s to kg per radian of crank angle at SPEED [rpm], in the program's fixed
// sequence of operations.
inline float per_radian(float MDOT, float PI, float SPEED) {
    return (((MDOT * 0.5f) / PI) / SPEED) * 60.0f;
}

}  // namespace diesel
