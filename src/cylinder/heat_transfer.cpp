#include "cylinder/heat_transfer.hpp"

#include <cmath>

namespace diesel {

namespace {

// Velocity coefficient during gas exchange [-].
float gas_exchange_coefficient(const RunState& s) { return 6.18f + 0.417f * s.SWIRL; }

// Motored reference pressure of cylinder j [Pa].
float motored_pressure(const RunState& s, int32_t j) { return s.PIVC * std::pow(s.VIVC / s.VOL[j], s.PEXP); }

// Factor of the combustion term of the gas velocity [m/(s Pa)] for C2.
float combustion_factor(const RunState& s, float C2) {
    return ((((s.VH * C2) / s.FNCYL) * s.TIVC / s.PIVC) / s.VIVC);
}

void wall_heat(RunState& s, int32_t j, const WallPassConstants& w, float PMOT, float C1X, float CBURN,
               float CNOBURN) {
    // The combustion term acts only while both valves are shut and combustion
    // has started; during gas exchange the larger velocity coefficient applies.
    s.CW1 = w.C1G;
    bool burning = true;  // C2 = K3
    if (s.AINL[j] > 0.0f || s.AEXH[j] > 0.0f) {
        s.CW1 = C1X;
        burning = false;  // C2 = 0
    }
    if (s.ASOC[j] < 0.0f) {
        burning = false;
    }

    // Characteristic gas velocity [m/s].
    const float vel = s.CMEAN * s.CW1 + (s.PRES[j] - PMOT) * (burning ? CBURN : CNOBURN);
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

}  // namespace

WallPassConstants wall_pass_constants(const RunState& s) {
    WallPassConstants w{};
    w.C1G = 2.28f + 0.308f * s.SWIRL;  // compression, combustion and expansion
    w.BOREPOW = std::pow(s.BORE, 0.2f);
    w.RHCOOL = 1.0f / s.HCOOL;
    w.RHEAD = s.SHEAD / s.LHEAD;
    w.RPIST = s.SPIST / s.LPIST;
    return w;
}

void cylinder_heat_transfer(RunState& s, int32_t j, const WallPassConstants& w) {
    wall_heat(s, j, w, motored_pressure(s, j), gas_exchange_coefficient(s), combustion_factor(s, s.K3),
              combustion_factor(s, 0.0f));
}

void wall_step_constants(const RunState& s, WallStepConstants& w) {
    w.pass = wall_pass_constants(s);
    w.C1X = gas_exchange_coefficient(s);
    w.CBURN = combustion_factor(s, s.K3);
    w.CNOBURN = combustion_factor(s, 0.0f);
    for (int32_t j = 1; j <= s.NCYL; ++j) {
        w.PMOT[j] = motored_pressure(s, j);
    }
}

void cylinder_heat_transfer(RunState& s, int32_t j, const WallStepConstants& w) {
    wall_heat(s, j, w.pass, w.PMOT[j], w.C1X, w.CBURN, w.CNOBURN);
}

void exhaust_receiver_wall_coefficient(RunState& s) {
    s.HTCER = (s.TEMP[s.NCYL + 2] - 150.0f) * 0.0085f + 9.54f;
}

void exhaust_receiver_wall_loss(RunState& s) {
    s.QER = -(s.TEMP[s.NCYL + 2] - 293.0f) * (s.AER * s.HTCER);
}

}  // namespace diesel
