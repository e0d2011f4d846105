#include "report/history.hpp"

namespace diesel {

void record_history(RunState& s) {
    const int32_t i = s.ISTEP;
    const int32_t e = s.NCYL + 2;
    s.TRPRES[i] = s.PRES[1];
    s.TRMASS[i] = s.MASS[1];
    s.TRTEMP[i] = s.TEMP[1];
    s.TREQR[i] = s.EQR[1];
    // Properties are not re-evaluated after the corrector update, so this is the
    // pressure the step's last outlet flow was formed with.
    s.TRPEXR[i] = s.PRES[e];
    s.TRMEXR[i] = s.MASS[e];
    s.TRTEXR[i] = s.TEMP[e];
    s.TRHTC[i] = s.HTC[1];
    // W to J over the step: divide by OMEGA first, then the step in radians.
    s.TRHTCT[i] = s.HTCT[1] / s.OMEGA * s.DPH * s.PI / 180.0f;
    s.TRQWALL[i] = s.QWALL[1] / s.OMEGA * s.DPH * s.PI / 180.0f;
    s.TRQHEAD[i] = s.QHEAD[1] / s.OMEGA * s.DPH * s.PI / 180.0f;
    s.TRQPIST[i] = s.QPIST[1] / s.OMEGA * s.DPH * s.PI / 180.0f;
    s.TRQLINER[i] = s.QLINER[1] / s.OMEGA * s.DPH * s.PI / 180.0f;
    // Enthalpy relative to the supply air, carried by the mass change of the
    // cylinder while its exhaust valve is open; other entries keep older values.
    if (s.AEXH[1] >= 1.0E-5f) {
        s.TRHEX[i] = (s.TEMP[1] * s.RGAS[1] + s.UGAS[1] - 291377.84f) * (s.DPH * s.DMASSN[1] * s.PI / 180.0f);
    }
    s.EXMASS = s.EXMASS + s.DPH * s.DMEXH[e] * s.PI / 180.0f;
    // The same for the supply into the intake receiver; read only by the mass balance of an export.
    s.SUPMASS = s.SUPMASS + s.DPH * s.DMINL[s.NCYL + 1] * s.PI / 180.0f;
}

}  // namespace diesel
