#include "input/run_setup.hpp"

#include <cmath>

namespace diesel {

void set_up_run(RunState& s) {
    // Spring-loaded outlet valve of the exhaust receiver.
    s.DOUT = 0.044f;  // seat diameter [m]
    s.FOUT = 150.0f;  // spring preload [N]
    s.KOUT = 4000.0f; // spring stiffness [N/m]

    s.DPH = s.DPHI;
    // One unit in the last place below the float nearest to pi; used for every
    // degree-radian conversion of the program.
    s.PI = 3.1415925f;
    s.BORESQ = s.BORE * s.BORE;
    s.ABORE = s.BORESQ * 3.1415925f * 0.25f;
    s.VC = s.STROKE * s.ABORE / (s.CR - 1.0f);

    // Below 1600 rpm the intake valve area is cut back with the square of the speed.
    if (s.SPEED < 1600.0f) {
        s.AIMAX = (s.SPEED / 1600.0f) * (s.SPEED / 1600.0f) * (s.FAINLS * s.AIMAX);
    }
    s.AIMAX = s.FAIN * s.AIMAX;
    s.AEMAX = s.FAEX * s.AEMAX;

    s.LOADC = (s.MODE != 2) ? 1 : 0;
    s.FNCYL = static_cast<float>(s.NCYL);
    s.VH = s.STROKE * s.ABORE * s.FNCYL;

    s.TCOOL = s.TCOOL + 273.0f;  // 273, not 273.15
    s.DURC0 = s.DURC0 * 3.1415925f / 180.0f;
    s.SOC = s.SOC * 3.1415925f / 180.0f;

    s.CMEAN = s.STROKE * s.SPEED / 30.0f;
    s.OMEGA = s.SPEED * 6.283185f / 60.0f;

    if (s.MODE == 2) {
        s.QF = s.FUEL;
    } else {
        // Stoichiometric fuel of one cylinder's swept volume of air at 1.2 kg/m3
        // times EQREX0, scaled by (target pe + 2.5 bar)/(PIOFF + 2.5 bar); the
        // 2.5 bar stands for the friction mean effective pressure not yet known.
        s.QF = ((s.PETARG + 2.5f) * s.VH / s.FNCYL * 1.2f * 0.0676f * s.EQREX0 * 100000.0f / 0.825f) /
               (s.PIOFF + 2.5f);
    }

    s.CONSQ = s.CONROD * s.CONROD;
    s.STRSQ = s.STROKE * s.STROKE;
    s.RADSQ = s.STRSQ * 0.25f;
    s.RADIUS = s.STROKE * 0.5f;
    const float beta = s.IVC * 3.1415925f / 180.0f;  // intake closing [rad]
    const float sb = std::sin(beta);
    const float cb = std::cos(beta);
    s.VIVC = ((1.0f - cb) * s.RADIUS + (s.CONROD - std::sqrt(s.CONSQ - sb * sb * s.RADSQ))) * s.ABORE + s.VC;

    s.TIVC = 340.0f;
    // IVC was checked by the input reader, so the conversion is in range.
    s.KIVC = static_cast<int32_t>(s.IVC - 540.0f);

    s.PHI = s.ANGST;
    s.ICYC = 0;
    s.ISTEP = 0;
    s.NSMALL = 0;
    s.CONV = 0.0f;
    s.FINAL = 0.0f;
    s.EXMASS = 0.0f;
    s.SUPMASS = 0.0f;

    s.MWF = std::sqrt(s.TIDR / s.TIDR) * s.MWIEB0;
    s.SPDF = std::pow(s.SPEEDR / s.SPEED, 0.3f);
    s.DPHIR = s.DPHI / 5.0f;
}

}  // namespace diesel
