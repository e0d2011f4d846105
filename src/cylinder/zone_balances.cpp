#include "cylinder/zone_balances.hpp"

#include <cmath>

#include "cylinder/combustion.hpp"
#include "cylinder/gas_properties.hpp"
#include "state/lanes.hpp"

namespace diesel {

namespace {

template <bool Chunked>
void balance_lanes(RunState& s) {
    const int32_t n = s.NCYL;
    const int32_t e = s.NCYL + 2;
    const float OMEGA = s.OMEGA;
    const float EQRE = s.EQR[e];
    const float XMIXE = s.XMIX[e];
    for_cylinders<Chunked>(n, [&](int32_t k) {
        const float PDVM = ((s.RGAS[k] * s.TEMP[k]) / s.VOL[k]) * s.DVOL[k];
        const bool intakeOpen = s.AINL[k] > 0.0f;
        const bool exhaustOpen = s.AEXH[k] > 0.0f;
        const bool exhaustOnly = (s.AINL[k] == 0.0f) & exhaustOpen;
        const bool intake = !exhaustOnly & intakeOpen & ((s.AEXH[k] == 0.0f) | exhaustOpen);
        const float qw = s.QWALL[k] / OMEGA;
        const float xm = s.XMIX[k] / s.MASS[k];
        // Every lane forms the three cases and its valve state picks one; where
        // the cases divide alike, a lane divides only its own case's operands.
        // Exhaust only: the cylinder's composition is frozen.
        const float dmExhaust = -s.DMEXH[k];
        const float enExhaust = (qw - s.DHEXH[k]) - s.UGAS[k] * dmExhaust;  // energy numerator [J/rad]
        // Intake open, with or without the exhaust valve: intake flow is pure
        // air, exhaust-valve flow carries exhaust-receiver composition.
        // Closed cylinder: the only case that burns fuel.
        const float ratio = pick<Chunked>(intake, s.XMIX[k], xm) / pick<Chunked>(intake, XMIXE, 0.0676f);
        const float dmIntake = s.DMINL[k] - s.DMEXH[k];
        const float EQRX = pick<Chunked>(exhaustOpen, EQRE, s.EQR[k]);
        const float deIntake = (-(EQRX * ratio) * s.DMEXH[k] - s.EQR[k] * dmIntake) * xm;  // XMIX(k)/XMIX(e)
        const float enIntake = ((qw + s.DHINL[k]) - s.DHEXH[k]) - s.UGAS[k] * dmIntake;
        const float deClosed = ratio * s.DMF[k];  // (XMIX/MASS)/0.0676
        const float enClosed = (qw + kHeatingValue * s.DMF[k]) - s.UGAS[k] * s.DMF[k];

        const float de = pick<Chunked>(intake, deIntake, deClosed);
        const float en = pick<Chunked>(exhaustOnly, enExhaust, pick<Chunked>(intake, enIntake, enClosed));
        const float a = en / s.MASS[k] - PDVM;
        const float dt = pick<Chunked>(exhaustOnly, a, a + s.UEQR[k] * de) / s.CVGAS[k];
        put<Chunked>(s.PDVM, k, n, PDVM);
        put<Chunked>(s.DMASSN, k, n, pick<Chunked>(exhaustOnly, dmExhaust, pick<Chunked>(intake, dmIntake, s.DMF[k])));
        put<Chunked>(s.DEQRN, k, n, pick<Chunked>(exhaustOnly, 0.0f, de));
        put<Chunked>(s.DTEMPN, k, n, dt);
    });
}

}  // namespace

void cylinder_balances(RunState& s) {
    chunked(s.NCYL) ? balance_lanes<true>(s) : balance_lanes<false>(s);
}

void intake_receiver_balance(RunState& s) {
    const int32_t i = s.NCYL + 1;
    s.DEQRN[i] = 0.0f;
    s.DMASSN[i] = s.DMINL[i] - s.SDMINL;
    // The supply always brings HAIR, whatever the direction of the flow.
    s.DTEMPN[i] = (((s.DMINL[i] * HAIR - s.SDHINL) - s.UGAS[i] * s.DMASSN[i]) / s.MASS[i]) / s.CVGAS[i];
}

void exhaust_receiver_balance(RunState& s) {
    const int32_t e = s.NCYL + 2;
    s.DMASSN[e] = s.SDMEXH - s.DMEXH[e];
    s.DEQRN[e] = ((s.SFEX - ((s.EQR[e] * 0.0676f) / s.XMIX[e]) * s.DMEXH[e]) * (s.XMIX[e] / 0.0676f) - s.EQR[e] * s.DMASSN[e]) *
                 (s.XMIX[e] / s.MASS[e]);
    s.DTEMPN[e] = (((((s.QER / s.OMEGA + s.SDHEXH) - s.DHEXH[e]) - s.UGAS[e] * s.DMASSN[e]) / s.MASS[e]) + s.UEQR[e] * s.DEQRN[e]) /
                  s.CVGAS[e];
}

namespace {

// The trapezoidal update of zone k; true when its change exceeds a tolerance.
// The intake receiver takes no part in the test, nor does a lane past nz,
// whose slots keep what they hold. A comparison with NaN is false.
template <bool Chunked>
[[gnu::always_inline]] inline bool update_zone(RunState& s, int32_t k, int32_t nz, float h) {
    const float EQRN = (s.DEQRN[k] + s.DEQR[k]) * h + s.EQR0[k];
    const float MASSN = (s.DMASSN[k] + s.DMASS[k]) * h + s.MASS0[k];
    const float TEMPN = (s.DTEMPN[k] + s.DTEMP[k]) * h + s.TEMP0[k];
    const bool eqr = std::fabs(EQRN - s.EQR[k]) > s.TOLEQR;
    const bool mass = std::fabs(MASSN - s.MASS[k]) > s.TOLM;
    const bool temp = std::fabs(TEMPN - s.TEMP[k]) > s.TOLT;
    put<Chunked>(s.EQRN, k, nz, EQRN);
    put<Chunked>(s.MASSN, k, nz, MASSN);
    put<Chunked>(s.TEMPN, k, nz, TEMPN);
    put<Chunked>(s.EQR, k, nz, EQRN);
    put<Chunked>(s.MASS, k, nz, MASSN);
    put<Chunked>(s.TEMP, k, nz, TEMPN);
    return (k <= nz) & (k != s.NCYL + 1) & (eqr | mass | temp);
}

}  // namespace

void corrector_update(RunState& s) {
    const float h = ((s.DPH * 0.5f) * s.PI) / 180.0f;  // half the step [rad]
    const int32_t nz = s.NCYL + 2;
    if (s.ISTEP <= 0) {
        // Before the first record of a cycle the update is an implicit Euler step.
        for (int32_t k = 1; k <= nz; ++k) {
            s.DEQR[k] = s.DEQRN[k];
            s.DMASS[k] = s.DMASSN[k];
            s.DTEMP[k] = s.DTEMPN[k];
        }
    }
    int32_t outside = 0;  // 1 once a zone's change exceeds its tolerance
    if (nz <= kLanes) {
        // All zones of a one- or two-cylinder engine in one chunk of lanes.
        for (int32_t k = 1; k <= kLanes; ++k) outside |= update_zone<true>(s, k, nz, h);
    } else {
        for (int32_t k = 1; k <= nz; ++k) outside |= update_zone<false>(s, k, nz, h);
    }
    // The first pass of a step never converges.
    const float flag = (s.ITER <= 0 || outside != 0) ? 100.0f : 0.0f;
    s.CONVFLAG = flag;
}

}  // namespace diesel
