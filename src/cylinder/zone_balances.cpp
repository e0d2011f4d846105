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

void corrector_update(RunState& s) {
    const float h = ((s.DPH * 0.5f) * s.PI) / 180.0f;  // half the step [rad]
    const int32_t nz = s.NCYL + 2;
    const int32_t intake = s.NCYL + 1;
    if (s.ISTEP <= 0) {
        // Before the first record of a cycle the update is an implicit Euler step.
        for (int32_t k = 1; k <= nz; ++k) {
            s.DEQR[k] = s.DEQRN[k];
            s.DMASS[k] = s.DMASSN[k];
            s.DTEMP[k] = s.DTEMPN[k];
        }
    }
    const float TOLEQR = s.TOLEQR;
    const float TOLM = s.TOLM;
    const float TOLT = s.TOLT;
    int32_t outside = 0;  // 1 once a zone's change exceeds its tolerance
    for (int32_t k = 1; k <= nz; ++k) {
        s.EQRN[k] = (s.DEQRN[k] + s.DEQR[k]) * h + s.EQR0[k];
        s.MASSN[k] = (s.DMASSN[k] + s.DMASS[k]) * h + s.MASS0[k];
        s.TEMPN[k] = (s.DTEMPN[k] + s.DTEMP[k]) * h + s.TEMP0[k];
        // The intake receiver takes no part in the test. A comparison with NaN is
        // false and leaves the flag as it is.
        const bool eqr = std::fabs(s.EQRN[k] - s.EQR[k]) > TOLEQR;
        const bool mass = std::fabs(s.MASSN[k] - s.MASS[k]) > TOLM;
        const bool temp = std::fabs(s.TEMPN[k] - s.TEMP[k]) > TOLT;
        outside |= (k != intake) & (eqr | mass | temp);
        s.EQR[k] = s.EQRN[k];
        s.MASS[k] = s.MASSN[k];
        s.TEMP[k] = s.TEMPN[k];
    }
    // The first pass of a step never converges.
    const float flag = (s.ITER <= 0 || outside != 0) ? 100.0f : 0.0f;
    s.CONVFLAG = flag;
}

}  // namespace diesel
