// Heat exchange between the gas and the walls: a Woschni-type coefficient in
// the cylinders, a simple wall loss of the exhaust receiver.
#pragma once

#include <cstdint>

#include "state/run_state.hpp"

namespace diesel {

// Quantities of the cylinder heat transfer that are formed once per corrector
// pass, before the cylinder loop.
struct WallPassConstants {
    float C1G;        // velocity coefficient with both valves shut [-]
    float BOREPOW;    // BORE^0.2 [m^0.2]
    float RHCOOL;     // coolant film resistance 1/HCOOL [m2 K/W]
    float RHEAD;      // head wall resistance SHEAD/LHEAD [m2 K/W]
    float RPIST;      // piston wall resistance SPIST/LPIST [m2 K/W]
};
WallPassConstants wall_pass_constants(const RunState& s);

// HTC, HTCT, QHEAD, QPIST, QLINER and QWALL of cylinder j (and CW1), from the
// zone state of the current corrector pass.
void cylinder_heat_transfer(RunState& s, int32_t j, const WallPassConstants& w);

// HTCER from the exhaust-receiver temperature at the end of the previous step;
// once per step, before the predictor.
void exhaust_receiver_wall_coefficient(RunState& s);

// QER [W], the exhaust receiver's heat loss to its 293 K wall; per pass.
void exhaust_receiver_wall_loss(RunState& s);

}  // namespace diesel
