#include "gas_exchange/valve_flows.hpp"

#include <cmath>

#include "gas_exchange/orifice.hpp"
#include "state/lanes.hpp"

namespace diesel {

namespace {

// One valve of every cylinder, as the vector loops use it. A lane forms exactly
// what the scalar formula of its regime forms; masks are 0 or 1.
struct ValveLanes {
    ZoneArray X;          // pressure ratio of the subsonic formula [-]
    ZoneArray RU, TU, PU; // upstream gas constant [J/(kg K)], temperature [K], pressure [Pa]
    ZoneArray D;          // X^e1 - X^e2 (subsonic) or the choked power [-]
    int32_t back[kZoneSlots + 1];    // 1: flow against the valve's forward direction
    int32_t choked[kZoneSlots + 1];  // 1: choked formula
    int32_t shut[kZoneSlots + 1];    // 1: area 0, and the flow known to be the zero A*PU
};

// Terms of each cylinder's isentropic exponent k, shared by its two valves.
struct KappaTerms {
    ZoneArray e1;     // 2/k [-]
    ZoneArray e2;     // (k+1)/k [-]
    ZoneArray c;      // (k*2)/(k-1) [-]
    ZoneArray base;   // 2/(k+1), base of the choked power [-]
    ZoneArray power;  // (k+1)/(k-1), its exponent [-]
};

// Inlined into the lane loops, which stay vector loops only when they call nothing.
[[gnu::always_inline]] inline void set_regime(ValveLanes& v, int32_t j, bool back, bool choked, float X, float RU,
                                              float TU, float PU, float A, float k) {
    v.back[j] = back;
    v.choked[j] = choked;
    v.X[j] = X;
    v.RU[j] = RU;
    v.TU[j] = TU;
    v.PU[j] = PU;
    v.D[j] = 0.0f;
    const bool shutChoked = shut_choked_is_zero(k, RU, TU, PU);
    const bool shutSubsonic = shut_subsonic_is_zero(X, k, RU, TU, PU);
    v.shut[j] = (A == 0.0f) & ((choked & shutChoked) | (!choked & shutSubsonic));
}

// Exponent terms and the regime of both valves of every cylinder.
//   Intake: backflow out of the cylinder (choked below the critical ratio,
//   else subsonic, equal pressures included), or inflow of intake-receiver gas.
//   Exhaust: backflow of exhaust-receiver gas into the cylinder, or outflow
//   of cylinder gas, equal pressures included.
void regimes(const RunState& s, const ZoneArray& k, KappaTerms& t, ValveLanes& intake, ValveLanes& exhaust) {
    const int32_t in = s.NCYL + 1;
    const int32_t ex = s.NCYL + 2;
    const float PIN = s.PRES[in];
    const float RIN = s.RGAS[in];
    const float TIN = s.TEMP[in];
    const float PEX = s.PRES[ex];
    const float REX = s.RGAS[ex];
    const float TEX = s.TEMP[ex];
    for_cylinders<true>(s.NCYL, [&](int32_t j) {
        t.e1[j] = 2.0f / k[j];
        t.e2[j] = (k[j] + 1.0f) / k[j];
        t.c[j] = (k[j] * 2.0f) / (k[j] - 1.0f);
        t.base[j] = 2.0f / (k[j] + 1.0f);
        t.power[j] = (k[j] + 1.0f) / (k[j] - 1.0f);

        const float P = s.PRES[j];
        const float R = s.RGAS[j];
        const float T = s.TEMP[j];

        const float outIn = PIN / P;   // intake backflow ratio
        const float intoIn = P / PIN;  // intake inflow ratio
        const bool chokedOut = outIn < kCriticalPressureRatio;
        const bool backIn = chokedOut | (P >= PIN);
        const bool chokedInto = !backIn & (intoIn < kCriticalPressureRatio);
        set_regime(intake, j, backIn, chokedOut | chokedInto, pick<true>(backIn, outIn, intoIn), pick<true>(backIn, R, RIN),
                   pick<true>(backIn, T, TIN), pick<true>(backIn, P, PIN), s.AINL[j], k[j]);

        const float intoEx = P / PEX;  // exhaust backflow ratio
        const float outEx = PEX / P;   // exhaust outflow ratio
        const bool chokedIn = intoEx < kCriticalPressureRatio;
        const bool backEx = chokedIn | (P < PEX);
        const bool chokedOutEx = !backEx & (outEx < kCriticalPressureRatio);
        set_regime(exhaust, j, backEx, chokedIn | chokedOutEx, pick<true>(backEx, intoEx, outEx), pick<true>(backEx, REX, R),
                   pick<true>(backEx, TEX, T), pick<true>(backEx, PEX, P), s.AEXH[j], k[j]);
    });
}

// The powers, the one part that stays scalar: the libm call, formed only where
// a valve needs it, the choked power at most once per cylinder.
void valve_powers(int32_t ncyl, const KappaTerms& t, ValveLanes& intake, ValveLanes& exhaust) {
    for (int32_t j = 1; j <= ncyl; ++j) {
        float chokedPower = 0.0f;
        bool formed = false;
        const auto power = [&](ValveLanes& v) {
            if (v.shut[j] != 0) return;
            if (v.choked[j] != 0) {
                if (!formed) chokedPower = std::pow(t.base[j], t.power[j]);
                formed = true;
                v.D[j] = chokedPower;
            } else {
                v.D[j] = std::pow(v.X[j], t.e1[j]) - std::pow(v.X[j], t.e2[j]);
            }
        };
        power(intake);
        power(exhaust);
    }
}

// Mass flow [kg/rad] of lane j of valve v with area A, + in the valve's forward direction.
[[gnu::always_inline]] inline float mass_flow(const ValveLanes& v, int32_t j, float k, float c, float A, float PI,
                                              float SPEED) {
    // The two formulas' divisions, each lane dividing only the operands of its
    // own: choked D*((k/RU)/TU), subsonic (D*(c/RU))/TU.
    const bool choked = v.choked[j];
    const float q = pick<true>(choked, k, c) / v.RU[j];
    const float r = pick<true>(choked, q, v.D[j] * q) / v.TU[j];
    const float AP = A * v.PU[j];
    const float open = std::sqrt(pick<true>(choked, v.D[j] * r, r)) * AP;
    const float mdot = pick<true>(v.shut[j], AP, open);  // [kg/s]
    const float m = per_radian(mdot, PI, SPEED);
    return pick<true>(v.back[j], -m, m);
}

// Four cylinders and more: every lane forms its valves' regimes and both
// formulas; masks pick. kappa is the caller's, never part of s: __restrict
// spares each vector chunk a run-time overlap check.
void valve_flow_lanes(RunState& s, const ZoneArray& __restrict kappa) {
    const int32_t n = s.NCYL;
    const int32_t in = s.NCYL + 1;
    const int32_t ex = s.NCYL + 2;
    KappaTerms t;
    ValveLanes intake, exhaust;
    regimes(s, kappa, t, intake, exhaust);
    valve_powers(n, t, intake, exhaust);

    // Specific enthalpy [J/kg] of the receivers' gas; backflow through the
    // intake valve carries none, the exhaust valve the upstream zone's.
    const float hIn = s.RGAS[in] * s.TEMP[in] + (s.UAIR[in] - s.UEQR[in] * s.EQR[in]);
    const float hEx = s.RGAS[ex] * s.TEMP[ex] + (s.UAIR[ex] - s.UEQR[ex] * s.EQR[ex]);
    const float PI = s.PI;
    const float SPEED = s.SPEED;
    for_cylinders<true>(n, [&](int32_t j) {
        const float dmIn = mass_flow(intake, j, kappa[j], t.c[j], s.AINL[j], PI, SPEED);
        const float dmEx = mass_flow(exhaust, j, kappa[j], t.c[j], s.AEXH[j], PI, SPEED);
        const float hCyl = s.RGAS[j] * s.TEMP[j] + (s.UAIR[j] - s.UEQR[j] * s.EQR[j]);
        put<true>(s.DMINL, j, n, dmIn);
        put<true>(s.DHINL, j, n, pick<true>(intake.back[j], 0.0f, hIn * dmIn));
        put<true>(s.DMEXH, j, n, dmEx);
        put<true>(s.DHEXH, j, n, pick<true>(exhaust.back[j], hEx, hCyl) * dmEx);
    });
}

// One to three cylinders: one valve at a time, forming only what its regime
// needs, the exponent terms at most once per cylinder.
struct OrificeTerms {
    explicit OrificeTerms(float kappa) : k(kappa) {}

    float k;                     // isentropic exponent [-]
    bool subsonicFormed = false;
    float e1 = 0.0f;             // 2/k [-]
    float e2 = 0.0f;             // (k+1)/k [-]
    float c = 0.0f;              // (k*2)/(k-1) [-]
    bool chokedFormed = false;
    float chokedPower = 0.0f;    // (2/(k+1))^((k+1)/(k-1)) [-]
};

// Subsonic mass flow [kg/s] through area A [m2] from an upstream zone at PU
// [Pa], TU [K] with gas constant RU [J/(kg K)], at pressure ratio X. Inlined
// with the choked one: a shut valve, most valves most of the time, then costs
// its test alone, not a call.
[[gnu::always_inline]] inline float subsonic(float X, OrificeTerms& t, float RU, float TU, float A, float PU) {
    if (A == 0.0f && shut_subsonic_is_zero(X, t.k, RU, TU, PU)) return A * PU;
    if (!t.subsonicFormed) {
        t.e1 = 2.0f / t.k;
        t.e2 = (t.k + 1.0f) / t.k;
        t.c = (t.k * 2.0f) / (t.k - 1.0f);
        t.subsonicFormed = true;
    }
    return std::sqrt((std::pow(X, t.e1) - std::pow(X, t.e2)) * (t.c / RU) / TU) * (A * PU);
}

// Choked mass flow [kg/s], same arguments without the pressure ratio.
[[gnu::always_inline]] inline float choked(OrificeTerms& t, float RU, float TU, float A, float PU) {
    if (A == 0.0f && shut_choked_is_zero(t.k, RU, TU, PU)) return A * PU;
    if (!t.chokedFormed) {
        t.chokedPower = std::pow(2.0f / (t.k + 1.0f), (t.k + 1.0f) / (t.k - 1.0f));
        t.chokedFormed = true;
    }
    return std::sqrt(t.chokedPower * ((t.k / RU) / TU)) * (A * PU);
}

// Specific enthalpy of zone k's gas [J/kg].
float zone_enthalpy(const RunState& s, int32_t k) {
    return s.RGAS[k] * s.TEMP[k] + (s.UAIR[k] - s.UEQR[k] * s.EQR[k]);
}

void intake_flow(RunState& s, int32_t j, OrificeTerms& t) {
    const int32_t in = s.NCYL + 1;
    const float P = s.PRES[j];
    const float PIN = s.PRES[in];
    const float A = s.AINL[j];
    if (PIN / P < kCriticalPressureRatio) {
        // Choked backflow out of the cylinder: carries no enthalpy.
        s.DMINL[j] = -(per_radian(choked(t, s.RGAS[j], s.TEMP[j], A, P), s.PI, s.SPEED));
        s.DHINL[j] = 0.0f;
    } else if (P >= PIN) {
        // Subsonic backflow; equal pressures land here and give zero flow.
        s.DMINL[j] = -(per_radian(subsonic(PIN / P, t, s.RGAS[j], s.TEMP[j], A, P), s.PI, s.SPEED));
        s.DHINL[j] = 0.0f;
    } else {
        const float X = P / PIN;
        const float mdot = (X < kCriticalPressureRatio) ? choked(t, s.RGAS[in], s.TEMP[in], A, PIN)
                                                        : subsonic(X, t, s.RGAS[in], s.TEMP[in], A, PIN);
        s.DMINL[j] = per_radian(mdot, s.PI, s.SPEED);
        s.DHINL[j] = zone_enthalpy(s, in) * s.DMINL[j];
    }
}

void exhaust_flow(RunState& s, int32_t j, OrificeTerms& t) {
    const int32_t ex = s.NCYL + 2;
    const float P = s.PRES[j];
    const float PEX = s.PRES[ex];
    const float A = s.AEXH[j];
    int32_t upstream = ex;
    if (P / PEX < kCriticalPressureRatio) {
        // Choked backflow from the exhaust receiver into the cylinder.
        s.DMEXH[j] = -(per_radian(choked(t, s.RGAS[ex], s.TEMP[ex], A, PEX), s.PI, s.SPEED));
    } else if (P < PEX) {
        s.DMEXH[j] = -(per_radian(subsonic(P / PEX, t, s.RGAS[ex], s.TEMP[ex], A, PEX), s.PI, s.SPEED));
    } else {
        upstream = j;
        const float X = PEX / P;
        const float mdot = (X < kCriticalPressureRatio) ? choked(t, s.RGAS[j], s.TEMP[j], A, P)
                                                        : subsonic(X, t, s.RGAS[j], s.TEMP[j], A, P);
        s.DMEXH[j] = per_radian(mdot, s.PI, s.SPEED);
    }
    // The exhaust valve carries the upstream zone's enthalpy in both directions.
    s.DHEXH[j] = zone_enthalpy(s, upstream) * s.DMEXH[j];
}

}  // namespace

void cylinder_valve_flows(RunState& s, const ZoneArray& kappa) {
    if (chunked(s.NCYL)) {
        valve_flow_lanes(s, kappa);
        return;
    }
    for (int32_t j = 1; j <= s.NCYL; ++j) {
        OrificeTerms t(kappa[j]);
        intake_flow(s, j, t);
        exhaust_flow(s, j, t);
    }
}

void accumulate_flow_sums(RunState& s) {
    for (int32_t j = 1; j <= s.NCYL; ++j) {
        s.SDMINL = s.SDMINL + s.DMINL[j];
        s.SDMEXH = s.SDMEXH + s.DMEXH[j];
        s.SDHINL = s.SDHINL + s.DHINL[j];
        s.SDHEXH = s.SDHEXH + s.DHEXH[j];
        // The fuel part always takes the cylinder's composition, also on backflow.
        s.SFEX = ((s.EQR[j] * 0.0676f) / s.XMIX[j]) * s.DMEXH[j] + s.SFEX;
    }
}

}  // namespace diesel
