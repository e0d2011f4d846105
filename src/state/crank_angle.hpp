// The crank-angle convention of every interface newer than the fort files
// (results, exports, Python, measured pressure traces): degrees from firing
// top dead centre of cylinder 1, compression negative.
#pragma once

#include <cmath>

namespace diesel {

// Crank angle from firing TDC of cylinder 1 [deg] of a step that ends at the
// model's crank angle `phi` [deg] in the cycle that starts at `angst` [deg].
// The model puts firing TDC of cylinder 1 at every multiple of 720 degrees;
// the whole cycle is shifted by the one multiple of 720 that brings its start
// into [-180, 540), so the angle runs on without a jump through the cycle. The
// usual start of 540 gives -180 .. 540 (the step ending at 720 is 0). Exact:
// subtracting a multiple of 720 from a float crank angle rounds nothing.
inline float angle_from_firing_tdc(float phi, float angst) {
    const float turns = std::floor((angst + 180.0f) / 720.0f);
    return phi - 720.0f * turns;
}

// Any crank angle [deg from firing TDC] brought into the one cycle
// -180 <= angle < 540 that starts at bottom dead centre before firing TDC:
// valve events given as the model's angles and measured angles alike.
inline double cycle_angle(double deg) { return deg - 720.0 * std::floor((deg + 180.0) / 720.0); }

// The model's crank angle [deg] of the angle `fromTdc` [deg] from firing TDC
// in the cycle that starts at `angst`; the inverse of angle_from_firing_tdc.
inline float model_angle(float fromTdc, float angst) {
    const float turns = std::floor((angst + 180.0f) / 720.0f);
    return fromTdc + 720.0f * turns;
}

}  // namespace diesel
