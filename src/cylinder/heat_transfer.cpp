#include "cylinder/heat_transfer.hpp"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "state/lanes.hpp"

namespace diesel {

void wall_run_constants(const RunState& s, WallStepConstants& w) {
    w.C1G = 2.28f + 0.308f * s.SWIRL;  // compression, combustion and expansion
    w.C1X = 6.18f + 0.417f * s.SWIRL;  // gas exchange
    w.BOREPOW = std::pow(s.BORE, 0.2f);
    w.RHEAD = s.SHEAD / s.LHEAD;
    w.RPIST = s.SPIST / s.LPIST;
    // Outside combustion the velocity term is 0 and the velocity one of these
    // two, bit for bit, so their powers serve most passes.
    w.VELG = s.CMEAN * w.C1G;
    w.VELX = s.CMEAN * w.C1X;
    w.POWG = std::pow(w.VELG, 0.8f);
    w.POWX = std::pow(w.VELX, 0.8f);
}

void wall_cycle_constants(const RunState& s, WallStepConstants& w) {
    w.RHCOOL = 1.0f / s.HCOOL;
    w.CBURN = ((((s.VH * s.K3) / s.FNCYL) * s.TIVC / s.PIVC) / s.VIVC);
    // With C2 = 0 the term is formed all the same: zero unless PIVC or VIVC make it undefined.
    w.CNOBURN = ((((s.VH * 0.0f) / s.FNCYL) * s.TIVC / s.PIVC) / s.VIVC);
}

float motored_compression(const RunState& s, int32_t j) {
    return std::pow(s.VIVC / s.VOL[j], s.PEXP);
}

void wall_step_constants(const RunState& s, WallStepConstants& w) {
    wall_run_constants(s, w);
    wall_cycle_constants(s, w);
    for (int32_t j = 1; j <= s.NCYL; ++j) {
        w.PMOT[j] = s.PIVC * motored_compression(s, j);
    }
}

namespace {

// w and powers are the step head's, never part of s: __restrict spares each
// vector chunk a run-time overlap check.
template <bool Chunked>
void heat_transfer_lanes(RunState& s, const WallStepConstants& __restrict w, WallPowers& __restrict powers) {
    const int32_t n = s.NCYL;
    const float CMEAN = s.CMEAN;
    ZoneArray vel, pbar, CW1;
    for_cylinders<Chunked>(n, [&](int32_t j) {
        // The combustion term acts only while both valves are shut and combustion
        // has started; during gas exchange the larger velocity coefficient applies.
        const bool exchange = (s.AINL[j] > 0.0f) | (s.AEXH[j] > 0.0f);
        const bool burning = !exchange & !(s.ASOC[j] < 0.0f);  // C2 = K3, else 0
        CW1[j] = pick<Chunked>(exchange, w.C1X, w.C1G);
        // Characteristic gas velocity [m/s].
        vel[j] = CMEAN * CW1[j] + (s.PRES[j] - w.PMOT[j]) * pick<Chunked>(burning, w.CBURN, w.CNOBURN);
        pbar[j] = s.PRES[j] / 100000.0f;  // [bar]
    });
    // The powers stay scalar library calls. Lanes past NCYL read slots nobody
    // sets: those start as zeros. One cylinder at a time reads only its own.
    ZoneArray powVel, powP, powT;
    if constexpr (Chunked) {
        std::memset(powVel, 0, sizeof powVel);
        std::memset(powP, 0, sizeof powP);
        std::memset(powT, 0, sizeof powT);
    }
    const uint32_t velG = std::bit_cast<uint32_t>(w.VELG);
    const uint32_t velX = std::bit_cast<uint32_t>(w.VELX);
    for (int32_t j = 1; j <= n; ++j) {
        const uint32_t v = std::bit_cast<uint32_t>(vel[j]);
        powVel[j] = v == velG ? w.POWG : v == velX ? w.POWX : std::pow(vel[j], 0.8f);
        powP[j] = powers.powP[j].get({pbar[j]}, [&] { return std::pow(pbar[j], 0.8f); });
        powT[j] = powers.powT[j].get({s.TEMP[j]}, [&] { return std::pow(s.TEMP[j], 0.53f); });
    }
    const float CWOS = s.CWOS;
    const float TCOOL = s.TCOOL;
    const float AHEAD = s.AHEAD;
    const float APIST = s.APIST;
    for_cylinders<Chunked>(n, [&](int32_t j) {
        // Gas-side coefficient [W/(m2 K)].
        const float HTC = powVel[j] * (((powP[j] / w.BOREPOW) / powT[j]) * CWOS);

        // Gas film, wall conduction (head and piston only) and coolant film in series.
        const float S = 1.0f / HTC + w.RHCOOL;
        const float kH = 1.0f / (S + w.RHEAD);
        const float kP = 1.0f / (S + w.RPIST);
        const float kL = 1.0f / S;

        const float dT = s.TEMP[j] - TCOOL;
        const float QHEAD = -(AHEAD * kH) * dT;
        const float QPIST = -(APIST * kP) * dT;
        const float QLINER = -(kL * s.ALINER[j]) * dT;
        put<Chunked>(s.HTC, j, n, HTC);
        put<Chunked>(s.QHEAD, j, n, QHEAD);
        put<Chunked>(s.QPIST, j, n, QPIST);
        put<Chunked>(s.QLINER, j, n, QLINER);
        put<Chunked>(s.QWALL, j, n, (QHEAD + QPIST) + QLINER);
        put<Chunked>(s.HTCT, j, n, -HTC * s.TEMP[j]);
    });
    if (n >= 1) s.CW1 = CW1[n];
}

}  // namespace

void cylinder_heat_transfer(RunState& s, const WallStepConstants& w, WallPowers& powers) {
    chunked(s.NCYL) ? heat_transfer_lanes<true>(s, w, powers) : heat_transfer_lanes<false>(s, w, powers);
}

void exhaust_receiver_wall_coefficient(RunState& s) {
    s.HTCER = (s.TEMP[s.NCYL + 2] - 150.0f) * 0.0085f + 9.54f;
}

void exhaust_receiver_wall_loss(RunState& s) {
    s.QER = -(s.TEMP[s.NCYL + 2] - 293.0f) * (s.AER * s.HTCER);
}

}  // namespace diesel
