#include "driver/kinematics.hpp"

#include <cmath>

namespace diesel {

void cylinder_kinematics(RunState& s, int32_t j, float FIRE) {
    const float i = static_cast<float>(j - 1);
    // Not reduced modulo 720: sine and cosine make the result periodic.
    const float T = (i * FIRE + s.PHI) * s.PI / 180.0f;
    s.THETA[j] = T;
    const float S = std::sin(T);
    const float C = std::cos(T);

    // Piston travel from top dead centre [m].
    const float x = (1.0f - C) * s.RADIUS + (s.CONROD - std::sqrt(s.CONROD * s.CONROD - S * S * (s.STROKE * s.STROKE * 0.25f)));
    const float ABORE = s.PI * (s.BORE * s.BORE) * 0.25f;
    s.VOL[j] = x * ABORE + s.VC;

    // Piston velocity in m/s divided back by OMEGA: the exact dV/dT of the volume above.
    const float CONSQ = s.CONROD * s.CONROD;
    const float STRSQ = s.STROKE * s.STROKE;
    const float Q = std::pow(CONSQ - STRSQ * 0.25f * S * S, -0.5f);
    s.DVOL[j] = ((Q * STRSQ * 0.25f * S * C * s.OMEGA + s.STROKE * S * s.OMEGA * 0.5f) * ABORE) / s.OMEGA;

    s.ALINER[j] = (s.BORE * s.PI) * x;
}

}  // namespace diesel
