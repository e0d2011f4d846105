#include "driver/kinematics.hpp"

#include <cmath>

#include "state/lanes.hpp"

namespace diesel {

namespace {

// Crank angle of cylinder j [rad]. Not reduced modulo 720: sine and cosine
// make everything formed from it periodic.
inline float crank_angle(const RunState& s, int32_t j, float FIRE) {
    const float i = static_cast<float>(j - 1);
    return (i * FIRE + s.PHI) * s.PI / 180.0f;
}

// Piston travel from top dead centre [m] at sine S and cosine C of the crank angle.
inline float piston_travel(const RunState& s, float S, float C) {
    return (1.0f - C) * s.RADIUS + (s.CONROD - std::sqrt(s.CONROD * s.CONROD - S * S * (s.STROKE * s.STROKE * 0.25f)));
}

// The base of the power Q = base^-0.5 in the volume rate [m2].
inline float rate_base(const RunState& s, float S) {
    const float CONSQ = s.CONROD * s.CONROD;
    const float STRSQ = s.STROKE * s.STROKE;
    return CONSQ - STRSQ * 0.25f * S * S;
}

// dV/dT [m3/rad]: the piston velocity in m/s divided back by OMEGA, the exact
// derivative of the volume.
inline float volume_rate(const RunState& s, float Q, float S, float C, float ABORE) {
    const float STRSQ = s.STROKE * s.STROKE;
    return ((Q * STRSQ * 0.25f * S * C * s.OMEGA + s.STROKE * S * s.OMEGA * 0.5f) * ABORE) / s.OMEGA;
}

inline float bore_area(const RunState& s) { return s.PI * (s.BORE * s.BORE) * 0.25f; }

// Every cylinder, the arithmetic in lanes and the sine, cosine and power as
// scalar library calls between them. Lanes past NCYL form values nobody uses
// from zeros.
template <bool Chunked>
void kinematics_lanes(RunState& s, float FIRE) {
    const int32_t n = s.NCYL;
    ZoneArray T{}, S{}, C{}, base{}, Q{};
    for_cylinders<Chunked>(n, [&](int32_t j) { T[j] = crank_angle(s, j, FIRE); });
    for (int32_t j = 1; j <= n; ++j) {
        S[j] = std::sin(T[j]);
        C[j] = std::cos(T[j]);
    }
    for_cylinders<Chunked>(n, [&](int32_t j) { base[j] = rate_base(s, S[j]); });
    for (int32_t j = 1; j <= n; ++j) Q[j] = std::pow(base[j], -0.5f);
    const float ABORE = bore_area(s);
    for_cylinders<Chunked>(n, [&](int32_t j) {
        const float x = piston_travel(s, S[j], C[j]);
        put<Chunked>(s.THETA, j, n, T[j]);
        put<Chunked>(s.VOL, j, n, x * ABORE + s.VC);
        put<Chunked>(s.DVOL, j, n, volume_rate(s, Q[j], S[j], C[j], ABORE));
        put<Chunked>(s.ALINER, j, n, (s.BORE * s.PI) * x);
    });
}

}  // namespace

void cylinder_kinematics(RunState& s, int32_t j, float FIRE) {
    const float T = crank_angle(s, j, FIRE);
    s.THETA[j] = T;
    const float S = std::sin(T);
    const float C = std::cos(T);
    const float x = piston_travel(s, S, C);
    const float ABORE = bore_area(s);
    s.VOL[j] = x * ABORE + s.VC;
    s.DVOL[j] = volume_rate(s, std::pow(rate_base(s, S), -0.5f), S, C, ABORE);
    s.ALINER[j] = (s.BORE * s.PI) * x;
}

void every_cylinder_kinematics(RunState& s, float FIRE) {
    chunked(s.NCYL) ? kinematics_lanes<true>(s, FIRE) : kinematics_lanes<false>(s, FIRE);
}

}  // namespace diesel
