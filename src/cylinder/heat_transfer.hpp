// Heat exchange between the gas and the walls: a Woschni-type coefficient in
// the cylinders, a simple wall loss of the exhaust receiver.
#pragma once

#include <cstdint>

#include "state/run_state.hpp"

namespace diesel {

// Everything of the cylinder heat transfer that cannot change between the
// corrector passes of a step: HCOOL, PIVC and TIVC change only at a cycle end,
// each cylinder's volume is fixed for the step. Formed at the step head after
// the kinematics, by the same expressions a pass would use.
struct WallStepConstants {
    float C1G;        // velocity coefficient with both valves shut [-]
    float C1X;        // velocity coefficient during gas exchange [-]
    float BOREPOW;    // BORE^0.2 [m^0.2]
    float RHCOOL;     // coolant film resistance 1/HCOOL [m2 K/W]
    float RHEAD;      // head wall resistance SHEAD/LHEAD [m2 K/W]
    float RPIST;      // piston wall resistance SPIST/LPIST [m2 K/W]
    float CBURN;      // (((VH*K3)/NCYL)*TIVC/PIVC)/VIVC [m/(s Pa)]
    float CNOBURN;    // the same with C2 = 0 [m/(s Pa)]
    ZoneArray PMOT;   // motored reference pressure of each cylinder [Pa]
};
void wall_step_constants(const RunState& s, WallStepConstants& w);

// HTC, HTCT, QHEAD, QPIST, QLINER and QWALL of cylinder j (and CW1), from the
// zone state of the current corrector pass.
void cylinder_heat_transfer(RunState& s, int32_t j, const WallStepConstants& w);

// HTCER from the exhaust-receiver temperature at the end of the previous step;
// once per step, before the predictor.
void exhaust_receiver_wall_coefficient(RunState& s);

// QER [W], the exhaust receiver's heat loss to its 293 K wall; per pass.
void exhaust_receiver_wall_loss(RunState& s);

}  // namespace diesel
