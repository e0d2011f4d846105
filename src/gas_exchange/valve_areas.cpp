#include "gas_exchange/valve_areas.hpp"

#include <cmath>

#include "state/lanes.hpp"

namespace diesel {

namespace {

constexpr float kPi = 3.1415925f;
// 1.58 degrees in radians: 50 steps of it make 79 degrees, not 90, so each
// flank runs from 0.0092 A to 0.9908 A and the area steps at both ends.
constexpr float K = 0.0275762025f;

// Area of one valve at cycle angle F [deg]; the first matching rule applies.
float valve_area(float F, float o, float c, float A) {
    if (F >= o && F < o + 100.0f) {  // opening flank
        return (std::sin(((F - o) - 50.0f) * K) * 0.5f + 0.5f) * A;
    }
    if (F >= o + 100.0f && F < c - 100.0f) {  // fully open
        return A;
    }
    if (F < c && F >= c - 100.0f) {  // closing flank
        return (0.5f - std::sin(((F - c) + 50.0f) * K) * 0.5f) * A;
    }
    return 0.0f;
}

}  // namespace

float cycle_degrees(float D) {
    // Below 8 cycles a float is a multiple of 2^-11 at the coarsest, and 720
    // a multiple of it: each difference is a multiple of the minuend's ulp
    // and smaller than it, so it is a float.
    const float a = std::fabs(D);
    if (!(a < 5760.0f)) return std::fmod(D, 720.0f);  // far angles, infinities, NaN
    float r = a;
    while (r >= 720.0f) r = r - 720.0f;
    return std::copysign(r, D);
}

void VALVES(const float& IVO, const float& IVC, const float& EVO, const float& EVC, const float& AIMAX,
            const float& AEMAX, const float& angle, float& AINL, float& AEXH) {
    const float D = angle * 180.0f / kPi;
    const float F = cycle_degrees(D);
    AEXH = valve_area(F, EVO, EVC, AEMAX);
    AINL = valve_area(F, IVO, IVC, AIMAX);
}

void CHECKV(const float& P1, const float& P2, const float& DRV, const float& FRV, const float& KRV, float& AEXH) {
    float area = 0.0f;
    if (!(P1 < P2)) {
        const float L = ((P1 - P2) * (DRV * DRV * kPi * 0.25f) - FRV) / KRV;  // lift [m]
        area = (L < 0.0f) ? 0.0f : (kPi * DRV) * L;
    }
    AEXH = area;
}

namespace {

template <bool Chunked>
void pressure_valve_lanes(RunState& s) {
    const float P1 = s.PRES[s.NCYL + 2];
    const float FRV = s.FRV;
    const float KRV = s.KRV;
    const float seat = s.DRV * s.DRV * kPi * 0.25f;  // [m2]
    const float curtain = kPi * s.DRV;              // [m]
    const int32_t n = s.NCYL;
    for_cylinders<Chunked>(n, [&](int32_t j) {
        // CHECKV's arithmetic, lane by lane.
        const float P2 = s.PRES[j];
        const float L = ((P1 - P2) * seat - FRV) / KRV;
        const float area = pick<Chunked>((P1 < P2) | (L < 0.0f), 0.0f, curtain * L);
        put<Chunked>(s.AEXH, j, n, pick<Chunked>(s.AEXH[j] == 0.0f, area, s.AEXH[j]));
    });
}

}  // namespace

void pressure_valve_areas(RunState& s) {
    chunked(s.NCYL) ? pressure_valve_lanes<true>(s) : pressure_valve_lanes<false>(s);
}

}  // namespace diesel
