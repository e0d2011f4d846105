#include "gas_exchange/valve_flows.hpp"

#include "gas_exchange/orifice.hpp"

namespace diesel {

namespace {

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
        const float mdot = orifice_choked(t, s.RGAS[j], s.TEMP[j], A, P);
        s.DMINL[j] = -(per_radian(mdot, s.PI, s.SPEED));
        s.DHINL[j] = 0.0f;
    } else if (P >= PIN) {
        // Subsonic backflow; equal pressures land here and give zero flow.
        const float mdot = orifice_subsonic(PIN / P, t, s.RGAS[j], s.TEMP[j], A, P);
        s.DMINL[j] = -(per_radian(mdot, s.PI, s.SPEED));
        s.DHINL[j] = 0.0f;
    } else {
        const float X = P / PIN;
        const float mdot = (X < kCriticalPressureRatio) ? orifice_choked(t, s.RGAS[in], s.TEMP[in], A, PIN)
                                                        : orifice_subsonic(X, t, s.RGAS[in], s.TEMP[in], A, PIN);
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
        const float mdot = orifice_choked(t, s.RGAS[ex], s.TEMP[ex], A, PEX);
        s.DMEXH[j] = -(per_radian(mdot, s.PI, s.SPEED));
    } else if (P < PEX) {
        const float mdot = orifice_subsonic(P / PEX, t, s.RGAS[ex], s.TEMP[ex], A, PEX);
        s.DMEXH[j] = -(per_radian(mdot, s.PI, s.SPEED));
    } else {
        upstream = j;
        const float X = PEX / P;
        const float mdot = (X < kCriticalPressureRatio) ? orifice_choked(t, s.RGAS[j], s.TEMP[j], A, P)
                                                        : orifice_subsonic(X, t, s.RGAS[j], s.TEMP[j], A, P);
        s.DMEXH[j] = per_radian(mdot, s.PI, s.SPEED);
    }
    // The exhaust valve carries the upstream zone's enthalpy in both directions.
    s.DHEXH[j] = zone_enthalpy(s, upstream) * s.DMEXH[j];
}

}  // namespace

void cylinder_valve_flows(RunState& s, int32_t j) {
    OrificeTerms t(s.KAPPA);
    intake_flow(s, j, t);
    exhaust_flow(s, j, t);
}

void accumulate_flow_sums(RunState& s, int32_t j) {
    s.SDMINL = s.SDMINL + s.DMINL[j];
    s.SDMEXH = s.SDMEXH + s.DMEXH[j];
    s.SDHINL = s.SDHINL + s.DHINL[j];
    s.SDHEXH = s.SDHEXH + s.DHEXH[j];
    // The fuel part always takes the cylinder's composition, also on backflow.
    s.SFEX = ((s.EQR[j] * 0.0676f) / s.XMIX[j]) * s.DMEXH[j] + s.SFEX;
}

}  // namespace diesel
