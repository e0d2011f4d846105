#include "gas_exchange/valve_flows.hpp"

#include <cmath>

#include "gas_exchange/orifice.hpp"
#include "state/lane_select.hpp"

namespace diesel {

namespace {

// One valve of every cylinder (1-based), laid out so that everything but the
// powers runs as vector arithmetic over the cylinders. A lane computes exactly
// what the scalar formula of its regime computes; masks are 0 or 1.
struct ValveLanes {
    ZoneArray A;          // flow area [m2]
    ZoneArray X;          // pressure ratio of the subsonic formula [-]
    ZoneArray RU, TU, PU; // upstream gas constant [J/(kg K)], temperature [K], pressure [Pa]
    ZoneArray D;          // X^e1 - X^e2 (subsonic) or the choked power [-]
    int32_t back[kZoneSlots + 1];    // 1: flow out of the zone the valve leads to (backflow)
    int32_t choked[kZoneSlots + 1];  // 1: choked formula
    int32_t shut[kZoneSlots + 1];    // 1: area 0 and the flow known to be the zero A*PU
};

// Terms of each cylinder's exponent k, shared by its two valves.
struct KappaTerms {
    ZoneArray e1;     // 2/k [-]
    ZoneArray e2;     // (k+1)/k [-]
    ZoneArray c;      // (k*2)/(k-1) [-]
    ZoneArray base;   // 2/(k+1), base of the choked power [-]
    ZoneArray power;  // (k+1)/(k-1), its exponent [-]
};

void form_terms(int32_t n, const ZoneArray& k, KappaTerms& t) {
    for (int32_t j = 1; j <= n; ++j) {
        t.e1[j] = 2.0f / k[j];
        t.e2[j] = (k[j] + 1.0f) / k[j];
        t.c[j] = (k[j] * 2.0f) / (k[j] - 1.0f);
        t.base[j] = 2.0f / (k[j] + 1.0f);
        t.power[j] = (k[j] + 1.0f) / (k[j] - 1.0f);
    }
}

// Regimes of the intake valves: backflow out of the cylinder (choked below the
// critical ratio, else subsonic, equal pressures included), or inflow of
// intake-receiver gas, choked or subsonic.
void intake_regimes(const RunState& s, ValveLanes& v) {
    const int32_t in = s.NCYL + 1;
    const float PIN = s.PRES[in];
    const float RIN = s.RGAS[in];
    const float TIN = s.TEMP[in];
    for (int32_t j = 1; j <= s.NCYL; ++j) {
        const float P = s.PRES[j];
        const float out = PIN / P;
        const float into = P / PIN;
        const bool chokedOut = out < kCriticalPressureRatio;
        const bool back = chokedOut | (P >= PIN);
        v.back[j] = back;
        v.choked[j] = chokedOut | (!back & (into < kCriticalPressureRatio));
        v.X[j] = pick(back, out, into);
        v.RU[j] = pick(back, s.RGAS[j], RIN);
        v.TU[j] = pick(back, s.TEMP[j], TIN);
        v.PU[j] = pick(back, P, PIN);
        v.A[j] = s.AINL[j];
    }
}

// Regimes of the exhaust valves: backflow of exhaust-receiver gas into the
// cylinder (choked or subsonic), or outflow of cylinder gas, equal pressures
// included.
void exhaust_regimes(const RunState& s, ValveLanes& v) {
    const int32_t ex = s.NCYL + 2;
    const float PEX = s.PRES[ex];
    const float REX = s.RGAS[ex];
    const float TEX = s.TEMP[ex];
    for (int32_t j = 1; j <= s.NCYL; ++j) {
        const float P = s.PRES[j];
        const float into = P / PEX;
        const float out = PEX / P;
        const bool chokedIn = into < kCriticalPressureRatio;
        const bool back = chokedIn | (P < PEX);
        v.back[j] = back;
        v.choked[j] = chokedIn | (!back & (out < kCriticalPressureRatio));
        v.X[j] = pick(back, into, out);
        v.RU[j] = pick(back, REX, s.RGAS[j]);
        v.TU[j] = pick(back, TEX, s.TEMP[j]);
        v.PU[j] = pick(back, PEX, P);
        v.A[j] = s.AEXH[j];
    }
}

// The shut tests of orifice.hpp, lane by lane.
void shut_valves(int32_t n, const ZoneArray& k, ValveLanes& v) {
    for (int32_t j = 1; j <= n; ++j) {
        const bool choked = shut_choked_is_zero(k[j], v.RU[j], v.TU[j], v.PU[j]);
        const bool subsonic = shut_subsonic_is_zero(v.X[j], k[j], v.RU[j], v.TU[j], v.PU[j]);
        v.shut[j] = (v.A[j] == 0.0f) & ((v.choked[j] & choked) | (!v.choked[j] & subsonic));
    }
}

// The powers, the one part that stays scalar: the libm call, each formed only
// where a valve needs it; the choked power at most once per cylinder.
void valve_powers(int32_t n, const KappaTerms& t, ValveLanes& a, ValveLanes& b) {
    for (int32_t j = 1; j <= n; ++j) {
        float chokedPower = 0.0f;
        bool formed = false;
        ValveLanes* const valves[] = {&a, &b};
        for (ValveLanes* v : valves) {
            float D = 0.0f;
            if (v->shut[j] != 0) {
                // no flow to form
            } else if (v->choked[j] != 0) {
                if (!formed) chokedPower = std::pow(t.base[j], t.power[j]);
                formed = true;
                D = chokedPower;
            } else {
                D = std::pow(v->X[j], t.e1[j]) - std::pow(v->X[j], t.e2[j]);
            }
            v->D[j] = D;
        }
    }
}

// Mass flow [kg/rad] of each valve, + in the valve's forward direction.
void mass_flows(const RunState& s, const ZoneArray& k, const KappaTerms& t, const ValveLanes& v, ZoneArray& dm) {
    const float PI = s.PI;
    const float SPEED = s.SPEED;
    for (int32_t j = 1; j <= s.NCYL; ++j) {
        const float chokedArg = v.D[j] * ((k[j] / v.RU[j]) / v.TU[j]);
        const float subsonicArg = (v.D[j] * (t.c[j] / v.RU[j])) / v.TU[j];
        const float AP = v.A[j] * v.PU[j];
        const float open = std::sqrt(pick(v.choked[j], chokedArg, subsonicArg)) * AP;
        const float mdot = pick(v.shut[j], AP, open);  // [kg/s]
        const float m = per_radian(mdot, PI, SPEED);
        dm[j] = pick(v.back[j], -m, m);
    }
}

}  // namespace

void cylinder_valve_flows(RunState& s, const ZoneArray& kappa) {
    const int32_t n = s.NCYL;
    const int32_t in = s.NCYL + 1;
    const int32_t ex = s.NCYL + 2;
    KappaTerms t;
    ValveLanes intake, exhaust;
    form_terms(n, kappa, t);
    intake_regimes(s, intake);
    exhaust_regimes(s, exhaust);
    shut_valves(n, kappa, intake);
    shut_valves(n, kappa, exhaust);
    valve_powers(n, t, intake, exhaust);
    mass_flows(s, kappa, t, intake, s.DMINL);
    mass_flows(s, kappa, t, exhaust, s.DMEXH);

    // Specific enthalpy [J/kg] of the receivers' gas; backflow through the
    // intake valve carries none, the exhaust valve the upstream zone's.
    const float hIn = s.RGAS[in] * s.TEMP[in] + (s.UAIR[in] - s.UEQR[in] * s.EQR[in]);
    const float hEx = s.RGAS[ex] * s.TEMP[ex] + (s.UAIR[ex] - s.UEQR[ex] * s.EQR[ex]);
    for (int32_t j = 1; j <= n; ++j) {
        const float hCyl = s.RGAS[j] * s.TEMP[j] + (s.UAIR[j] - s.UEQR[j] * s.EQR[j]);
        s.DHINL[j] = pick(intake.back[j], 0.0f, hIn * s.DMINL[j]);
        s.DHEXH[j] = pick(exhaust.back[j], hEx, hCyl) * s.DMEXH[j];
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
