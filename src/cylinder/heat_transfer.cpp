#include "cylinder/heat_transfer.hpp"

#include <cmath>

namespace diesel {

void wall_step_constants(const RunState& s, WallStepConstants& w) {
    w.C1G = 2.28f + 0.308f * s.SWIRL;  // compression, combustion and expansion
    w.BOREPOW = std::pow(s.BORE, 0.2f);
    w.RHCOOL = 1.0f / s.HCOOL;
    w.RHEAD = s.SHEAD / s.LHEAD;
    w.RPIST = s.SPIST / s.LPIST;
    w.C1X = 6.18f + 0.417f * s.SWIRL;  // gas exchange
    w.CBURN = ((((s.VH * s.K3) / s.FNCYL) * s.TIVC / s.PIVC) / s.VIVC);
    // With C2 = 0 the term is formed all the same: it is zero unless PIVC or VIVC make it undefined.
    // With C2 = 0 the term is formed all the same: zero unless PIVC or VIVC make it undefined.
    w.CNOBURN = ((((s.VH * 0.0f) / s.FNCYL) * s.TIVC / s.PIVC) / s.VIVC);
    for (int32_t j = 1; j <= s.NCYL; ++j) {
        w.PMOT[j] = s.PIVC * std::pow(s.VIVC / s.VOL[j], s.PEXP);
    }
}

void cylinder_heat_transfer(RunState& s, int32_t j, const WallStepConstants& w) {
    // The combustion term acts only while both valves are shut and combustion
    // has started; during gas exchange the larger velocity coefficient applies.
    s.CW1 = w.C1G;
    bool burning = true;  // C2 = K3
    if (s.AINL[j] > 0.0f || s.AEXH[j] > 0.0f) {
        s.CW1 = w.C1X;
        burning = false;  // C2 = 0
    }
    if (s.ASOC[j] < 0.0f) {
        burning = false;
    }

    // Characteristic gas velocity [m/s].
    const float vel = s.CMEAN * s.CW1 + (s.PRES[j] - w.PMOT[j]) * (burning ? w.CBURN : w.CNOBURN);
    // Gas-side coefficient [W/(m2 K)], pressure in bar.
    s.HTC[j] = std::pow(vel, 0.8f) *
               (((std::pow(s.PRES[j] / 100000.0f, 0.8f) / w.BOREPOW) / std::pow(s.TEMP[j], 0.53f)) * s.CWOS);

    // Gas film, wall conduction (head and piston only) and coolant film in series.
    const float S = 1.0f / s.HTC[j] + w.RHCOOL;
    const float kH = 1.0f / (S + w.RHEAD);
    const float kP = 1.0f / (S + w.RPIST);
    const float kL = 1.0f / S;

    const float dT = s.TEMP[j] - s.TCOOL;
    s.QHEAD[j] = -(s.AHEAD * kH) * dT;
    s.QPIST[j] = -(s.APIST * kP) * dT;
    s.QLINER[j] = -(kL * s.ALINER[j]) * dT;
    s.QWALL[j] = (s.QHEAD[j] + s.QPIST[j]) + s.QLINER[j];
    s.HTCT[j] = -s.HTC[j] * s.TEMP[j];
}

void exhaust_receiver_wall_coefficient(RunState& s) {
    s.HTCER = (s.TEMP[s.NCYL + 2] - 150.0f) * 0.0085f + 9.54f;
}

void exhaust_receiver_wall_loss(RunState& s) {
    s.QER = -(s.TEMP[s.NCYL + 2] - 293.0f) * (s.AER * s.HTCER);
}

}  // namespace diesel
