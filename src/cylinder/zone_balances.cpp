#include "cylinder/zone_balances.hpp"

#include <cmath>

#include "cylinder/combustion.hpp"
#include "cylinder/gas_properties.hpp"

namespace diesel {

void cylinder_balances(RunState& s) {
    const int32_t e = s.NCYL + 2;
    for (int32_t k = 1; k <= s.NCYL; ++k) {
        s.PDVM[k] = ((s.RGAS[k] * s.TEMP[k]) / s.VOL[k]) * s.DVOL[k];
        float EN;  // energy numerator [J/rad]
        const bool intakeOpen = s.AINL[k] > 0.0f;
        const bool exhaustOpen = s.AEXH[k] > 0.0f;
        if (s.AINL[k] == 0.0f && exhaustOpen) {
            // Exhaust only: the cylinder's composition is frozen.
            s.DMASSN[k] = -s.DMEXH[k];
            s.DEQRN[k] = 0.0f;
            EN = (s.QWALL[k] / s.OMEGA - s.DHEXH[k]) - s.UGAS[k] * s.DMASSN[k];
            s.DTEMPN[k] = (EN / s.MASS[k] - s.PDVM[k]) / s.CVGAS[k];
            continue;
        }
        if (intakeOpen && (s.AEXH[k] == 0.0f || exhaustOpen)) {
            // Intake open, with or without the exhaust valve: intake flow is pure
            // air, exhaust-valve flow carries exhaust-receiver composition.
            s.DMASSN[k] = s.DMINL[k] - s.DMEXH[k];
            const float EQRX = exhaustOpen ? s.EQR[e] : s.EQR[k];
            s.DEQRN[k] = (-(EQRX * (s.XMIX[k] / s.XMIX[e])) * s.DMEXH[k] - s.EQR[k] * s.DMASSN[k]) * (s.XMIX[k] / s.MASS[k]);
            EN = ((s.QWALL[k] / s.OMEGA + s.DHINL[k]) - s.DHEXH[k]) - s.UGAS[k] * s.DMASSN[k];
        } else {
            // Closed cylinder: the only case that burns fuel.
            s.DMASSN[k] = s.DMF[k];
            s.DEQRN[k] = ((s.XMIX[k] / s.MASS[k]) / 0.0676f) * s.DMF[k];
            EN = (s.QWALL[k] / s.OMEGA + kHeatingValue * s.DMF[k]) - s.UGAS[k] * s.DMF[k];
        }
        s.DTEMPN[k] = ((EN / s.MASS[k] - s.PDVM[k]) + s.UEQR[k] * s.DEQRN[k]) / s.CVGAS[k];
    }
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
    // The first pass of a step never converges.
    float flag = (s.ITER <= 0) ? 100.0f : 0.0f;
    for (int32_t k = 1; k <= nz; ++k) {
        s.EQRN[k] = (s.DEQRN[k] + s.DEQR[k]) * h + s.EQR0[k];
        s.MASSN[k] = (s.DMASSN[k] + s.DMASS[k]) * h + s.MASS0[k];
        s.TEMPN[k] = (s.DTEMPN[k] + s.DTEMP[k]) * h + s.TEMP0[k];
        // The intake receiver takes no part in the test. A comparison with NaN is
        // false and leaves the flag as it is.
        if (k != intake && (std::fabs(s.EQRN[k] - s.EQR[k]) > s.TOLEQR || std::fabs(s.MASSN[k] - s.MASS[k]) > s.TOLM ||
                            std::fabs(s.TEMPN[k] - s.TEMP[k]) > s.TOLT)) {
            flag = 100.0f;
        }
        s.EQR[k] = s.EQRN[k];
        s.MASS[k] = s.MASSN[k];
        s.TEMP[k] = s.TEMPN[k];
    }
    s.CONVFLAG = flag;
}

}  // namespace diesel
